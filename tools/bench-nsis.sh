#!/bin/bash
# Times "Setup.exe /VERYSILENT" against two installers made by makensis over
# the same payload files (zlib), run with "/S": tools/nsis/velmo.nsi, which
# only copies the files, and tools/nsis/velmo-complete.nsi, which also makes
# what Setup.exe makes beyond them (its uninstaller, registry entries and
# links). Each is timed from its start to its exit, in the same Wine session
# of a fresh prefix, the three taking turns which goes first. A trivial
# program's start and exit in the same session is timed too: the part of
# every figure that is Wine starting a process. Build first (tools/build.sh).
#
#   tools/bench-nsis.sh [RUNS [SETUP.EXE]]
#
# RUNS defaults to 6 (each order as often); the last row gives the medians and the ratios of the
# medians (Setup.exe / NSIS and Setup.exe / the complete NSIS installer; below 1 means Setup.exe
# is quicker), and below it the range in which each ratio lies with 95 % confidence (the runs
# drawn again at random, 2000 times): a single pair varies by a third and more. A last table
# splits each installer's time by the change times of what it made: up to its first payload
# file, the payload files, what it makes after them, and its exit.
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
# sources the payload was packed from, as the size comparison stages them.
python3 - "$root/tools" "$build/win32" "$work/files" <<'PY' || exit 1
import sys
tools, build, out = sys.argv[1:]
sys.path.insert(0, tools)
from nsis_compare import stage_payload
print("bench-nsis: %d files staged" % stage_payload(build, out), file=sys.stderr)
PY
nsis=$work/velmo-nsis.exe
complete=$work/velmo-nsis-complete.exe
# The product's web address, which the complete installer links and
# registers as the setup does, as the manifest gives it.
website=$(awk -F '\t' '$1 == "install" && $4 ~ /^[a-z]+:\/\// { print $4; exit }' \
  "$root/product/manifest.tsv")
[ -n "$website" ] || { echo "bench-nsis: the manifest names no web address" >&2; exit 1; }
for script in velmo:"$nsis" velmo-complete:"$complete"; do
  makensis -V1 -DSOURCE="$work/files" -DOUT="${script#*:}" -DWEBSITE="$website" \
    "$root/tools/nsis/${script%%:*}.nsi" >"$work/makensis.log" 2>&1 ||
    { cat "$work/makensis.log" >&2; echo "bench-nsis: makensis failed" >&2; exit 1; }
done

# The programs run one after the other from one batch file, in one Wine
# session, each through "start /wait"; the batch names each one that ended
# on its output, where each line is stamped with the time it came. The time
# of Wine starting the batch's own process, which dwarfs everything when
# the machine is busy, stays out. All three install into a folder of their
# own below "Program Files", as each would by default: the same depth of
# path to resolve for every file, and new folders made under the same
# parent, which the file system places alike.
windows_path() { echo "Z:${1//\//\\}"; }
write_batch() { # the three installers' names in the order they run
  local -A command=(
    [velmo]="start /wait \"\" \"$(windows_path "$setup")\" /VERYSILENT"
    [nsis]="start /wait \"\" \"$(windows_path "$nsis")\" /S /D=C:\\Program Files\\NsisVelmo"
    [complete]="start /wait \"\" \"$(windows_path "$complete")\" /S")
  local name
  {
    echo "@echo off"
    # The installers use COM, whose first use starts Wine's desktop
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
    for name in "$@"; do
      echo "${command[$name]}"; echo "echo $name"
    done
    echo "taskkill /f /im notepad.exe >nul"
  } | sed 's/$/\r/' >"$work/bench.bat"
}

