#!/usr/bin/env python3
"""The checks of the built Setup.exe must fail on the faults they are there
to catch: each test damages a copy of the real objdump output or of the
real executable and expects the check to name the damage.

    build_checks_test.py --objdump OBJDUMP --exe Setup.exe --tables manifest_table.inc
"""
import argparse
import os
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_imports  # noqa: E402
import payload_resources  # noqa: E402
import program_size  # noqa: E402

ARGS = None


class ImportCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.text = subprocess.run([ARGS.objdump, "-p", ARGS.exe], capture_output=True, text=True,
                                  check=True).stdout

    def test_the_real_setup_passes(self):
        self.assertEqual([], pe_imports.check_objdump_text(self.text))

    def test_a_runtime_or_zlib_dll_fails(self):
        for dll in ("libstdc++-6.dll", "zlib1.dll", "libgcc_s_dw2-1.dll", "MSVCP140.dll",
                    "VERSION.dll", "COMCTL32.DLL"):
            damaged = self.text.replace("\tDLL Name: KERNEL32.dll", "\tDLL Name: KERNEL32.dll\n\tDLL Name: " + dll)
            problems = pe_imports.check_objdump_text(damaged)
            self.assertTrue(any(dll in p for p in problems), (dll, problems))

    def test_letter_case_of_allowed_dlls_does_not_matter(self):
        damaged = self.text.replace("\tDLL Name: KERNEL32.dll", "\tDLL Name: KERNEL32.dll\n\tDLL Name: ComDlg32.DLL")
        self.assertEqual([], pe_imports.check_objdump_text(damaged))

    def test_console_subsystem_fails(self):
        damaged = self.text.replace("(Windows GUI)", "(Windows CUI)")
        self.assertNotEqual(self.text, damaged)
        self.assertTrue(pe_imports.check_objdump_text(damaged))

    def test_a_64_bit_image_fails(self):
        damaged = self.text.replace("010b\t(PE32)", "020b\t(PE32+)").replace("pei-i386", "pei-x86-64")
        problems = pe_imports.check_objdump_text(damaged)
        self.assertTrue(any("magic" in p for p in problems), problems)
        self.assertTrue(any("file format" in p for p in problems), problems)

    def test_an_unread_import_table_fails(self):
        damaged = "\n".join(line for line in self.text.splitlines() if "DLL Name" not in line)
        self.assertTrue(pe_imports.check_objdump_text(damaged))


class PayloadCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(ARGS.exe, "rb") as f:
            cls.exe = f.read()
        with open(ARGS.tables, encoding="latin-1") as f:
            cls.tables = f.read()
        cls.qfiles = [r for r in payload_resources.PeImage(cls.exe).resources() if r.type == "QFILE"]

    def damaged(self, at, new_bytes):
        data = bytearray(self.exe)
        data[at:at + len(new_bytes)] = new_bytes
        return bytes(data)

    def test_the_real_setup_passes(self):
        self.assertEqual(94, len(self.qfiles))
        self.assertEqual([], payload_resources.check(self.exe, self.tables))

    def test_a_damaged_stream_fails(self):
        resource = self.qfiles[5]
        middle = resource.data_offset + len(resource.data) // 2
        exe = self.damaged(middle, bytes([self.exe[middle] ^ 0xFF]))
        problems = payload_resources.check(exe, self.tables)
        self.assertTrue(any("QFILE %d" % resource.name in p for p in problems), problems)

    def test_a_stream_without_78_da_fails(self):
        resource = self.qfiles[0]
        exe = self.damaged(resource.data_offset + 1, b"\x9c")   # 78 9C: default compression
        problems = payload_resources.check(exe, self.tables)
        self.assertTrue(any("78 DA" in p for p in problems), problems)

    def test_another_language_fails(self):
        resource = self.qfiles[3]
        exe = self.damaged(resource.entries[2], struct.pack("<I", 1033))
        problems = payload_resources.check(exe, self.tables)
        self.assertTrue(any("language 1033" in p for p in problems), problems)

    def test_a_missing_or_foreign_id_fails(self):
        resource = self.qfiles[-1]
        exe = self.damaged(resource.entries[1], struct.pack("<I", 20000))
        problems = payload_resources.check(exe, self.tables)
        self.assertTrue(any("20000 belongs to no manifest entry" in p for p in problems), problems)
        self.assertTrue(any("QFILE %d): 0 resources" % resource.name in p for p in problems), problems)

    def test_sizes_other_than_the_table_fail(self):
        tables = self.tables.replace("{\"Velmo.exe\", 10000, ", "{\"Velmo.exe\", 10000, 1", 1)
        self.assertNotEqual(self.tables, tables)
        problems = payload_resources.check(self.exe, tables)
        self.assertTrue(any("packedSize" in p for p in problems), problems)


class SizeCheck(unittest.TestCase):
    """The program's own bytes: what is not payload or watermark counts."""

    @classmethod
    def setUpClass(cls):
        with open(ARGS.exe, "rb") as f:
            cls.exe = f.read()
        cls.size = program_size.program_bytes(cls.exe)

    def run_check(self, exe, limit):
        path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "size-check-%d.exe" % os.getpid())
        with open(path, "wb") as f:
            f.write(exe)
        try:
            return subprocess.run([sys.executable, program_size.__file__, "--limit", str(limit), path],
                                  capture_output=True, text=True).returncode
        finally:
            os.remove(path)

    def test_bytes_beyond_the_resources_count_and_the_limit_holds(self):
        self.assertEqual(0, self.run_check(self.exe, self.size))
        self.assertEqual(1, self.run_check(self.exe + bytes(512), self.size))

    def test_a_resource_that_is_not_payload_counts(self):
        image = payload_resources.PeImage(self.exe)
        qfiles = [r for r in image.resources() if r.type == "QFILE"]
        watermark = next(r for r in image.resources() if r.type == 2 and r.name == 502)
        # The watermark under another id, then the streams under another type.
        data = bytearray(self.exe)
        data[watermark.entries[1]:watermark.entries[1] + 4] = struct.pack("<I", 503)
        self.assertEqual(self.size + len(watermark.data), program_size.program_bytes(bytes(data)))
        data = bytearray(self.exe)
        at = qfiles[0].entries[0]
        data[at:at + 4] = struct.pack("<I", 10)   # RT_RCDATA
        self.assertEqual(self.size + sum(len(r.data) for r in qfiles),
                         program_size.program_bytes(bytes(data)))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--tables", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
