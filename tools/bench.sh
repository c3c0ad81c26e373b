#!/bin/bash
# Times full installations by the built PE32 Setup.exe under Wine, each in
# a fresh prefix on a virtual display, against the floor of the same work
# (inflating every payload stream and writing the files) measured by
# bench.exe in the same Wine session, which this script builds. Build
# first (tools/build.sh).
#
#   tools/bench.sh [RUNS [SETUP.EXE]]
#
# RUNS defaults to 3; the last row gives the median of each figure. SETUP.EXE
# defaults to the build's own; another one (an older build, say) must carry
# the same payload manifest. At the end, the size of SETUP.EXE against NSIS
# installers of the build's payload files (tools/nsis_compare.py).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
runs=${1:-3}
. "$root/tools/bench-session.sh"

setup=$(realpath "${2:-$build/win32/Setup.exe}")
bench=$build/win32-tests/tools/bench.exe
[ -f "$setup" ] || { echo "bench: $setup is missing; run tools/build.sh" >&2; exit 1; }
# bench.exe is built on demand, not by tools/build.sh.
cmake --build "$build/win32-tests" --target velmo_bench >"$build/bench.build.log" 2>&1 ||
  { cat "$build/bench.build.log" >&2; echo "bench: building bench.exe failed; run tools/build.sh" >&2; exit 1; }
bench_begin bench

results=$work/results
for run in $(seq "$runs"); do
  bench_fresh_prefix
  rm -rf "$work/floor" && mkdir -p "$work/floor" || exit 1
  # The session's first process starts Wine's services; its output goes to a file.
  if ! timeout 300 "$VELMO_WINE" "$bench" "$setup" "$work/floor" >"$work/run" 2>&1; then
    cat "$work/run" >&2
    echo "bench: run $run failed" >&2
    exit 1
  fi
  grep -a '^bench:' "$work/run" >&2
  tr -d '\r' <"$work/run" | grep -E '^[a-z_]+ [0-9]+$' | sed "s/^/$run /" >>"$results"
  # End the session (the setup has ended; Wine's services have not).
  bench_end_session
done

# One row per run, then the medians.
python3 - "$results" <<'PY'
import collections, statistics, sys
runs = collections.defaultdict(dict)
for line in open(sys.argv[1]):
    run, name, value = line.split()
    runs[run][name] = int(value)
names = ["engine_ms", "pauses_ms", "rest_ms", "floor_ms", "floor_paced_ms", "after_last_change_ms"]
print("%-6s %s %10s %10s" % ("run", " ".join("%20s" % n for n in names), "rest/floor",
                             "rest/paced"))
def row(label, figures):
    print("%-6s %s %10.2f %10.2f" % (label, " ".join("%20d" % figures[n] for n in names),
                                     figures["rest_ms"] / max(figures["floor_ms"], 1),
                                     figures["rest_ms"] / max(figures["floor_paced_ms"], 1)))
for run in sorted(runs, key=int):
    row(run, runs[run])
first = next(iter(runs.values()))
median = {n: int(statistics.median(r[n] for r in runs.values())) for n in names}
row("median", median)
print("(%d status lines, %d files, %d bytes)" % (first["status_lines"], first["files"], first["bytes"]))
for run, figures in runs.items():
    if figures["files_seen"] != figures["files"]:
        print("run %s: %d different file lines seen" % (run, figures["files_seen"]))
PY

# The download: the setup against NSIS installers of the same files.
python3 "$root/tools/nsis_compare.py" --build "$build/win32" --setup "$setup"
