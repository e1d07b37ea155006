# An address change made for real under Wine: the program runs in a
# namespace made here, with its wineserver started inside it, and an address
# added to that namespace starts a pass.

new_prefix address_change
ns=kestro-waddr-$$
logs=$E2E_WORK/addr-logs
agent=$E2E_WORK/addr-agent
mkdir -p "$logs"
make_agent "$agent" 127.0.0.1
setting LogDir REG_SZ "$(dos_path "$logs")"
setting PingDelay REG_DWORD 0
setting NumberOfPingSweeps REG_DWORD 1
wineserver -w
log=$logs/Kestro-2.txt
if make_netns "$ns"; then
  OXLROOT=$(dos_path "$agent") wine_in_netns "$ns" wine "$KESTRO_EXE" -direct >/dev/null 2>&1 </dev/null &
  pid=$!
  wait_for "$log" 'BytesPerSecond' 30 && pass "first pass in the namespace" || fail "first pass in the namespace"
  sleep 2
  ip -n "$ns" addr add 198.51.100.6/24 dev lo
  for _ in $(seq 1 50); do [ "$(grep -c 'BytesPerSecond' "$log")" -ge 2 ] && break; sleep 0.2; done
  check "address change under Wine: logged once" 1 "$(grep -c 'Network address table change!' "$log")"
  check "address change under Wine: a second pass" 2 "$(grep -c 'BytesPerSecond' "$log")"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
else
  fail "namespace for the address change"
fi
end_prefix
drop_netns "$ns"
