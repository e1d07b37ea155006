#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit
# tests (plain and with sanitizers), the real Linux tests and the end-to-end
# tests of Kestro.exe under Wine, against the 64-bit build always and the
# 32-bit build where this machine runs 32-bit code (KESTRO_NO_WIN32=1
# pretends it does not). Ends with one line "N passed, N failed", with
# ", N skipped" when the 32-bit build could not be exercised.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || { echo "setup failed"; exit 1; }
bash scripts/build.sh || { echo "build failed"; exit 1; }
source scripts/wine-arch.sh
kestro_probe_win32

passed=0
failed=0
skipped=0
log=$(mktemp)
trap 'rm -f "$log"; kestro_unhide_win32' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

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

# A script that ends with "NAME: N passed, N failed" (", N skipped" may
# follow); sets RAN to the number of its checks that ran.
script() {
  echo "== $*"
  bash "$@" 2>&1 | tee "$log"
  local line p f s
  RAN=0
  line=$(grep -E '^[a-z0-9]+: [0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?$' "$log" | tail -1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  p=$(sed 's/.*: \([0-9]*\) passed.*/\1/' <<<"$line")
  f=$(sed 's/.* \([0-9]*\) failed.*/\1/' <<<"$line")
  s=$(sed -n 's/.* \([0-9]*\) skipped$/\1/p' <<<"$line")
  passed=$((passed + p))
  failed=$((failed + f))
  skipped=$((skipped + ${s:-0}))
  RAN=$((p + f))
}

gtest build/linux/tests/kestro_tests
gtest build/linux/tests/kestro_posix_tests
gtest build/asan/tests/kestro_tests
gtest build/asan/tests/kestro_posix_tests
TSAN_OPTIONS=halt_on_error=1 gtest build/tsan/tests/kestro_posix_tests --gtest_filter='WatcherAndSupervisor*:WriteLogConcurrency*'
FUZZ_SECONDS=${FUZZ_SECONDS:-30} script scripts/fuzz.sh
script e2e/linux/run_all.sh
script e2e/systemd/run_all.sh
script e2e/package/run_all.sh
script scripts/check_imports.sh
script scripts/check_build_paths.sh
script scripts/check_docs.sh
script scripts/check_policy.sh
script scripts/check_version.sh
script e2e/signing.sh
# Two clean clones of the commit build the 32-bit program and its package
# byte for byte alike (a few minutes; --all compares a whole release).
script scripts/check_reproducible.sh
# The Wine suite against each Windows build. The 32-bit one needs a machine
# that runs 32-bit code; elsewhere its checks (the same as the 64-bit run's)
# count as skipped.
# In the pretend mode nothing of the 32-bit build is in reach meanwhile.
kestro_hide_win32
KESTRO_WINE_ARCH=win64 script e2e/wine/run_all.sh
ran64=$RAN
kestro_unhide_win32
# Should the 64-bit run not have counted its checks, count the test files.
[ "$ran64" -gt 0 ] || ran64=$(ls e2e/wine/test_*.sh | wc -l)
if [ "$KESTRO_WIN32" = yes ]; then
  KESTRO_WINE_ARCH=win32 script e2e/wine/run_all.sh
  builds="32-bit build/win/Kestro.exe and 64-bit build/win64/Kestro.exe"
else
  # Here the 32-bit build runs in a software-emulated box; its checks count
  # as skipped only when the box cannot start.
  script e2e/box32/run_all.sh "$ran64"
  builds="64-bit build/win64/Kestro.exe and, in the emulated box, 32-bit build/win/Kestro.exe ($KESTRO_WIN32_REASON)"
  [ "$RAN" -gt 0 ] || builds="64-bit build/win64/Kestro.exe only (32-bit skipped: $KESTRO_WIN32_REASON; the box could not start)"
fi

# The main command as a newcomer runs it on a machine without 32-bit
# support (pretended here): one whole pass under Wine in its log.
echo "== KESTRO_NO_WIN32=1 bash scripts/run.sh"
main_ok=0
if KESTRO_NO_WIN32=1 bash scripts/run.sh </dev/null >"$log" 2>&1; then
  grep -q '^Running the 64-bit .*KESTRO_NO_WIN32=1 pretends so' "$log" &&
    grep -q 'Interaktiver aufruf' demo/logs/Kestro-2.txt &&
    grep -q ': BytesPerSecond ' demo/logs/Kestro-2.txt &&
    grep -qE ': Executing command .*slot 1: (start|stop)' demo/logs/Kestro-2.txt && main_ok=1
fi
if [ "$main_ok" = 1 ]; then
  passed=$((passed + 1))
  echo "ok: the main command shows a whole pass with the 64-bit build"
else
  failed=$((failed + 1))
  echo "FAILED: the main command in the pretend mode; its output:"
  cat "$log"
fi

echo "Wine tests exercised the $builds."
if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ]
