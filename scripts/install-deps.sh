#!/usr/bin/env bash
# Installs every Debian package Parvell needs to build, run and test (as root on Debian 12).
set -euo pipefail
packages=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins qt6-translations-l10n libgl-dev
  qt6-charts-dev libqt6charts6 libqt6opengl6-dev
  libsqlite3-dev libicu-dev libsodium-dev libgsf-1-dev libxlsxwriter-dev libxcb1-dev libpq-dev
  mdbtools-dev libmdb3 mdbtools
  fonts-arphic-uming fonts-wqy-zenhei
  xvfb xauth poppler-utils unzip
  sqlite3
  postgresql
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
