#!/usr/bin/env bash
# Runs dcdrive on every NAME.ops beside its table (NAME.csv, or the table named on the first line as
# "# table: FILE"; or a SQLite database made by the script named as "# sqlite: FILE.sql" and queried by the
# "# sql: " line) and compares standard output and the exit status with NAME.expected ("exit N" after the
# output). A query case's "# after: " lines are run on the database once dcdrive is done, and what sqlite3
# prints for them follows the exit status, so that the expected file shows what was written where.
set -u
tool=$1
dir=$2
failed=0
for ops in "$dir"/*.ops; do
  name=${ops%.ops}
  table="$name.csv"
  first=$(head -n1 "$ops")
  [[ $first == "# table: "* ]] && table="$dir/${first#\# table: }"
  if [[ $first == "# sqlite: "* ]]; then
    # A query case: a fresh database from the named script, the query on the "# sql: " line.
    db=$(mktemp)
    sqlite3 "$db" <"$dir/${first#\# sqlite: }"
    sql=$(sed -n 's/^# sql: //p' "$ops" | head -n1)
    actual=$("$tool" --sqlite "$db" --sql "$sql" "$ops" 2>/dev/null; echo "exit $?")
    while IFS= read -r after; do
      actual+=$'\n'$(sqlite3 -quote "$db" "$after")
    done < <(sed -n 's/^# after: //p' "$ops")
    rm -f "$db"
  else
    actual=$("$tool" "$table" "$ops" 2>/dev/null; echo "exit $?")
  fi
  if ! diff -u "$name.expected" <(printf '%s\n' "$actual"); then
    echo "FAILED: $(basename "$ops")"
    failed=1
  fi
done
exit $failed
