#!/usr/bin/env python3
"""The committed icon and watermark are exactly what tools/makeart.py draws,
and have the formats the setup loads: icon 501 with 16 x 16 and 32 x 32
images, bitmap 502 of 640 x 64 pixels in 256 colours.

    art_test.py ROOT
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = None


class Art(unittest.TestCase):
    def committed(self, name):
        with open(os.path.join(ROOT, "resources", name), "rb") as f:
            return f.read()

    def test_committed_files_are_the_generator_output(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(ROOT, "tools", "makeart.py"), "--out", out], check=True)
            for name in ("velmo.ico", "watermark.bmp"):
                with open(os.path.join(out, name), "rb") as f:
                    self.assertEqual(self.committed(name), f.read(), name + " differs from makeart.py's drawing")

    def test_watermark_is_640_by_64_in_256_colours(self):
        data = self.committed("watermark.bmp")
        magic, size, _, _, offset, header, width, height, planes, bits, compression = \
            struct.unpack_from("<2sIHHIIiiHHI", data)
        self.assertEqual((b"BM", len(data), 40, 640, 64, 1, 8, 0),
                         (magic, size, header, width, height, planes, bits, compression))
        self.assertEqual(len(data), offset + 640 * 64)
        # A drawing, not a blank: many different palette places are used.
        self.assertGreater(len(set(data[offset:])), 40)

    def test_icon_holds_16_and_32_pixel_images(self):
        data = self.committed("velmo.ico")
        reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual((0, 1, 2), (reserved, kind, count))
        sizes = []
        for i in range(count):
            width, height, _, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            header, dib_width, dib_height = struct.unpack_from("<Iii", data, offset)
            self.assertEqual((40, width, 2 * height), (header, dib_width, dib_height))
            self.assertLessEqual(offset + length, len(data))
            sizes.append((width, height))
        self.assertEqual([(16, 16), (32, 32)], sorted(sizes))


if __name__ == "__main__":
    ROOT = sys.argv[1]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
