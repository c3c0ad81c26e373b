#!/bin/bash
# Times "Setup.exe /VERYSILENT" against an installer made by makensis from
# tools/nsis/velmo.nsi over the same payload files (zlib), run with "/S":
# each from its start to its exit, in the same Wine session of a fresh
# prefix, the two taking turns which goes first. A trivial program's start
# and exit in the same session is timed too: the part of every figure that
# is Wine starting a process. Build first (tools/build.sh).
#
#   tools/bench-nsis.sh [RUNS [SETUP.EXE]]
#
# RUNS defaults to 6 (each order as often); the last row gives the medians and the ratio of the
# medians (Setup.exe / NSIS; below 1 means Setup.exe is quicker).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
runs=${1:-6}
. "$root/tools/bench-session.sh"

setup=$(realpath "${2:-$build/win32/Setup.exe}")
[ -f "$setup" ] || { echo "bench-nsis: $setup is missing; run tools/build.sh" >&2; exit 1; }
command -v makensis >/dev/null || { echo "bench-nsis: makensis is missing (Debian's nsis)" >&2; exit 1; }
bench_begin bench-nsis

# The files Setup.exe installs, under their installed names, from the same
# sources the payload was packed from.
python3 - "$root/product/manifest.tsv" "$work/files" \
  "$build/win32/payload/programs" "$root/payload" "$build/win32/payload/data" <<'PY' || exit 1
import os, shutil, sys
manifest, out, programs, texts, data = sys.argv[1:]
count = 0
for line in open(manifest, encoding="utf-8"):
    if line.startswith("#") or not line.strip():
        continue
    cols = [c for c in line.rstrip("\n").split("\t") if c != ""]
    table, rid, flags, name, source = cols[0], cols[1], int(cols[2], 16), cols[3], cols[-1]
    if table != "install" or not flags & 0x11:
        continue
    rel = name.replace("\\", "/")
    if source == "program":
        src = os.path.join(programs, os.path.basename(rel))
    elif source == "text":
        src = os.path.join(texts, rel)
    else:
        src = os.path.join(data, rel)
    dst = os.path.join(out, rel)
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    shutil.copyfile(src, dst)
    count += 1
print("bench-nsis: %d files staged" % count, file=sys.stderr)
PY
nsis=$work/velmo-nsis.exe
makensis -V1 -DSOURCE="$work/files" -DOUT="$nsis" "$root/tools/nsis/velmo.nsi" >"$work/makensis.log" 2>&1 ||
  { cat "$work/makensis.log" >&2; echo "bench-nsis: makensis failed" >&2; exit 1; }

# The three programs run one after the other from one batch file, in one
# Wine session, each through "start /wait"; the batch names each one that
# ended on its output, where each line is stamped with the time it came.
# The time of Wine starting the batch's own process, which dwarfs
# everything when the machine is busy, stays out.
windows_path() { echo "Z:${1//\//\\}"; }
write_batch() { # order: velmo-first or nsis-first
  local velmo="start /wait \"\" \"$(windows_path "$setup")\" /VERYSILENT"
  local nsis="start /wait \"\" \"$(windows_path "$nsis")\" /S /D=C:\\NsisVelmo"
  {
    echo "@echo off"
    # Both installers use COM, whose first use starts Wine's desktop
    # process, which ends again a second after the last program that used
    # it: it would weigh on whichever installer came first. A program that
    # stays for the whole batch holds it; an untimed NSIS run into another
    # folder reads NSIS's own files once.
    echo "start \"\" notepad.exe"
    echo "start /wait \"\" \"$(windows_path "$nsis")\" /S /D=C:\\NsisWarmUp"
    echo "start /wait \"\" cmd /c exit"
    echo "echo begin"
    echo "start /wait \"\" cmd /c exit"
    echo "echo trivial"
    if [ "$1" = velmo-first ]; then
      echo "$velmo"; echo "echo velmo"; echo "$nsis"; echo "echo nsis"
    else
      echo "$nsis"; echo "echo nsis"; echo "$velmo"; echo "echo velmo"
    fi
    echo "taskkill /f /im notepad.exe >nul"
  } | sed 's/$/\r/' >"$work/bench.bat"
}

results=$work/results
for run in $(seq "$runs"); do
  bench_fresh_prefix
  # The session's first process starts Wine's services; its output goes to a file.
  timeout 300 "$VELMO_WINE" cmd /c exit >"$work/output" 2>&1
  order=velmo-first
  [ $((run % 2)) -eq 0 ] && order=nsis-first
  write_batch $order
  timeout 600 "$VELMO_WINE" cmd /c "$(windows_path "$work/bench.bat")" 2>/dev/null |
    while IFS= read -r line; do echo "$(date +%s%3N) ${line%$'\r'}"; done >"$work/times"
  files_velmo=$(find "$prefix/drive_c/Program Files/Velmo" -type f ! -name Uninstall.dat | wc -l)
  files_nsis=$(find "$prefix/drive_c/NsisVelmo" -type f | wc -l)
  python3 - "$work/times" "$run" "$order" "$files_velmo" "$files_nsis" >>"$results" <<'PY' || exit 1
import sys
times, run, order, files_velmo, files_nsis = sys.argv[1:]
stamps = {}
for line in open(times, errors="replace"):
    parts = line.split()
    if len(parts) == 2 and parts[1] in ("begin", "trivial", "velmo", "nsis"):
        stamps[parts[1]] = int(parts[0])
if len(stamps) != 4:
    sys.exit("bench-nsis: the batch printed %r" % open(times, errors="replace").read())
ms = lambda a, b: stamps[b] - stamps[a]
trivial = ms("begin", "trivial")
if order == "velmo-first":
    velmo, nsis = ms("trivial", "velmo"), ms("velmo", "nsis")
else:
    nsis, velmo = ms("trivial", "nsis"), ms("nsis", "velmo")
print(run, velmo, nsis, trivial, files_velmo, files_nsis)
PY
  bench_end_session
done

python3 - "$results" <<'PY'
import statistics, sys
rows = [list(map(int, line.split())) for line in open(sys.argv[1])]
print("%-6s %14s %10s %16s %8s" % ("run", "Setup.exe ms", "NSIS ms", "process start ms", "ratio"))
for r in rows:
    print("%-6d %14d %10d %16d %8.2f" % (r[0], r[1], r[2], r[3], r[1] / max(r[2], 1)))
med = [statistics.median(r[i] for r in rows) for i in (1, 2, 3)]
print("%-6s %14d %10d %16d %8.2f" % ("median", med[0], med[1], med[2], med[0] / max(med[1], 1)))
print("(files installed: Setup.exe %d, NSIS %d)" % (rows[0][4], rows[0][5]))
PY
