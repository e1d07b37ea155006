#!/usr/bin/env bash
# Idle direct mode after its first pass: CPU time and peak memory over 60 s,
# native and under Wine; and the time from an address change to the start of
# the pass it causes. Each run is in a namespace made here, pinging 127.0.0.1.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/e2e/netns.sh"
SECONDS_IDLE=${IDLE_SECONDS:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hz=$(getconf CLK_TCK)
mkdir -p "$work/agent/OXL/CONF"
printf '[PEERHOSTS]\r\nOXLUILSR=127.0.0.1\r\n' >"$work/agent/OXL/CONF/OXL.CNF"

cpu_ms() { awk -v hz="$hz" '{ print ($14 + $15) * 1000 / hz }' "/proc/$1/stat"; }
peak_kb() { awk '/VmHWM/ { print $2 }' "/proc/$1/status"; }
now_ms() { date +%s%3N; }
stamp_ms() {  # the log stamp of the first line matching $2 in $1, in ms since the epoch
  local line
  line=$(grep -m1 -- "$2" "$1" | cut -c1-23)
  [ -n "$line" ] && date -d "$(echo "$line" | sed 's|/|-|g; s|\(:[0-9][0-9]\):\([0-9]*\)$|\1.\2|')" +%s%3N
}

measure() {  # measure NAME LOG PID
  local name=$1 log=$2 pid=$3
  for _ in $(seq 1 300); do grep -q BytesPerSecond "$log" 2>/dev/null && break; sleep 0.1; done
  sleep 1
  local before after
  before=$(cpu_ms "$pid")
  sleep "$SECONDS_IDLE"
  after=$(cpu_ms "$pid")
  printf '%s: idle %s s: CPU %s ms (%.3f%% of one core), peak resident %s KiB\n' "$name" "$SECONDS_IDLE" \
    "$(echo "$after - $before" | bc)" "$(echo "($after - $before) / ($SECONDS_IDLE * 10)" | bc -l)" "$(peak_kb "$pid")"
}

latency() {  # latency NAME NS LOG
  local added
  added=$(now_ms)
  ip -n "$2" addr add 198.51.100.9/24 dev lo
  for _ in $(seq 1 100); do [ "$(grep -c 'Ping to' "$3")" -ge 2 ] && break; sleep 0.05; done
  local noted started
  noted=$(stamp_ms "$3" 'Network address table change!')
  started=$(grep 'Ping to' "$3" | sed -n 2p | cut -c1-23 | sed 's|/|-|g; s|\(:[0-9][0-9]\):\([0-9]*\)$|\1.\2|')
  started=$(date -d "$started" +%s%3N)
  echo "$1: address change -> noted in $((noted - added)) ms, first request of the pass after $((started - added)) ms"
}

# Native.
ns=kestro-idle-$$
make_netns "$ns"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n"NumberOfPingSweeps"=dword:00000001\r\n' "$work" >"$work/kestro.reg"
KESTRO_REGISTRY=$work/kestro.reg OXLROOT=$work/agent ip netns exec "$ns" "$ROOT/build/linux/kestro" -direct >/dev/null 2>&1 &
pid=$!
measure native "$work/Kestro-2.txt" "$pid"
latency native "$ns" "$work/Kestro-2.txt"
kill "$pid"; wait "$pid" 2>/dev/null
drop_netns "$ns"

# Under Wine, its server started in the namespace; the 32-bit build where
# this machine runs it, else the 64-bit one.
source "$ROOT/scripts/wine-arch.sh"
kestro_probe_win32
kestro_use_arch "$KESTRO_WINE_ARCH"
echo "wine: $KESTRO_EXE ($KESTRO_WINE_ARCH_WHY)"
export WINEDEBUG=-all WINEPREFIX=$work/prefix WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
wineboot -i >/dev/null 2>&1
dos() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
mkdir -p "$work/wlogs"
wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v LogDir /t REG_SZ /d "$(dos "$work/wlogs")" /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v PingDelay /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v NumberOfPingSweeps /t REG_DWORD /d 1 /f >/dev/null 2>&1
wineserver -w
ns=kestro-widle-$$
make_netns "$ns"
OXLROOT=$(dos "$work/agent") ip netns exec "$ns" wine "$KESTRO_EXE" -direct >/dev/null 2>&1 </dev/null &
pid=$!
measure wine "$work/wlogs/Kestro-2.txt" "$pid"
latency wine "$ns" "$work/wlogs/Kestro-2.txt"
kill "$pid"; wait "$pid" 2>/dev/null
wineserver -k
drop_netns "$ns"
