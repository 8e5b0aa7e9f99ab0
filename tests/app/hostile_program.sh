#!/usr/bin/env bash
# The program itself where its surroundings work against it: output that cannot be written, word files that
# cannot be followed or are no files, a snapshot that cannot be written whole. Runs without a display.
set -euo pipefail
program=$1
mkwordfile=$2
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0
chmod 755 "$work"

fail() {
  echo "FAIL: $*"
  echo "--- program errors"; cat "$work/err" 2>/dev/null || true
  exit 1
}
# Runs the program with the given arguments, its output in $work/out and its errors in $work/err; $rc is set.
run() {
  set +e
  "$@" >"$work/out" 2>"$work/err"
  rc=$?
  set -e
}
expect_error() { grep -qF -- "$1" "$work/err" || fail "no \"$1\" among the errors"; }

# The state written into a full device or a closed standard output is lost: the program says so and fails.
set +e
"$program" --headless --dump >/dev/full 2>"$work/err"
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "--dump into /dev/full exited 0"
expect_error "pelvor: cannot write the state: No space left on device"
set +e
"$program" --headless --dump >&- 2>"$work/err"
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "--dump with a closed standard output exited 0"
expect_error "pelvor: cannot write the state: standard output is closed"

set +e
"$program" --help >/dev/full 2>"$work/err"
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "--help into /dev/full exited 0"
expect_error "pelvor: cannot write the usage: No space left on device"

# A copy of the program in a folder with a Turkish name reads the word file beside it.
folder="$work/sözlük"
mkdir "$folder"
chmod 755 "$folder"
ln "$program" "$folder/pelvor" 2>/dev/null || cp "$program" "$folder/pelvor"
words="$folder/pelvor.dll"
check_unreadable() {
  local reason=$1
  shift
  run "$@" --headless --dump
  [ "$rc" -eq 0 ] || fail "the program stopped ($rc) on a word file that is $reason"
  [ "$(jq -r .wordFile "$work/out")" = unreadable ] || fail "the word file is not reported unreadable"
  [ "$(jq -r .entries "$work/out")" = 0 ] || fail "entries without a word file"
  local message="Cannot open file \"$words\". $reason"
  [ "$(jq -r .wordFileError "$work/out")" = "$message" ] ||
    fail "the state says \"$(jq -r .wordFileError "$work/out")\", not \"$message\""
  expect_error "pelvor: $message."
}
ln -s pelvor.dll "$words"
check_unreadable "Too many levels of symbolic links" "$folder/pelvor"
rm "$words"
mkfifo "$words"
check_unreadable "It is a named pipe (fifo), not a file" "$folder/pelvor"
rm "$words"
ln -s /dev/zero "$words"
check_unreadable "It is a character device, not a file" "$folder/pelvor"
rm "$words"

# A link into a folder its user may not enter. Root enters every folder, so as root the program runs as
# an ordinary user.
mkdir "$work/locked"
: >"$work/locked/pelvor.dll"
chmod 0 "$work/locked"
ln -s ../locked/pelvor.dll "$words"
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || fail "setpriv is missing"
  check_unreadable "Permission denied" setpriv --reuid=65534 --regid=65534 --clear-groups "$folder/pelvor"
else
  check_unreadable "Permission denied" "$folder/pelvor"
fi
rm "$words"

# Where no thread can be started, the word file's reader and the index work on the program's own thread: a
# file large enough for both to want threads reads whole and answers, and the program ends.
awk 'BEGIN { for (i = 0; i < 100000; i++) printf "kelime%d;oxori%d;isim;\n", i, i }' >"$work/words.txt"
"$mkwordfile" "$work/words.txt" "$words"
chmod 644 "$words"
one_process=(prlimit --nproc=1)
if [ "$(id -u)" -eq 0 ]; then
  # Root is not held to the limit.
  one_process=(setpriv --reuid=65534 --regid=65534 --clear-groups prlimit --nproc=1)
fi
run timeout 120 "${one_process[@]}" "$folder/pelvor" --headless --type kelime9999 --dump
[ "$rc" -ne 124 ] || fail "without threads the program hung"
[ "$rc" -eq 0 ] || fail "without threads the program stopped ($rc)"
[ "$(jq -r .entries "$work/out")" = 100000 ] || fail "without threads not every entry was read"
[ "$(jq -c .left.items "$work/out")" = '["kelime9999","kelime99990","kelime99991","kelime99992","kelime99993","kelime99994","kelime99995","kelime99996","kelime99997","kelime99998","kelime99999"]' ] ||
  fail "without threads the search found $(jq -c .left.items "$work/out")"
rm "$words"

# A snapshot that cannot be written whole leaves the old picture; a file size limit stops the writing.
printf old >"$work/shot.png"
set +e
(
  trap '' XFSZ
  ulimit -f 1
  exec "$program" --headless --snapshot "$work/shot.png"
) 2>"$work/err"
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "a snapshot cut short exited 0"
expect_error "pelvor: cannot write the snapshot $work/shot.png: File too large"
[ "$(cat "$work/shot.png")" = old ] || fail "the old snapshot was changed"
[ -z "$(find "$work" -maxdepth 1 -name '.shot.png.*')" ] || fail "a partial snapshot was left behind"
run "$program" --headless --snapshot "$work/shot.png"
[ "$rc" -eq 0 ] || fail "the snapshot could not be written ($rc)"
[ "$(head -c 8 "$work/shot.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "the snapshot is no PNG"

echo "hostile program: every check passed"
