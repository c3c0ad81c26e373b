#!/usr/bin/env python3
"""Prints the program's own bytes in Setup.exe (the file without the packed
payload, the "QFILE" resources, and without the wizard's watermark, bitmap
502) and fails when they exceed the limit, so that the program cannot grow
back unnoticed.

    program_size.py --limit BYTES Setup.exe
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from payload_resources import PeImage  # noqa: E402

RT_BITMAP = 2
WATERMARK = 502


def program_bytes(exe):
    """The file's size less the bytes of its payload and watermark."""
    carried = sum(len(r.data) for r in PeImage(exe).resources()
                  if r.type == "QFILE" or (r.type == RT_BITMAP and r.name == WATERMARK))
    return len(exe) - carried


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--limit", type=int, required=True)
    parser.add_argument("exe")
    args = parser.parse_args()
    with open(args.exe, "rb") as f:
        exe = f.read()
    size = program_bytes(exe)
    print("%s: %d bytes of program (%.1f KB), limit %d" % (args.exe, size, size / 1024, args.limit))
    if size > args.limit:
        print("the program has grown beyond its limit", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
