#!/usr/bin/env bash
# Runs every end-to-end test of the real Kestro.exe under Wine.
source "$(dirname "$0")/lib.sh"
make_template
for t in "$E2E_ROOT"/test_*.sh; do
  # shellcheck source=/dev/null
  source "$t"
done
finish
