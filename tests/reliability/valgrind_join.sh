#!/usr/bin/env bash
# One full join of real files under valgrind memcheck: a memory error or a
# leak fails it, and so does a wrong output.
#   valgrind_join.sh PROGRAM [VALGRIND]
set -euo pipefail
program=$1
valgrind=${2:-valgrind}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
head -c 250016 /dev/urandom >"$folder/first.mve"
head -c 230026 /dev/urandom >"$folder/second.mve"
"$valgrind" --quiet --error-exitcode=1 --leak-check=full \
  "$program" "$folder/first.mve" "$folder/second.mve" "$folder/out.mve"
{ head -c 250000 "$folder/first.mve"; tail -c +27 "$folder/second.mve"; } | cmp - "$folder/out.mve"
echo "valgrind: no error, joined movie correct"
