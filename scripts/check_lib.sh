# Shared by the scripts/check_*.sh scripts: the counts, and the summary line
# "NAME: N passed, N failed" that scripts/test.sh reads.
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
not_ok() { failed=$((failed + 1)); echo "FAILED: $1"; }
# finish NAME: the summary line; the exit status says whether all passed.
finish() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
