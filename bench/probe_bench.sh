#!/usr/bin/env bash
# The sweep against 127.0.0.1 beside the system's ping, in one run inside a
# namespace of its own: answer times, and the sweep's wall time against its
# floor of count x 1 s. Then the TCP sweep against a server with a fixed
# delay, beside a capture of the same run.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/e2e/netns.sh"
ns=kestro-bench-$$
work=$(mktemp -d)
responder= capture=
trap 'kill $responder $capture 2>/dev/null; wait; drop_netns "$ns"; rm -rf "$work"' EXIT
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

# A TCP sweep of port 8080 of 198.51.100.1, DELAY ms away (BENCH_DELAY_MS,
# 50) behind a TUN device whose responder answers each SYN that late (a
# SYN-ACK, or a RST for port 9, the closed port), beside the SYN to SYN-ACK
# times that a capture of the same run shows; its floor is count x (the
# delay + 1 s).
delay=${BENCH_DELAY_MS:-50}
ip -n "$ns" tuntap add dev ksrv mode tun
ip netns exec "$ns" "$ROOT/build/linux/bench/tcp_responder" ksrv 8080 "$delay" >"$work/responder.out" 2>&1 &
responder=$!
for _ in $(seq 1 50); do grep -q ready "$work/responder.out" && break; sleep 0.1; done
grep -q ready "$work/responder.out" || { echo "tcp: no responder: $(cat "$work/responder.out")" >&2; exit 1; }
ip -n "$ns" addr add 198.51.100.2 peer 198.51.100.1 dev ksrv
ip -n "$ns" link set ksrv up
ip netns exec "$ns" tcpdump -i ksrv -n --immediate-mode -U -w "$work/tcp.pcap" tcp 2>"$work/tcpdump.err" &
capture=$!
for _ in $(seq 1 50); do grep -q 'listening on' "$work/tcpdump.err" && break; sleep 0.1; done
declare -A wall
for port in 8080 9; do
  start=$(date +%s.%N)
  ip netns exec "$ns" "$ROOT/build/linux/probe_tool" 198.51.100.1 7 0 2 "$port" >"$work/tcp$port.out"
  wall[$port]=$(echo "$(date +%s.%N) - $start" | bc)
done
sleep 0.5
kill -INT "$capture"; wait "$capture" 2>/dev/null; capture=
# The capture's SYN to SYN-ACK (or RST) of each connection, keyed by the
# client's port: "PORT MS" lines.
tshark -r "$work/tcp.pcap" -Y 'tcp.flags.syn == 1 || tcp.flags.reset == 1' -T fields \
  -e frame.time_epoch -e tcp.srcport -e tcp.dstport -e tcp.flags.syn -e tcp.flags.ack 2>/dev/null |
  awk '$4 == 1 && $5 == 0 { syn[$2] = $1; port[$2] = $3; next }
       ($3 in syn) && !($3 in done) { done[$3] = 1; printf "%s %.2f\n", port[$3], ($1 - syn[$3]) * 1000 }' \
  >"$work/capture.txt"
floor=$(echo "7 * ($delay + 1000) / 1000" | bc -l)
for port in 8080 9; do
  times=$(grep "port $port " "$work/Kestro-2.txt" | sed 's/.*tcp_seq = [0-9]* //; s/time: \([0-9]*\) ms */\1/' | xargs)
  echo "tcp $port: sweep   (ms): $times$(echo "$times" | tr ' ' '\n' | awk '/^[0-9]/ { s += $1; n++ }
    END { if (n) printf ", mean %.2f", s / n }')"
  awk -v p="$port" '$1 == p { t = t " " $2; s += $2; n++ }
    END { printf "tcp %s: capture (ms):%s, mean %.2f\n", p, t, n ? s / n : 0 }' "$work/capture.txt"
  printf 'tcp %s: wall time %.3f s, floor %.3f s (7 x (%s ms + 1 s)), over the floor %.1f ms (%.2f %%)\n' \
    "$port" "${wall[$port]}" "$floor" "$delay" "$(echo "(${wall[$port]} - $floor) * 1000" | bc)" \
    "$(echo "(${wall[$port]} - $floor) * 100 / $floor" | bc -l)"
done
