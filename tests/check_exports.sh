#!/usr/bin/env bash
# Holds a driver library to its export list.
#   check_exports.sh LIBRARY.so TABLE.def MAP    exactly the functions of the ordinal table and the
#                                                contract symbols of the version script MAP
#   check_exports.sh LIBRARY.dll TABLE.def       exactly the functions of the table, by name and by
#                                                ordinal (OBJDUMP: the target's objdump)
set -euo pipefail
library=$1
table=$2
map=${3:-}

if [[ $library == *.dll ]]; then
  objdump=${OBJDUMP:-objdump}
  expected=$(awk '$1 ~ /^FIO_/ { sub(/^@/, "", $2); print $2, $1 }' "$table" | sort -n)
  # "ordinal name" for every export; one without a name shows as "-". objdump numbers the name
  # table from 0 or shows "+base[n]", depending on its version.
  exported=$("$objdump" -p "$library" | awk '
    /^Export Address Table -- Ordinal Base/ { base = $NF; in_addresses = 1; next }
    /^\[Ordinal\/Name Pointer\] Table/ { in_names = 1; next }
    /^$/ { in_addresses = 0; in_names = 0; next }
    in_addresses && /Export RVA/ {
      match($0, /\+base\[ *[0-9]+\]/)
      ordinal = substr($0, RSTART, RLENGTH); gsub(/[^0-9]/, "", ordinal)
      named[ordinal] = "-"
    }
    in_names {
      if (match($0, /\+base\[ *[0-9]+\]/)) {
        ordinal = substr($0, RSTART, RLENGTH); gsub(/[^0-9]/, "", ordinal)
      } else {
        match($0, /\[ *[0-9]+\]/)
        ordinal = substr($0, RSTART, RLENGTH); gsub(/[^0-9]/, "", ordinal); ordinal += base
      }
      named[ordinal] = $NF
    }
    END { for (ordinal in named) print ordinal, named[ordinal] }' | sort -n)
else
  # Demangled, each name once: a destructor's variants share one.
  expected=$({
    awk '$1 ~ /^FIO_/ {print $1}' "$table"
    sed -n 's/^ *"\(.*\)";.*/\1/p' "$map"
  } | LC_ALL=C sort -u)
  exported=$(nm -D --defined-only -C "$library" | sed -E 's/^[0-9a-f]+ [A-Za-z] //' | LC_ALL=C sort -u)
fi

if [[ "$exported" != "$expected" ]]; then
  echo "$(basename "$library") exports differ from the list (< list, > library):"
  diff <(echo "$expected") <(echo "$exported") || true
  exit 1
fi
echo "$(basename "$library") exports exactly the list: $(echo "$expected" | wc -l) names"
