#!/usr/bin/env bash
# The shipped files as built: every program and package carries a valid Authenticode signature by the
# build's signer, and a byte changed after signing fails the check (in a program a byte of its code,
# in an installer package a byte of its embedded cabinet, in the Windows 11 package one of a logo);
# each installer package's File table gives every program the version VERSION and US English and
# each file a component of its own, and a failed installation undoes the first menu's registration.
# The Windows 11 package's manifest names VERSION, the command class CLSID and the signer's subject,
# every file it names but the programs is in the package, and its block map gives each file's size
# and hashes. The package's Publisher is the signer's subject as Windows writes it, for a table of
# certificate subjects too; the development certificate is one per user, the same for every build
# folder, an end-entity certificate for code signing.
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

source=$(cd "$(dirname "$0")/../.." && pwd)

# The Publisher that make-msix writes for a certificate of SUBJECT (openssl's -subj form).
publisher_of() {
  rm -f "$work/test.msix"
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -utf8 -subj "$1" \
    -keyout "$work/key.pem" -out "$work/certificate.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" -passout pass:x -out "$work/test.pfx"
  QUILLET_SIGNING_PASSWORD=x "$source/packaging/make-msix" --manifest "$source/packaging/AppxManifest.xml.in" \
    --pfx "$work/test.pfx" --set Name=N --set Version=1.0.0.0 --set Clsid=C --set ModuleFile=M --set PrefsFile=P \
    "${logos[@]/#/--asset=}" "$work/test.msix" || return 1
  unzip -p "$work/test.msix" AppxManifest.xml | /usr/bin/python3 -c \
    'import sys, xml.etree.ElementTree as E; print(next(e for e in E.parse(sys.stdin).iter() if e.tag.endswith("}Identity")).get("Publisher"))'
}
logos=("$source"/resources/package/*.png)
# Subjects of real certificates (in the order they are encoded) and the Publisher that Windows and
# the package manager know them by.
subjects=(
  "/O=Brantwell/CN=Quillet development signing (not for release)"
  "CN=Quillet development signing (not for release), O=Brantwell"
  "/C=GB/ST=Greater London/L=London/O=Brantwell Ltd/CN=Brantwell Ltd"
  "CN=Brantwell Ltd, O=Brantwell Ltd, L=London, S=Greater London, C=GB"
  "/C=US/O=Brantwell/OU=Tools/CN=Jane Doe/emailAddress=jane@brantwell.example"
  "E=jane@brantwell.example, CN=Jane Doe, OU=Tools, O=Brantwell, C=US"
  "/jurisdictionC=DE/businessCategory=Private Organization/serialNumber=HRB 12345/C=DE/ST=Nordrhein-Westfalen/L=Köln/street=Domkloster 4/postalCode=50667/O=Brantwell GmbH/CN=Brantwell GmbH"
  "CN=Brantwell GmbH, O=Brantwell GmbH, OID.2.5.4.17=50667, STREET=Domkloster 4, L=Köln, S=Nordrhein-Westfalen, C=DE, SERIALNUMBER=HRB 12345, OID.2.5.4.15=Private Organization, OID.1.3.6.1.4.1.311.60.2.1.3=DE"
  '/C=US/O=Brantwell, Inc./CN=Brantwell "Quill" Tools'
  'CN="Brantwell ""Quill"" Tools", O="Brantwell, Inc.", C=US'
  "/C=FR/O= Brantwell/CN=Plume;Outils"
  'CN="Plume;Outils", O=" Brantwell", C=FR'
)
for ((i = 0; i < ${#subjects[@]}; i += 2)); do
  got=$(publisher_of "${subjects[i]}") || { fail "make-msix failed for ${subjects[i]}"; continue; }
  [ "$got" = "${subjects[i + 1]}" ] || fail "subject ${subjects[i]}: Publisher '$got', Windows writes '${subjects[i + 1]}'"
done

# The development certificate: every build folder gets the same one, an end-entity code-signing one.
for folder in one two; do
  XDG_DATA_HOME="$work/data" "$source/packaging/development-certificate" "$work/$folder.pfx" x
  openssl pkcs12 -in "$work/$folder.pfx" -passin pass:x -nokeys -clcerts | openssl x509 -outform der -out "$work/$folder.der"
done
cmp -s "$work/one.der" "$work/two.der" || fail "two build folders made two development certificates"
for certificate in "$work/one.der" "$cert"; do
  extensions=$(openssl x509 -in "$certificate" -noout -ext basicConstraints,extendedKeyUsage 2>&1 | tr -d '\n ')
  [[ $extensions == *CA:FALSE*CodeSigning* ]] || fail "$certificate is not an end-entity code-signing certificate: $extensions"
done

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
      shared=$(msiinfo export "$file" File | tr -d '\r' | tail -n +4 | cut -f 2 | sort | uniq -d)
      [ -z "$shared" ] || fail "$file: components holding several files: $shared"
      # A failed installation undoes the first menu's registration: just before it, a rollback action
      # (in-script and rollback, 0x400 and 0x100) that removes it.
      sequence=$(msiinfo export "$file" InstallExecuteSequence | tr -d '\r')
      at=$(awk -F '\t' '$1 == "RegisterFirstMenu" {print $3}' <<<"$sequence")
      undo=$(awk -F '\t' -v at=$((at - 1)) '$3 == at {print $1}' <<<"$sequence")
      type=$(msiinfo export "$file" CustomAction | tr -d '\r' |
        awk -F '\t' -v a="$undo" '$1 == a && $4 == "/remove-first-menu" {print $2}')
      [ -n "$type" ] && [ $((type & 0x500)) -eq $((0x500)) ] ||
        fail "$file: no rollback just before RegisterFirstMenu (${undo:-nothing}, type ${type:-none})"
      ;;
    *.msix)
      offset=$(grep -obUaP 'IDAT' "$file" | head -1 | cut -d: -f1)
      # The build's own certificate, when it is the development one.
      subject=""
      ! openssl x509 -in "$cert" -noout -subject | grep -qF "${subjects[1]%%,*}" || subject=${subjects[1]}
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
if subject and identity.get("Publisher") != subject:
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
