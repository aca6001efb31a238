#!/usr/bin/env bash
# The portable zip's ReadMe.txt followed as written, in the build's Wine prefix, with no command list
# of the user's yet: the zip extracted into the folder it names, its command lines typed into a
# command prompt (a batch file of them, stopping at the first that fails). For every user: register
# and check; the handler made through COM copies a name; upgrade (unregister, the later zip extracted
# over the files, which it replaces, register again). For yourself: register and check, unregister.
# Usage: portable-readme.sh SOURCE_DIR BUILD_DIR ZIP LATER_ZIP
set -euo pipefail
source_dir=${1:?source folder}
build=${2:?build folder}
zip=${3:?zip}
later_zip=${4:?later zip}
source "$source_dir/scripts/wine-env" "$build"
work=$(mktemp -d)
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
unix() { winepath -u "$1" 2>/dev/null; }

appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null </dev/null | tr -d '\r')
commands="$(unix "$appdata")/Brantwell/Quillet/Cmds.txt"
if [ -f "$commands" ]; then mv "$commands" "$work/previous-Cmds.txt"; fi
folders=()
cleanup() {
  for folder in "${folders[@]}"; do
    wine regsvr32 /u /s "$folder\\ScrivelShExt.dll" </dev/null >/dev/null 2>&1 || true
    wine regsvr32 /u /n /i:user /s "$folder\\ScrivelShExt.dll" </dev/null >/dev/null 2>&1 || true
    rm -rf "$(unix "$folder")"
  done
  if [ -f "$work/previous-Cmds.txt" ]; then mv "$work/previous-Cmds.txt" "$commands"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The read-me's command lines (indented by seven spaces), one block (lines joined by tabs) per group.
mapfile -t blocks < <(unzip -p "$zip" ReadMe.txt | tr -d '\r' |
  awk '/^       [^ ]/ {sub(/^ +/, ""); block = block (block ? "\t" : "") $0; next}
       block {print block; block = ""} END {if (block) print block}')
[ ${#blocks[@]} -eq 5 ] || { fail "5 blocks of commands expected (register for yourself, for everyone," \
  "check, unregister for yourself, for everyone), the read-me gives: ${blocks[*]}"; exit 1; }

prompt() {
  printf '%s\n' "$@" | tr '\t' '\n' | sed 's/$/\r\n@if errorlevel 1 exit \/b 1\r/' >"$work/steps.cmd"
  wine cmd /c "$(winepath -w "$work/steps.cmd" 2>/dev/null)" </dev/null >"$work/prompt.txt" 2>&1 ||
    fail "$(cat "$work/prompt.txt")"
}
extract() { mkdir -p "$(unix "$2")" && unzip -q -o "$1" -d "$(unix "$2")"; }
registered() {
  wine reg query "$1\\CLSID\\{5B1C7E2A-93D4-4F6B-A8E0-2C4D9F1B7A63}\\InprocServer32" /ve 2>/dev/null </dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
copies_name() {
  wine "$build/tools/menuhost/menuhost.exe" --no-menu --invoke "Copy Name" --print-clipboard "$1\\ReadMe.txt" \
    </dev/null 2>/dev/null | tr -d '\r' | grep -qxF 'clipboard: "ReadMe.txt"' || fail "no name copied from $1"
}

# Each path: its register block, its unregister block, where it registers.
for path in "1 4 HKCU\\Software\\Classes" "2 5 HKCR"; do
  read -r register unregister root <<<"$path"
  register=${blocks[register - 1]} unregister=${blocks[unregister - 1]}
  cd_line=${register%%$'\t'*}
  folder=$(sed -n 's/^cd \/d "\([^"]*\)"$/\1/p' <<<"$cd_line")
  folders+=("$folder")
  rm -rf "$(unix "$folder")"
  extract "$zip" "$folder"
  prompt "$register" "${blocks[2]}"
  [ "$(registered "$root")" = "$folder\\ScrivelShExt.dll" ] || fail "$root: registered $(registered "$root")"
  if [ "$root" = HKCR ]; then  # Wine's COM reads the machine's classes only
    copies_name "$folder"
    prompt "$cd_line" "$unregister"
    extract "$later_zip" "$folder"
    diff <(unzip -Z1 "$later_zip" | sort) <(cd "$(unix "$folder")" && find . -type f | sed 's|^\./||' | sort) ||
      fail "the folder after the upgrade"
    unzip -q "$later_zip" -d "$work/later"
    for file in "$work"/later/*; do
      cmp -s "$file" "$(unix "$folder")/${file##*/}" || fail "${file##*/} not replaced"
    done
    prompt "$register"
    copies_name "$folder"
  fi
  prompt "$cd_line" "$unregister"
  [ -z "$(registered "$root")" ] || fail "$root: still registered after unregistering"
done
echo "the read-me followed for yourself and for every user, $failures failure(s)"
[ "$failures" -eq 0 ]
