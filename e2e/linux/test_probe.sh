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
