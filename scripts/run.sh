#!/usr/bin/env bash
# The main job: installs what is missing, builds Kestro.exe and runs it in
# direct mode under Wine with demo settings, showing its log as it is
# written. The log stays in demo/logs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh

export WINEARCH=win32 WINEDEBUG=-all WINEPREFIX=$PWD/demo/prefix
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
logs=$PWD/demo/logs
mkdir -p "$logs"
rm -f "$logs"/Kestro-*.txt
[ -d "$WINEPREFIX/drive_c" ] || { echo "Preparing the Wine prefix (once)..."; wineboot -i >/dev/null 2>&1; }
wine reg import demo/settings.reg >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v LogDir /t REG_SZ /d "Z:${logs//\//\\}" /f >/dev/null 2>&1

echo "Running: wine Kestro.exe -direct (log: demo/logs/Kestro-2.txt)"
wine build/win/Kestro.exe -direct &
pid=$!
touch "$logs/Kestro-2.txt"
tail -f "$logs/Kestro-2.txt" &
tailpid=$!
for _ in $(seq 1 50); do
  grep -q 'Interaktiver aufruf' "$logs/Kestro-2.txt" && break
  sleep 0.2
done
sleep 2
kill "$pid" "$tailpid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
wineserver -k 2>/dev/null || true
echo "Stopped the demo run."
