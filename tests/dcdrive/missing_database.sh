#!/usr/bin/env bash
# dcdrive on a database file that does not exist: it must fail with "no such file" and leave no file behind.
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
: >"$dir/ops.txt"
message=$("$tool" --sqlite "$dir/missing.db" --sql "SELECT 1" "$dir/ops.txt" 2>&1 >/dev/null)
status=$?
failed=0
[ "$status" -ne 0 ] || { echo "FAILED: exit status 0"; failed=1; }
[[ $message == *"no such file"* ]] || { echo "FAILED: message '$message'"; failed=1; }
[ ! -e "$dir/missing.db" ] || { echo "FAILED: the file was created"; failed=1; }
exit $failed
