#!/usr/bin/env bash
# Checks who includes what: a header ending in _p.h is private to its folder, a public header includes no
# private one, and a layer includes only itself and the layers below it. Tests, benchmarks, tools and fuzz
# targets may include anything. Usage: check-includes.sh [ROOT], ROOT defaulting to the repository.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

# The layers from the bottom up, as the libraries depend on each other in CMakeLists.txt. A folder that is
# not listed here, and is no test, benchmark, tool or fuzz target, is refused until it is given its place.
layers=(
  platform/rtl
  platform/classes
  platform/gdi
  platform/win
  platform/theme
  platform/backend/headless
  platform/backend/sdl
  platform/controls
  platform/db
  engine
  lookandfeel
  data
  editors/core
  pagecontrol
  editors/dropdown
  editors/numeric
  app
)
declare -A rank
for i in "${!layers[@]}"; do
  rank[${layers[$i]}]=$i
done

free() {
  case $1 in
  tests | tests/* | bench | bench/* | tools | tools/* | fuzz | fuzz/*) return 0 ;;
  esac
  return 1
}

failures=0
complain() {
  echo "$1"
  failures=$((failures + 1))
}

while IFS= read -r -d '' file; do
  file=${file#./}
  folder=.
  [[ $file == */* ]] && folder=${file%/*}
  if ! free "$folder" && [ -z "${rank[$folder]+set}" ]; then
    complain "$file: the folder $folder has no place among the layers"
    continue
  fi
  while IFS=: read -r line target; do
    # A name that is no path from the root is looked for beside the including file.
    [ -e "$target" ] || target=$(realpath -m --relative-to=. "$folder/$target")
    [ -e "$target" ] || continue
    to=${target%/*}
    where="$file:$line: includes $target"
    if [[ $target == *_p.h ]]; then
      if [ "$to" != "$folder" ] && ! free "$folder"; then
        complain "$where, which is private to $to"
      elif [[ $file == *.h && $file != *_p.h ]] && ! free "$folder"; then
        complain "$where: a public header would hand a private one to everyone who includes it"
      fi
    fi
    free "$folder" && continue
    if [ -z "${rank[$to]+set}" ]; then
      complain "$where, which belongs to no layer"
    elif [ "${rank[$to]}" -gt "${rank[$folder]}" ]; then
      complain "$where, from the layer above $folder"
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find . \( -path ./build -o -path ./.git \) -prune -o \( -name '*.h' -o -name '*.cpp' \) -print0)

if [ "$failures" -gt 0 ]; then
  echo "check-includes: $failures include(s) break the layering"
  exit 1
fi
echo "check-includes: every include keeps to the layering"
