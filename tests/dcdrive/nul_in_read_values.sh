#!/usr/bin/env bash
# dcdrive over a query whose column holds a value with a NUL byte that the column's type cannot read: the
# message names the value whole, the NUL written \0, then the field, the record and the reason; exit status 2.
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
: >"$dir/ops.txt"
failed=0
# The value inserted into an INTEGER column, then what the message must say after the file's name.
cases=(
  "x'00ff'" "'\0ÿ' in field 'n' of record 1 cannot be read as LargeInt"
  "'a'||char(0)||'b'" "'a\0b' in field 'n' of record 1 cannot be read as LargeInt"
)
for ((i = 0; i < ${#cases[@]}; i += 2)); do
  value=${cases[i]} expected=${cases[i + 1]}
  rm -f "$dir/db"
  sqlite3 "$dir/db" "CREATE TABLE t (n INTEGER); INSERT INTO t VALUES ($value);"
  message=$("$tool" --sqlite "$dir/db" --sql "SELECT n FROM t" "$dir/ops.txt" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 2 ] || [[ $message != "dcdrive: $dir/db: $expected" ]]; then
    echo "FAILED: $value: exit $status, message '$message', expected '$expected'"
    failed=1
  fi
done
exit $failed
