#!/usr/bin/env bash
# The native program for real: the command line and direct mode on Linux.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
KESTRO=${KESTRO:-$ROOT/build/linux/kestro}
WORK=$(mktemp -d /tmp/kestro-linux-XXXXXX)
PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + 1)); echo "ok: $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAILED: $1"; }
check() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head; fi; }

export KESTRO_REGISTRY=$WORK/kestro.reg
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n' "$WORK/logs" >"$KESTRO_REGISTRY"
mkdir -p "$WORK/logs"

"$KESTRO" -bogus 2>"$WORK/err"
check "-bogus: exit code 99" 99 $?
check "-bogus: header" 'Parse-Error: Invalid argument "-bogus"' "$(sed -n 2p "$WORK/err")"
check "version line" "version 2003.12.09.0" "$(tail -n 1 "$WORK/err")"
"$KESTRO" 2>/dev/null
check "no option: exit code 1" 1 $?

# Every mode loads the settings first: start the log afresh for direct mode.
rm -f "$WORK/logs/Kestro-2.txt"
"$KESTRO" -direct &
pid=$!
for _ in $(seq 1 50); do grep -q 'Interaktiver' "$WORK/logs/Kestro-2.txt" 2>/dev/null && break; sleep 0.1; done
sleep 1.5  # a tick or two of the idle loop
kill "$pid"
wait "$pid" 2>/dev/null
log=$WORK/logs/Kestro-2.txt
check "-direct: 17 'Could not read' lines" 17 "$(grep -c 'Could not read SOFTWARE\\Morvane\\Kestro\\' "$log")"
check "-direct: start lines with CR LF" "$(printf ': \r\n: Interaktiver aufruf...\r')" \
  "$(tail -n 2 "$log" | cut -c24-)"
check "-direct: lock file" yes "$([ -f "$WORK/logs/Kestro.lck" ] && echo yes)"

rm -rf "$WORK"
echo "linux: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
