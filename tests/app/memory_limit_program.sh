#!/usr/bin/env bash
# The program under a limit on its address space, with word files larger than the limit leaves: each is
# reported unreadable with its reason, the window comes up empty and the program ends well. Needs a build
# without the address sanitizer, whose shadow memory cannot live under such a limit.
set -euo pipefail
program=$1
mkwordfile=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v prlimit >/dev/null || { echo "FAIL: prlimit is missing"; exit 1; }

fail() {
  echo "FAIL: $*"
  echo "--- program errors"; cat "$work/err" 2>/dev/null || true
  exit 1
}
cp "$program" "$work/pelvor"
words="$work/pelvor.dll"
mib=$((1024 * 1024))

# Runs the program with the dump under the limit (MiB, or "none"); $rc is set.
run() {
  local limit=$1
  set +e
  if [ "$limit" = none ]; then
    "$work/pelvor" --headless --type ke --dump >"$work/out" 2>"$work/err"
  else
    prlimit --as=$((limit * mib)) "$work/pelvor" --headless --type ke --dump >"$work/out" 2>"$work/err"
  fi
  rc=$?
  set -e
}

check_refused() {
  local limit=$1 what=$2
  run "$limit"
  [ "$rc" -eq 0 ] || fail "$what under $limit MiB: the program stopped ($rc)"
  [ "$(jq -r .wordFile "$work/out")" = unreadable ] || fail "$what under $limit MiB: not reported unreadable"
  [ "$(jq -r .entries "$work/out")" = 0 ] || fail "$what under $limit MiB: entries were kept"
  [ "$(jq -c .left.items "$work/out")" = "[]" ] || fail "$what under $limit MiB: the list shows words"
  [ "$(jq -r .search.text "$work/out")" = ke ] || fail "$what under $limit MiB: the search box took no keys"
  local message="Cannot read file \"$words\". There is not enough memory to read its $(stat -c %s "$words") bytes"
  [ "$(jq -r .wordFileError "$work/out")" = "$message" ] ||
    fail "$what under $limit MiB: the state says \"$(jq -r .wordFileError "$work/out")\""
  grep -qxF "pelvor: $message." "$work/err" || fail "$what under $limit MiB: the reason is not among the errors"
  if grep -q bad_alloc "$work/err"; then fail "$what under $limit MiB: a bare allocation failure"; fi
}

# Far larger than the limit: a sparse file costs no disk.
truncate -s 64G "$words"
check_refused 224 "a 64 GiB file"

# A real word file: under the smaller limit its text does not fit, under the larger one its words do not.
awk 'BEGIN { for (i = 0; i < 600000; i++) printf "kelime%d;oxori%d;isim, s\xc4\xb1fat %d;\n", i, i, 7 * i }' \
  >"$work/words.txt"
rm "$words"
"$mkwordfile" "$work/words.txt" "$words"
check_refused 80 "a 600000-word file"
check_refused 224 "a 600000-word file"
# Where the memory is there, the same file reads whole.
run none
[ "$rc" -eq 0 ] && [ "$(jq -r .entries "$work/out")" = 600000 ] || fail "the file did not read whole without a limit"

echo "memory limit: every check passed"
