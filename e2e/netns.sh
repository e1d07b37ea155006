# Network namespaces for tests that send ICMP: traffic stays inside them.
# make_netns NAME: a namespace with only its loopback up.
make_netns() {
  ip netns add "$1" && ip -n "$1" link set lo up
}
# make_guarded_netns NAME RULE: a namespace with 198.51.100.1 on its
# loopback whose input filter applies RULE to every echo request.
make_guarded_netns() {
  make_netns "$1" || return 1
  ip -n "$1" addr add 198.51.100.1/32 dev lo
  ip netns exec "$1" nft -f - <<NFT
table ip kestro_test {
  chain input {
    type filter hook input priority 0; policy accept;
    icmp type echo-request $2
  }
}
NFT
}
# A host that never answers.
make_silent_netns() { make_guarded_netns "$1" drop; }
# A host whose every echo request is answered with "host unreachable".
make_rejecting_netns() { make_guarded_netns "$1" "reject with icmp type host-unreachable"; }
# make_guarded_netns6 NAME RULE: the same over IPv6, with 2001:db8::1.
make_guarded_netns6() {
  make_netns "$1" || return 1
  ip -n "$1" -6 addr add 2001:db8::1/128 dev lo nodad
  ip netns exec "$1" nft -f - <<NFT
table ip6 kestro_test {
  chain input {
    type filter hook input priority 0; policy accept;
    icmpv6 type echo-request $2
  }
}
NFT
}
# listen_tcp NS ADDRESS PORT: a listener that accepts and closes every
# connection; sets LISTENER_PID once it listens.
listen_tcp() {
  ip netns exec "$1" python3 -c 'import socket, sys
s = socket.socket(); s.bind((sys.argv[1], int(sys.argv[2]))); s.listen(8)
while True: s.accept()[0].close()' "$2" "$3" &
  LISTENER_PID=$!
  local i
  for i in $(seq 1 100); do ip netns exec "$1" ss -Hltn | grep -q ":$3 " && return 0; sleep 0.1; done
  return 1
}
drop_netns() { ip netns del "$1" 2>/dev/null || true; }

# start_capture NS FILE: tcpdump on the namespace's loopback; sets CAPTURE_PID.
start_capture() {
  ip netns exec "$1" tcpdump -i lo -n --immediate-mode -U -w "$2" icmp 2>"$2.err" &
  CAPTURE_PID=$!
  local i
  for i in $(seq 1 50); do grep -q 'listening on' "$2.err" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
stop_capture() {
  kill -INT "$CAPTURE_PID" 2>/dev/null
  wait "$CAPTURE_PID" 2>/dev/null
}

# The echo requests of a capture: type, identifier, sequence, checksum
# status and time, one line each.
capture_requests() {
  tshark -2 -r "$1" -Y 'icmp.type == 8' -T fields -e icmp.type -e icmp.ident_le -e icmp.seq_le \
    -e icmp.checksum.status -e frame.time_epoch 2>/dev/null
}
