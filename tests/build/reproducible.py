#!/usr/bin/env python3
"""Builds Setup.exe a second time, from the same sources in a fresh build
folder of another name, and compares it byte for byte with the one under
test, so that anyone can check a download against the sources. On a
difference it names the first differing byte and the section it lies in.

    reproducible.py --source DIR --toolchain FILE --host-tools DIR
                    [--define NAME=VALUE]... Setup.exe

--define passes a setting of the first build on to the second: the cache
of packed streams (so that the payload is packed once), the signing.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile


def section_of(data, offset):
    """The name of the PE section whose file data holds offset ("headers")."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional_size
    for i in range(count):
        at = table + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode("latin-1")
        raw_size, raw_pointer = struct.unpack_from("<II", data, at + 16)
        if raw_pointer <= offset < raw_pointer + raw_size:
            return name
    return "headers"


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b)) if len(a) != len(b) else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--toolchain", required=True)
    parser.add_argument("--host-tools", required=True)
    parser.add_argument("--define", action="append", default=[])
    parser.add_argument("setup")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="velmo-second-build-")
    try:
        build = os.path.join(work, "another", "build")
        steps = [
            ["cmake", "-S", args.source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
             "-DCMAKE_TOOLCHAIN_FILE=" + args.toolchain, "-DVELMO_HOST_TOOLS=" + args.host_tools,
             "-DVELMO_PAYLOAD_DIR=" + os.path.join(build, "packed")]
            + ["-D" + define for define in args.define],
            ["cmake", "--build", build, "-j", "2", "--target", "Setup"],
        ]
        for step in steps:
            run = subprocess.run(step, capture_output=True, text=True)
            if run.returncode != 0:
                print(run.stdout[-3000:], run.stderr[-3000:])
                print("the second build failed: " + " ".join(step), file=sys.stderr)
                return 1
        with open(args.setup, "rb") as f:
            first = f.read()
        with open(os.path.join(build, "Setup.exe"), "rb") as f:
            second = f.read()
        at = first_difference(first, second)
        if at is None:
            print("the second build gives the same %d bytes" % len(first))
            return 0
        print("the builds differ from byte %d on, in %s (sizes %d and %d)"
              % (at, section_of(first, at), len(first), len(second)), file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
