#!/usr/bin/env bash
# The include check over small trees made for it: each case adds one file to a clean tree and expects the
# check to pass or to fail naming the fault.
set -euo pipefail
check=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clean() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"/{platform/gdi,platform/win,platform/backend/headless,platform/backend/sdl,lookandfeel,tests/gdi}
  cd "$work/tree"
  printf '#pragma once\n' >platform/gdi/Gdi.h
  printf '#pragma once\n' >platform/gdi/Raster_p.h
  printf '#include "platform/gdi/Gdi.h"\n#include "platform/gdi/Raster_p.h"\n' >platform/gdi/Fill.cpp
  printf '#include "Raster_p.h"\n' >platform/gdi/Blit.cpp
  printf '#pragma once\n#include "platform/gdi/Gdi.h"\n' >platform/win/Win.h
  printf '#pragma once\n' >platform/backend/sdl/SdlBackend.h
  printf '#pragma once\n#include "platform/win/Win.h"\n' >lookandfeel/cxGraphics.h
  printf '#include "platform/gdi/Raster_p.h"\n#include "lookandfeel/cxGraphics.h"\n' >tests/gdi/raster_test.cpp
  # A build folder is not looked at.
  mkdir -p build/x
  printf '#include "platform/gdi/Raster_p.h"\n' >build/x/generated.cpp
}

failures=0
expect() {
  local name=$1 outcome=$2 message=$3
  set +e
  output=$(bash "$check" "$work/tree" 2>&1)
  rc=$?
  set -e
  if [ "$outcome" = pass ] && [ "$rc" -ne 0 ]; then
    echo "FAIL: $name: the check failed: $output"
    failures=$((failures + 1))
  elif [ "$outcome" = fail ] && { [ "$rc" -eq 0 ] || ! grep -qF -- "$message" <<<"$output"; }; then
    echo "FAIL: $name: expected a failure naming \"$message\", got ($rc): $output"
    failures=$((failures + 1))
  fi
}

clean
expect "a clean tree" pass ""

clean
printf '#include "platform/gdi/Raster_p.h"\n' >lookandfeel/cxPainters.cpp
expect "a private header from another folder" fail \
  'lookandfeel/cxPainters.cpp:1: includes platform/gdi/Raster_p.h, which is private to platform/gdi'

clean
printf '#include "../platform/gdi/Raster_p.h"\n' >lookandfeel/cxPainters.cpp
expect "a private header by a relative path" fail "which is private to platform/gdi"

clean
printf '#pragma once\n#include "platform/gdi/Raster_p.h"\n' >platform/gdi/Shapes.h
expect "a public header handing on a private one" fail \
  'platform/gdi/Shapes.h:2: includes platform/gdi/Raster_p.h: a public header would hand a private one'

clean
printf '#pragma once\n#include "platform/gdi/Raster_p.h"\n' >platform/gdi/Font_p.h
expect "a private header including another of its folder" pass ""

clean
printf '// drawing\n#include "lookandfeel/cxGraphics.h"\n' >platform/gdi/Text.cpp
expect "a layer above" fail 'platform/gdi/Text.cpp:2: includes lookandfeel/cxGraphics.h, from the layer above platform/gdi'

clean
printf '#include "platform/backend/sdl/SdlBackend.h"\n' >platform/backend/headless/HeadlessBackend.cpp
expect "a sibling backend above" fail "from the layer above platform/backend/headless"

clean
mkdir -p widgets
printf '#include "platform/win/Win.h"\n' >widgets/Button.cpp
expect "a folder with no place" fail "widgets/Button.cpp: the folder widgets has no place among the layers"

clean
printf '#include "platform/nowhere/Missing.h"\n#include "platform/win/Win.h"\n' >lookandfeel/cxLookAndFeels.cpp
expect "an include that is not in the tree" pass ""

[ "$failures" -eq 0 ] || exit 1
echo "check-includes test: every case behaved"
