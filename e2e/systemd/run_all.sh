#!/usr/bin/env bash
# The native program as a systemd service: installation, a pass run by
# systemd, the status line, the stop and the removal, against a real systemd
# booted in a throw-away box. Where the box cannot boot, every case is
# counted as skipped, with the reason.
source "$(dirname "$0")/lib.sh"
trap box_down EXIT
TESTS=("$SYSTEMD_E2E"/test_install.sh "$SYSTEMD_E2E"/test_service.sh "$SYSTEMD_E2E"/test_confined.sh
       "$SYSTEMD_E2E"/test_remove.sh "$SYSTEMD_E2E"/test_jobs.sh)
if box_up; then
  for t in "${TESTS[@]}"; do
    # shellcheck source=/dev/null
    source "$t"
  done
else
  SKIPPED=$(cat "${TESTS[@]}" | grep -cE '^\s*check(_match)? ')
  echo "systemd: cannot boot a box here: $BOX_REASON"
fi
box_down
if [ "${SKIPPED:-0}" -gt 0 ]; then
  echo "systemd: $PASSED passed, $FAILED failed, $SKIPPED skipped"
else
  echo "systemd: $PASSED passed, $FAILED failed"
fi
[ "$FAILED" -eq 0 ]
