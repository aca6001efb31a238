#!/usr/bin/env bash
# The shipped files as built: every program and package carries a valid Authenticode signature by the
# build's signer, and a byte changed after signing fails the check (in a program a byte of its code,
# in a package a byte of its embedded cabinet); each package's File table gives every program the
# version VERSION and US English.
#   tests/packaging/check-packages.sh SIGNER_CERTIFICATE VERSION FILE...
set -euo pipefail
cert=${1:?certificate}
version=${2:?version}
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

verify() { osslsigncode verify -CAfile "$cert" -in "$1" >"$work/log" 2>&1; }

for file in "$@"; do
  verify "$file" || { fail "$file is not signed by $cert: $(cat "$work/log")"; continue; }
  case "$file" in
    *.msi)
      offset=$(grep -obUaP 'MSCF' "$file" | head -1 | cut -d: -f1)
      programs=$(msiinfo export "$file" File | tr -d '\r' | awk -F '\t' 'tolower($3) ~ /\.(dll|exe)$/ {print $3, $5, $6}')
      [ "$(wc -l <<<"$programs")" -eq 3 ] || fail "$file: programs in the File table: $programs"
      while read -r name got language; do
        [ "$got $language" = "$version 1033" ] || fail "$file: $name has version '$got', language '$language'"
      done <<<"$programs"
      ;;
    *) offset=$((0x$(x86_64-w64-mingw32-objdump -h "$file" | awk '$2 == ".text" {print $6}'))) ;;
  esac
  copy="$work/$(basename "$file")"
  cp "$file" "$copy"
  offset=$((offset + 64))
  byte=$(od -An -tu1 -j "$offset" -N1 "$copy" | tr -d ' ')
  # shellcheck disable=SC2059 # the format is the changed byte
  printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$copy" bs=1 seek="$offset" conv=notrunc status=none
  if verify "$copy"; then fail "$file still verifies with the byte at $offset changed"; fi
done
echo "$# files checked, $failures failure(s)"
[ "$failures" -eq 0 ]
