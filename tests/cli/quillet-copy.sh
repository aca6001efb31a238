#!/usr/bin/env bash
# quillet copy on real files: exact copy texts of commands and of the customized copy, and folder
# expansion through a link cycle and below a path longer than 260 characters.
# Usage: quillet-copy.sh QUILLET [wine]   (with "wine" the program is a Windows one run under Wine)
set -euo pipefail
quillet=$(realpath "$1")
runner=${2:-}
tree=$(mktemp -d /tmp/quillet-cli-XXXXXX)
trap 'rm -rf "$tree"' EXIT
failures=0

# Runs quillet with its output in the file "out" (exact bytes, trailing line breaks included), its
# errors in "err" and its exit status in $status; natively in the locale $at_locale names, if any.
run() {
  status=0
  if [ "$runner" = wine ]; then
    wine "$quillet" "$@" >"$tree/out" 2>"$tree/err" || status=$?
  else
    ${at_locale:+env LC_ALL="$at_locale"} "$quillet" "$@" >"$tree/out" 2>"$tree/err" || status=$?
  fi
}
# A path as the program spells it.
native() {
  if [ "$runner" = wine ]; then winepath -w "$1" 2>/dev/null; else printf '%s' "$1"; fi
}
sep=/
[ "$runner" = wine ] && sep='\'
# Compares the output with the expected text, given as printf arguments; its \r\n line ends are
# the platform's: LF on POSIX.
expect() {
  local what=$1 format=$2; shift 2
  [ "$runner" = wine ] || format=${format//\\r\\n/\\n}
  printf "$format" "$@" >"$tree/expected"
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
commands=$(native "$PWD/${QUILLET_COMMAND_FILE:?}")

run copy --command-file "$commands" --command 'Copy Names' "$top" "$loose"
expect "built-in copy of two items" 'Top\r\nloose.log\r\n'
run copy --command-file "$commands" --command 'Copy Name' "$a"
expect "built-in copy of one item" 'a.txt\r\n'
run copy --command-file "$commands" --command 'Copy Names' --full-path "$a"
expect "built-in copy with SHIFT" '%s\r\n' "$a"
run copy --command-file "$commands" --command 'Quoted Paths on One Line' "$a" "$loose"
expect "user-defined command" '"%s" "%s"\r\n' "$a" "$loose"
run copy --options --filenames-separator 4 --add-size 1 --sort-option 3 "$a" "$loose"
expect "customized copy, sorted by size, with sizes" 'loose.log\t3,a.txt\t5\r\n'
run copy --options --expand --exclude '*.TMP' --sort-option 1 --depth 0 "$top"
expect "expansion: link cycle read once, pattern, name order" 'Top%sa.txt\r\nTop%sREADME.TXT\r\nTop%ssub%sb.txt\r\n' \
  "$sep" "$sep" "$sep" "$sep"
run copy --options --expand --depth 1 --include '*.txt' --sort-option 1 "$top"
expect "expansion, depth 1, include folds A-Z" 'Top%sa.txt\r\nTop%sREADME.TXT\r\n' "$sep" "$sep"
run copy --options --expand --full-path 1 "$(native "$tree/Long")"
relative=${long#"$tree/"}/deep.txt  # spelled here: winepath cannot convert paths this long
expect "expansion below a path of ${#long} characters" '%s%s%s\r\n' "$(native "$tree")" "$sep" "${relative//\//$sep}"

# Paths as a shell user types them, relative to the current folder: the same as the full paths.
run copy --options --expand --sort-option 1 --depth 0 "$top"
mv "$tree/out" "$tree/absolute"
(cd "$tree/sel" && run copy --options --expand --sort-option 1 --depth 0 Top)
expect "a bare folder name expands as its full path does" '%s\n' "$(cat "$tree/absolute")"
(cd "$tree/sel/Top/sub" && run copy --command-file "$commands" --command 'Copy Names' --full-path ../a.txt)
expect "\$path of a relative name is the full path" '%s\r\n' "$a"
(cd "$tree/sel" && run format '[$name] ($size)\t$path' ./Top/sub/.././a.txt)
expect "quillet format: brackets are text, the path is full" '[a.txt] (5)\t%s\r\n' "$a"

# One row per case: what, exit status, a pattern that standard output and errors together must hold
# ('' for none), the exact output ('*' for any; a NUL written is compared as \a, which bash strings
# can hold), then the arguments.
row() {
  local what=$1 want_status=$2 pattern=$3 want_out=$4
  shift 4
  run "$@"
  if [ "$status" != "$want_status" ] || { [ -n "$pattern" ] && ! cat "$tree/out" "$tree/err" | grep -qE -- "$pattern"; } ||
    { [ "$want_out" != '*' ] && [ "$(printf '%s' "$want_out" | od -An -c)" != "$(tr '\0' '\a' <"$tree/out" | od -An -c)" ]; }; then
    echo "FAIL: $what (exit $status)"
    echo "  output: $(od -An -c "$tree/out" | head -5)"
    echo "  errors: $(cat "$tree/err")"
    failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}
crlf=$'\n'
[ "$runner" = wine ] && crlf=$'\r\n'
sel=$(native "$tree/sel")
if [ "$runner" = wine ]; then spelled="${sel//\\//}/./Top/sub/../a.txt"; else spelled="$sel//./Top/sub/..//a.txt"; fi
printf '%s\0%s\0' "$loose" "$a" >"$tree/list0"
printf 'X:%%QUILLET\nLong:%%QUILLET%9000s\n' '' >"$tree/long.txt"
printf 'Copy File(s) and Folder(s):%%QUILLET\n' >"$tree/plural.txt"

# Paths as Explorer passes them, from the command line or a list.
row "a trailing separator is dropped" 0 '' "Top|$sel$sep$crlf" format '$name|$folder' "$top$sep"
row "other separators, doubled ones, . and .. are normalised" 0 '' "$a$crlf" format '$path' "$spelled"
row "a folder with a trailing separator expands" 0 '' "Top${sep}a.txt$crlf" \
  copy --options --expand --depth 1 --include a.txt "$top$sep"
printf '%s\r\n%s\n' "$loose" "$a" | row "paths from standard input, sorted as one selection" 0 '' \
  "a.txt${crlf}loose.log$crlf" copy --options --sort-option 1 --paths-from -
row "-0: NUL-separated paths from a file, NUL-terminated records out" 0 '' "loose.log"$'\a'"a.txt"$'\a' \
  format '$name' --paths-from "$(native "$tree/list0")" -0
printf '%s\n' "$loose" >"$tree/list1" && printf '%s\n' "$a" >"$tree/list2"
row "--paths-from twice: both lists in turn" 0 '' "loose.log${crlf}a.txt$crlf" \
  format '$name' --paths-from "$(native "$tree/list1")" --paths-from "$(native "$tree/list2")"
for i in $(seq 3000); do printf '%s\r\n' "$a"; done | iconv -t UTF-16BE | { printf '\xfe\xff'; cat; } >"$tree/list16"
printf -v many "a.txt$crlf%.0s" $(seq 3000)
row "a UTF-16 list, big-endian, longer than what is read at once" 0 '' "$many" \
  format '$name' --paths-from "$(native "$tree/list16")"
printf '%s\r\n%s\r\n' "$a" "$loose" | iconv -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$tree/list16"
row "a UTF-16 list, as PowerShell's > writes it" 0 '' "a.txt${crlf}loose.log$crlf" \
  format '$name' --paths-from "$(native "$tree/list16")"
row "a NUL-separated list read without -0" 1 'line 1 holds a NUL character' '' \
  format '$name' --paths-from "$(native "$tree/list0")"
head -c 300000 /dev/zero >"$tree/zeros"
row "a list line longer than any path" 1 'line 1 is longer than the longest path' '' \
  format '$name' --paths-from "$(native "$tree/zeros")"
row "--null without a list: NUL-terminated records" 0 '' "a.txt"$'\a' format --null '$name' "$a"
row "-0: the copy text ends in a NUL" 0 '' "a.txt${crlf}loose.log"$'\a' copy --options -0 "$a" "$loose"
row "an empty PATH is a mistake" 2 'a PATH is empty' '' format '$path' "$a" ""
row "an empty FILE is a mistake" 2 'FILE is empty' '' check ""
row "a line break in the FORMAT is a mistake" 2 'FORMAT holds a line break' '' format $'$name\n$size' "$a"
row "check - reads standard input" 0 '^standard input: 1 commands' '*' check - <"$tree/plural.txt"
row "a folder sorts by size as 0 bytes" 0 '' "Top${crlf}loose.log$crlf" copy --options --sort-option 3 "$top" "$loose"
mkdir "$tree/old" && touch -d 1950-06-01 "$tree/old/f1950" && touch -d 1960-06-01 "$tree/old/f1960"
row "files before 1970 sort by their real dates" 0 '' "f1950${crlf}f1960$crlf" \
  copy --options --sort-option 5 "$(native "$tree/old/f1960")" "$(native "$tree/old/f1950")"
# The path forms: the same tags on both systems; on Linux only the URL changes a path.
mkdir -p "$tree/repo/.git" "$tree/repo/src" && printf '' >"$tree/repo/src/a b.txt"
inrepo=$(native "$tree/repo/src/a b.txt")
if [ "$runner" = wine ]; then
  drive=${inrepo:0:1}; rest=${inrepo:2}; rest=${rest//\\//}
  url="file:///$drive:${rest// /%20}"; wsl="/mnt/${drive,,}$rest"
else
  url="file://${inrepo// /%20}"; wsl=$inrepo
fi
row "the path in the working tree, a file URL, the WSL path" 0 '' "src/a b.txt|src/a%20b.txt|$url|$wsl$crlf" \
  format '$repopath|$repopath:url|$path:url|$path:wsl' "$inrepo"
mkdir "$tree/num" && touch "$tree/num/file9" "$tree/num/file10"
row "sorted by name, numbers by value" 0 '' "file9${crlf}file10$crlf" \
  copy --options --sort-option 7 "$(native "$tree/num/file10")" "$(native "$tree/num/file9")"
# Failures: the reason on standard error, exit 1, what could be read still printed.
row "a path that cannot be read" 1 "cannot read .*gone: " "a.txt$crlf" format '$name' "$a" "$(native "$tree/gone")"
row "a command file that cannot be read" 1 "cannot read .*gone.txt: ." '' check "$(native "$tree/gone.txt")"
row "an over-long line that the reader drops" 1 'Line 1 is left out: it holds 9013 characters' '*' \
  check "$(native "$tree/long.txt")"
# Conventions.
row "--help on standard output" 0 '^usage: quillet format' '*' --help
row "--version" 0 '^quillet [0-9]+\.[0-9]+' '*' --version
row "a value out of range is refused" 2 'filenames-separator takes a whole number from 0 to 4, not "9"' '' \
  copy --options --filenames-separator 9 "$a"
row "an option of the other mode is refused" 2 '--expand does not apply to --command' '' \
  copy --command 'Copy Names' --command-file "$commands" --expand "$a"
row "a path named like an option after --" 1 'cannot read --command' '' copy --options -- --command
row "format honours --" 0 '' "a.txt$crlf" format -- '$name' "$a"
row "an unknown option is named" 2 'unknown option -x' '' format '$name' -x "$a"
row "a name with several (s) as the menu shows it" 0 '' "a.txt$crlf" \
  copy --command-file "$(native "$tree/plural.txt")" --command 'Copy Files and Folders' "$a"
row "--crlf: the clipboard's line ends" 0 '' "a.txt"$'\r\n'"loose.log"$'\r\n' copy --crlf --options "$a" "$loose"

status=0
if [ "$runner" = wine ]; then wine "$quillet" format '$name' "$a" >/dev/full 2>"$tree/err" || status=$?;
else "$quillet" format '$name' "$a" >/dev/full 2>"$tree/err" || status=$?; fi
if [ "$status" = 1 ] && grep -q 'cannot write to standard output: ' "$tree/err"; then echo "ok: a write error"
else echo "FAIL: a write error (exit $status): $(cat "$tree/err")"; failures=$((failures + 1)); fi

if [ "$runner" = wine ]; then
  # Every line ends in CR LF, redirected: the help, the version, check and the messages too.
  for args in --help --version "check|$commands" "format|\$name|$(native "$tree/gone")" "format|-x"; do
    IFS='|' read -r -a words <<<"$args"
    run "${words[@]}"
    if [ -s "$tree/out" ] || [ -s "$tree/err" ] && ! cat "$tree/out" "$tree/err" | grep -qv $'\r$'; then
      echo "ok: CR LF line ends: ${words[*]}"
    else echo "FAIL: a line without CR LF: ${words[*]}: $(cat "$tree/out" "$tree/err" | od -c | head -3)"; failures=$((failures + 1)); fi
  done
  row "a wildcard that matches nothing" 1 'no file or folder matches .*\*\.xyz' '' format '$name' "$top$sep*.xyz"
  # Wine passes the arguments unquoted: a wildcard expands in a path, never in a pattern or the FORMAT.
  row "wildcards expand in paths only" 0 '' "a.txt*${crlf}README.TXT*$crlf" format '$name*' "$top$sep*.txt"
  # Redirected output is UTF-8, or with the flag in the console's code page (437 in Wine's prefix).
  printf 'x' >"$tree/caf"$'\xc3\xa9'
  row "UTF-8 when redirected" 0 '' "caf"$'\xc3\xa9'"$crlf" format '$name' "$(native "$tree")${sep}caf"$'\xc3\xa9'
  row "the console's code page on request" 0 '' "caf"$'\x82'"$crlf" \
    format --console-codepage '$name' "$(native "$tree")${sep}caf"$'\xc3\xa9'
else
  # A folder below PATH_MAX's reach is reported; the files above it are still copied.
  (cd "$tree/other" && for i in $(seq 25); do mkdir "$(printf 'e%.0s' {1..200})" && cd e*; done && touch deep.txt)
  row "a folder too deep to open" 1 'cannot read .*: File name too long' "other/loose.log$crlf" \
    copy --options --expand --full-path 0 "$tree/other"
  # Names that are not UTF-8 keep their bytes, read and written.
  mkdir "$tree/latin1" && printf 'x' >"$tree/latin1/caf"$'\xe9'".txt"
  row "a name that is not UTF-8, given" 0 '' "caf"$'\xe9'".txt$crlf" format '$name' "$tree/latin1/caf"$'\xe9'".txt"
  row "a name that is not UTF-8, found" 0 '' "latin1/caf"$'\xe9'".txt$crlf" copy --options --expand "$tree/latin1"
  # A name holding a line feed splits its record: said, unless records end in NUL.
  mkdir "$tree/lf" && touch "$tree/lf/two"$'\n'"lines"
  row "a name with a line feed is reported" 1 'holds a line break' "two"$'\n'"lines$crlf" format '$name' "$tree/lf/two"$'\n'"lines"
  row "a name with a line feed, -0" 0 '' "two"$'\n'"lines"$'\a' format -0 '$name' "$tree/lf/two"$'\n'"lines"
  mkdir -p "$tree/badconfig/Brantwell/Quillet/ScrivelShExt.INI"
  XDG_CONFIG_HOME="$tree/badconfig" row "stored options that cannot be read: the defaults, said" 1 \
    'cannot read the stored copy options .*: Is a directory' "a.txt$crlf" copy --options "$a"
  # Dates in the locale's own patterns, four-digit years, whatever the codeset; $credate the birth time.
  touch -d '2021-03-04 12:00' "$tree/march" && touch -d '2021-02-04 12:00' "$tree/feb" && touch -d 1902-06-01 "$tree/1902"
  at_locale=de_DE.UTF-8 row "German long and short dates" 0 '' "Donnerstag, 4. März 2021|04.03.2021$crlf" \
    format '$moddate:longdate|$moddate:shortdate' "$tree/march"
  at_locale=fr_FR.UTF-8 row "French long date" 0 '' "jeudi 4 mars 2021$crlf" format '$moddate:longdate' "$tree/march"
  at_locale=fr_FR.ISO-8859-1 row "a Latin-1 locale's month names" 0 '' "jeudi 4 février 2021$crlf" format '$moddate:longdate' "$tree/feb"
  at_locale=C row "four-digit years in the C locale" 0 '' "06/01/1902$crlf" format '$moddate:shortdate' "$tree/1902"
  born=$(stat -c %W "$tree/march")
  if [ "$born" != 0 ]; then
    while [ "$(date +%s)" -le "$born" ]; do :; done  # the clock past the birth second, then a status change
    chmod g+w "$tree/march"
    at_locale=C row "\$credate is the birth time" 0 '' "$(date -d "@$born" '+%m/%d/%Y %H:%M:%S')$crlf" \
      format '$credate:shortdatetime' "$tree/march"
  fi
fi
# A command list saved by Notepad as "Unicode" (UTF-16 LE), with carriage returns alone as line ends.
printf '\xff\xfeU\0p\0:\0$\0n\0a\0m\0e\0\r\0O\0:\0%%\0O\0P\0T\0I\0O\0N\0S\0\r\0' >"$tree/utf16.txt"
run copy --command-file "$(native "$tree/utf16.txt")" --command 'Up' "$a"
expect "a UTF-16 command file" 'a.txt\r\n'
run check "$(native "$tree/utf16.txt")"
sed -n 2p "$tree/out" | tr -d '\r' >"$tree/line" && mv "$tree/line" "$tree/out"
expect "quillet check names the encoding" 'Encoding: UTF-16 LE\n'
[ "$failures" -eq 0 ]
