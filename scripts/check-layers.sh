#!/usr/bin/env bash
# Checks the include graph of the sources against the layers of the build, and fails on any
# include that points upward or closes a cycle:
#
#   core        every */core/ folder, data/ and demo/ (parvell_core: Qt Core and Sql only)
#   components  components/* outside core/          (parvell_gui)
#   listwindow  listwindow/                         (parvell_gui)
#   windows     admin/ masterdata/ billing/ reports/ outside core/   (parvell_gui)
#   app         app/                                (parvell_app: main window, registry, main())
#   tools       tools/*/                            (programs of their own: parvell-jet-read)
#   cli         cli/                                (parvell-cli: the command line, on the core alone)
#
# A file may include its own layer and the layers below it, never one above: core includes no
# gui folder, and nothing outside app/ includes app/. A tool stands alone: it includes only its
# own folder, and nothing includes it. The command line includes only its own folder and the
# core, and nothing includes it. Among the folders themselves (data,
# admin, components/grid, ...) no chain of includes may lead back to where it started. Every
# folder holding sources must belong to a layer.
#
# Usage: scripts/check-layers.sh [SRC_DIR]   (default: the src/ folder beside this script)
set -euo pipefail

src="${1:-$(dirname "$0")/../src}"
src="$(cd "$src" && pwd)"

# The layer of a folder below src/, as a rank (higher sits above), or nothing when none.
rank_of() {
  case "$1" in
  core | */core | core/* | */core/* | data | data/* | demo | demo/*) echo 0 ;;
  components/*) echo 1 ;;
  listwindow | listwindow/*) echo 2 ;;
  admin | admin/* | masterdata | masterdata/* | billing | billing/* | reports | reports/*) echo 3 ;;
  app | app/*) echo 4 ;;
  tools/*) echo 5 ;;
  cli | cli/*) echo 6 ;;
  *) echo "" ;;
  esac
}
names=(core components listwindow windows app tools cli)
tools=5
cli=6

failures=()
edges=()
while IFS= read -r file; do
  rel="${file#"$src"/}"
  dir="$(dirname "$rel")"
  from="$(rank_of "$dir")"
  if [ -z "$from" ]; then
    failures+=("$rel: the folder $dir belongs to no layer")
    continue
  fi
  while IFS= read -r target; do
    # Project headers are named from src/ (#include "data/dm1.h"); a bare name is the
    # including file's neighbour.
    if [ -f "$src/$target" ]; then
      inc="$target"
    elif [ -f "$src/$dir/$target" ]; then
      inc="$dir/$target"
    else
      continue # Qt, the C++ library, SQLite and other system headers
    fi
    incdir="$(dirname "$inc")"
    to="$(rank_of "$incdir")"
    [ -n "$to" ] || continue # reported with the folder's own files
    if [ "$from" -eq "$tools" ] && [ "$incdir" != "$dir" ]; then
      failures+=("$rel includes $inc: a tool includes only its own folder")
    elif [ "$from" -eq "$cli" ] && [ "$incdir" != "$dir" ] && [ "$to" -ne 0 ]; then
      failures+=("$rel includes $inc: the command line includes only the core")
    elif [ "$to" -gt "$from" ]; then
      failures+=("$rel includes $inc: ${names[$from]} must not include ${names[$to]}")
    fi
    if [ "$incdir" != "$dir" ]; then
      edges+=("$dir $incdir")
    fi
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/p' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | LC_ALL=C sort)

# A cycle between folders: tsort names the folders of the loop.
if [ ${#edges[@]} -gt 0 ]; then
  if ! loops="$(printf '%s\n' "${edges[@]}" | LC_ALL=C sort -u | tsort 2>&1 >/dev/null)"; then
    failures+=("folders include each other in a cycle:"$'\n'"$loops")
  elif [ -n "$loops" ]; then
    failures+=("folders include each other in a cycle:"$'\n'"$loops")
  fi
fi

if [ ${#failures[@]} -gt 0 ]; then
  printf 'check-layers: %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "check-layers: the includes of $src keep to their layers"
