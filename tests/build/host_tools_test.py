#!/usr/bin/env python3
"""The host tools of the payload build, run as the build runs them:
vpack must pack a sound description and refuse every broken one with a
message that names the fault (and then write nothing); vdatagen must make
each file exactly as long as described, well formed and the same every time,
and the game's data the same bytes whichever compiler built it.

    host_tools_test.py --vpack VPACK --vdatagen VDATAGEN --manifest PRODUCT_MANIFEST
"""
import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ARGS = None
# The streams of the workspaces' files, kept across tests as a build keeps
# them, so that the same files are searched for only once.
SHARED_CACHE = tempfile.TemporaryDirectory()


def row(table, rid, flags, name, extra="-", source="-"):
    return [table, str(rid), flags, name, extra, source]


def sound_description():
    """A complete description of the product's shape, with small files."""
    rows = [row("install", 10000, "0x009", "Velmo.exe", "Velmo", "program")]
    rid = 10001
    for i in range(90):
        name = "Fran\u00e7ais.qlf" if i == 3 else ("Data\\Sub\\File%02d.bin" % i if i % 3 else "File%02d.bin" % i)
        rows.append(row("install", rid, "0x001", name, "-", "gen:%d" % (i * 37 % 300)))
        rid += 1
        if i in (10, 40, 60, 80):
            rows.append(row("install", 0, "0x004", "Removed%d.dat" % i))
        if i == 5:
            rows.append(row("install", rid, "0x003", "License.txt", "-", "text"))
            rows.append(row("install", rid + 1, "0x003", "License-NL.txt", "Nederlands", "text"))
            rid += 2
    rows.append(row("install", 0, "0x080", "Velmolog-*.txt"))
    rows.append(row("install", rid, "0x018", "Uninstall.exe", "$0320", "program"))
    rows.append(row("install", 0, "0x108", "http://www.kestrin-software.example/velmo", "$0321"))
    codes = ["0x0004"] * 6 + ["0x2000"] * 2 + ["0x1000"] + ["0x0004"] * 10 + ["0x0010"]
    for i, code in enumerate(codes):
        rows.append(row("cleanup", 0, code, "Old%02d.bin" % i))
    return rows


class Workspace:
    """A description plus the payload files it names, in a temporary folder."""

    def __init__(self, rows):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        self.rows = rows
        for sub in ("programs", "texts", "generated"):
            os.makedirs(os.path.join(self.root, sub))
        for fields in rows:
            if len(fields) < 6:
                continue
            source, name = fields[5], fields[3].replace("\\", "/").lstrip("/")
            if ".." in name:
                continue  # refused before any file is read; never write outside the folder
            if source in ("program", "text"):
                folder = "programs" if source == "program" else "texts"
                self.write(os.path.join(folder, name), (name.encode() + b" payload\r\n") * 40)
            elif source.startswith("gen:") and source[4:].isdigit():
                size = int(source[4:])
                self.write(os.path.join("generated", name), bytes((i * 7 + size) & 0xFF for i in range(size)))

    def write(self, relative, data):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def vpack(self, *options, out="out", cache=SHARED_CACHE.name):
        """Runs vpack with the shared cache unless another one (or None) is given."""
        with open(self.path("manifest.tsv"), "w", encoding="utf-8") as f:
            f.write("# test description\n")
            for fields in self.rows:
                f.write("\t".join(fields) + "\n")
        return subprocess.run([ARGS.vpack, "--manifest", self.path("manifest.tsv"),
                               "--programs", self.path("programs"), "--texts", self.path("texts"),
                               "--generated", self.path("generated"), "--out", self.path(out)]
                              + list(options) + (["--cache", cache] if cache else []),
                              capture_output=True, text=True)

    def streams(self, out="out"):
        """The packed streams by file name."""
        folder = self.path(out)
        streams = {}
        for name in os.listdir(folder):
            if name.endswith(".z"):
                with open(os.path.join(folder, name), "rb") as f:
                    streams[name] = f.read()
        return streams


def find(rows, name):
    return next(i for i, fields in enumerate(rows) if fields[3] == name)


