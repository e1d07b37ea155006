#!/usr/bin/env bash
# Runs every end-to-end test of the real Kestro.exe under Wine.
#   run_all.sh [win32|win64]   (default: KESTRO_WINE_ARCH, else win32 where
#                               this machine runs 32-bit code, else win64)
[ $# -gt 0 ] && export KESTRO_WINE_ARCH=$1
source "$(dirname "$0")/lib.sh"
make_template
for t in "$E2E_ROOT"/test_*.sh; do
  # shellcheck source=/dev/null
  source "$t"
done
finish
