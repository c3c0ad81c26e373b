#!/usr/bin/env python3
"""Builds the sources a second time, in a fresh build folder of another name
with the settings of the win32 build (toolchain, host tools, cache of
packed streams, signing), and checks two things with that one build:

  - reproducibility: its Setup.exe is the win32 build's byte for byte, so
    that anyone can check a download against the sources; on a difference
    the first differing byte is named, with the section it lies in;
  - signing: the same folder, configured with a code-signing certificate
    that a throw-away certificate authority certifies (openssl), signs at
    a fixed time. Only the programs are linked and signed again and the
    signed Uninstall.exe packed again: no object file is compiled again
    but those made from the packed payload (its resource script and the
    tables of the packed sizes).
    Setup.exe and the Uninstall.exe in its payload verify against that
    authority (osslsigncode verify), at the fixed signing time, and do not
    against another authority; the unsigned build's Setup.exe has no
    signature; the programs linked and signed once more are the same bytes.

The signed Setup.exe stays in BUILD for the scenario that installs with it
(e2e.Signed...).

    second_build.py --source DIR --win32-build DIR --build DIR
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from payload_resources import PeImage  # noqa: E402

ENTRY_UNINSTALLER = 0x10


class Failed(Exception):
    pass


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def check(command):
    result = run(command)
    if result.returncode != 0:
        raise Failed("%s failed:\n%s%s" % (" ".join(command), result.stdout[-3000:],
                                           result.stderr[-3000:]))
    return result


def cache_value(build, name):
    """A variable of a build's CMakeCache.txt ("" when it is empty)."""
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    raise KeyError("%s is not set in %s" % (name, build))


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


def make_authority(folder, name):
    """A self-signed certificate authority: (certificate, key)."""
    cert, key = os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key")
    check(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
           "-out", cert, "-days", "2", "-subj", "/CN=Velmo Test Authority " + name,
           "-addext", "basicConstraints=critical,CA:TRUE",
           "-addext", "keyUsage=critical,keyCertSign"])
    return cert, key


def make_signer(folder, authority):
    """A code-signing certificate that the authority certifies: (certificate, key)."""
    cert, key = os.path.join(folder, "signer.pem"), os.path.join(folder, "signer.key")
    request, extensions = os.path.join(folder, "signer.csr"), os.path.join(folder, "signer.ext")
    with open(extensions, "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=codeSigning\n")
    check(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request,
           "-subj", "/CN=Velmo Test Publisher"])
    check(["openssl", "x509", "-req", "-in", request, "-CA", authority[0], "-CAkey", authority[1],
           "-set_serial", "1", "-days", "2", "-extfile", extensions, "-out", cert])
    return cert, key


def verify(program, authority):
    """osslsigncode's verdict on the program against the authority: (ok, output)."""
    result = run(["osslsigncode", "verify", "-CAfile", authority, "-in", program])
    output = result.stdout + result.stderr
    return result.returncode == 0 and "Signature verification: ok" in output, output


def uninstaller_id(source):
    with open(os.path.join(source, "product", "manifest.tsv"), encoding="utf-8") as f:
        for line in f:
            fields = [field for field in line.rstrip("\n").split("\t") if field]
            if len(fields) == 6 and fields[0] == "install" and int(fields[2], 16) & ENTRY_UNINSTALLER:
                return int(fields[1])
    raise KeyError("no uninstaller in the payload description")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def object_times(build):
    """Every object file of the build with its modification time."""
    times = {}
    for folder, _, files in os.walk(build):
        for name in files:
            if name.endswith((".obj", ".o", ".res")):
                path = os.path.join(folder, name)
                times[path] = os.stat(path).st_mtime_ns
    return times


def dependencies(build, path):
    """The files an object file was compiled from, as its compiler named
    them: Ninja keeps them in its own log (and deletes the compiler's
    dependency file), make beside the object (path.d)."""
    if os.path.exists(os.path.join(build, "build.ninja")):
        listed = subprocess.run(["ninja", "-C", build, "-t", "deps", os.path.relpath(path, build)],
                                capture_output=True, text=True, errors="replace")
        if listed.returncode != 0:
            raise Failed("ninja cannot list what %s was compiled from:\n%s"
                         % (path, listed.stderr))
        # The object's own line, then one indented line per file.
        return [line.strip() for line in listed.stdout.splitlines()[1:] if line.strip()]
    try:
        with open(path + ".d", errors="replace") as f:
            return f.read().replace("\\\n", " ").split()[1:]
    except OSError:
        return []


def built_from_payload(build, path):
    """Whether an object file is made from the packed payload: the resource
    script of the streams, or a source that includes a generated table (the
    packed sizes)."""
    packed = os.path.join(build, "packed") + os.sep
    if os.path.relpath(path, build).startswith(os.path.join("CMakeFiles", "Setup.dir", "packed") + os.sep):
        return True
    return any(os.path.abspath(os.path.join(build, named)).startswith(packed)
               for named in dependencies(build, path))


def reproducible(build, win32_setup):
    """Failures of the comparison of the second build's Setup.exe with the first's."""
    first, second = read(win32_setup), read(os.path.join(build, "Setup.exe"))
    at = first_difference(first, second)
    if at is None:
        print("the second build gives the same %d bytes" % len(first))
        return []
    return ["the builds differ from byte %d on, in %s (sizes %d and %d)"
            % (at, section_of(first, at), len(first), len(second))]


