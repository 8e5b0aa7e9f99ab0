#!/usr/bin/env bash
# dcdrive given a table or an operation file that is no file of text: a directory, a device that never ends,
# a file that is not there. Each is refused with exit status 2 and a message naming the file and why, after
# reading a bounded amount.
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'n:int\n1\n' >"$dir/table.csv"
printf 'dump\n' >"$dir/ops.txt"
mkdir "$dir/folder"
failed=0
# what is given: table, operation file; what the message must say
while IFS='|' read -r table ops expected; do
  message=$(timeout 120 "$tool" "$table" "$ops" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 2 ] || [[ $message != "$expected" ]]; then
    echo "FAILED: $table $ops: exit $status, message '$message', expected '$expected'"
    failed=1
  fi
done <<CASES
$dir/table.csv|$dir/folder|dcdrive: $dir/folder: is a directory
$dir/table.csv|/dev/zero|dcdrive: /dev/zero: larger than 67108864 bytes, more than an input may hold
$dir/table.csv|$dir/missing.txt|dcdrive: $dir/missing.txt: cannot open it: No such file or directory
$dir/folder|$dir/ops.txt|dcdrive: $dir/folder: is a directory
/dev/zero|$dir/ops.txt|dcdrive: /dev/zero: larger than 67108864 bytes, more than an input may hold
CASES
exit $failed
