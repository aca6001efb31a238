#!/usr/bin/env bash
# The portable zip's ReadMe.txt followed as a user would, in the build's Wine prefix: the zip
# extracted into the folder the read-me names, the command lines it gives typed into one command
# prompt (a batch file of them, stopping at the first that fails), with no command list of the user's
# yet. For every user: registered, the extension created through COM copies a name, quillet.exe
# check reads the default list; upgraded (unregistered, the later zip extracted over the files, which
# it replaces, registered again); removed. For yourself: registered below the user's classes and
# unregistered again.
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

appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null </dev/null | tr -d '\r')
commands_dir="$(winepath -u "$appdata" 2>/dev/null)/Brantwell/Quillet"
mkdir -p "$commands_dir"
# A fresh setup: the user has saved no command list yet.
if [ -f "$commands_dir/Cmds.txt" ]; then mv "$commands_dir/Cmds.txt" "$work/previous-Cmds.txt"; fi
folders=()
cleanup() {
  for folder in "${folders[@]}"; do
    wine regsvr32 /u /s "$folder\\ScrivelShExt.dll" </dev/null >/dev/null 2>&1 || true
    wine regsvr32 /u /n /i:user /s "$folder\\ScrivelShExt.dll" </dev/null >/dev/null 2>&1 || true
    rm -rf "$(winepath -u "$folder" 2>/dev/null)"
    rmdir "$(winepath -u "${folder%\\*}" 2>/dev/null)" 2>/dev/null || true
  done
  if [ -f "$work/previous-Cmds.txt" ]; then mv "$work/previous-Cmds.txt" "$commands_dir/Cmds.txt"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The read-me's command lines (indented by seven spaces), one block per group of lines, in order.
unzip -p "$zip" ReadMe.txt | tr -d '\r' >"$work/ReadMe.txt"
mapfile -t blocks < <(awk '/^       [^ ]/ {sub(/^ +/, ""); block = block (block ? "\t" : "") $0; next}
                           block {print block; block = ""} END {if (block) print block}' "$work/ReadMe.txt")
if [ ${#blocks[@]} -ne 5 ]; then
  fail "the read-me gives ${#blocks[@]} blocks of commands, where this test follows 5 (register for yourself," \
    "for everyone, check, unregister for yourself, for everyone): ${blocks[*]}"
  exit 1
fi
register_yourself=${blocks[0]} register_everyone=${blocks[1]} check=${blocks[2]}
unregister_yourself=${blocks[3]} unregister_everyone=${blocks[4]}
folder_of() { sed -n 's/^cd \/d "\([^"]*\)".*/\1/p' <<<"${1%%$'\t'*}"; }

# Types the blocks' lines into one command prompt; its output goes to $work/prompt.txt.
prompt() {
  printf '%s\n' "$@" | tr '\t' '\n' | sed 's/$/\r\n@if errorlevel 1 exit \/b 1\r/' >"$work/steps.cmd"
  wine cmd /c "$(winepath -w "$work/steps.cmd" 2>/dev/null)" </dev/null >"$work/prompt.txt" 2>&1
}
# Extracts a zip into the folder (Explorer's Extract All; over existing files, "Replace the files").
extract() {
  local unix
  unix=$(winepath -u "$2" 2>/dev/null)
  mkdir -p "$unix"
  unzip -q -o "$1" -d "$unix"
}
# The module the class is registered with below the classes root, "" when none.
registered() {
  wine reg query "$1\\CLSID\\{5B1C7E2A-93D4-4F6B-A8E0-2C4D9F1B7A63}\\InprocServer32" /ve 2>/dev/null </dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
copies_name() {
  wine "$build/tools/menuhost/menuhost.exe" --no-menu --invoke "Copy Name" --print-clipboard "$1" </dev/null 2>/dev/null |
    tr -d '\r' | grep -qxF "clipboard: \"${1##*\\}\""
}

# For every user.
folder=$(folder_of "$register_everyone")
folders+=("$folder")
extract "$zip" "$folder"
prompt "$register_everyone" "$check" || fail "registering for every user and checking: $(cat "$work/prompt.txt")"
[ "$(registered HKCR)" = "$folder\\ScrivelShExt.dll" ] || fail "not registered from $folder: $(registered HKCR)"
copies_name "$folder\\ReadMe.txt" || fail "the extension registered from the zip copies no name"

prompt "${register_everyone%%$'\t'*}" "$unregister_everyone" || fail "unregistering: $(cat "$work/prompt.txt")"
[ -z "$(registered HKCR)" ] || fail "still registered after unregistering"
extract "$later_zip" "$folder"
(cd "$(winepath -u "$folder" 2>/dev/null)" && find . -type f | sed 's|^\./||' | sort) >"$work/files.txt"
unzip -Z1 "$later_zip" | sort | diff - "$work/files.txt" >/dev/null || fail "after the upgrade the folder holds $(tr '\n' ' ' <"$work/files.txt")"
mkdir "$work/later"
unzip -q "$later_zip" -d "$work/later"
for file in "$work"/later/*; do
  cmp -s "$file" "$(winepath -u "$folder" 2>/dev/null)/$(basename "$file")" || fail "$(basename "$file") not replaced by the later one"
done
prompt "$register_everyone" || fail "registering the later version: $(cat "$work/prompt.txt")"
copies_name "$folder\\ReadMe.txt" || fail "the later extension copies no name"
prompt "${register_everyone%%$'\t'*}" "$unregister_everyone" || fail "unregistering the later version: $(cat "$work/prompt.txt")"
[ -z "$(registered HKCR)" ] || fail "the later version still registered after unregistering"

# For yourself.
folder=$(folder_of "$register_yourself")
folders+=("$folder")
extract "$zip" "$folder"
prompt "$register_yourself" "$check" || fail "registering for yourself and checking: $(cat "$work/prompt.txt")"
[ "$(registered 'HKCU\Software\Classes')" = "$folder\\ScrivelShExt.dll" ] ||
  fail "not registered for the user from $folder: $(registered 'HKCU\Software\Classes')"
prompt "${register_yourself%%$'\t'*}" "$unregister_yourself" || fail "unregistering for yourself: $(cat "$work/prompt.txt")"
[ -z "$(registered 'HKCU\Software\Classes')" ] || fail "still registered for the user after unregistering"

echo "the read-me followed for every user and for yourself, $failures failure(s)"
[ "$failures" -eq 0 ]
