# Writes the Windows string table of src/core/messages/MessageTable.inc, so that the table stays the one source
# of the texts. Each QUILLET_MESSAGE(id, name, u"text" [u"more"]) row becomes `id, L"text"`; the C++
# escapes carry over except \" (written "") and \uXXXX (written \xXXXX). Run with LC_ALL=C.
BEGIN {
    print "// Generated from src/core/messages/MessageTable.inc by cmake/message-string-table.awk; do not edit."
    print "#include <windows.h>"
    print ""
    print "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US"
    print ""
    print "STRINGTABLE"
    print "BEGIN"
}
/^[ \t]*\/\// { next }
{ source = source $0 "\n" }
END {
    if (source ~ /[\200-\377]/) {
        print "MessageTable.inc: write non-ASCII characters as \\u escapes" > "/dev/stderr"
        exit 1
    }
    rest = source
    while (match(rest, /QUILLET_MESSAGE\(/)) {
        rest = substr(rest, RSTART + RLENGTH)
        match(rest, /^[ \t\n]*[0-9]+/)
        id = substr(rest, RSTART, RLENGTH)
        gsub(/[ \t\n]/, "", id)
        rest = substr(rest, RSTART + RLENGTH)
        match(rest, /^[ \t\n]*,[ \t\n]*[A-Za-z0-9_]+[ \t\n]*,/)
        rest = substr(rest, RLENGTH + 1)
        text = ""
        # Every u"..." literal up to the closing parenthesis of the row.
        while (1) {
            match(rest, /^[ \t\n]*/)
            rest = substr(rest, RLENGTH + 1)
            if (substr(rest, 1, 2) != "u\"") {
                break
            }
            rest = substr(rest, 3)
            while (1) {
                c = substr(rest, 1, 1)
                if (c == "\"") { rest = substr(rest, 2); break }
                if (c == "\\") {
                    e = substr(rest, 2, 1)
                    if (e == "\"") { text = text "\"\"" }
                    else if (e == "u") { text = text "\\x" substr(rest, 3, 4); rest = substr(rest, 5) }
                    else { text = text "\\" e }
                    rest = substr(rest, 3)
                } else {
                    text = text c
                    rest = substr(rest, 2)
                }
            }
        }
        printf "    %s, L\"%s\"\n", id, text
    }
    print "END"
}