class VpackPacks(unittest.TestCase):
    def test_a_sound_description_gives_streams_resources_and_tables(self):
        work = Workspace(sound_description())
        result = work.vpack()
        self.assertEqual(0, result.returncode, result.stderr)

        with open(work.path("out", "qfile.rc")) as f:
            rc = f.read()
        self.assertIn("LANGUAGE 0x13, 0x01", rc)
        ids = [int(i) for i in re.findall(r'^(\d+) QFILE "\1\.z"$', rc, re.M)]
        self.assertEqual(list(range(10000, 10094)), ids)

        with open(work.path("out", "manifest_table.inc"), encoding="latin-1") as f:
            tables = f.read()
        rows = re.findall(r'\{(.*?), (\d+), (\d+)u, (\d+)u, 0x([0-9A-F]+)u, (.*?)\},', tables)
        self.assertEqual(120, len(rows))
        self.assertEqual(('"Velmo.exe"', "10000"), rows[0][:2])
        self.assertIn('"Fran\\xE7" "ais.qlf"', tables)
        self.assertEqual(('"$0320"'), rows[98][5])
        self.assertEqual("nullptr", rows[100][5])

        sources = {fields[1]: fields for fields in work.rows if fields[1] != "0"}
        for name, rid, packed, unpacked, flags, extra in rows:
            if rid == "0":
                self.assertEqual(("0", "0"), (packed, unpacked), name)
                continue
            with open(work.path("out", rid + ".z"), "rb") as f:
                stream = f.read()
            self.assertEqual(b"\x78\xda", stream[:2], rid)
            self.assertEqual(int(packed), len(stream), rid)
            fields = sources[rid]
            folder = {"program": "programs", "text": "texts"}.get(fields[5], "generated")
            with open(work.path(folder, fields[3].replace("\\", "/")), "rb") as f:
                original = f.read()
            self.assertEqual(original, zlib.decompress(stream), rid)
            self.assertEqual(int(unpacked), len(original), rid)

    def test_a_second_run_leaves_unchanged_outputs_alone(self):
        work = Workspace(sound_description())
        self.assertEqual(0, work.vpack().returncode)
        stale = work.path("out", "20000.z")
        work.write(os.path.join("out", "20000.z"), b"old")
        os.utime(work.path("out", "qfile.rc"), ns=(1, 1))
        self.assertEqual(0, work.vpack().returncode)
        self.assertEqual(1, os.stat(work.path("out", "qfile.rc")).st_mtime_ns, "rewritten although unchanged")
        self.assertFalse(os.path.exists(stale), "a stream of no entry stays")

    def test_a_changed_payload_changes_qfile_rc(self):
        work = Workspace(sound_description())
        self.assertEqual(0, work.vpack().returncode)
        with open(work.path("out", "qfile.rc")) as f:
            first = f.read()
        work.write(os.path.join("texts", "License.txt"), b"another licence\r\n")
        self.assertEqual(0, work.vpack().returncode)
        with open(work.path("out", "qfile.rc")) as f:
            self.assertNotEqual(first, f.read())


def counts(result):
    """(packed, taken from the cache) as vpack reports them."""
    found = re.search(r"; (\d+) packed in [\d.]+ s, (\d+) from the cache", result.stdout)
    assert found, result.stdout + result.stderr
    return int(found.group(1)), int(found.group(2))


