#!/usr/bin/env bash
# The program under a limit on its address space. The limits are found on this machine, for this build, by
# halving: the least under which the program comes up without words, under which a word file loads, and under
# which its index is built too. Below the second the file is refused with its reason; between the second and
# the third the words answer by a scan, as they answer without a limit; above, by the index. A word file far
# larger than any limit is refused. Needs a build without the address sanitizer, whose shadow memory cannot
# live under such a limit.
set -euo pipefail
program=$1
mkwordfile=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One arena of the allocator for every thread: an arena of its own per thread reserves address space only
# where the limit leaves room for it, so that what the program needs would not grow with the limit and the
# least limits could not be found by halving.
export MALLOC_ARENA_MAX=1
command -v prlimit >/dev/null || { echo "FAIL: prlimit is missing"; exit 1; }
[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }

# On standard error, so that a failure inside a command substitution is still seen.
fail() {
  {
    echo "FAIL: $*"
    echo "--- program errors"; cat "$work/err" 2>/dev/null || true
  } >&2
  exit 1
}
cp "$program" "$work/pelvor"

# The system's fonts through a cache of the test's own. Fontconfig takes a cache it cannot map under a tight
# limit for a stale one and writes it anew with the fonts it could not open left out: every later program on
# the machine would find no fonts. Each run gets a fresh copy of a cache made without a limit.
mkdir "$work/fonts-cache"
cat >"$work/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
  <cachedir>$work/run-cache</cachedir>
</fontconfig>
EOF
export FONTCONFIG_FILE="$work/fonts.conf"
words="$work/pelvor.dll"
mib=$((1024 * 1024))
typed=kel
# A session that goes both ways through the words: a search in one direction, a switch, Backspace (the
# completion, then a letter), a search, a click and a pick in the other.
session=(--type kem --tab 1 --type $'\b\bl' --click-left 1 --click-right 0)

# What runs the program: as it comes, or with its address space laid out the same on every run.
layout=()

# Runs the program with the dump under the limit (MiB, or "none"), after the steps given or after typing
# $typed; $rc is set.
run() {
  local limit=$1
  shift
  [ $# -gt 0 ] || set -- --type "$typed"
  rm -rf "$work/run-cache"
  cp -r "$work/fonts-cache" "$work/run-cache"
  local as=()
  [ "$limit" = none ] || as=(prlimit --as=$((limit * mib)))
  set +e
  "${layout[@]}" "${as[@]}" "$work/pelvor" --headless "$@" --dump >"$work/out" 2>"$work/err"
  rc=$?
  set -e
}

# What the run under the limit came to: refused, scan, index, missing, or failed.
outcome() {
  run "$1"
  if [ "$rc" -ne 0 ] || ! jq -e . "$work/out" >/dev/null 2>&1; then
    echo failed
  else
    case "$(jq -r .wordFile "$work/out")" in
    unreadable) echo refused ;;
    missing) echo missing ;;
    loaded) jq -r .searchBy "$work/out" ;;
    *) echo failed ;;
    esac
  fi
}

# The least limit in MiB, between $2 and $3, under which the outcome is one of the words after them.
least() {
  local lo=$1 hi=$2
  shift 2
  local wanted=" $* "
  [[ "$wanted" == *" $(outcome "$hi") "* ]] || fail "no outcome among ($*) even under $hi MiB"
  while [ $((hi - lo)) -gt 1 ]; do
    local mid=$(((lo + hi) / 2))
    if [[ "$wanted" == *" $(outcome "$mid") "* ]]; then hi=$mid; else lo=$mid; fi
  done
  echo "$hi"
}

# The parts of the state that answer the search.
answer() { jq -c '{left, right, leftMemo, rightMemo, search}' "$work/out"; }

check_refused() {
  local limit=$1 what=$2
  run "$limit"
  [ "$rc" -eq 0 ] || fail "$what under $limit MiB: the program stopped ($rc)"
  [ "$(jq -r .wordFile "$work/out")" = unreadable ] || fail "$what under $limit MiB: not reported unreadable"
  [ "$(jq -r .entries "$work/out")" = 0 ] || fail "$what under $limit MiB: entries were kept"
  [ "$(jq -c .left.items "$work/out")" = "[]" ] || fail "$what under $limit MiB: the list shows words"
  [ "$(jq -r .search.text "$work/out")" = "$typed" ] || fail "$what under $limit MiB: the search box took no keys"
  local message="Cannot read file \"$words\". There is not enough memory to read its $(stat -c %s "$words") bytes"
  [ "$(jq -r .wordFileError "$work/out")" = "$message" ] ||
    fail "$what under $limit MiB: the state says \"$(jq -r .wordFileError "$work/out")\""
  grep -qxF "pelvor: $message." "$work/err" || fail "$what under $limit MiB: the reason is not among the errors"
  if grep -q bad_alloc "$work/err"; then fail "$what under $limit MiB: a bare allocation failure"; fi
}

