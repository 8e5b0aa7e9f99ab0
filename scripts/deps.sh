#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need. Idempotent; quiet when all is there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  nettle-dev libpixman-1-dev libfreetype-dev libfontconfig-dev libpng-dev libsdl2-dev
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core xvfb xdotool xclip jq openbox x11-utils libsqlite3-dev sqlite3 ccache
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