class VpackSearchesAndKeeps(unittest.TestCase):
    """Streams shorter than zlib's best, the same on every run, and a cache
    that spares the search for unchanged files but never hands out a stream
    that does not hold its file."""

    def test_streams_are_shorter_than_zlibs_best_and_the_same_on_every_run(self):
        work = Workspace(sound_description())
        # Text as the licences hold it, where a longer search finds more.
        work.write(os.path.join("texts", "License.txt"), b"".join(
            b"%d. The licensee may use copy %d of the game on %d computers.\r\n" % (i, i * 7 % 13, i % 5)
            for i in range(300)))
        # Packed on one thread without a cache, and on three from the streams
        # of earlier runs: the same streams.
        self.assertEqual(0, work.vpack("--jobs", "1", cache=None).returncode)
        self.assertEqual(0, work.vpack("--jobs", "3", out="again").returncode)
        streams = work.streams()
        self.assertEqual(streams, work.streams("again"))
        for name, stream in streams.items():
            self.assertLessEqual(len(stream), len(zlib.compress(zlib.decompress(stream), 9)), name)
        licence = streams[work.rows[find(work.rows, "License.txt")][1] + ".z"]
        self.assertLess(len(licence), 0.95 * len(zlib.compress(zlib.decompress(licence), 9)),
                        "the search found nothing shorter than zlib")

    def test_only_changed_files_are_packed_again(self):
        work = Workspace(sound_description())
        packed, cached = counts(work.vpack())
        self.assertEqual(94, packed + cached)
        first = work.streams()
        work.write(os.path.join("texts", "License.txt"), b"the licence of this test only\r\n")
        result = work.vpack()
        self.assertEqual((1, 93), counts(result), result.stderr)
        changed = work.rows[find(work.rows, "License.txt")][1] + ".z"
        second = work.streams()
        self.assertEqual(b"the licence of this test only\r\n", zlib.decompress(second.pop(changed)))
        first.pop(changed)
        self.assertEqual(first, second)

    def test_a_cached_stream_that_does_not_hold_its_file_is_not_used(self):
        work = Workspace(sound_description())
        self.assertEqual(0, work.vpack().returncode)
        # A cache of its own with every stream of this workspace, three of them spoilt.
        cache = work.path("cache")
        shutil.copytree(SHARED_CACHE.name, cache)
        ours = {zlib.decompress(stream) for stream in work.streams().values()}
        entries = []
        for name in sorted(os.listdir(cache)):
            with open(os.path.join(cache, name), "rb") as f:
                if zlib.decompress(f.read()) in ours:
                    entries.append(name)
        self.assertEqual(94, len(entries))
        with open(os.path.join(cache, entries[0]), "r+b") as f:
            f.truncate(4)
        spoiled = {
            entries[1]: zlib.compress(b"the stream of another file", 9),
            entries[2]: b"\x78\xda" + b"\0" * 40,
        }
        for name, data in spoiled.items():
            with open(os.path.join(cache, name), "wb") as f:
                f.write(data)
        result = work.vpack(out="again", cache=cache)
        self.assertEqual((3, 91), counts(result), result.stderr)
        self.assertEqual(work.streams(), work.streams("again"))
        # And the cache holds sound streams again.
        self.assertEqual((0, 94), counts(work.vpack(cache=cache)))


