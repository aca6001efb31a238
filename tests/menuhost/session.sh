#!/usr/bin/env bash
# The product as Explorer drives it: registers ScrivelShExt.dll with regsvr32 in the build's Wine
# prefix and runs menuhost (the Explorer stand-in, which creates the handler by its class id) through
# menus, help texts and clicks on real files, then compares the transcript with the expected one.
# Dialogs (the Options dialog, the shell's delete confirmation) are answered by dialog_answerer.
# Usage: session.sh SOURCE_DIR BUILD_DIR EXPECTED_TRANSCRIPT
# QUILLET_UPDATE_GOLDEN=1 rewrites the expected transcript instead of comparing.
set -euo pipefail
source_dir=${1:?source folder}
build=${2:?build folder}
expected=${3:?expected transcript}

source "$source_dir/scripts/wine-env" "$build"
# The names the build defines (cmake/SharedIds.cmake).
source "$build/shared-ids/shared-ids.sh"
menuhost_exe="$build/tools/menuhost/menuhost.exe"
answerer_exe="$build/tests/menuhost/dialog_answerer.exe"
dll_unix="$build/src/shellext/$QUILLET_MODULE_FILE"
dll=$(winepath -w "$dll_unix" 2>/dev/null)

work=$(mktemp -d)
transcript="$work/transcript.txt"
# The trash of the shell's delete: a folder of this run (without it Wine deletes for good).
export XDG_DATA_HOME="$work/xdg-data"
mkdir -p "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info"

samples_unix="$WINEPREFIX/drive_c/quillet-session"
samples='C:\quillet-session'
appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null </dev/null | tr -d '\r')
commands_dir="$(winepath -u "$appdata" 2>/dev/null)/Brantwell/Quillet"
mkdir -p "$commands_dir"
# The user's command list and stored copy options are set aside: the run uses its own list and the
# default options, and puts the user's back afterwards.
for file in "$QUILLET_COMMAND_FILE" ScrivelShExt.INI; do
  if [ -f "$commands_dir/$file" ]; then mv "$commands_dir/$file" "$work/previous-$file"; fi
done

cleanup() {
  wine regsvr32 /u /s "$dll" </dev/null >/dev/null 2>&1 || true
  if [ -e "$work/prefs.aside" ]; then mv "$work/prefs.aside" "$(dirname "$dll_unix")/$QUILLET_PREFS_FILE"; fi
  for file in "$QUILLET_COMMAND_FILE" ScrivelShExt.INI; do
    rm -f "$commands_dir/$file"
    if [ -f "$work/previous-$file" ]; then mv "$work/previous-$file" "$commands_dir/$file"; fi
  done
  rm -rf "$samples_unix" "$work"
}
trap cleanup EXIT

say() { printf '\n## %s\n' "$*" >>"$transcript"; }
menuhost() {
  printf '$ menuhost %s\n' "$*" >>"$transcript"
  wine "$menuhost_exe" "$@" </dev/null 2>/dev/null | tr -d '\r' >>"$transcript" || echo "(menuhost status $?)" >>"$transcript"
}
# menuhost while the answerer waits for the dialog the click opens; the answerer's lines follow.
menuhost_answering() {
  local button=$1 control=$2
  shift 2
  wine "$answerer_exe" 60000 "$button" "$control" </dev/null 2>/dev/null | tr -d '\r' >"$work/answer.txt" &
  local answerer=$!
  menuhost "$@"
  wait "$answerer" || true
  cat "$work/answer.txt" >>"$transcript"
}
listing() { printf '%s:' "$1" >>"$transcript"; (cd "$2" && LC_ALL=C ls -A | sed 's/^/ /' | tr -d '\n') >>"$transcript"; echo >>"$transcript"; }

say "regsvr32"
if wine regsvr32 /s "$dll" </dev/null >/dev/null 2>&1; then echo "registered" >>"$transcript"; else echo "regsvr32 failed" >>"$transcript"; fi

say "No list of the user's own yet: the default list that the build puts beside the module"
menuhost --clear-clipboard 'C:\windows\win.ini'

printf '\xEF\xBB\xBF' >"$commands_dir/$QUILLET_COMMAND_FILE"
cat >>"$commands_dir/$QUILLET_COMMAND_FILE" <<'EOF'
Copy Filename(s):%QUILLET
Copy Filename and Delete:%QUILLET_AND_DELETE
Paste Filename:%PASTEFILENAME
Paste Filename Keeping Extension:%PASTEFILENAME_NOEXT
Copy Options...:%OPTIONS
More:%SUBFOLDER
Quoted Paths:"$path"[, ]
Configure Quillet...:%CONFIGURE
EOF

rm -rf "$samples_unix"
mkdir -p "$samples_unix/folder"
for name in a.txt b.txt c.doc d.txt e.txt; do printf 'content of %s\n' "$name" >"$samples_unix/$name"; done

long259=$(printf 'x%.0s' $(seq 259))
long260=$(printf 'x%.0s' $(seq 260))

