#!/bin/bash
# Installs what is missing, builds everything and runs every test: native
# unit tests and fuzzing (host), checks of the product executable (win32),
# Windows-side tests and end-to-end scenarios under Wine (win32-tests).
# Ends with one line "N passed, M failed"; exits non-zero on any failure.
#
# The Wine prefix template is made while the builds compile, and the three
# test runs go on at the same time: the host tests' build and fuzzers and
# the second build of the reproducibility check keep the processors busy
# while the scenarios mostly wait for windows. VELMO_TEST_JOBS sets how
# many scenarios run at once: by default 4, and 3 where Wine runs through
# qemu-i386. There every Windows process keeps a processor busy; four
# scenarios at once took 4 to 9 % more processor time than three, and the
# run ended no sooner.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
started=$SECONDS

"$root/tools/deps.sh" || { echo "0 passed, 1 failed"; exit 1; }
# VELMO_EMULATE_I386=1: the run as on a machine without 32-bit support.
. "$root/tools/i386-emulation.sh"
velmo_emulate_i386_begin || { echo "0 passed, 1 failed"; exit 1; }
mkdir -p "$build/wine"
"$root/tests/harness/wine-template.sh" "$build/wine/template" >"$build/wine/template.log" 2>&1 &
template_pid=$!
if ! "$root/tools/build.sh" --host-tests-later; then
  wait $template_pid
  echo "0 passed, 1 failed"
  exit 1
fi
# A template that failed here is made again, and reported, by the test of
# the Windows-side run.
wait $template_pid

scenario_jobs=4
velmo_i386_emulated && scenario_jobs=3
echo "== tests ($((SECONDS - started)) s, ${VELMO_TEST_JOBS:-$scenario_jobs} scenarios at once)"
run_tests() { # flavour, scenarios at once
  ctest --test-dir "$build/$1" -j "$2" --output-on-failure --no-tests=ignore \
        >"$build/$1.ctest.log" 2>&1
}
declare -A pids
run_tests win32-tests "${VELMO_TEST_JOBS:-$scenario_jobs}" & pids[win32-tests]=$!
run_tests win32 2 & pids[win32]=$!
# The host tests compile meanwhile, on what the scenarios leave of the
# processors: they mostly wait for windows, the compiler never does.
{
  rm -f "$build/host.ctest.log"
  if nice -n 10 "$root/tools/build.sh" --host-tests >"$build/host-tests.build.out" 2>&1; then
    run_tests host 2
  else
    cat "$build/host-tests.build.out" >"$build/host.ctest.log"
  fi
} & pids[host]=$!

# How many tests a build must register at least (tests/test-counts): a
# build that registers fewer lost some unseen, to a configuration that
# leaves them out or a list that shrank, and fails.
too_few_tests() { # flavour
  local expected registered
  expected=$(awk -v f="$1" '$1 == f { print $2 }' "$root/tests/test-counts")
  registered=$(ctest --test-dir "$build/$1" -N 2>/dev/null | sed -n 's/^Total Tests: //p')
  if [ -z "$expected" ]; then
    echo "== tests: tests/test-counts names no figure for $1"
    return 0
  fi
  [ "${registered:-0}" -ge "$expected" ] && return 1
  echo "== tests: $1 registers ${registered:-0} tests, tests/test-counts expects $expected"
}

passed=0 failed=0
for flavour in host win32 win32-tests; do
  wait "${pids[$flavour]}"
  too_few_tests "$flavour" && failed=$((failed + 1))
  log=$build/$flavour.ctest.log
  echo "== tests: $flavour"
  grep -a -E -v '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: ' "$log"
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests* failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -1)
  if [ -n "$total" ]; then
    set -- $total
    failed=$((failed + $1)); passed=$((passed + $2 - $1))
  elif ! grep -q "No tests were found" "$log"; then
    failed=$((failed + 1))
  fi
done
echo "== done ($((SECONDS - started)) s)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
