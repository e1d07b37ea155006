# Echo sweeps over IPv6 on the real network stack, inside namespaces made
# here: answered, silent and rejecting hosts, with root (the raw ICMPv6
# socket) and without (the datagram socket).

# answer_lines LOG: the answer and report lines of a sweep, times masked.
answer_lines() {
  tr -d '\r' <"$1" | cut -d' ' -f3- | grep -v 'ICMP datagram socket' |
    sed -E 's/time: [0-9]+ ms/time: T ms/; s/^(MinTime|MaxTime|AvgTime|SumTime|BytesPerSecond) .*/\1 N/'
}
six=$(mktemp -d /tmp/kestro-six-XXXXXX)
chmod 755 "$six"
mkdir "$six/root" "$six/user"
chown nobody:nogroup "$six/user"
for who in root user; do
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' \
    "$six/$who" >"$six/$who.reg"
  chmod 644 "$six/$who.reg"
done
cp "$PROBE_TOOL" "$six/probe_tool"
# sweep6 WHO HOST COUNT SIZE [TIMEOUT]: the record; the log in $six/WHO.
sweep6() {
  local who=$1
  shift
  rm -f "$six/$who/Kestro-2.txt"
  if [ "$who" = root ]; then
    KESTRO_REGISTRY=$six/root.reg ip netns exec "$ns" "$PROBE_TOOL" "$@"
  else
    KESTRO_REGISTRY=$six/user.reg ip netns exec "$ns" setpriv --reuid=nobody --regid=nogroup \
      --clear-groups "$six/probe_tool" "$@" 2>&1
  fi
}

ns=kestro-six-$$
if make_netns "$ns" && ip netns exec "$ns" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"; then
  out=$(sweep6 root ::1 4 1024)
  check "::1: every request answered" "Result 0|TimeoutCount 0" "$(grep -E '^(Result|TimeoutCount)' <<<"$out" | paste -sd '|')"
  check "::1: one line per answer, the ICMPv6 message counted" 4 \
    "$(tr -d '\r' <"$six/root/Kestro-2.txt" | grep -c 'Ping to ::1: Got 1036 bytes icmp_seq = [0-3] time: [0-9]* ms $')"
  out=$(sweep6 user '[::1]' 4 1024)
  check "::1 without root: every request answered" "Result 0|TimeoutCount 0" "$(grep -E '^(Result|TimeoutCount)' <<<"$out" | paste -sd '|')"
  check "::1 without root: the datagram socket, the same lines" \
    "1|$(answer_lines "$six/root/Kestro-2.txt")" \
    "$(grep -c 'using an ICMP datagram socket' "$six/user/Kestro-2.txt")|$(answer_lines "$six/user/Kestro-2.txt")"
else
  fail "network namespace for the sweep to ::1"
fi
drop_netns "$ns"

ns=kestro-six-silent-$$
if make_guarded_netns6 "$ns" drop; then
  start=$(date +%s.%N)
  out=$(sweep6 root 2001:db8::1 3 64 1)
  took=$(echo "$(date +%s.%N) - $start" | bc)
  check "silent IPv6 host: every request timed out" "TimeoutCount 3" "$(grep TimeoutCount <<<"$out")"
  check "silent IPv6 host: each wait bounded by its time-out (6 s to 15 s)" yes \
    "$(echo "$took >= 5.9 && $took < 15" | bc | sed 's/1/yes/')"
else
  fail "network namespace for the silent IPv6 host"
fi
drop_netns "$ns"

ns=kestro-six-reject-$$
if make_guarded_netns6 "$ns" "reject with icmpv6 type admin-prohibited" &&
  ip netns exec "$ns" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"; then
  sweep6 root 2001:db8::1 3 64 2 >/dev/null
  start=$(date +%s.%N)
  sweep6 user 2001:db8::1 3 64 2 >/dev/null
  took=$(echo "$(date +%s.%N) - $start" | bc)
  check "rejecting IPv6 host: each error ends its wait with a line" 3 \
    "$(grep -c ': non-echo type 1 recvd' "$six/root/Kestro-2.txt")"
  check "rejecting IPv6 host: the same lines through the datagram socket" \
    "$(answer_lines "$six/root/Kestro-2.txt")" "$(answer_lines "$six/user/Kestro-2.txt")"
  check "rejecting IPv6 host: no wait runs out (3 x 1 s pause, not 3 x 3 s)" yes \
    "$(echo "$took < 5.5" | bc | sed 's/1/yes/')"
else
  fail "network namespace for the rejecting IPv6 host"
fi
drop_netns "$ns"
rm -rf "$six"
