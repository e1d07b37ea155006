# Counting helpers of the scripts/check_*.sh checks, sourced from the
# repository's root: ok, not_ok, and finish NAME, which prints
# "NAME: N passed, N failed" and gives the status.
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
not_ok() { failed=$((failed + 1)); echo "FAILED: $1"; }
finish() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
