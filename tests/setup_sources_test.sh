#!/usr/bin/env bash
# scripts/setup's view of the package sources for 32-bit Wine: the machine's own sources, in both
# of apt's formats, with the release's security suite alone changed. Prints "N passed, N failed".
set -euo pipefail
setup=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/vp6fio-sources.XXXXXX")
trap 'rm -rf "$work"' EXIT
eval "$(sed -n '/^security_view_sources() {$/,/^}$/p' "$setup")"

passed=0
failed=0
# case NAME FILE INPUT EXPECTED: the view of a sources folder holding FILE with INPUT.
case_() {
  local name=$1 file=$2 input=$3 expected=$4 etc=$work/$1 actual
  mkdir -p "$etc/sources.list.d" "$work/view-$name"
  printf '%s\n' "$input" >"$etc/$file"
  security_view_sources "$work/view-$name" "$etc" bookworm
  actual=$(cat "$work/view-$name/$(basename "$file")")
  if [[ $actual == "$expected" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    diff <(echo "$expected") <(echo "$actual") || true
  fi
}

case_ one-line sources.list \
  'deb http://packages.invalid/debian bookworm main
deb http://packages.invalid/security bookworm-security main contrib
# deb http://packages.invalid/security bookworm-security main' \
  'deb http://packages.invalid/debian bookworm main
deb [check-valid-until=no] http://packages.invalid/security oldstable-security main contrib
# deb http://packages.invalid/security bookworm-security main'
case_ one-line-with-options sources.list.d/security.list \
  'deb [arch=amd64 signed-by=/k.gpg] http://proxy.invalid:3142/security bookworm-security main' \
  'deb [arch=amd64 signed-by=/k.gpg check-valid-until=no] http://proxy.invalid:3142/security oldstable-security main'
case_ other-suites-untouched sources.list \
  'deb http://packages.invalid/debian bookworm-updates main
deb http://packages.invalid/debian trixie-security main' \
  'deb http://packages.invalid/debian bookworm-updates main
deb http://packages.invalid/debian trixie-security main'
case_ deb822 sources.list.d/debian.sources \
  'Types: deb
URIs: http://packages.invalid/debian
Suites: bookworm bookworm-updates
Check-Valid-Until: yes
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://packages.invalid/debian-security
Suites: bookworm-security
Check-Valid-Until: yes
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
  'Types: deb
URIs: http://packages.invalid/debian
Suites: bookworm bookworm-updates
Check-Valid-Until: yes
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://packages.invalid/debian-security
Suites: oldstable-security
Check-Valid-Until: no
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'

echo "$passed passed, $failed failed"
((failed == 0))
