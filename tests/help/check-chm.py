#!/usr/bin/python3
"""Checks a compiled help file the way the viewer uses it, unpacked with extract_chmLib:

- each context number of CONTEXTS ("0x20190 options.htm" per line) is in #IVB, and its entry in
  #STRINGS names that topic as a path inside the file, which exists there;
- every other mapped context number also opens a topic that exists;
- every href and src of every topic, and every topic of the contents and the index, names a file
  that exists in the help file (and, with a "#name", an anchor of that file);
- the file has a full-text index (built with it, the topic table also gets the topics' titles).

usage: check-chm.py FILE.chm CONTEXTS
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
from urllib.parse import unquote, urlsplit

ATTRIBUTE = re.compile(r"""\b(?:href|src)\s*=\s*(?:"([^"]*)"|'([^']*)')""", re.I)
SITEMAP_LOCAL = re.compile(r"""<param\s+name\s*=\s*"Local"\s+value\s*=\s*"([^"]*)\"""", re.I)
ANCHOR = re.compile(r"""\b(?:id|name)\s*=\s*(?:"([^"]*)"|'([^']*)')""", re.I)


def context_map(root):
    """Context number -> the topic path that #STRINGS gives for it."""
    ivb_path, strings_path = os.path.join(root, "#IVB"), os.path.join(root, "#STRINGS")
    if not os.path.exists(ivb_path) or not os.path.exists(strings_path):
        return {}
    ivb = open(ivb_path, "rb").read()
    strings = open(strings_path, "rb").read()
    length = struct.unpack_from("<I", ivb, 0)[0]
    mapped = {}
    for pos in range(4, min(4 + length, len(ivb)) - 7, 8):
        number, offset = struct.unpack_from("<II", ivb, pos)
        end = strings.find(b"\0", offset)
        mapped[number] = strings[offset:end if end >= 0 else len(strings)].decode("utf-8", "replace")
    return mapped


def inside(root, path):
    """The unpacked file for a path inside the help file, or None when there is none."""
    full = os.path.normpath(os.path.join(root, path.lstrip("/")))
    if not full.startswith(os.path.join(root, "")) or not os.path.isfile(full):
        return None
    return full


def anchors_of(path, cache={}):
    if path not in cache:
        text = open(path, encoding="utf-8", errors="replace").read()
        cache[path] = {a or b for a, b in ANCHOR.findall(text)}
    return cache[path]


def check_link(root, page, link, problems):
    parts = urlsplit(link)
    if parts.scheme or link.startswith("//"):
        return  # a web address or another help file: not ours to resolve
    where = os.path.relpath(page, root)
    target = page if not parts.path else inside(
        root, os.path.join(os.path.dirname(where), unquote(parts.path)))
    if target is None:
        problems.append(f"{where}: dead link {link!r}")
    elif parts.fragment and parts.fragment not in anchors_of(target):
        problems.append(f"{where}: link {link!r} names no anchor of {os.path.relpath(target, root)}")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    chm, contexts = sys.argv[1:]
    problems = []
    with tempfile.TemporaryDirectory() as root:
        subprocess.run(["extract_chmLib", chm, root], check=True, stdout=subprocess.DEVNULL)
        mapped = context_map(root)

        expected = [line.split() for line in open(contexts) if line.strip()]
        if not expected:
            problems.append(f"{contexts}: no context numbers")
        for number, topic in expected:
            got = mapped.get(int(number, 0))
            if got is None:
                problems.append(f"context {number} ({topic}) is not mapped")
            elif got.lstrip("/") != topic:
                problems.append(f"context {number} opens {got!r}, not {topic!r}")
        for number, topic in sorted(mapped.items()):
            if inside(root, topic) is None:
                problems.append(f"context {number:#x} opens {topic!r}, which is not in the help file")

        pages = 0
        for folder, _, names in os.walk(root):
            for name in names:
                path = os.path.join(folder, name)
                lower = name.lower()
                if lower.endswith((".htm", ".html")):
                    pages += 1
                    text = open(path, encoding="utf-8", errors="replace").read()
                    for a, b in ATTRIBUTE.findall(text):
                        check_link(root, path, a or b, problems)
                elif lower.endswith((".hhc", ".hhk")):
                    text = open(path, encoding="utf-8", errors="replace").read()
                    locals_ = SITEMAP_LOCAL.findall(text)
                    if not locals_:
                        problems.append(f"{name}: lists no topic")
                    for link in locals_:
                        check_link(root, path, link, problems)
        if pages == 0:
            problems.append("no topics in the help file")
        if inside(root, "$FIftiMain") is None:
            problems.append("no full-text index ($FIftiMain)")

    for problem in problems:
        print(problem)
    print(f"{len(expected)} context numbers, {len(mapped)} mapped, {pages} topics: "
          f"{'ok' if not problems else f'{len(problems)} problem(s)'}")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