check_answers() {
  local limit=$1 way=$2
  run "$limit" "${session[@]}"
  [ "$rc" -eq 0 ] || fail "under $limit MiB: the program stopped ($rc)"
  [ "$(jq -r .wordFile "$work/out")" = loaded ] && [ "$(jq -r .entries "$work/out")" = 600000 ] ||
    fail "under $limit MiB: the words did not load"
  [ "$(jq -r .searchBy "$work/out")" = "$way" ] ||
    fail "under $limit MiB: searches by $(jq -r .searchBy "$work/out"), not by $way"
  [ "$(answer)" = "$expected" ] || fail "under $limit MiB the window shows $(answer), without a limit $expected"
  [ ! -s "$work/err" ] || fail "under $limit MiB: errors were printed"
}

# Words of many beginnings in both languages, so that a few letters find a few of them.
awk 'function word(  w, n, j) {
    w = ""; n = 4 + int(rand() * 6); for (j = 0; j < n; j++) w = w sprintf("%c", 97 + int(rand() * 26))
    return w
  }
  BEGIN { srand(11); for (i = 0; i < 600000; i++)
    printf "%s%d;%s%d;isim, s\xc4\xb1fat %d;\n", word(), i, word(), i, 7 * i }' >"$work/words.txt"
"$mkwordfile" "$work/words.txt" "$words"

run none
cp -r "$work/run-cache/." "$work/fonts-cache"
[ -n "$(ls "$work/fonts-cache")" ] || fail "no font cache was made"

run none "${session[@]}"
[ "$rc" -eq 0 ] && [ "$(jq -r .entries "$work/out")" = 600000 ] && [ "$(jq -r .searchBy "$work/out")" = index ] ||
  fail "without a limit the file did not read whole or was not indexed"
[ "$(jq '.left.items | length' "$work/out")" -gt 3 ] && [ -n "$(jq -r .rightMemo "$work/out")" ] ||
  fail "the session finds too little without a limit"
expected=$(answer)

mv "$words" "$work/words.dll"
bare=$(least 1 4096 missing)
mv "$work/words.dll" "$words"
loads=$(least "$bare" 4096 scan index)
indexes=$(least "$loads" 4096 index)
echo "least limits in MiB: $bare without words, $loads to load the words, $indexes to index them"
[ $((loads - bare)) -ge 16 ] || fail "the words load under $loads MiB, hardly more than the program alone ($bare)"
[ $((indexes - loads)) -ge 8 ] || fail "the index needs hardly more than the words ($loads, $indexes MiB)"

# Below what the words need, at a quarter and at three quarters of the way from the program alone.
check_refused $((bare + (loads - bare) / 4)) "a 600000-word file"
check_refused $((bare + (loads - bare) * 3 / 4)) "a 600000-word file"
check_answers $(((loads + indexes) / 2)) scan
check_answers $((indexes + (indexes - loads))) index

# Every headword listed (a letter typed, then deleted with its completion): a state of 600000 items, whose
# text takes memory of its own. Under the least limit that prints it and below, down to where the search
# itself runs short, the program prints the whole state or says that it cannot and exits 1: it never aborts
# and never prints half a state. The address space is laid out the same on every run, so that each limit
# meets its shortage at the same place.
every=(--type k --type $'\b\b')
listed() {
  run "$1" "${every[@]}"
  if [ "$rc" -eq 0 ] && [ "$(jq '.left.items | length' "$work/out" 2>/dev/null)" = 600000 ]; then
    echo listed
  else
    echo short
  fi
}
layout=(setarch -R)
[ "$(listed none)" = listed ] || fail "without a limit not every headword is listed"
lo=$loads hi=4096
while [ $((hi - lo)) -gt 1 ]; do
  mid=$(((lo + hi) / 2))
  if [ "$(listed "$mid")" = listed ]; then hi=$mid; else lo=$mid; fi
done
echo "every headword is listed under $hi MiB"
for ((limit = hi - 1; limit > hi - 48 && limit > loads; limit -= 2)); do
  run "$limit" "${every[@]}"
  [ "$rc" -ne 134 ] && ! grep -q "terminate called" "$work/err" || fail "under $limit MiB: the program aborted"
  if [ "$rc" -eq 0 ]; then
    jq -e . "$work/out" >/dev/null 2>&1 || fail "under $limit MiB: half a state was printed"
  else
    [ ! -s "$work/out" ] || fail "under $limit MiB: the program stopped ($rc) after printing part of the state"
    grep -qxF "pelvor: cannot write the state: there is not enough memory to build it" "$work/err" ||
      fail "under $limit MiB: the program stopped ($rc) without saying that the state could not be built"
  fi
done
layout=()

# Far larger than any limit: a sparse file costs no disk.
rm "$words"
truncate -s 64G "$words"
check_refused $((bare + (loads - bare) / 2)) "a 64 GiB file"
check_refused $((indexes * 2)) "a 64 GiB file"

echo "memory limit: every check passed"
