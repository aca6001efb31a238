#!/usr/bin/python3
"""Keeps every handle with one owner: no source file in src/, tools/, tests/ or bench/ closes, frees,
unlocks or releases a handle, a window, memory a call allocated, COM on a thread or a COM reference
with a bare call; only the owner types do (the kinds of platform/UniqueHandle.h and the Handles.h
files, the COM pointer, the COM plumbing's own IUnknown), and the few calls listed in ALLOWED.
Usage: check-ownership.py REPO_ROOT"""
import re
import sys
from pathlib import Path

# The calls that end a resource's life, each of which belongs in an owner type.
CLOSE_CALLS = (
    "CloseHandle", "FindClose", "RegCloseKey", "DeleteObject", "DeleteDC", "DestroyIcon", "DestroyMenu",
    "DestroyCursor", "FreeLibrary", "GlobalFree", "LocalFree", "HeapFree", "CloseClipboard", "ReleaseDC",
    "SysFreeString", "CoTaskMemFree", "ILFree", "ReleaseStgMedium", "CoUninitialize", "OleUninitialize",
    "DeleteCriticalSection", "UnhookWindowsHookEx", "fclose", "closedir", "close", "DestroyWindow",
    "GlobalUnlock", "ImageList_Destroy",
)
CALL = re.compile(r"(?<![\w.>])(?:::|std::)?(" + "|".join(CLOSE_CALLS) + r")\s*\(")
# A COM reference given back by hand; the COM plumbing's delegating Release forwards, owning nothing.
RELEASE = re.compile(r"->\s*Release\s*\(\s*\)")
# Attributes that a type library or type description lends, which only it takes back.
METHOD = re.compile(r"(?:->|\.)\s*(ReleaseTLibAttr|ReleaseTypeAttr)\s*\(")
FORWARDING_RELEASE = re.compile(r"IFACEMETHODIMP_\(ULONG\)\s*Release\(\)")

OWNERS = {
    "src/platform/UniqueHandle.h",
    "src/platform/win32/Handles.h",
    "src/platform/posix/Handles.h",
    "src/platform/win32/ComPtr.h",
}
FOLDERS = ("src", "tools", "tests", "bench")

# The bare calls that are allowed, each one by its file and the code that makes it: the dialog base
# class owns its window, and the tests whose subject is the call itself (the owner types' own tests, a
# COM object's reference count, the module's exported functions called as Windows calls them).
ALLOWED = {
    ("src/winui/Dialog.cpp", "DestroyWindow(window_)"): "the dialog class owns its window",
    ("tests/shellext/ComServerTest.cpp", "->Release(), 0u)"): "the last release destroys the object",
}


def code_only(text):
    """The text without comments and string or character literals, lines kept in place."""
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
    return pattern.sub(lambda m: re.sub(r"[^\n]", " ", m.group(0)), text)


def allowed(relative, line, used):
    for (file, code) in ALLOWED:
        if file == relative and code in line:
            used.add((file, code))
            return True
    return False


def faults_in(path, relative, used):
    faults = []
    for number, line in enumerate(code_only(path.read_text(encoding="utf-8")).splitlines(), 1):
        if allowed(relative, line, used):
            continue
        for match in list(CALL.finditer(line)) + list(METHOD.finditer(line)):
            faults.append(f"{relative}:{number}: bare {match.group(1)}: hold the resource in an owner type")
        if RELEASE.search(line) and not FORWARDING_RELEASE.search(line):
            faults.append(f"{relative}:{number}: bare Release: hold the reference in a ComPtr")
    return faults


def main():
    root = Path(sys.argv[1])
    faults = []
    used = set()
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            relative = path.relative_to(root).as_posix()
            if path.suffix in (".cpp", ".h") and relative not in OWNERS:
                faults += faults_in(path, relative, used)
    # An allowance that matches nothing any more would silently allow the next such call.
    for file, code in sorted(set(ALLOWED) - used):
        faults.append(f"{file}: the allowance for {code} matches nothing: remove it")
    # The owners themselves hold the calls: if the patterns found none there, they would find none anywhere.
    if not faults_in(root / "src/platform/win32/Handles.h", "", set()) or not faults_in(
            root / "src/platform/win32/ComPtr.h", "", set()):
        faults.append("the patterns no longer find the owner types' own calls")
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
