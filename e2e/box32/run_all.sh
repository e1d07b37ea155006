#!/usr/bin/env bash
# The Wine suite against the 32-bit build, run inside the
# software-emulated box (box.sh) for machines whose kernel refuses 32-bit
# code. Ends with "wine32: N passed, N failed" (", N skipped" may follow).
#   run_all.sh [CHECKS]   CHECKS: how many checks to count as skipped when
#                         the box cannot start here (default 1).
# The box's inside is a machine of its own: it inherits nothing of this
# environment (KESTRO_NO_WIN32 included), and its 32-bit loader is real.
#
# Every e2e/wine/test_*.sh runs: about 8 minutes on an idle 2-core machine
# (Wine runs about ten times slower under emulation, and far more on a
# machine loaded by other work). KESTRO_BOX32_TESTS="test_x.sh ..." runs
# those files of e2e/wine only; "differing" the files where the two builds
# can differ (structure layout, the command line and its resources, the
# Windows rules, a direct pass with a command and a service, the service
# under the service manager), about a third of the time on a loaded machine.
DIFFERING="test_layout.sh test_command_line.sh test_windows_rules.sh test_direct_pass.sh test_service.sh"
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

if [ "${1:-}" = --inside ]; then
  # Inside the box: the suite as run_all.sh runs it, against the 32-bit build, after
  # one check of our own that 32-bit code is what runs here.
  shift
  cd "$repo" || exit 1
  export KESTRO_WINE_ARCH=win32
  source e2e/wine/lib.sh
  start=$SECONDS
  make_template
  echo "box32: template prefix made in $((SECONDS - start)) s"
  # The layout tool reports the pointer size of the code that runs, the PE
  # header the machine the file was built for: a box that ran the 64-bit
  # build, or ran nothing, fails here.
  new_prefix box32_check
  pointer=$(wine "$KESTRO_WIN_BUILD/layout_tool.exe" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^pointer //p')
  at=$(od -An -tu4 -j60 -N4 "$KESTRO_EXE" | tr -d ' ')
  machine=$(od -An -tx2 -j$((at + 4)) -N2 "$KESTRO_EXE" | tr -d ' ')
  check "box: the 32-bit build ran (pointer size, PE machine of $KESTRO_EXE)" "4 014c" "$pointer $machine"
  end_prefix
  rm -rf "$WINEPREFIX"
  [ $# -gt 0 ] || set -- "$E2E_ROOT"/test_*.sh
  for t in "$@"; do
    [ -f "$t" ] || t=$E2E_ROOT/$t
    start=$SECONDS
    # shellcheck source=/dev/null
    source "$t"
    echo "box32: $(basename "$t") took $((SECONDS - start)) s"
  done
  finish
  exit
fi

checks=${1:-1}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
tests=()
case "${KESTRO_BOX32_TESTS:-}" in
  "") ;;
  differing) read -ra tests <<<"$DIFFERING" ;;
  *) read -ra tests <<<"$KESTRO_BOX32_TESTS" ;;
esac
start=$SECONDS
# The box has a /tmp and a /run of its own: a work tree under one of them is
# shared in at the same path.
share=()
case "$repo/" in /tmp/* | /run/*) share=(--rw "$repo") ;; esac
KESTRO_BOX_TIMEOUT=${KESTRO_BOX_TIMEOUT:-2700} bash "$here/box.sh" "${share[@]}" "$here/run_all.sh" --inside "${tests[@]}" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
echo "box32: the box ran for $((SECONDS - start)) s (rc $rc)"
line=$(grep -E '^wine32: [0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?$' "$log" | tail -n 1)
if [ -n "$line" ]; then
  echo "$line"
  case "$line" in *", 0 failed"*) exit 0 ;; *) exit 1 ;; esac
elif grep -q '^box: did not start' "$log"; then
  echo "wine32: $checks skipped: $(sed -n 's/^box: did not start: //p' "$log" | head -n 1)"
  echo "wine32: 0 passed, 0 failed, $checks skipped"
else
  # The box started but the suite did not end: what passed counts, the rest fails.
  echo "wine32: the suite did not finish in the box"
  echo "wine32: $(grep -c '^ok: ' "$log") passed, $(($(grep -c '^FAILED: ' "$log") + 1)) failed"
  exit 1
fi
