#!/usr/bin/env python3
"""Checks the payload inside a built Setup.exe: reads the program's PE
resource directory, takes every "QFILE" resource and checks it against the
generated manifest tables (and, when given, against the packed streams and
the payload files they were made from): one resource per payload entry,
language 1043, a complete zlib stream with header 78 DA, packedSize and
unpackedSize as the table says, inflating to exactly the original file.

    payload_resources.py --exe Setup.exe --tables manifest_table.inc
        [--streams DIR]
        [--manifest manifest.tsv --programs DIR --texts DIR --generated DIR]

Prints every problem and exits 1 when there is one.
"""
import argparse
import collections
import os
import re
import struct
import sys
import zlib

LANG_DUTCH_NETHERLANDS = 1043

# One resource: its type, name and language as the directory holds them
# (ints or strings), its bytes, and the file offsets of its data and of its
# directory entries (type, name, language), for whoever wants to patch them.
Resource = collections.namedtuple("Resource", "type name language data data_offset entries")


class PeError(Exception):
    pass


class PeImage:
    """Just enough of the PE format to walk the resource directory."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        sections, optional_size = self.u16(pe + 6), self.u16(pe + 20)
        optional = pe + 24
        magic = self.u16(optional)
        if magic == 0x10B:
            count_at, directories = optional + 92, optional + 96
        elif magic == 0x20B:
            count_at, directories = optional + 108, optional + 112
        else:
            raise PeError("unknown optional header magic 0x%x" % magic)
        if self.u32(count_at) <= 2:
            raise PeError("no resource directory entry")
        self.resource_rva, self.resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            at = table + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer, raw_size))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva, length=1):
        for virtual_address, size, raw_pointer, raw_size in self.sections:
            if virtual_address <= rva and rva + length <= virtual_address + min(size, raw_size):
                return raw_pointer + (rva - virtual_address)
        raise PeError("RVA 0x%x (+%d) lies in no section's file data" % (rva, length))

    def resources(self):
        """Yields every Resource of the image."""
        if self.resource_rva == 0:
            return
        base = self.offset(self.resource_rva, 16)

        def label(value):
            if value & 0x80000000:
                at = base + (value & 0x7FFFFFFF)
                length = self.u16(at)
                return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            return value

        def walk(at, path, entries):
            named, numbered = self.u16(at + 12), self.u16(at + 14)
            for i in range(named + numbered):
                entry = at + 16 + 8 * i
                name, target = struct.unpack_from("<II", self.data, entry)
                key = path + [label(name)]
                if target & 0x80000000:
                    if len(key) >= 3:
                        raise PeError("resource directory deeper than three levels")
                    yield from walk(base + (target & 0x7FFFFFFF), key, entries + [entry])
                else:
                    if len(key) != 3:
                        raise PeError("resource data at level %d" % len(key))
                    rva, size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(rva, size) if size else self.offset(rva)
                    yield Resource(key[0], key[1], key[2], self.data[start:start + size], start,
                                   entries + [entry])

        yield from walk(base, [], [])


def c_string(literal):
    """The bytes of a C++ string literal made of adjacent "..." parts."""
    out = bytearray()
    for part in re.findall(r'"((?:[^"\\]|\\.)*)"', literal):
        i = 0
        while i < len(part):
            if part[i] == "\\":
                if part[i + 1] == "x":
                    j = i + 2
                    while j < len(part) and part[j] in "0123456789abcdefABCDEF":
                        j += 1
                    out.append(int(part[i + 2:j], 16))
                    i = j
                    continue
                out.append(ord(part[i + 1]))
                i += 2
            else:
                out.append(ord(part[i]))
                i += 1
    return bytes(out)


ROW = re.compile(r'\{((?:"(?:[^"\\]|\\.)*"\s*)+),\s*(\d+),\s*(\d+)u,\s*(\d+)u,\s*0x([0-9A-Fa-f]+)u,\s*'
                 r'(nullptr|(?:"(?:[^"\\]|\\.)*"\s*)+)\},')


def install_rows(tables_text):
    """(name, id, packed, unpacked, flags) of the generated install table."""
    start = tables_text.find("kInstallTable")
    end = tables_text.find("kCleanUpTable")
    if start < 0 or end < start:
        raise ValueError("the install table is not in the generated tables")
    rows = [(c_string(m.group(1)), int(m.group(2)), int(m.group(3)), int(m.group(4)), int(m.group(5), 16))
            for m in ROW.finditer(tables_text[start:end])]
    if len(rows) != 100:
        raise ValueError("the generated install table has %d rows, not 100" % len(rows))
    return rows


def described_sources(manifest, programs, texts, generated):
    """(cp1252 name, source path) of the install entries with payload, in order."""
    out = []
    with open(manifest, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = [field for field in line.split("\t") if field]
            if fields[0] != "install" or fields[5] == "-":
                continue
            root = {"program": programs, "text": texts}.get(fields[5], generated)
            out.append((fields[3].encode("cp1252"), os.path.join(root, fields[3].replace("\\", "/"))))
    return out


def check(exe_bytes, tables_text, streams=None, sources=None):
    """The problems found; [] when the payload is right."""
    problems = []
    rows = [row for row in install_rows(tables_text) if row[4] & 0x11]
    found = {}
    for resource in PeImage(exe_bytes).resources():
        if resource.type == "QFILE":
            found.setdefault(resource.name, []).append((resource.language, resource.data))
    expected_ids = [row[1] for row in rows]
    for extra in sorted(set(found) - set(expected_ids), key=str):
        problems.append("QFILE resource %s belongs to no manifest entry" % extra)
    if sources is not None and [s[0] for s in sources] != [row[0] for row in rows]:
        problems.append("the generated table's payload names differ from the description's")
        sources = None
    for index, (name, rid, packed, unpacked, _) in enumerate(rows):
        label = "%s (QFILE %d)" % (name.decode("cp1252"), rid)
        copies = found.get(rid, [])
        if len(copies) != 1:
            problems.append("%s: %d resources instead of 1" % (label, len(copies)))
            continue
        language, data = copies[0]
        if language != LANG_DUTCH_NETHERLANDS:
            problems.append("%s: language %s, not 1043" % (label, language))
        if data[:2] != b"\x78\xda":
            problems.append("%s: header %s, not 78 DA" % (label, data[:2].hex(" ").upper()))
        if len(data) != packed:
            problems.append("%s: %d bytes, the table says packedSize %d" % (label, len(data), packed))
        inflater = zlib.decompressobj()
        try:
            plain = inflater.decompress(data) + inflater.flush()
        except zlib.error as error:
            problems.append("%s: does not inflate: %s" % (label, error))
            continue
        if not inflater.eof or inflater.unused_data:
            problems.append("%s: not exactly one complete zlib stream" % label)
        if len(plain) != unpacked:
            problems.append("%s: inflates to %d bytes, the table says unpackedSize %d" % (label, len(plain), unpacked))
        if streams is not None:
            with open(os.path.join(streams, "%d.z" % rid), "rb") as f:
                if f.read() != data:
                    problems.append("%s: differs from the packed stream %d.z" % (label, rid))
        if sources is not None:
            with open(sources[index][1], "rb") as f:
                if f.read() != plain:
                    problems.append("%s: inflates to other bytes than %s" % (label, sources[index][1]))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--tables", required=True)
    parser.add_argument("--streams")
    parser.add_argument("--manifest")
    parser.add_argument("--programs")
    parser.add_argument("--texts")
    parser.add_argument("--generated")
    args = parser.parse_args()
    with open(args.exe, "rb") as f:
        exe = f.read()
    with open(args.tables, encoding="latin-1") as f:
        tables = f.read()
    sources = None
    if args.manifest:
        sources = described_sources(args.manifest, args.programs, args.texts, args.generated)
    try:
        problems = check(exe, tables, args.streams, sources)
    except (PeError, ValueError, struct.error) as error:
        problems = ["cannot read: %s" % error]
    for problem in problems:
        print("%s: %s" % (args.exe, problem))
    if not problems:
        print("%s: the QFILE resources match the manifest" % args.exe)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
