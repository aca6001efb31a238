#!/usr/bin/python3
"""Makes the context map of a help file compiled by chmcmd usable by the help viewer.

chmcmd (Free Pascal 3.2.2) writes the topic of each mapped context number into #STRINGS as a path
from the root of the build machine's file system ("/home/me/build/help/project/options.htm"), where
the viewer looks for "/options.htm" inside the file. This rewrites those paths in place, keeping
every string at its offset (the paths get shorter: the rest is padded with zero bytes), so that #IVB
and every other reference into #STRINGS stay valid. The corrected #STRINGS is appended to the file
uncompressed (section 0) and its directory entry is pointed at it; the compressed original is left
unused.

usage: chm-context-paths.py IN.chm PROJECT_DIR OUT.chm
"""
import os
import struct
import subprocess
import sys
import tempfile


def read_encint(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def encint(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def fail(message):
    sys.exit(f"chm-context-paths: {message}")


def directory_chunks(data):
    """The directory's offset, chunk size, quick-reference density and the PMGL chunk offsets."""
    if data[:4] != b"ITSF":
        fail("not a compiled help file")
    version = struct.unpack_from("<I", data, 4)[0]
    header0, _, directory, directory_length = struct.unpack_from("<4Q", data, 0x38)
    content = struct.unpack_from("<Q", data, 0x58)[0] if version >= 3 else directory + directory_length
    if data[directory:directory + 4] != b"ITSP":
        fail("no directory")
    header_length, _, chunk_size, density = struct.unpack_from("<4I", data, directory + 8)
    count = struct.unpack_from("<I", data, directory + 0x2C)[0]
    first = directory + header_length
    chunks = [first + i * chunk_size for i in range(count)]
    return header0, content, chunk_size, density, [c for c in chunks if data[c:c + 4] == b"PMGL"]


def parse_entries(data, chunk, chunk_size):
    free = struct.unpack_from("<I", data, chunk + 4)[0]
    pos, end = chunk + 20, chunk + chunk_size - free
    entries = []
    while pos < end:
        length, pos = read_encint(data, pos)
        name = data[pos:pos + length]
        pos += length
        section, pos = read_encint(data, pos)
        offset, pos = read_encint(data, pos)
        size, pos = read_encint(data, pos)
        entries.append([name, section, offset, size])
    return entries


def build_chunk(header, entries, chunk_size, density):
    """A PMGL chunk as chmcmd lays it out: entries, then quick references from the end backwards."""
    every = 1 + (1 << density)
    body = bytearray()
    quickrefs = []
    for index, (name, section, offset, size) in enumerate(entries, start=1):
        start = len(body)
        body += encint(len(name)) + name + encint(section) + encint(offset) + encint(size)
        if index % every == 0:
            quickrefs.append(start)
    used = 20 + len(body)
    if used + 2 * (len(quickrefs) + 1) > chunk_size:
        fail("the directory chunk has no room for the moved entry")
    chunk = bytearray(chunk_size)
    chunk[:20] = header
    struct.pack_into("<I", chunk, 4, chunk_size - used)
    chunk[20:used] = body
    for number, start in enumerate(quickrefs, start=1):
        struct.pack_into("<H", chunk, chunk_size - 2 - 2 * number, start)
    struct.pack_into("<H", chunk, chunk_size - 2, len(entries))
    return chunk


def corrected_strings(strings, prefixes):
    out = bytearray(strings)
    changed = 0
    pos = 0
    while pos < len(out):
        end = out.find(b"\0", pos)
        end = len(out) if end < 0 else end
        text = bytes(out[pos:end])
        for prefix in prefixes:
            if text.startswith(prefix):
                inside = b"/" + text[len(prefix):]
                out[pos:end] = inside + b"\0" * (len(text) - len(inside))
                changed += 1
                break
        pos = end + 1
    return bytes(out), changed


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    source, project, target = sys.argv[1:]
    data = bytearray(open(source, "rb").read())
    header0, content, chunk_size, density, chunks = directory_chunks(data)

    with tempfile.TemporaryDirectory() as unpacked:
        subprocess.run(["extract_chmLib", source, unpacked], check=True, stdout=subprocess.DEVNULL)
        strings_path = os.path.join(unpacked, "#STRINGS")
        if not os.path.exists(strings_path):
            open(target, "wb").write(data)  # no context map, nothing to correct
            return
        strings = open(strings_path, "rb").read()

    prefixes = {os.path.join(os.path.realpath(project), "").encode(),
                os.path.join(os.path.abspath(project), "").encode()}
    strings, changed = corrected_strings(strings, prefixes)
    if changed == 0:
        open(target, "wb").write(data)  # a chmcmd that writes the paths right
        return

    for chunk in chunks:
        entries = parse_entries(data, chunk, chunk_size)
        for entry in entries:
            if entry[0] == b"/#STRINGS":
                entry[1:] = [0, len(data) - content, len(strings)]
                data[chunk:chunk + chunk_size] = build_chunk(data[chunk:chunk + 20], entries, chunk_size,
                                                             density)
                data += strings
                struct.pack_into("<Q", data, header0 + 8, len(data))
                open(target, "wb").write(data)
                return
    fail("no #STRINGS in the directory")


if __name__ == "__main__":
    main()
