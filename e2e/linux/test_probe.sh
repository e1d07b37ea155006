# Echo sweeps on the real network stack, inside namespaces made here.

ns=kestro-probe-$$
if make_netns "$ns"; then
  rm -f "$WORK/logs/Kestro-2.txt"
  out=$(ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 4 1024)
  check "sweep to 127.0.0.1: no failure" "Result 0" "$(head -n 1 <<<"$out")"
  check "sweep to 127.0.0.1: every request answered" "TimeoutCount 0" "$(grep TimeoutCount <<<"$out")"
  check "sweep to 127.0.0.1: one log line per answer" 4 \
    "$(grep -c 'Ping to 127.0.0.1: Got 1056 bytes icmp_seq = [0-3] time: [0-9]* ms $' <(tr -d '\r' <"$WORK/logs/Kestro-2.txt"))"
  check "sweep to 127.0.0.1: twelve report lines" 12 \
    "$(grep -c -E ': (ErrorText|ErrorCode|Packets|PacketSize|TotalCount|TimeoutCount|MinTime|MaxTime|AvgTime|Timeout|SumTime|BytesPerSecond) ' "$WORK/logs/Kestro-2.txt")"
else
  fail "network namespace for the loopback sweep"
fi
drop_netns "$ns"

ns=kestro-silent-$$
if make_silent_netns "$ns"; then
  start=$(date +%s.%N)
  out=$(ip netns exec "$ns" "$PROBE_TOOL" 198.51.100.1 3 64 1)
  took=$(echo "$(date +%s.%N) - $start" | bc)
  check "silent host: every request timed out" "TimeoutCount 3" "$(grep TimeoutCount <<<"$out")"
  # Each of the three requests waits out its 1 s time-out and the 1 s pause:
  # never less than 6 s. A busy machine only adds to that, so the upper
  # bound is loose: it catches a sweep that hangs or waits in wrong units.
  check "silent host: every request waits out time-out and pause" yes \
    "$(echo "$took >= 5.9" | bc | sed 's/1/yes/')"
  check "silent host: the sweep ends" yes "$(echo "$took < 15" | bc | sed 's/1/yes/')"
else
  fail "network namespace for the silent host"
fi
drop_netns "$ns"

# An answer larger than the receive buffer: 4084 data bytes make a 4116-byte
# datagram. It fails the sweep as on Windows instead of being cut silently.
ns=kestro-large-$$
if make_netns "$ns"; then
  rm -f "$WORK/logs/Kestro-2.txt"
  out=$(ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 2 4084)
  check "answer too large: failure 64" "Result 64" "$(head -n 1 <<<"$out")"
  check "answer too large: the error of Windows" "ErrorText recvfrom failed: 10040" "$(grep '^ErrorText' <<<"$out")"
  check "answer too large: logged" 1 "$(grep -c ': recvfrom failed: 10040' "$WORK/logs/Kestro-2.txt")"
else
  fail "network namespace for the large answer"
fi
drop_netns "$ns"

# Someone else pings 127.0.0.1 while the probed host stays silent: their
# answers are not ours.
ns=kestro-foreign-$$
if make_netns "$ns" && ip -n "$ns" addr add 198.51.100.1/32 dev lo &&
  ip netns exec "$ns" nft -f - <<'NFT'
table ip kestro_test {
  chain input {
    type filter hook input priority 0; policy accept;
    ip daddr 198.51.100.1 icmp type echo-request drop
  }
}
NFT
then
  mkdir -p "$WORK/foreign"
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' "$WORK/foreign" \
    >"$WORK/foreign.reg"
  KESTRO_REGISTRY=$WORK/foreign.reg ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 30 64 >/dev/null &
  pinger=$!
  sleep 0.5
  rm -f "$WORK/logs/Kestro-2.txt"
  out=$(ip netns exec "$ns" "$PROBE_TOOL" 198.51.100.1 3 64)
  kill "$pinger" 2>/dev/null
  wait "$pinger" 2>/dev/null
  check "foreign pings: the other program's pinging was seen" yes \
    "$(grep -q 'Ping to 127.0.0.1' "$WORK/foreign/Kestro-2.txt" && echo yes)"
  check "foreign pings: every request to the silent host timed out" "TimeoutCount 3" "$(grep TimeoutCount <<<"$out")"
  check "foreign pings: no answer logged" 0 "$(grep -c 'Ping to' "$WORK/logs/Kestro-2.txt")"
else
  fail "network namespace for the foreign pings"
fi
drop_netns "$ns"

# ProbePort: the whole program in direct mode, without CAP_NET_RAW or an
# allowed ping group, against 198.51.100.1, whose echo requests are dropped
# while port 8530 answers: the slot starts. Then a closed port, and an address
# change brings a pass: every connect refused, the slot stops.
ns=kestro-port-$$
tcp=$WORK/tcp
mkdir -p "$tcp/agent/OXL/CONF" "$tcp/logs"
printf '[PEERHOSTS]\nOXLUILSR=198.51.100.1\n' >"$tcp/agent/OXL/CONF/OXL.CNF"
port_settings() {
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n"NumberOfPingSweeps"=dword:00000002\r\n"Command1"="/usr/bin/true"\r\n"Argument1"="true slot1"\r\n"ProbePort"=dword:%08x\r\n' \
    "$tcp/logs" "$1" >"$tcp/kestro.reg"
}
if make_silent_netns "$ns" && listen_tcp "$ns" 198.51.100.1 8530; then
  port_settings 8530
  ip netns exec "$ns" sysctl -qw net.ipv4.ping_group_range="1 0"
  KESTRO_REGISTRY=$tcp/kestro.reg OXLROOT=$tcp/agent ip netns exec "$ns" \
    setpriv --bounding-set -net_raw "$KESTRO" -direct >/dev/null 2>&1 &
  pid=$!
  log=$tcp/logs/Kestro-2.txt
  for _ in $(seq 1 100); do grep -q 'Executing command' "$log" 2>/dev/null && break; sleep 0.1; done
  port_settings 8531
  sleep 1  # a change in the second the pass ended is covered by it
  ip -n "$ns" addr add 198.51.100.5/24 dev lo
  for _ in $(seq 1 100); do [ "$(grep -c 'Executing command' "$log")" -ge 2 ] && break; sleep 0.1; done
  check "ProbePort: answered while echo is dropped, a closed port refused, no sweep failed; start, stop" \
    "2|2|0 0|slot1 start slot1 stop" \
    "$(grep -c 'Connect to 198.51.100.1: port 8530 tcp_seq = [01] time: [0-9]* ms .$' "$log")|$(grep -c 'port 8531 tcp_seq = [01] refused' "$log")|$(grep -o 'ErrorCode [0-9]*' "$log" | cut -d' ' -f2 | xargs)|$(grep -o 'slot1 [a-z]*' "$log" | xargs)"
  kill "$pid" "$LISTENER_PID" 2>/dev/null
  wait "$pid" "$LISTENER_PID" 2>/dev/null
else
  fail "namespace and listener for the ProbePort sweep"
fi
drop_netns "$ns"
