#!/usr/bin/python3
"""Copies a program with the version in its version resource set to VERSION (a.b.c.d, the same
number of digits in each part as before): the programs of a later release, for the upgrade tests.

usage: raise-version.py VERSION SOURCE TARGET
"""
import struct
import sys

version, source, target = sys.argv[1:]
parts = [int(p) for p in version.split(".")]
data = bytearray(open(source, "rb").read())
fixed = data.find(struct.pack("<I", 0xFEEF04BD))
if fixed < 0:
    sys.exit(f"{source}: no version resource")
old = struct.unpack_from("<IIII", data, fixed + 8)
new = ((parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]) * 2
struct.pack_into("<IIII", data, fixed + 8, *new)
# The texts "FileVersion" and "ProductVersion" hold the same number.
old_text = "%d.%d.%d.%d" % (old[0] >> 16, old[0] & 0xFFFF, old[1] >> 16, old[1] & 0xFFFF)
if len(old_text) != len(version):
    sys.exit(f"{source}: {old_text} and {version} differ in length")
data = data.replace(old_text.encode("utf-16-le"), version.encode("utf-16-le"))
open(target, "wb").write(data)
