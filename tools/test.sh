#!/bin/bash
# Installs what is missing, builds everything and runs every test: native
# unit tests and fuzzing (host), checks of the product executable (win32),
# Windows-side tests and end-to-end scenarios under Wine (win32-tests).
# Ends with one line "N passed, M failed"; exits non-zero on any failure.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}

"$root/tools/deps.sh" || { echo "0 passed, 1 failed"; exit 1; }
"$root/tools/build.sh" || { echo "0 passed, 1 failed"; exit 1; }

passed=0 failed=0
for flavour in host win32 win32-tests; do
  echo "== tests: $flavour"
  log=$build/$flavour.ctest.log
  ctest --test-dir "$build/$flavour" -j "${VELMO_TEST_JOBS:-3}" --output-on-failure \
        --no-tests=ignore 2>&1 | tee "$log" | grep -E -v '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests* failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -1)
  if [ -n "$total" ]; then
    set -- $total
    failed=$((failed + $1)); passed=$((passed + $2 - $1))
  elif ! grep -q "No tests were found" "$log"; then
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
