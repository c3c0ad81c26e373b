#!/usr/bin/env python3
"""Builds a signed Setup.exe the way a publisher would and checks both of
its signatures. A throw-away certificate authority certifies a code-signing
certificate (openssl); a win32 build of the same sources in BUILD, with
the settings of the win32 build beside the tests (toolchain, host tools,
cache of packed streams), signs with it at a fixed time. Then:
  - Setup.exe and the Uninstall.exe in its payload verify against that
    authority (osslsigncode verify), at the fixed signing time, and do not
    against another authority; the unsigned build's Setup.exe has no
    signature;
  - the programs linked and signed once more are the same bytes.
The scenario that installs with the signed Setup.exe runs after this test
(e2e.Signed...).

    signed_build.py --source DIR --win32-build DIR --build DIR
"""
import argparse
import calendar
import os
import shutil
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from payload_resources import PeImage  # noqa: E402

ENTRY_UNINSTALLER = 0x10


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def cache_value(build, name):
    """A variable of a build's CMakeCache.txt."""
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    raise KeyError("%s is not set in %s" % (name, build))


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


def check(command):
    result = run(command)
    if result.returncode != 0:
        raise RuntimeError("%s failed:\n%s%s" % (" ".join(command), result.stdout[-3000:],
                                                 result.stderr[-3000:]))
    return result


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--win32-build", required=True)
    parser.add_argument("--build", required=True)
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    keys = os.path.join(build, "throw-away-keys")
    shutil.rmtree(keys, ignore_errors=True)
    os.makedirs(keys)
    authority = make_authority(keys, "A")
    other = make_authority(keys, "B")
    signer = make_signer(keys, authority)
    signing_time = int(time.time())

    setup = os.path.join(build, "Setup.exe")
    uninstaller = os.path.join(build, "payload", "programs", "Uninstall.exe")
    configure = ["cmake", "-S", args.source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                 "-DVELMO_PAYLOAD_DIR=" + os.path.join(build, "packed"),
                 "-DVELMO_SIGN_CERT=" + signer[0], "-DVELMO_SIGN_KEY=" + signer[1],
                 "-DVELMO_SIGN_TIME=%d" % signing_time]
    for name in ("CMAKE_TOOLCHAIN_FILE", "VELMO_HOST_TOOLS", "VELMO_PACK_CACHE"):
        configure.append("-D%s=%s" % (name, cache_value(args.win32_build, name)))
    compile_setup = ["cmake", "--build", build, "-j", "2", "--target", "Setup"]
    failures = []

    def expect(condition, what):
        if not condition:
            failures.append(what)

    started = time.time()
    check(configure)
    check(compile_setup)
    print("signed build: %.0f s" % (time.time() - started))

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

    for failure in failures:
        print(failure, file=sys.stderr)
    if not failures:
        print("Setup.exe (%d bytes) and its Uninstall.exe verify, signed at %s"
              % (len(first[setup]), time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(signing_time))))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
