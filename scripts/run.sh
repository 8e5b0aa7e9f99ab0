#!/usr/bin/env bash
# Installs what is missing, builds the dictionary and runs it: the window where there is a display, a short
# headless session otherwise. Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVOR_TESTS=OFF -DPELVOR_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target pelvor
if [ $# -gt 0 ] || [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/app/pelvor "$@"
fi
echo "No display: a short session in memory, typing \"kö\" into the search box."
exec build/release/app/pelvor --headless --type kö --dump --snapshot "$PWD/build/release/pelvor-window.png"
