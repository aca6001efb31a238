#!/usr/bin/python3
"""Copies the help topics into the help project, filling in the program's messages from
src/core/messages/MessageTable.inc, their one source, so that the help quotes them exactly as they appear.

In a topic, {{message ID|INSERT|INSERT...}} becomes the text of message ID with its inserts filled as
the programs fill them (%1 a text, %2!d! a number, %2!08x! a number in eight hexadecimal digits; a word such as N stays as
written), escaped for HTML. A placeholder may be the insert of another. An unknown message id, or a
missing insert, fails the build. {{version major}}, {{version minor}}, {{version patch}} and {{version}}
are the parts of the project version, or the whole, given with --version. {{file NAME}} is the name of
a shipped file as the build defines it, given with --file NAME=VALUE (an unknown NAME fails the build).

usage: help-messages.py [--version X.Y.Z] [--file NAME=VALUE...] MESSAGE_TABLE OUT_DIR TOPIC...
"""
import html
import os
import re
import sys

ROW = re.compile(r'QUILLET_MESSAGE\(\s*(\d+)\s*,\s*\w+\s*,((?:\s*u"(?:[^"\\]|\\.)*")+)\s*\)')
LITERAL = re.compile(r'u"((?:[^"\\]|\\.)*)"')
ESCAPE = re.compile(r'\\(u[0-9A-Fa-f]{4}|.)')
VERSION = re.compile(r"\{\{version(?: (major|minor|patch))?\}\}")
FILE = re.compile(r"\{\{file (\w+)\}\}")
PLACEHOLDER = re.compile(r"\{\{message ([^{}]*)\}\}")
INSERT = re.compile(r"%(\d)(?:!([^!]*)!)?")


def read_messages(path):
    text = "\n".join(line for line in open(path, encoding="utf-8") if not line.lstrip().startswith("//"))
    simple = {"n": "\n", "t": "\t", "r": "\r"}

    def unescape(match):
        code = match.group(1)
        return chr(int(code[1:], 16)) if code[0] == "u" and len(code) == 5 else simple.get(code, code)

    return {int(number): "".join(ESCAPE.sub(unescape, part) for part in LITERAL.findall(literals))
            for number, literals in ROW.findall(text)}


def fill(messages, where, spec):
    number, *inserts = spec.split("|")
    if not number.strip().isdigit() or int(number) not in messages:
        sys.exit(f"{where}: no message {number!r} in the message table")

    def insert(match):
        index = int(match.group(1)) - 1
        if index >= len(inserts):
            sys.exit(f"{where}: message {number} needs insert %{index + 1}")
        # A message inside another loses its closing punctuation, as the command file reader writes it.
        value, style = inserts[index].rstrip(" ,."), match.group(2)
        return ("%" + style) % int(value, 0) if style and value.isdigit() else value

    return html.escape(INSERT.sub(insert, messages[int(number)]), quote=False)


def fill_version(version, where, match):
    parts = dict(zip(("major", "minor", "patch"), version.split(".")))
    if not version or (match.group(1) and match.group(1) not in parts):
        sys.exit(f"{where}: {match.group(0)} needs --version X.Y.Z")
    return parts[match.group(1)] if match.group(1) else version


def fill_file(files, where, match):
    if match.group(1) not in files:
        sys.exit(f"{where}: no --file {match.group(1)}=... given")
    return html.escape(files[match.group(1)], quote=False)


def main():
    args = sys.argv[1:]
    version = ""
    files = {}
    while args[:1] in (["--version"], ["--file"]) and len(args) > 1:
        if args[0] == "--version":
            version = args[1]
        else:
            key, _, value = args[1].partition("=")
            files[key] = value
        args = args[2:]
    if len(args) < 2:
        sys.exit(__doc__)
    messages = read_messages(args[0])
    out = args[1]
    for topic in args[2:]:
        text = open(topic, encoding="utf-8").read()
        name = os.path.basename(topic)
        text = VERSION.sub(lambda match: fill_version(version, name, match), text)
        # Before the messages: a file's name may be a message's insert.
        text = FILE.sub(lambda match: fill_file(files, name, match), text)
        # Innermost first: a message may be the insert of another.
        while PLACEHOLDER.search(text):
            text = PLACEHOLDER.sub(lambda match: fill(messages, name, match.group(1)), text)
        with open(os.path.join(out, name), "w", encoding="utf-8", newline="") as target:
            target.write(text)


if __name__ == "__main__":
    main()
