#!/usr/bin/env python3
"""Checks that Windows programs are what the product must ship: PE32 for
i386, Windows GUI subsystem, and imports from no DLL outside the set that
every Windows has and always loads from its own folder (a statically linked
C++ runtime and zlib; no version.dll or comctl32.dll, which Windows would
look for in the program's folder first: the programs load those by their
full path).

    pe_imports.py --objdump OBJDUMP [--machine i386|x86-64] PROGRAM...

Prints every problem and exits 1 when there is one.
"""
import argparse
import re
import struct
import subprocess
import sys

ALLOWED_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "advapi32.dll", "msvcrt.dll",
}

# objdump's name of the format, the optional header's magic and the COFF
# machine number of each target.
MACHINES = {
    "i386": ("pei-i386", "010b", 0x14C),
    "x86-64": ("pei-x86-64", "020b", 0x8664),
}


def coff_machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", head, 0x3C)[0]
    if head[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", head, offset + 4)[0]


def check_objdump_text(text, machine="i386"):
    """The problems that `objdump -p` output shows; [] when there are none."""
    file_format, magic, _ = MACHINES[machine]
    problems = []
    found = re.search(r"file format (\S+)", text)
    if not found or found.group(1) != file_format:
        problems.append("file format is %s, not %s" % (found.group(1) if found else "unknown", file_format))
    found = re.search(r"^Magic\s+([0-9a-fA-F]+)", text, re.M)
    if not found or found.group(1).lower() != magic:
        problems.append("optional header magic is %s, not %s" % (found.group(1) if found else "missing", magic))
    found = re.search(r"^Subsystem\s+[0-9a-fA-F]+\s+\(([^)]*)\)", text, re.M)
    if not found or found.group(1) != "Windows GUI":
        problems.append("subsystem is %s, not Windows GUI" % (found.group(1) if found else "missing"))
    dlls = [name.strip() for name in re.findall(r"DLL Name:\s*(\S+)", text)]
    if not any(dll.lower() == "kernel32.dll" for dll in dlls):
        problems.append("no import from KERNEL32.dll found; the import table was not read")
    for dll in dlls:
        if dll.lower() not in ALLOWED_DLLS:
            problems.append("imports %s, which is not part of every Windows" % dll)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--machine", default="i386", choices=sorted(MACHINES))
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    failed = False
    for program in args.programs:
        result = subprocess.run([args.objdump, "-p", program], capture_output=True, text=True)
        problems = check_objdump_text(result.stdout, args.machine) if result.returncode == 0 else \
            ["objdump failed: " + result.stderr.strip()]
        machine = coff_machine(program)
        if machine != MACHINES[args.machine][2]:
            problems.append("COFF machine is %s, not 0x%X" % (hex(machine) if machine is not None else "unreadable",
                                                          MACHINES[args.machine][2]))
        for problem in problems:
            print("%s: %s" % (program, problem))
        failed = failed or bool(problems)
        if not problems:
            print("%s: PE32 %s, Windows GUI, imports only system DLLs" % (program, args.machine))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
