#!/usr/bin/env bash
# quillet copy on real files: exact copy texts of commands and of the customized copy, and folder
# expansion through a link cycle and below a path longer than 260 characters.
# Usage: quillet-copy.sh QUILLET [wine]   (with "wine" the program is a Windows one run under Wine)
set -euo pipefail
quillet=$1
runner=${2:-}
tree=$(mktemp -d /tmp/quillet-cli-XXXXXX)
trap 'rm -rf "$tree"' EXIT
failures=0

# Runs quillet with its output in the file "out" (exact bytes, trailing line breaks included).
run() {
  if [ "$runner" = wine ]; then wine "$quillet" "$@" >"$tree/out"; else "$quillet" "$@" >"$tree/out"; fi
}
# A path as the program spells it.
native() {
  if [ "$runner" = wine ]; then winepath -w "$1" 2>/dev/null; else printf '%s' "$1"; fi
}
sep=/
[ "$runner" = wine ] && sep='\'
# Compares the output with the expected text, given as printf arguments.
expect() {
  local what=$1; shift
  printf "$@" >"$tree/expected"
  if cmp -s "$tree/expected" "$tree/out"; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    echo "  expected: $(od -An -c "$tree/expected")"
    echo "  actual:   $(od -An -c "$tree/out")"
    failures=$((failures + 1))
  fi
}

mkdir -p "$tree/sel/Top/sub" "$tree/sel/Top/sub2" "$tree/other"
printf 'hello' >"$tree/sel/Top/a.txt"
printf 'x' >"$tree/sel/Top/README.TXT"
printf 'yy' >"$tree/sel/Top/sub/b.txt"
printf '' >"$tree/sel/Top/sub2/c.tmp"
printf '123' >"$tree/other/loose.log"
ln -s ../.. "$tree/sel/Top/sub/up"   # the folder above Top, so Top is found again below it
ln -s ../sub2 "$tree/sel/Top/sub/other"
long="$tree/Long"
while [ ${#long} -lt 300 ]; do long="$long/dddddddddddddddddddddddddddddddddddddddd"; done
mkdir -p "$long" && printf 'z' >"$long/deep.txt"

top=$(native "$tree/sel/Top"); loose=$(native "$tree/other/loose.log"); a=$(native "$tree/sel/Top/a.txt")
export XDG_CONFIG_HOME="$tree/config"  # no stored options: all zero (POSIX)
# The default list beside the program, named outright: under Wine other tests of the same prefix
# may be writing the user's own list meanwhile.
commands=$(native "$PWD/Cmds.txt")

run copy --command-file "$commands" --command 'Copy Names' "$top" "$loose"
expect "built-in copy of two items" 'Top\r\nloose.log\r\n'
run copy --command-file "$commands" --command 'Copy Name' "$a"
expect "built-in copy of one item" 'a.txt'
run copy --command-file "$commands" --command 'Copy Names' --full-path "$a"
expect "built-in copy with SHIFT" '%s' "$a"
run copy --command-file "$commands" --command 'Quoted Paths on One Line' "$a" "$loose"
expect "user-defined command" '"%s" "%s"' "$a" "$loose"
run copy --options --filenames-separator 4 --add-size 1 --sort-option 3 "$a" "$loose"
expect "customized copy, sorted by size, with sizes" 'loose.log\t3,a.txt\t5'
run copy --options --expand --exclude '*.TMP' --sort-option 1 --depth 0 "$top"
expect "expansion: link cycle read once, pattern, name order" 'Top%sa.txt\r\nTop%sREADME.TXT\r\nTop%ssub%sb.txt' \
  "$sep" "$sep" "$sep" "$sep"
run copy --options --expand --depth 1 --include '*.txt' --sort-option 1 "$top"
expect "expansion, depth 1, include folds A-Z" 'Top%sa.txt\r\nTop%sREADME.TXT' "$sep" "$sep"
run copy --options --expand --full-path 1 "$(native "$tree/Long")"
relative=${long#"$tree/"}/deep.txt  # spelled here: winepath cannot convert paths this long
expect "expansion below a path of ${#long} characters" '%s%s%s' "$(native "$tree")" "$sep" "${relative//\//$sep}"

# Paths as a shell user types them, relative to the current folder: the same as the full paths.
run copy --options --expand --sort-option 1 --depth 0 "$top"
mv "$tree/out" "$tree/absolute"
(cd "$tree/sel" && run copy --options --expand --sort-option 1 --depth 0 Top)
expect "a bare folder name expands as its full path does" '%s' "$(cat "$tree/absolute")"
(cd "$tree/sel/Top/sub" && run copy --command-file "$commands" --command 'Copy Names' --full-path ../a.txt)
expect "\$path of a relative name is the full path" '%s' "$a"
(cd "$tree/sel" && run format '[$name] ($size)\t$path' ./Top/sub/.././a.txt)
expect "quillet format: brackets are text, the path is full" '[a.txt] (5)\t%s\r\n' "$a"
[ "$failures" -eq 0 ]
