#!/usr/bin/python3
"""Keeps every handle with one owner: no source file in src/ or tools/ closes, frees or releases a
handle, memory a call allocated, COM on a thread or a COM reference with a bare call; only the owner
types do (the kinds of platform/UniqueHandle.h and the Handles.h files, the COM pointer, the COM
plumbing's own IUnknown).  Usage: check-ownership.py REPO_ROOT"""
import re
import sys
from pathlib import Path

# The calls that end a resource's life, each of which belongs in an owner type.
CLOSE_CALLS = (
    "CloseHandle", "FindClose", "RegCloseKey", "DeleteObject", "DeleteDC", "DestroyIcon", "DestroyMenu",
    "DestroyCursor", "FreeLibrary", "GlobalFree", "LocalFree", "HeapFree", "CloseClipboard", "ReleaseDC",
    "SysFreeString", "CoTaskMemFree", "ILFree", "ReleaseStgMedium", "CoUninitialize", "OleUninitialize",
    "DeleteCriticalSection", "UnhookWindowsHookEx", "fclose", "closedir", "close",
)
CALL = re.compile(r"(?<![\w.>])(?:::|std::)?(" + "|".join(CLOSE_CALLS) + r")\s*\(")
# A COM reference given back by hand; the COM plumbing's delegating Release forwards, owning nothing.
RELEASE = re.compile(r"->\s*Release\s*\(\s*\)")
FORWARDING_RELEASE = re.compile(r"IFACEMETHODIMP_\(ULONG\)\s*Release\(\)")

OWNERS = {
    "src/platform/UniqueHandle.h",
    "src/platform/win32/Handles.h",
    "src/platform/posix/Handles.h",
    "src/platform/win32/ComPtr.h",
}


def code_only(text):
    """The text without comments and string or character literals, lines kept in place."""
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
    return pattern.sub(lambda m: re.sub(r"[^\n]", " ", m.group(0)), text)


def faults_in(path, relative):
    faults = []
    for number, line in enumerate(code_only(path.read_text(encoding="utf-8")).splitlines(), 1):
        for match in CALL.finditer(line):
            faults.append(f"{relative}:{number}: bare {match.group(1)}: hold the resource in an owner type")
        if RELEASE.search(line) and not FORWARDING_RELEASE.search(line):
            faults.append(f"{relative}:{number}: bare Release: hold the reference in a ComPtr")
    return faults


def main():
    root = Path(sys.argv[1])
    faults = []
    for folder in ("src", "tools"):
        for path in sorted((root / folder).rglob("*")):
            relative = path.relative_to(root).as_posix()
            if path.suffix in (".cpp", ".h") and relative not in OWNERS:
                faults += faults_in(path, relative)
    # The owners themselves hold the calls: if the patterns found none there, they would find none anywhere.
    if not faults_in(root / "src/platform/win32/Handles.h", "") or not faults_in(
            root / "src/platform/win32/ComPtr.h", ""):
        faults.append("the patterns no longer find the owner types' own calls")
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
