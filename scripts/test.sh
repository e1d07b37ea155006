#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit
# tests (plain and with sanitizers), the real Linux tests and the end-to-end
# tests of Kestro.exe under Wine. Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || { echo "setup failed"; exit 1; }
bash scripts/build.sh || { echo "build failed"; exit 1; }

passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A gtest binary: its own counts, or one failure when it did not finish.
gtest() {
  echo "== $*"
  "$@" 2>&1 | tee "$log" | grep -E '^\[  (FAILED|PASSED) |^\[==========\]|Failure|FAILED' || true
  local p f
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  passed=$((passed + ${p:-0}))
  if [ -z "$p" ] && [ -z "$f" ]; then f=1; fi
  failed=$((failed + ${f:-0}))
}

# A script that ends with "NAME: N passed, N failed".
script() {
  echo "== $*"
  bash "$@" 2>&1 | tee "$log"
  local line
  line=$(grep -E '^[a-z]+: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  passed=$((passed + $(sed 's/.*: \([0-9]*\) passed.*/\1/' <<<"$line")))
  failed=$((failed + $(sed 's/.* \([0-9]*\) failed/\1/' <<<"$line")))
}

gtest build/linux/tests/kestro_tests
gtest build/linux/tests/kestro_posix_tests
gtest build/asan/tests/kestro_tests
gtest build/asan/tests/kestro_posix_tests
FUZZ_SECONDS=${FUZZ_SECONDS:-60} script scripts/fuzz.sh
script e2e/linux/run_all.sh
script e2e/package/run_all.sh
script e2e/wine/run_all.sh

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
