#!/usr/bin/env bash
# The native program and its parts on the real system.
source "$(dirname "$0")/lib.sh"
for t in "$LINUX_E2E"/test_*.sh; do
  # shellcheck source=/dev/null
  source "$t"
done
rm -rf "$WORK"
echo "linux: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
