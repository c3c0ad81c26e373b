#!/usr/bin/env python3
"""Compares the size of Setup.exe with NSIS installers (makensis, Debian's
nsis) of the same payload files and the minimal script
tools/nsis_compare.nsi, one with zlib and one with solid zlib, and prints
the three sizes. With --check it fails unless Setup.exe is the smallest.

    nsis_compare.py --build DIR [--setup FILE] [--check]

DIR is the win32 build (its payload/programs and payload/data); the
payload description and the committed texts come from the source tree.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def payload_files(build):
    """(source path, name below the destination) of every described payload file."""
    folders = {"program": os.path.join(build, "payload", "programs"),
               "text": os.path.join(ROOT, "payload"),
               "gen": os.path.join(build, "payload", "data")}
    files = []
    with open(os.path.join(ROOT, "product", "manifest.tsv"), encoding="utf-8") as f:
        for line in f:
            fields = [field for field in line.rstrip("\n").split("\t") if field]
            if len(fields) != 6 or fields[0] != "install" or fields[1] == "0":
                continue
            name = fields[3].replace("\\", "/")
            files.append((os.path.join(folders[fields[5].split(":")[0]], name), name))
    return files


def stage_payload(build, folder):
    """Copies every described payload file below `folder` under its installed
    name; returns how many."""
    files = payload_files(build)
    for source, name in files:
        target = os.path.join(folder, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)
    return len(files)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--setup")
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    setup = args.setup or os.path.join(args.build, "Setup.exe")
    makensis = shutil.which("makensis")
    if makensis is None:
        print("makensis not found: run tools/deps.sh (as root) first", file=sys.stderr)
        return 1

    sizes = [("Setup.exe", os.path.getsize(setup))]
    work = tempfile.mkdtemp(prefix="velmo-nsis-")
    try:
        staged = os.path.join(work, "payload")
        count = stage_payload(args.build, staged)
        for label, solid in (("NSIS, zlib", []), ("NSIS, solid zlib", ["-DSOLID"])):
            out = os.path.join(work, "nsis.exe")
            run = subprocess.run([makensis, "-V2", "-DPAYLOAD=" + staged, "-DOUTFILE=" + out]
                                 + solid + [os.path.join(ROOT, "tools", "nsis_compare.nsi")],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                print(run.stdout[-3000:], run.stderr[-3000:])
                print("makensis failed", file=sys.stderr)
                return 1
            sizes.append((label, os.path.getsize(out)))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("download size of the %d payload files:" % count)
    for label, size in sizes:
        print("  %-18s %10s bytes  %+8s" % (label, format(size, ","),
                                          format(size - sizes[0][1], "+,")))
    smallest_nsis = min(size for _, size in sizes[1:])
    if args.check and sizes[0][1] >= smallest_nsis:
        print("Setup.exe is not smaller than the smallest NSIS installer", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
