# What any user may send during a sweep: port-unreachable messages about
# their own UDP, a flood of echo requests, answers to their own pings bound
# to the sweep's identifiers with a send time of their choosing. Sent as
# nobody, in a namespace made here; none of it changes the sweep.

ns=kestro-noise-$$
noise=$(mktemp -d /tmp/kestro-noise-XXXXXX)
chmod 755 "$noise"
cp "${ICMP_NOISE:-$ROOT/build/linux/icmp_noise}" "$noise/icmp_noise"  # /root is closed to nobody
mkdir -p "$noise/logs" "$noise/agent/OXL/CONF"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n"NumberOfPingSweeps"=dword:00000004\r\n"Command1"="%s/record.sh"\r\n"Argument1"="record.sh slot1"\r\n' \
  "$noise/logs" "$noise" >"$noise/kestro.reg"
printf '[PEERHOSTS]\nOXLUILSR=127.0.0.1\n' >"$noise/agent/OXL/CONF/OXL.CNF"
printf '#!/bin/sh\necho "$@" >>"%s/record"\n' "$noise" >"$noise/record.sh"
chmod +x "$noise/record.sh"
log=$noise/logs/Kestro-2.txt

# noise ARGS...: icmp_noise as nobody in the namespace; sets NOISE_PID.
noise() {
  ip netns exec "$ns" setpriv --reuid=nobody --regid=nogroup --clear-groups "$noise/icmp_noise" "$@" &
  NOISE_PID=$!
  sleep 0.5  # under way before the sweep begins
}
quiet() {
  kill "$NOISE_PID" 2>/dev/null
  wait "$NOISE_PID" 2>/dev/null
}

if make_netns "$ns" && ip netns exec "$ns" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"; then
  # A whole pass while UDP to a closed port of this machine draws a
  # port-unreachable message every millisecond.
  noise udp 127.0.0.1 20
  KESTRO_REGISTRY=$noise/kestro.reg OXLROOT=$noise/agent ip netns exec "$ns" "$KESTRO" -direct >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 150); do grep -q 'Executing command' "$log" 2>/dev/null && break; sleep 0.1; done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  quiet
  check "udp spray: every request answered" "TimeoutCount 0" "$(tr -d '\r' <"$log" | grep -o 'TimeoutCount .*')"
  check "udp spray: no line about the errors" 0 "$(grep -c 'non-echo' "$log")"
  check "udp spray: the command ran with start" "slot1 start" "$(cat "$noise/record" 2>/dev/null)"

  # Echo requests of 1400 bytes every millisecond, which would fill the
  # socket's queue during each pause.
  rm -f "$log"
  noise flood 127.0.0.1 20
  out=$(KESTRO_REGISTRY=$noise/kestro.reg ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 4 1024)
  quiet
  check "echo flood: every request answered" "TimeoutCount 0" "$(grep TimeoutCount <<<"$out")"

  # Datagram sockets bound to the sweep's identifiers 1 to 4: the probed
  # host answers them with the send time they chose.
  rm -f "$log"
  noise forge 127.0.0.1 4 20
  out=$(KESTRO_REGISTRY=$noise/kestro.reg ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 4 1024)
  quiet
  check "forged send time: every request answered" "TimeoutCount 0" "$(grep TimeoutCount <<<"$out")"
  check "forged send time: only the sweep's own answers, none of 1 s or more" 4 \
    "$(tr -d '\r' <"$log" | grep -c 'Ping to 127.0.0.1: Got 1056 bytes icmp_seq = [0-3] time: [0-9]\{1,3\} ms $')"
else
  fail "network namespace for the noise"
fi
drop_netns "$ns"
rm -rf "$noise"