class VpackRefuses(unittest.TestCase):
    def refused(self, change, message):
        rows = sound_description()
        change(rows)
        work = Workspace(rows)
        result = work.vpack()
        self.assertEqual(1, result.returncode, result.stdout + result.stderr)
        self.assertIn(message, result.stderr)
        self.assertIn("nothing was written", result.stderr)
        self.assertFalse(os.path.exists(work.path("out", "qfile.rc")))
        self.assertFalse(os.path.exists(work.path("out", "manifest_table.inc")))
        return result.stderr

    def test_wrong_table_counts(self):
        self.refused(lambda rows: rows.pop(find(rows, "Velmolog-*.txt")),
                     "the install table has 99 entries; it must have exactly 100")
        self.refused(lambda rows: rows.append(row("cleanup", 0, "0x0004", "More.bin")),
                     "the clean-up table has 21 entries; it must have exactly 20")

    def test_unknown_flag_bits_and_clean_up_codes(self):
        def unknown_bit(rows):
            rows[5][2] = "0x041"
        self.refused(unknown_bit, "carry unknown bits 0x40")

        def bit_set_code(rows):
            rows[-3][2] = "0x1004"
        self.refused(bit_set_code, "clean-up code 0x1004")

    def test_resource_ids_must_be_unique_and_without_gaps(self):
        def duplicate(rows):
            rows[3][1] = rows[2][1]
        message = self.refused(duplicate, "is already used on line")
        self.assertIn("ascend", message)

        def gap(rows):
            for fields in rows[50:]:
                if fields[1] != "0":
                    fields[1] = str(int(fields[1]) + 1)
        self.refused(gap, "the ids must ascend in table order without gaps")

    def test_payload_and_id_must_go_together(self):
        def no_id(rows):
            rows[7][1] = "0"
        self.refused(no_id, "needs a resource id from 1 to 65535")

        def id_without_payload(rows):
            rows[find(rows, "Velmolog-*.txt")][1] = "10094"
        self.refused(id_without_payload, "entry without payload must have resource id 0")

        def no_source(rows):
            rows[7][5] = "-"
        self.refused(no_source, "names no payload source")

        def source_without_payload(rows):
            rows[find(rows, "Removed10.dat")][5] = "gen:10"
        self.refused(source_without_payload, "must not name a payload source")

    def test_shortcut_without_caption(self):
        def no_caption(rows):
            rows[-21][4] = "-"
        self.refused(no_caption, "shortcut entry needs its caption in extra")

    def test_payload_files_must_exist_with_the_described_size(self):
        rows = sound_description()
        work = Workspace(rows)
        os.remove(work.path("programs", "Uninstall.exe"))
        result = work.vpack()
        self.assertEqual(1, result.returncode)
        self.assertIn("Uninstall.exe cannot be read", result.stderr)

        work = Workspace(sound_description())
        work.write(os.path.join("generated", "File00.bin"), b"12345")
        result = work.vpack()
        self.assertEqual(1, result.returncode)
        self.assertIn("has 5 bytes; the description says 0", result.stderr)

    def test_names_that_leave_the_destination_or_the_code_page(self):
        cases = [
            ("..\\Windows\\evil.dll", "leaves the destination folder"),
            ("Data\\..\\..\\evil.dll", "leaves the destination folder"),
            ("C:\\evil.dll", "\":\""),
            ("\\evil.dll", "starts with \"\\\""),
            ("Data\\\\evil.dll", "empty path step"),
            ("Data/evil.dll", "contains \"/\""),
            ("Data\\evil*.dll", "which Windows refuses"),
            ("\u65e5\u672c.qlf", "code page 1252"),
            ("x" * 129, "longer than 128 bytes"),
        ]
        for name, message in cases:
            def rename(rows, name=name):
                rows[9][3] = name
            with self.subTest(name=name):
                stderr = self.refused(rename, message)
                self.assertRegex(stderr, r"manifest\.tsv:\d+: ")
        # Clean-up names are checked the same way.
        def cleanup_escape(rows):
            rows[-1][3] = "..\\..\\Common Files\\Uninstall.exe"
        self.refused(cleanup_escape, "leaves the destination folder")

    def test_malformed_lines(self):
        def short_line(rows):
            rows[4] = rows[4][:5]
        self.refused(short_line, "expected 6 tab-separated columns")

        def decimal_flags(rows):
            rows[4][2] = "9"
        self.refused(decimal_flags, "are not a hex number")

        def other_table(rows):
            rows[4][0] = "installs"
        self.refused(other_table, "unknown table \"installs\"")

        def other_source(rows):
            rows[4][5] = "download"
        self.refused(other_source, "unknown source \"download\"")


def run_vdatagen(manifest, out):
    return subprocess.run([ARGS.vdatagen, "--manifest", manifest, "--out", out],
                          capture_output=True, text=True)


def vdatagen(description, out):
    manifest = out + ".tsv"
    with open(manifest, "w", encoding="utf-8") as f:
        for fields in description:
            f.write("\t".join(fields) + "\n")
    return run_vdatagen(manifest, out)


