#!/usr/bin/env bash
# Idle direct mode after its first pass: CPU time and peak memory over 60 s,
# native and under Wine; and the time from an address change to the start of
# the pass it causes. Each run is in a namespace made here, pinging 127.0.0.1.
set -u
source "$(dirname "$0")/lib.sh"
SECONDS_IDLE=${IDLE_SECONDS:-60}

now_ms() { date +%s%3N; }
stamp_ms() {  # the log stamp of the first line matching $2 in $1, in ms since the epoch
  local line
  line=$(grep -m1 -- "$2" "$1" | cut -c1-23)
  [ -n "$line" ] && date -d "$(echo "$line" | sed 's|/|-|g; s|\(:[0-9][0-9]\):\([0-9]*\)$|\1.\2|')" +%s%3N
}

measure() {  # measure NAME LOG PID
  local name=$1 log=$2 pid=$3
  wait_for_pass "$log" 1 30
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
start_native "$ns" "$BENCH_WORK/logs" '"PingDelay"=dword:00000000
"NumberOfPingSweeps"=dword:00000001'
measure native "$BENCH_WORK/logs/Kestro-2.txt" "$BENCH_PID"
latency native "$ns" "$BENCH_WORK/logs/Kestro-2.txt"
kill "$BENCH_PID"; wait "$BENCH_PID" 2>/dev/null
drop_netns "$ns"

# Under Wine, its server started in the namespace.
wine_prefix idle "$BENCH_WORK/wlogs"
setting PingDelay REG_DWORD 0
setting NumberOfPingSweeps REG_DWORD 1
wineserver -w
ns=kestro-widle-$$
make_netns "$ns"
start_wine "$ns" "$BENCH_WORK/wlogs"
measure wine "$BENCH_WORK/wlogs/Kestro-2.txt" "$BENCH_PID"
latency wine "$ns" "$BENCH_WORK/wlogs/Kestro-2.txt"
kill "$BENCH_PID"; wait "$BENCH_PID" 2>/dev/null
end_prefix
drop_netns "$ns"
