#!/usr/bin/env bash
# The layer check passes on the sources as they are and refuses each kind of bad include planted
# into a copy of them: core including a gui folder, a window including app/, the list window
# including a window, two window folders including each other, a folder outside the layers, a
# tool including the program's code or being included by it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
check="$here/../../scripts/check-layers.sh"
src="$here/../../src"

bash "$check" "$src" >/dev/null || { echo "FAIL: the sources themselves break a layer" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
# plant NAME EXPECTED FILE LINE [FILE LINE ...]: a fresh copy with each LINE appended to its
# FILE must be refused with a message holding EXPECTED.
plant() {
  local name="$1" expected="$2"
  shift 2
  rm -rf "$work/src"
  cp -r "$src" "$work/src"
  while [ $# -gt 0 ]; do
    mkdir -p "$(dirname "$work/src/$1")"
    printf '%s\n' "$2" >>"$work/src/$1"
    shift 2
  done
  local out
  if out="$(bash "$check" "$work/src" 2>&1)"; then
    echo "FAIL: $name: not refused" >&2
    failed=1
  elif ! grep -qF -- "$expected" <<<"$out"; then
    echo "FAIL: $name: refused without naming \"$expected\":" >&2
    echo "$out" >&2
    failed=1
  else
    echo "PASS: $name"
  fi
}

plant "core includes a gui folder" "core must not include components" \
  data/money.cpp '#include "components/common/prompt.h"'
plant "the demo estate includes a window" "core must not include windows" demo/demo.cpp '#include "admin/enter.h"'
plant "a window includes the main window" "windows must not include app" \
  masterdata/storeyinfo.cpp '#include "app/main.h"'
plant "the list window includes a window" "listwindow must not include windows" \
  listwindow/listwindow.cpp '#include "admin/qxb.h"'
plant "two window folders include each other" "cycle" \
  admin/qxb.cpp '#include "masterdata/storeyinfo.h"' masterdata/storeyinfo.cpp '#include "admin/qxb.h"'
plant "two core folders include each other" "cycle" \
  data/dm1.cpp '#include "admin/core/passwords.h"' admin/core/passwords.cpp '#include "data/dm1.h"'
plant "a folder outside the layers" "belongs to no layer" extras/x.cpp '#include "data/dm1.h"'
plant "a tool includes the core" "a tool includes only its own folder" \
  tools/jetread/jetread.cpp '#include "data/money.h"'
plant "the core includes a tool" "core must not include tools" \
  admin/core/jetlines.cpp '#include "tools/jetread/jetread.cpp"'
plant "the command line includes a window" "the command line includes only the core" \
  cli/main.cpp '#include "components/common/prompt.h"'
plant "a window includes the command line" "windows must not include cli" \
  admin/qxb.cpp '#include "cli/command.h"'
exit $failed