say "One file, nothing on the clipboard: copy-and-delete shown, renames hidden, the sub-menu after its items"
menuhost --clear-clipboard "$samples\\a.txt"
say "Two files and a folder: no copy-and-delete, no renames, (s) reads s"
menuhost --clear-clipboard "$samples\\a.txt" "$samples\\b.txt" "$samples\\folder"
say "CMF_DEFAULTONLY inserts nothing"
menuhost --flags defaultonly "$samples\\a.txt"
say "259 valid characters on the clipboard show the renames"
menuhost --set-clipboard "$long259" "$samples\\a.txt"
say "260 characters hide them"
menuhost --set-clipboard "$long260" "$samples\\a.txt"
say "Help texts, W and A, cut to cchMax 16 (15 characters and the terminator)"
menuhost --no-menu --help-texts --cch 16 "$samples\\a.txt" "$samples\\b.txt"
say "Built-in copy of two files"
menuhost --no-menu --invoke "Copy Filenames" --print-clipboard "$samples\\a.txt" "$samples\\b.txt"
say "Built-in copy of one file: no line break"
menuhost --no-menu --invoke "Copy Filename" --print-clipboard "$samples\\a.txt"
say "Built-in copy with SHIFT: full paths"
menuhost --no-menu --invoke "Copy Filenames" --shift --print-clipboard "$samples\\a.txt" "$samples\\folder"
say "User-defined command: its own format"
menuhost --no-menu --invoke "Quoted Paths" --print-clipboard "$samples\\a.txt" "$samples\\b.txt"
say "CTRL (with SHIFT too) opens the Options dialog; Cancel leaves the clipboard alone"
menuhost_answering 2 408 --no-menu --set-clipboard "untouched" --invoke "Copy Filenames" --ctrl --shift \
  --print-clipboard "$samples\\a.txt" "$samples\\b.txt"
say "Options: OK puts the preview on the clipboard"
menuhost_answering 1 408 --no-menu --set-clipboard "untouched" --invoke "Copy Options..." --print-clipboard \
  "$samples\\a.txt" "$samples\\b.txt"
say "Paste Filename renames the file to the clipboard text"
menuhost --no-menu --set-clipboard "renamed.txt" --invoke "Paste Filename" "$samples\\c.doc"
listing "folder" "$samples_unix"
say "Paste Filename Keeping Extension keeps the item's extension"
menuhost --no-menu --set-clipboard "Report 2024.xlsx" --invoke "Paste Filename Keeping Extension" "$samples\\renamed.txt"
listing "folder" "$samples_unix"
say "Copy Filename and Delete: the name on the clipboard, the file in the trash after the shell's confirmation"
menuhost_answering 6 0 --no-menu --clear-clipboard --invoke "Copy Filename and Delete" --print-clipboard "$samples\\d.txt"
listing "folder" "$samples_unix"
listing "trash" "$XDG_DATA_HOME/Trash/files"
say "Configure with no configuration program beside the module does nothing"
# The built program is set aside for this step (tests/menuhost/configure.sh starts it).
prefs_unix="$(dirname "$dll_unix")/$QUILLET_PREFS_FILE"
if [ -e "$prefs_unix" ]; then mv "$prefs_unix" "$work/prefs.aside"; fi
if [ -e "$prefs_unix" ]; then echo "$QUILLET_PREFS_FILE is present" >>"$transcript"; fi
menuhost --no-menu --set-clipboard "untouched" --invoke "Configure Quillet..." --print-clipboard "$samples\\e.txt"
if [ -e "$work/prefs.aside" ]; then mv "$work/prefs.aside" "$prefs_unix"; fi
listing "folder" "$samples_unix"

say "A selection too large for a command line, read from a file: a.txt, 4998 missing paths, b.txt; both files arrive, in order"
{
  printf '%s\n' "$samples\\a.txt"
  for i in $(seq 1 4998); do printf '%s\\missing\\file %05d.txt\n' "$samples" "$i"; done
  printf '%s\n' "$samples\\b.txt"
} >"$samples_unix/paths.txt"
menuhost --paths-from "$samples\\paths.txt"
menuhost --no-menu --invoke "Copy Filenames" --print-clipboard --paths-from "$samples\\paths.txt"

say "A name as long as the command file allows (1024 characters), printed whole and found by it, ids from --first 100"
long1024=$(printf 'N%.0s' $(seq 1024))
printf '\xEF\xBB\xBF%s:$name\n' "$long1024" >"$commands_dir/$QUILLET_COMMAND_FILE"
menuhost --first 100 --invoke "$long1024" --print-clipboard "$samples\\a.txt"

if [ "${QUILLET_UPDATE_GOLDEN:-0}" = 1 ]; then
  cp "$transcript" "$expected"
  echo "updated $expected"
  exit 0
fi
if diff -u "$expected" "$transcript"; then
  echo "menuhost session matches $(basename "$expected")"
else
  echo "menuhost session differs from $expected (QUILLET_UPDATE_GOLDEN=1 rewrites it)"
  exit 1
fi