class Vdatagen(unittest.TestCase):
    SIZES = {
        "Felt.bmp": 65536, "Tiny.bmp": 100, "Backs\\Back.bmp": 8269,
        "Cardsets\\Cards.png": 30011, "Cardsets\\Small.png": 90,
        "Sounds\\Odd.wav": 4407, "Sounds\\Even.wav": 2206, "Sounds\\Tiny.wav": 40,
        "Fran\u00e7ais.qlf": 1500, "Themes\\Garden.vth": 700, "Games\\Custom.vgm": 0,
        "Tutorial\\Lesson01.txt": 1024, "Velmo.hlp": 3000, "Other.dat": 77,
    }

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.description = [row("install", 10000 + i, "0x001", name, "-", "gen:%d" % size)
                           for i, (name, size) in enumerate(cls.SIZES.items())]
        cls.description.append(row("install", 0, "0x004", "Skipped.dat"))
        cls.runs = []
        for run in ("a", "b"):
            out = os.path.join(cls.dir.name, run)
            result = vdatagen(cls.description, out)
            assert result.returncode == 0, result.stderr
            cls.runs.append(out)

    def read(self, name, run=0):
        with open(os.path.join(self.runs[run], name.replace("\\", "/")), "rb") as f:
            return f.read()

    def test_every_file_has_its_size_and_is_the_same_every_run(self):
        for name, size in self.SIZES.items():
            self.assertEqual(size, len(self.read(name)), name)
            self.assertEqual(self.read(name, 0), self.read(name, 1), name)
        self.assertFalse(os.path.exists(os.path.join(self.runs[0], "Skipped.dat")))

    def test_pictures_and_sounds_are_well_formed(self):
        for name in ("Felt.bmp", "Backs\\Back.bmp"):
            data = self.read(name)
            magic, size, _, _, offset, header, width, height, planes, bits = struct.unpack_from("<2sIHHIIiiHH", data)
            self.assertEqual((b"BM", len(data), 1078, 40, 8), (magic, size, offset, header, bits), name)
            self.assertLessEqual(offset + width * height, len(data), name)
            self.assertEqual(0, width % 4, name)
        png = self.read("Cardsets\\Cards.png")
        self.assertEqual(b"\x89PNG\r\n\x1a\n", png[:8])
        at, types = 8, []
        while at < len(png):
            length, = struct.unpack_from(">I", png, at)
            body = png[at + 4:at + 8 + length]
            self.assertEqual(zlib.crc32(body), struct.unpack_from(">I", png, at + 8 + length)[0])
            types.append(body[:4])
            at += 12 + length
        self.assertEqual([b"IHDR", b"IDAT", b"vlMo", b"IEND"], types)
        for name in ("Sounds\\Odd.wav", "Sounds\\Even.wav"):
            data = self.read(name)
            self.assertEqual((b"RIFF", len(data) - 8, b"WAVE"), struct.unpack_from("<4sI4s", data), name)
            data_size, = struct.unpack_from("<I", data, 40)
            self.assertEqual(0, data_size % 2, name)
            self.assertLessEqual(44 + data_size, len(data), name)

    def test_texts_use_crlf_and_the_ansi_code_page(self):
        french = self.read("Fran\u00e7ais.qlf")
        self.assertTrue(french.startswith(b"; Velmo language file\r\n[Language]\r\nName=Fran\xe7ais\r\n"), french[:60])
        lesson = self.read("Tutorial\\Lesson01.txt")
        self.assertNotIn(b"\n", lesson.replace(b"\r\n", b""))
        self.assertEqual(b"", self.read("Games\\Custom.vgm"))


class ProductData(unittest.TestCase):
    """The game's data of the product's description: what every build has
    packed so far, whichever compiler built vdatagen and whatever order it
    gives to the parts of an expression. A change that means to change the
    data changes the digest below with it."""
    DIGEST = "8a60060a981fcae1e9f2c5fcd93452142a8f57e8ecbeb88571169ed2b54bf88e"

    def test_the_games_data_are_the_bytes_of_earlier_builds(self):
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "data")
            result = run_vdatagen(ARGS.manifest, out)
            self.assertEqual(0, result.returncode, result.stderr)
            files = sorted(os.path.relpath(os.path.join(where, name), out)
                           for where, _, names in os.walk(out) for name in names
                           if name != ".stamp")
            with open(os.path.join(out, "Games", "Canfield.vgm"), "rb") as f:
                self.assertIn(b"\r\nDecks=2\r\nFoundations=4\r\n", f.read())
            digest = hashlib.sha256()
            for name in files:
                digest.update(name.replace(os.sep, "\\").encode() + b"\0")
                with open(os.path.join(out, name), "rb") as f:
                    digest.update(f.read())
            self.assertEqual((89, self.DIGEST), (len(files), digest.hexdigest()))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--vpack", required=True)
    parser.add_argument("--vdatagen", required=True)
    parser.add_argument("--manifest", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
