#!/usr/bin/env bash
# The sweep against 127.0.0.1 beside the system's ping, in one run inside a
# namespace of its own: answer times, and the sweep's wall time against its
# floor of count x 1 s.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/e2e/netns.sh"
ns=kestro-bench-$$
work=$(mktemp -d)
trap 'drop_netns "$ns"; rm -rf "$work"' EXIT
make_netns "$ns"
export KESTRO_REGISTRY=$work/kestro.reg
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' "$work" >"$KESTRO_REGISTRY"

start=$(date +%s.%N)
ip netns exec "$ns" "$ROOT/build/linux/probe_tool" 127.0.0.1 7 1024 >"$work/sweep.out"
wall=$(echo "$(date +%s.%N) - $start" | bc)
echo "sweep: answer times (ms): $(grep -o 'time: [0-9]* ms' "$work/Kestro-2.txt" | awk '{print $2}' | xargs)"
grep -E '^(TimeoutCount|MinTime|MaxTime|AvgTime)' "$work/sweep.out" | xargs echo "sweep:"
printf 'sweep: wall time %.3f s, floor 7.000 s, over the floor %.1f ms\n' "$wall" "$(echo "($wall - 7) * 1000" | bc)"

start=$(date +%s.%N)
ip netns exec "$ns" ping -c 7 -s 1024 127.0.0.1 >"$work/ping.out"
wall=$(echo "$(date +%s.%N) - $start" | bc)
echo "ping:  answer times (ms): $(grep -o 'time=[0-9.]* ms' "$work/ping.out" | sed 's/time=//; s/ ms//' | xargs)"
echo "ping:  $(tail -n 1 "$work/ping.out")"
printf 'ping:  wall time %.3f s\n' "$wall"
