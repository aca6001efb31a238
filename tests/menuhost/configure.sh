#!/usr/bin/env bash
# The round trip between the menu and the configuration program: in menuhost (the Explorer
# stand-in), Configure starts ScrivelPrefs.exe from the extension's folder and returns at once; the
# answerer adds a user-defined command there and presses OK only after the click has returned; the
# same menuhost process then sees the command in a new handler's menu (the handler reloads the list
# when the file's last-write time moves).
# Usage: configure.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=${1:?source folder}
build=${2:?build folder}

source "$source_dir/scripts/wine-env" "$build"
# The names the build defines (cmake/SharedIds.cmake).
source "$build/shared-ids/shared-ids.sh"
menuhost_exe="$build/tools/menuhost/menuhost.exe"
answerer_exe="$build/tests/menuhost/prefs_answerer.exe"
dll_unix="$build/src/shellext/$QUILLET_MODULE_FILE"
dll=$(winepath -w "$dll_unix" 2>/dev/null)
prefs=$(winepath -w "$build/src/shellext/$QUILLET_PREFS_FILE" 2>/dev/null)

work=$(mktemp -d)
samples_unix="$WINEPREFIX/drive_c/quillet-configure"
appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null </dev/null | tr -d '\r')
commands_dir="$(winepath -u "$appdata" 2>/dev/null)/Brantwell/Quillet"
commands_file="$appdata\\Brantwell\\Quillet\\$QUILLET_COMMAND_FILE"
mkdir -p "$commands_dir"
if [ -f "$commands_dir/$QUILLET_COMMAND_FILE" ]; then mv "$commands_dir/$QUILLET_COMMAND_FILE" "$work/previous-commands"; fi
cleanup() {
  wine regsvr32 /u /s "$dll" </dev/null >/dev/null 2>&1 || true
  rm -f "$commands_dir/$QUILLET_COMMAND_FILE"
  if [ -f "$work/previous-commands" ]; then mv "$work/previous-commands" "$commands_dir/$QUILLET_COMMAND_FILE"; fi
  rm -rf "$samples_unix" "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; echo "--- menuhost"; tr -d '\r' <"$work/menuhost-raw.txt"; echo "--- answerer"; cat "$work/answer.txt"; exit 1; }

wine regsvr32 /s "$dll" </dev/null >/dev/null 2>&1 || { echo "regsvr32 failed"; exit 1; }
printf '\xEF\xBB\xBFCopy Names:%%QUILLET\r\nConfigure...:%%CONFIGURE\r\n' >"$commands_dir/$QUILLET_COMMAND_FILE"
mkdir -p "$samples_unix"
printf 'text\n' >"$samples_unix/a.txt"

flag="$work/click-returned"
wine "$answerer_exe" 60000 "$(winepath -w "$flag" 2>/dev/null)" "Listed Names" '$name;' </dev/null \
  2>/dev/null | tr -d '\r' >"$work/answer.txt" &
answerer=$!
wine "$menuhost_exe" --invoke "Configure..." --menu-after-change "$commands_file" 'C:\quillet-configure\a.txt' \
  </dev/null 2>/dev/null >"$work/menuhost-raw.txt" &
host=$!
# The click has returned once menuhost says so: looked for every 50 ms, for two minutes at most.
deadline=$((SECONDS + 120))
until grep -q '^InvokeCommand: ' "$work/menuhost-raw.txt"; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the click did not return"
  sleep 0.05
done
touch "$flag"
wait "$answerer" || fail "the answerer did not finish"
host_status=0
wait "$host" || host_status=$?
tr -d '\r' <"$work/menuhost-raw.txt" >"$work/menuhost.txt"
[ "$host_status" = 0 ] || fail "menuhost failed"

# The program that the click started is the one beside the module.
grep -qiF "configuration program: $prefs" "$work/answer.txt" || fail "not $prefs"
grep -q '^InvokeCommand: 0x00000000' "$work/menuhost.txt" || fail "Configure's click failed"
# The first menu lacks the command; the one after the save has it.
before=$(sed '/^written: /q' "$work/menuhost.txt")
after=$(sed -n '/^written: /,$p' "$work/menuhost.txt")
! grep -q 'Listed Names' <<<"$before" || fail "the command was there before"
grep -q '"Listed Names"' <<<"$after" || fail "the next menu lacks the command"
grep -q '"Copy Names"' <<<"$after" || fail "the next menu lost a command"
printf '\xEF\xBB\xBFCopy Names:%%QUILLET\r\nListed Names:$name;[\\n]\r\nConfigure...:%%CONFIGURE\r\n' >"$work/expected.txt"
cmp -s "$work/expected.txt" "$commands_dir/$QUILLET_COMMAND_FILE" || fail "the file: $(od -c "$commands_dir/$QUILLET_COMMAND_FILE" | head)"
cat "$work/menuhost.txt" "$work/answer.txt"
echo "PASS"