def signed(args, build, configure, compile_setup):
    """Failures of the signed build made in the same folder."""
    keys = os.path.join(build, "throw-away-keys")
    os.makedirs(keys)
    authority = make_authority(keys, "A")
    other = make_authority(keys, "B")
    signer = make_signer(keys, authority)
    signing_time = int(time.time())
    failures = []

    def expect(condition, what):
        if not condition:
            failures.append(what)

    setup = os.path.join(build, "Setup.exe")
    uninstaller = os.path.join(build, "payload", "programs", "Uninstall.exe")
    objects = object_times(build)
    expect(objects, "the second build has no object files")
    started = time.time()
    check(configure + ["-DVELMO_SIGN_CERT=" + signer[0], "-DVELMO_SIGN_KEY=" + signer[1],
                       "-DVELMO_SIGN_TIME=%d" % signing_time])
    check(compile_setup)
    print("signed in the same folder: %.0f s" % (time.time() - started))
    # The signed Uninstall.exe is packed again, and what is made from the
    # packed payload with it; nothing else is compiled.
    compiled = sorted(path for path, stamp in object_times(build).items()
                      if objects.get(path) != stamp)
    repacked = [path for path in compiled if built_from_payload(build, path)]
    print("compiled again with the packed payload: "
          + (", ".join(os.path.relpath(path, build) for path in repacked) or "nothing"))
    expect(repacked, "signing packed no new Uninstall.exe into the payload")
    expect(len(repacked) == len(compiled), "signing compiled again what it needs only to link:\n  "
           + "\n  ".join(os.path.relpath(path, build) for path in compiled if path not in repacked))

    # Both programs verify against the authority, signed at the fixed time.
    expected_time = time.strftime("Signing time: %b %e %H:%M:%S %Y GMT", time.gmtime(signing_time))
    rid = uninstaller_id(args.source)
    packed = next((r for r in PeImage(read(setup)).resources() if r.type == "QFILE" and r.name == rid),
                  None)
    expect(packed is not None, "Setup.exe carries no uninstaller")
    shipped = os.path.join(keys, "Uninstall-from-Setup.exe")
    with open(shipped, "wb") as f:
        f.write(zlib.decompress(packed.data) if packed else b"")
    expect(read(shipped) == read(uninstaller), "Setup.exe carries another Uninstall.exe than it built")
    for program in (setup, shipped):
        ok, output = verify(program, authority[0])
        expect(ok, "%s does not verify against the authority:\n%s" % (program, output[-2000:]))
        expect(expected_time in output, "%s is not signed at %s:\n%s" % (program, expected_time, output[-2000:]))
        ok, output = verify(program, other[0])
        expect(not ok, "%s verifies against an authority that did not certify its signer" % program)
    unsigned = os.path.join(args.win32_build, "Setup.exe")
    ok, output = verify(unsigned, authority[0])
    expect(not ok and "signature" in output.lower(), "the unsigned build's Setup.exe:\n" + output[-1000:])

    # Linked and signed again at the same time: the same bytes.
    first = {path: read(path) for path in (setup, uninstaller)}
    for path in first:
        os.remove(path)
    check(compile_setup)
    for path, data in first.items():
        expect(read(path) == data, "%s is not the same when it is signed again" % path)
    if not failures:
        print("Setup.exe (%d bytes) and its Uninstall.exe verify, signed at %s"
              % (len(first[setup]), time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(signing_time))))
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--win32-build", required=True)
    parser.add_argument("--build", required=True)
    args = parser.parse_args()

    # A fresh folder every time: what an earlier run left must not make the
    # builds agree.
    build = os.path.abspath(args.build)
    shutil.rmtree(build, ignore_errors=True)
    if os.path.exists(build):
        print("cannot remove the earlier second build in " + build, file=sys.stderr)
        return 1
    configure = ["cmake", "-G", cache_value(args.win32_build, "CMAKE_GENERATOR"),
                 "-S", args.source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                 "-DVELMO_PAYLOAD_DIR=" + os.path.join(build, "packed"),
                 "-DPython3_EXECUTABLE=" + sys.executable]
    for name in ("CMAKE_TOOLCHAIN_FILE", "VELMO_HOST_TOOLS", "VELMO_PACK_CACHE"):
        configure.append("-D%s=%s" % (name, cache_value(args.win32_build, name)))
    win32_signing = ["-D%s=%s" % (name, cache_value(args.win32_build, name))
                     for name in ("VELMO_SIGN_CERT", "VELMO_SIGN_KEY", "VELMO_SIGN_TIME")]
    compile_setup = ["cmake", "--build", build, "-j", "2", "--target", "Setup"]

    try:
        started = time.time()
        check(configure + win32_signing)
        check(compile_setup)
        print("second build: %.0f s" % (time.time() - started))
        failures = reproducible(build, os.path.join(args.win32_build, "Setup.exe"))
        failures += signed(args, build, configure, compile_setup)
    except Failed as failure:
        failures = [str(failure)]
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
