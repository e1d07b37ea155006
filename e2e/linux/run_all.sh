#!/usr/bin/env bash
# The native program and its parts on the real system.
source "$(dirname "$0")/lib.sh"
SKIPPED=0
for t in "$LINUX_E2E"/test_*.sh; do
  # shellcheck source=/dev/null
  source "$t"
done
rm -rf "$WORK"
if [ "$SKIPPED" -gt 0 ]; then
  echo "linux: $PASSED passed, $FAILED failed, $SKIPPED skipped"
else
  echo "linux: $PASSED passed, $FAILED failed"
fi
[ "$FAILED" -eq 0 ]
