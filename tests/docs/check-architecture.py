#!/usr/bin/python3
"""Keeps docs/ARCHITECTURE.md true to the tree: every path it names exists, every source folder is
named in it, and each function or type that a row of its concept table names is in a file that the
row names.  Usage: check-architecture.py REPO_ROOT"""
import re
import sys
from pathlib import Path

TOP_FOLDERS = ("src", "tools", "tests", "bench", "scripts", "resources", "data", "docs", "help",
               "packaging", "cmake")
IDENTIFIER = re.compile(r"[A-Za-z_]\w*(::[A-Za-z_]\w*)*")


def concept_rows(text):
    """The rows of the table under "Where each concept lives", each as its backticked tokens."""
    section = text.split("## Where each concept lives", 1)[-1].split("\n## ", 1)[0]
    return [re.findall(r"`([^`]+)`", line) for line in section.splitlines() if line.startswith("| ")]


def row_faults(root, tokens):
    paths = [root / t for t in tokens if "/" in t and t.split("/")[0] in TOP_FOLDERS]
    files = [f for p in paths for f in ([p] if p.is_file() else sorted(p.rglob("*")) if p.is_dir() else [])]
    texts = [f.read_text(encoding="utf-8", errors="replace") for f in files if f.is_file()]
    for name in (t for t in tokens if IDENTIFIER.fullmatch(t)):
        word = re.compile(r"\b" + re.escape(name) + r"\b")
        if not any(word.search(t) for t in texts):
            yield f"names {name} beside {', '.join(t for t in tokens if '/' in t)}, which do not hold it"


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
    for row in concept_rows(text):
        faults.extend(row_faults(root, row))
    for fault in faults:
        print(f"docs/ARCHITECTURE.md {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
