#!/usr/bin/python3
"""Keeps the shipped files' names where the build defines them (cmake/SharedIds.cmake): no package
source, script or help page spells one by hand, in its text or its code; comments may name them.
Usage: check-file-names.py REPO_ROOT NAME...   (the names as the build defines them)"""
import sys
from pathlib import Path

# The files that take the names from the build: a glob below the root, and how a comment line starts.
ROWS = (
    ("packaging/*", "#"),
    ("scripts/*", "#"),
    ("help/*.htm", None),
    ("help/*.hhk", None),
    ("tests/menuhost/*.sh", "#"),
    ("tests/cli/*.sh", "#"),
)
# The repository's own default list is a source file, whatever name the build ships it under.
SOURCES = ("data/",)


def faults_in(path, relative, comment, names):
    faults = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if comment and line.lstrip().startswith(comment):
            continue
        for name in names:
            at = line.find(name)
            while at >= 0:
                if not any(line[:at].endswith(source) for source in SOURCES):
                    faults.append(f"{relative}:{number}: {name} spelled by hand: take it from the build")
                at = line.find(name, at + 1)
    return faults


def main():
    root, names = Path(sys.argv[1]), sys.argv[2:]
    if not names:
        sys.exit(__doc__)
    faults = []
    for pattern, comment in ROWS:
        for path in sorted(root.glob(pattern)):
            faults += faults_in(path, path.relative_to(root).as_posix(), comment, names)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