# Each installer goes first, second and third equally often.
orders=("velmo nsis complete" "nsis complete velmo" "complete velmo nsis")
results=$work/results
for run in $(seq "$runs"); do
  bench_fresh_prefix
  # The session's first process starts Wine's services; its output goes to a file.
  timeout 300 "$VELMO_WINE" cmd /c exit >"$work/output" 2>&1
  order=${orders[$(((run - 1) % 3))]}
  write_batch $order
  timeout 600 "$VELMO_WINE" cmd /c "$(windows_path "$work/bench.bat")" 2>/dev/null |
    while IFS= read -r line; do echo "$(date +%s%3N) ${line%$'\r'}"; done >"$work/times"
  # The change time of everything each installer made: its folder and, for
  # the two that make them, its links.
  users=$prefix/drive_c/users
  for made in velmo:Velmo nsis:NsisVelmo complete:VelmoNsis; do
    folder=${made#*:}
    find "$prefix/drive_c/Program Files/$folder" \
      "$users/"*"/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$folder" \
      "$users/"*"/Desktop/$folder.lnk" -exec stat -c "${made%%:*} %.9Z %F|%n" {} + 2>/dev/null
  done >"$work/made"
  python3 - "$work/times" "$run" "$order" "$work/made" >>"$results" <<'PY' || exit 1
import sys
times, run, order, made = sys.argv[1:5]
stamps = {}
for line in open(times, errors="replace"):
    parts = line.split()
    if len(parts) == 2 and parts[1] in ("begin", "trivial", "velmo", "nsis", "complete"):
        stamps[parts[1]] = int(parts[0])
if len(stamps) != 5:
    sys.exit("bench-nsis: the batch printed %r" % open(times, errors="replace").read())
# Each installer's time is from the line before it to its own. It is split
# by the change times of what it made (the file system's clock, which ticks
# in a few milliseconds): up to its first payload file written, the payload
# files, what it made after them (entries, links, record) and its exit.
changes = {"velmo": [], "nsis": [], "complete": []}
# The files each installed are those in its folder but the setup's record.
installed = {"velmo": 0, "nsis": 0, "complete": 0}
for line in open(made, errors="replace"):
    name, changed, rest = line.rstrip("\n").split(" ", 2)
    kind, path = rest.split("|", 1)
    file = path.rsplit("/", 1)[1]
    regular = kind in ("regular file", "regular empty file")
    if regular and "/Program Files/" in path and file != "Uninstall.dat":
        installed[name] += 1
        payload = file not in ("Uninstall.exe", "UninstallNsis.exe")
    else:
        payload = False
    changes[name].append((float(changed) * 1000, payload))
names = order.split()
took, parts = {}, []
for name in ("velmo", "nsis", "complete"):
    at = names.index(name)
    before = names[at - 1] if at else "trivial"
    took[name] = stamps[name] - stamps[before]
    files = [t for t, payload in changes[name] if payload]
    if not files:
        sys.exit("bench-nsis: %s installed no files" % name)
    last = max(t for t, _ in changes[name])
    parts += [min(files) - stamps[before], max(files) - min(files), last - max(files),
              stamps[name] - last]
print(run, took["velmo"], took["nsis"], took["complete"], stamps["trivial"] - stamps["begin"],
      installed["velmo"], installed["nsis"], installed["complete"],
      *("%.1f" % part for part in parts))
PY
  bench_end_session
done

python3 - "$results" <<'PY'
import random, statistics, sys
rows = [[int(field) for field in fields[:8]] + [float(field) for field in fields[8:]]
        for fields in (line.split() for line in open(sys.argv[1]))]
print("%-6s %14s %10s %16s %16s %8s %12s" % ("run", "Setup.exe ms", "NSIS ms", "NSIS complete ms",
                                             "process start ms", "ratio", "to complete"))
def row(label, r):
    print("%-6s %14d %10d %16d %16d %8.2f %12.2f" % (label, r[0], r[1], r[2], r[3],
                                                     r[0] / max(r[1], 1), r[0] / max(r[2], 1)))
for r in rows:
    row(str(r[0]), r[1:5])
row("median", [statistics.median(r[i] for r in rows) for i in (1, 2, 3, 4)])
def ratio_range(other):
    draw = random.Random(1)
    ratios = []
    for _ in range(2000):
        sample = [draw.choice(rows) for _ in rows]
        ratios.append(statistics.median(r[1] for r in sample) /
                      max(statistics.median(r[other] for r in sample), 1))
    ratios.sort()
    return ratios[len(ratios) * 25 // 1000], ratios[len(ratios) * 975 // 1000 - 1]
print("95 %% range of the ratios: to NSIS %.2f to %.2f, to the complete one %.2f to %.2f"
      % (ratio_range(2) + ratio_range(3)))
print("(files installed: Setup.exe %d, NSIS %d, NSIS complete %d)" % tuple(rows[0][5:8]))
print("\nmedians, ms    %14s %8s %16s %10s" % ("to first file", "files", "after the files",
                                             "to exit"))
for at, label in enumerate(("Setup.exe", "NSIS", "NSIS complete")):
    print("%-14s %14.0f %8.0f %16.0f %10.0f" % (
        label, *(statistics.median(r[8 + 4 * at + part] for r in rows) for part in range(4))))
PY
