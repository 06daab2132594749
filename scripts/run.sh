#!/usr/bin/env bash
# Installs what is missing, builds, and starts Parvell on a demo home folder (made with --demo
# when missing). Without a display it runs under Xvfb and saves a screenshot of the main window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
home="${PARVELL_HOME:-$PWD/demo-home}"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/src/parvell --home "$home" --demo
fi
shot="$PWD/parvell-main-window.png"
xvfb-run -a -s "-screen 0 1280x800x24" ./build/src/parvell --home "$home" --demo --screenshot "$shot"
echo "No display: the main window was saved to $shot"
