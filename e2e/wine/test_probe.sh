# Echo sweeps from a Windows program under Wine, captured on the wire. The
# test tool runs the program's own sweep code; the wineserver is started
# inside each namespace so that its sockets use that namespace's network.

PROBE_EXE=${PROBE_EXE:-$KESTRO_WIN_BUILD/probe_tool.exe}

new_prefix probe_loopback
ns=kestro-wprobe-$$
if make_netns "$ns" && start_capture "$ns" "$E2E_WORK/probe.pcap"; then
  out=$(wine_in_netns "$ns" wine "$PROBE_EXE" 127.0.0.1 4 1024 | tr -d '\r')
  stop_capture
  check "wine sweep to 127.0.0.1: no failure" "Result 0" "$(head -n 1 <<<"$out")"
  check "wine sweep to 127.0.0.1: every answer recorded" "TimeoutCount 0" "$(grep TimeoutCount <<<"$out")"
  requests=$(capture_requests "$E2E_WORK/probe.pcap")
  check "capture: four requests, type 8 code 0" 4 "$(tshark -2 -r "$E2E_WORK/probe.pcap" -Y 'icmp.type == 8 && icmp.code == 0' 2>/dev/null | wc -l)"
  check "capture: every checksum valid" "1 1 1 1" "$(cut -f4 <<<"$requests" | xargs)"
  check "capture: sequence 0, 1, 2, 3" "0 1 2 3" "$(cut -f3 <<<"$requests" | xargs)"
  ids=($(cut -f2 <<<"$requests"))
  check "capture: consecutive identifiers" "1 1 1" \
    "$(echo $((ids[1] - ids[0])) $((ids[2] - ids[1])) $((ids[3] - ids[2])))"
  check "capture: 1036-byte messages" 4 "$(tshark -2 -r "$E2E_WORK/probe.pcap" -Y 'icmp.type == 8 && ip.len == 1056' 2>/dev/null | wc -l)"
  gaps=$(cut -f5 <<<"$requests" | awk 'NR > 1 { g = $1 - p; if (g < 0.95 || g > 1.3) bad++ } { p = $1 } END { print bad + 0 }')
  check "capture: requests about one second apart" 0 "$gaps"
else
  fail "namespace and capture for the wine sweep"
  stop_capture
fi
end_prefix
drop_netns "$ns"

new_prefix probe_silent
ns=kestro-wsilent-$$
if make_silent_netns "$ns"; then
  start=$SECONDS
  out=$(wine_in_netns "$ns" wine "$PROBE_EXE" 198.51.100.1 2 64 1 | tr -d '\r')
  check "wine sweep to a silent host: every request timed out" "TimeoutCount 2" "$(grep TimeoutCount <<<"$out")"
  check "wine sweep to a silent host: no failure" "Result 0" "$(head -n 1 <<<"$out")"
else
  fail "namespace for the silent host"
fi
end_prefix
drop_netns "$ns"

# IPv6 to ::1 through Wine's raw ICMPv6 socket, where Wine has one.
new_prefix probe_ipv6
ns=kestro-wsix-$$
if make_netns "$ns"; then
  out=$(wine_in_netns "$ns" wine "$PROBE_EXE" ::1 3 1024 | tr -d '\r')
  if grep -q '^ErrorText WSASocket() failed' <<<"$out"; then
    skip "wine sweep to ::1" "Wine refuses the raw ICMPv6 socket ($(grep '^ErrorText' <<<"$out" | cut -d' ' -f2-))"
  else
    check "wine sweep to ::1: every request answered" "Result 0|TimeoutCount 0" \
      "$(grep -E '^(Result|TimeoutCount)' <<<"$out" | paste -sd '|')"
  fi
else
  fail "namespace for the wine sweep to ::1"
fi
end_prefix
drop_netns "$ns"

# A TCP port through Winsock's non-blocking connect: a listener on
# 127.0.0.1 answers, a closed port refuses.
new_prefix probe_port
ns=kestro-wport-$$
if make_netns "$ns" && listen_tcp "$ns" 127.0.0.1 8530; then
  for port in 8530 8531; do
    out=$(wine_in_netns "$ns" wine "$PROBE_EXE" 127.0.0.1 2 0 2 $port | tr -d '\r')
    lines[$port]=$(grep -E '^(Result|TimeoutCount)' <<<"$out" | paste -sd '|')
  done
  log=$WINEPREFIX/drive_c/Kestro-2.txt
  check "wine connects to a listener: answered" "Result 0|TimeoutCount 0|2" \
    "${lines[8530]}|$(grep -c 'Connect to 127.0.0.1: port 8530 tcp_seq = [01] time: [0-9]* ms ' "$log")"
  check "wine connects to a closed port: refused" "Result 0|TimeoutCount 2|2" \
    "${lines[8531]}|$(grep -c 'port 8531 tcp_seq = [01] refused' "$log")"
  kill "$LISTENER_PID" 2>/dev/null
  wait "$LISTENER_PID" 2>/dev/null
else
  fail "namespace and listener for the wine connects"
fi
end_prefix
drop_netns "$ns"
