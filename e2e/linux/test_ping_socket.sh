# The sweep without root: an ICMP datagram socket where the raw one is
# refused, granted by net.ipv4.ping_group_range (set per namespace).

# report_lines LOG: the answer and report lines of a sweep, times masked.
report_lines() {
  tr -d '\r' <"$1" | cut -d' ' -f3- | grep -v 'ICMP datagram socket' |
    sed -E 's/time: [0-9]+ ms/time: T ms/; s/^(MinTime|MaxTime|AvgTime|SumTime|BytesPerSecond) .*/\1 N/'
}

ns=kestro-ping-$$
# A folder the unprivileged user can write its log to and read its settings from.
plain=$(mktemp -d /tmp/kestro-ping-XXXXXX)
chmod 755 "$plain"
mkdir "$plain/root" "$plain/user"
chown nobody:nogroup "$plain/user"
for who in root user; do
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' \
    "$plain/$who" >"$plain/$who.reg"
  chmod 644 "$plain/$who.reg"
done
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
# A copy the user can reach wherever the checkout lies (/root is closed to it).
cp "$PROBE_TOOL" "$plain/probe_tool"

if make_netns "$ns"; then
  ip netns exec "$ns" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
  root_out=$(KESTRO_REGISTRY=$plain/root.reg ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 4 1024)
  user_out=$(KESTRO_REGISTRY=$plain/user.reg ip netns exec "$ns" "${as_nobody[@]}" "$plain/probe_tool" 127.0.0.1 4 1024 2>&1)
  check "group range: the unprivileged sweep succeeds" "Result 0" "$(head -n 1 <<<"$user_out")"
  check "group range: 4 of 4 answers from 127.0.0.1" 4 \
    "$(tr -d '\r' <"$plain/user/Kestro-2.txt" | grep -c 'Ping to 127.0.0.1: Got 1056 bytes icmp_seq = [0-3] time: [0-9]* ms $')"
  check "group range: the socket's kind is logged once" 1 \
    "$(grep -c ': Raw ICMP socket refused, using an ICMP datagram socket' "$plain/user/Kestro-2.txt")"
  check "raw socket (root): no line about the socket" 0 "$(grep -c 'ICMP' "$plain/root/Kestro-2.txt")"
  check "group range: the same answer and report lines as the raw socket" \
    "$(report_lines "$plain/root/Kestro-2.txt")" "$(report_lines "$plain/user/Kestro-2.txt")"
  check "group range: the same record as the raw socket, times aside" \
    "$(grep -vE 'Time' <<<"$root_out")" "$(grep -vE 'Time' <<<"$user_out")"
  # An answer larger than the 4096-byte buffer: Winsock's WSAEMSGSIZE through either socket.
  for big in "$(KESTRO_REGISTRY=$plain/root.reg ip netns exec "$ns" "$PROBE_TOOL" 127.0.0.1 1 4084)" \
    "$(KESTRO_REGISTRY=$plain/user.reg ip netns exec "$ns" "${as_nobody[@]}" "$plain/probe_tool" 127.0.0.1 1 4084 2>&1)"; do
    check "an answer too large for the buffer: failure 64, number 10040" \
      "Result 64 ErrorText recvfrom failed: 10040" "$(grep -E '^(Result|ErrorText)' <<<"$big" | paste -sd' ')"
  done

  rm -f "$plain/user/Kestro-2.txt"
  ip netns exec "$ns" sysctl -q -w net.ipv4.ping_group_range="1 0"
  user_out=$(KESTRO_REGISTRY=$plain/user.reg ip netns exec "$ns" "${as_nobody[@]}" "$plain/probe_tool" 127.0.0.1 4 1024 2>&1)
  check "no group range: the raw socket's failure, code 4" "Result 4" "$(head -n 1 <<<"$user_out")"
  check "no group range: its text" "ErrorText WSASocket() failed: 1" "$(grep ErrorText <<<"$user_out")"
  check "no group range: the text in the log, nothing about a datagram socket" "1 0" \
    "$(grep -c ': WSASocket() failed: 1.$' "$plain/user/Kestro-2.txt") $(grep -c 'datagram' "$plain/user/Kestro-2.txt")"
else
  fail "network namespace for the unprivileged sweep"
fi
drop_netns "$ns"

# ICMP errors reach the sweep through the datagram socket as through the raw one.
ns=kestro-reject-$$
if make_rejecting_netns "$ns"; then
  ip netns exec "$ns" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
  rm -f "$plain"/root/Kestro-2.txt "$plain"/user/Kestro-2.txt
  KESTRO_REGISTRY=$plain/root.reg ip netns exec "$ns" "$PROBE_TOOL" 198.51.100.1 3 64 2 >/dev/null
  start=$(date +%s.%N)
  KESTRO_REGISTRY=$plain/user.reg ip netns exec "$ns" "${as_nobody[@]}" "$plain/probe_tool" 198.51.100.1 3 64 2 >/dev/null
  took=$(echo "$(date +%s.%N) - $start" | bc)
  check "unreachable: the raw socket's lines" 3 "$(grep -c ': non-echo type 3 recvd' "$plain/root/Kestro-2.txt")"
  check "unreachable: the same lines and report through the datagram socket" \
    "$(report_lines "$plain/root/Kestro-2.txt")" "$(report_lines "$plain/user/Kestro-2.txt")"
  check "unreachable: each error ends its wait (3 x 1 s pause, not 3 x 3 s)" yes \
    "$(echo "$took < 5.5" | bc | sed 's/1/yes/')"
else
  fail "network namespace for the unreachable host"
fi
drop_netns "$ns"
rm -rf "$plain"
