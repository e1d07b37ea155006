#!/usr/bin/env bash
# The main job: installs what is missing, builds Kestro.exe and runs one
# whole pass in direct mode under Wine: demo settings (log in demo/logs,
# PingDelay 0, slot 1 running a small command), an agent configuration
# naming 127.0.0.1 through OXLROOT. The log is shown as it is written; the
# run ends after the first pass. Raw ICMP sockets need root.
# The 32-bit Kestro.exe runs where this machine runs 32-bit code, the 64-bit
# one under wine64 otherwise (KESTRO_NO_WIN32=1 pretends the former).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh win >/dev/null

source scripts/wine-arch.sh
kestro_probe_win32
kestro_use_arch "$KESTRO_WINE_ARCH"
exe=${KESTRO_EXE#"$PWD"/}
if [ "$KESTRO_WINE_ARCH" = win32 ]; then
  if [ "$KESTRO_WIN32" != yes ]; then echo "Cannot run the 32-bit Kestro.exe: $KESTRO_WIN32_REASON." >&2; exit 1; fi
  echo "Running the 32-bit $exe: $KESTRO_WINE_ARCH_WHY."
  prefix=$PWD/demo/prefix
else
  echo "Running the 64-bit $exe under wine64: $KESTRO_WINE_ARCH_WHY."
  prefix=$PWD/demo/prefix64
fi
pid=
tailpid=
# Ends what this run started, and in the pretend mode brings the 32-bit
# build back, however the run ends.
finish() {
  set +e
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$tailpid" ] && kill "$tailpid" 2>/dev/null
  wineserver -k 2>/dev/null
  kestro_unhide_win32
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
kestro_hide_win32
export WINEDEBUG=-all WINEPREFIX=$prefix
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
demo=$PWD/demo
logs=$demo/logs
mkdir -p "$logs" "$demo/agent/OXL/CONF"
rm -f "$logs"/Kestro-*.txt
printf '[PEERHOSTS]\r\nOXLUILSR = 127.0.0.1\r\n' >"$demo/agent/OXL/CONF/OXL.CNF"
dos() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

[ -d "$WINEPREFIX/drive_c" ] || { echo "Preparing the Wine prefix (once)..."; wineboot -i >/dev/null 2>&1; }
wine reg import demo/settings.reg >/dev/null 2>&1 </dev/null
wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v LogDir /t REG_SZ /d "$(dos "$logs")" /f >/dev/null 2>&1 </dev/null

echo "Running: OXLROOT=$(dos "$demo/agent") wine Kestro.exe -direct"
echo "Log: demo/logs/Kestro-2.txt"
echo
touch "$logs/Kestro-2.txt"
tail -n +1 -f "$logs/Kestro-2.txt" &
tailpid=$!
OXLROOT=$(dos "$demo/agent") wine "$KESTRO_EXE" -direct </dev/null &
pid=$!
# The pass ends with the command of slot 1.
for _ in $(seq 1 300); do
  grep -q 'Executing command' "$logs/Kestro-2.txt" && break
  sleep 0.1
done
sleep 2
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
kill "$tailpid" 2>/dev/null || true
tailpid=
echo
echo "First pass done; the demo run is stopped."
