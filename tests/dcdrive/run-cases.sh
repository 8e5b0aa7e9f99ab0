#!/usr/bin/env bash
# Runs dcdrive on every NAME.ops beside its table (NAME.csv, or the table named on the first line as
# "# table: FILE") and compares standard output and the exit status with NAME.expected (last line "exit N").
set -u
tool=$1
dir=$2
failed=0
for ops in "$dir"/*.ops; do
  name=${ops%.ops}
  table="$name.csv"
  first=$(head -n1 "$ops")
  [[ $first == "# table: "* ]] && table="$dir/${first#\# table: }"
  actual=$("$tool" "$table" "$ops" 2>/dev/null; echo "exit $?")
  if ! diff -u "$name.expected" <(printf '%s\n' "$actual"); then
    echo "FAILED: $(basename "$ops")"
    failed=1
  fi
done
exit $failed
