#!/usr/bin/env bash
# Installs what is missing, checks who includes what, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (and the program once more without them, for the memory-limit test), runs the
# fuzz targets for a bounded time and then every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
# Layering faults are found in seconds, before anything is built.
scripts/check-includes.sh

# The program without sanitizers, as scripts/run.sh builds it, for the test that runs it under a memory limit.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVOR_TESTS=OFF -DPELVOR_BENCH=OFF >/dev/null
cmake --build build/release -j "$jobs" --target pelvor
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELVOR_SANITIZE=ON \
  -DPELVOR_PLAIN_BUILD="$PWD/build/release" >/dev/null
cmake --build build/test -j "$jobs"

if [ -n "$(ls fuzz/*.cpp 2>/dev/null)" ]; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELVOR_FUZZ=ON \
    -DPELVOR_TESTS=OFF -DPELVOR_BENCH=OFF >/dev/null
  cmake --build build/fuzz -j "$jobs" --target $(for f in fuzz/*.cpp; do printf 'fuzz_%s ' "$(basename "$f" .cpp)"; done)
  for f in fuzz/*.cpp; do
    name=$(basename "$f" .cpp)
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    [ -d "fuzz/seeds/$name" ] && cp -n fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null || true
    # The controls target shows so many features that libFuzzer's entropic schedule costs more than its runs.
    entropic=1
    [ "$name" = control_events ] && entropic=0
    echo "fuzzing $name for ${FUZZ_SECONDS:-20} s"
    build/fuzz/fuzz_"$name" -max_total_time="${FUZZ_SECONDS:-20}" -max_len=4096 -print_final_stats=0 \
      -entropic="$entropic" "$corpus" 2>build/fuzz/"$name".log || { tail -n 40 build/fuzz/"$name".log; exit 1; }
  done
fi

cd build/test
ctest -j "$jobs" --output-on-failure --timeout 300
