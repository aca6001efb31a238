#!/usr/bin/env bash
# The shipped files as built: every program and package carries a valid Authenticode signature by the
# build's signer, and a byte changed after signing fails the check (in a program a byte of its code,
# in an installer package a byte of its embedded cabinet, in the Windows 11 package one of a logo);
# each installer package's File table gives every program the version VERSION and US English. The Windows 11 package's manifest names VERSION, the command class
# CLSID and the signer's subject, every file it names but the programs is in the package, and its
# block map gives each file's size and hashes.
#   tests/packaging/check-packages.sh SIGNER_CERTIFICATE VERSION CLSID FILE...
set -euo pipefail
cert=${1:?certificate}
version=${2:?version}
clsid=${3:?clsid}
shift 3
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
    *.msix)
      offset=$(grep -obUaP 'IDAT' "$file" | head -1 | cut -d: -f1)
      subject=$(openssl x509 -in "$cert" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
      problems=$(/usr/bin/python3 - "$file" "$version" "$clsid" "$subject" <<'EOF'
import base64, hashlib, re, sys, zipfile
import xml.etree.ElementTree as ET
path, version, clsid, subject = sys.argv[1:]
package = zipfile.ZipFile(path)
names = set(package.namelist())
manifest = ET.fromstring(package.read("AppxManifest.xml"))
identity = next(e for e in manifest.iter() if e.tag.endswith("}Identity"))
if identity.get("Version") != version:
    print(f"manifest version {identity.get('Version')}")
if sorted(identity.get("Publisher").split(", ")) != sorted(re.split(r"(?<!\\),", subject)):
    print(f"Publisher {identity.get('Publisher')!r} is not the subject {subject!r}")
classes = [e.get("Clsid") for e in manifest.iter() if e.tag.endswith("}Verb")]
classes += [e.get("Id") for e in manifest.iter() if e.tag.endswith("}Class")]
if classes != [clsid] * 3:
    print(f"command classes named: {classes}")
# The programs are in the install folder; everything else the manifest names is in the package.
named = [e.text for e in manifest.iter() if e.tag.endswith("}Logo")]
named += [v for e in manifest.iter() for k, v in e.attrib.items() if k.endswith("Logo")]
for name in named:
    if name.replace("\\", "/") not in names:
        print(f"{name} is named but not in the package")
if [n for n in names if n.endswith((".exe", ".dll"))]:
    print("a program in the package")
mapped = set()
for entry in ET.fromstring(package.read("AppxBlockMap.xml")):
    name = entry.get("Name").replace("\\", "/")
    mapped.add(name)
    data = package.read(name) if name in names else b""
    hashes = [base64.b64encode(hashlib.sha256(data[i:i + 65536]).digest()).decode() for i in range(0, len(data), 65536)]
    if int(entry.get("Size")) != len(data) or [b.get("Hash") for b in entry] != hashes:
        print(f"block map: {name} differs")
if mapped != names - {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}:
    print(f"block map lists {sorted(mapped)} of {sorted(names)}")
EOF
      )
      [ -z "$problems" ] || fail "$file: $problems"
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
