#!/usr/bin/env bash
# Compares the plain-named functions that the driver library exports with the names of the ordinal
# table: both sets must be equal.
set -euo pipefail
library=$1
table=$2
exported=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TW]$/ && $3 !~ /^_Z/ {print $3}' | sort)
expected=$(awk '/^ +FIO_/ {print $1}' "$table" | sort)
if [[ "$exported" != "$expected" ]]; then
  echo "exported plain-named functions differ from $table:"
  diff <(echo "$expected") <(echo "$exported") || true
  exit 1
fi
echo "exports match: $(echo "$expected" | wc -l) functions"
