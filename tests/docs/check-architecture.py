#!/usr/bin/python3
"""Keeps docs/ARCHITECTURE.md true to the tree: every path it names exists, and every source folder
is named in it.  Usage: check-architecture.py REPO_ROOT"""
import re
import sys
from pathlib import Path

TOP_FOLDERS = ("src", "tools", "tests", "bench", "scripts", "resources", "data", "docs", "help",
               "packaging", "cmake")


def main():
    root = Path(sys.argv[1])
    text = (root / "docs" / "ARCHITECTURE.md").read_text(encoding="utf-8")
    faults = []
    named = set()
    for token in re.findall(r"`([^`\s]+)`", text):
        path = token.rstrip("/")
        if "/" not in path or path.split("/")[0] not in TOP_FOLDERS:
            continue
        named.add(path)
        if not (any(root.glob(path)) if "*" in path else (root / path).exists()):
            faults.append(f"names a path that does not exist: {token}")
    folders = [*(root / "src").glob("*"), *(root / "src").glob("*/*")]
    for folder in sorted(p for p in folders if p.is_dir()):
        relative = folder.relative_to(root).as_posix()
        if not any(n == relative or n.startswith(relative + "/") for n in named):
            faults.append(f"does not name the source folder {relative}")
    for fault in faults:
        print(f"docs/ARCHITECTURE.md {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
