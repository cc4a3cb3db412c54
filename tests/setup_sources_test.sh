#!/usr/bin/env bash
# scripts/setup's view of the package sources for 32-bit Wine: the machine's own sources, in both
# of apt's formats, with the release's security suite alone changed. Prints "N passed, N failed".
set -euo pipefail
setup=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/vp6fio-sources.XXXXXX")
trap 'rm -rf "$work"' EXIT
eval "$(sed -n '/^security_view_sources() {$/,/^}$/p' "$setup")"

# The cases name the machine's own sources, as apt knows them, and no host of their own.
mapfile -t repositories < <(apt-get indextargets --no-release-info --format '$(REPO_URI)' | sort -u)
if ((${#repositories[@]} == 0)); then
  echo "skipped: apt knows no package sources on this machine"
  exit 0
fi
archive=${repositories[0]%/}
security=${repositories[-1]%/}

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
  "deb $archive bookworm main
deb $security bookworm-security main contrib
# deb $security bookworm-security main" \
  "deb $archive bookworm main
deb [check-valid-until=no] $security oldstable-security main contrib
# deb $security bookworm-security main"
case_ one-line-with-options sources.list.d/security.list \
  "deb [arch=amd64 signed-by=/k.gpg] $security bookworm-security main" \
  "deb [arch=amd64 signed-by=/k.gpg check-valid-until=no] $security oldstable-security main"
case_ other-suites-untouched sources.list \
  "deb $archive bookworm-updates main
deb $archive trixie-security main" \
  "deb $archive bookworm-updates main
deb $archive trixie-security main"
# A stanza of the security suite, with its suite and its Check-Valid-Until.
security_stanza() {
  printf 'Types: deb\nURIs: %s\nSuites: %s\nCheck-Valid-Until: %s\nComponents: main\n' \
    "$security" "$1" "$2"
}
archive_stanza="Types: deb
URIs: $archive
Suites: bookworm bookworm-updates
Check-Valid-Until: yes
Components: main
"
case_ deb822 sources.list.d/debian.sources \
  "$archive_stanza
$(security_stanza bookworm-security yes)" \
  "$archive_stanza
$(security_stanza oldstable-security no)"

echo "$passed passed, $failed failed"
((failed == 0))
