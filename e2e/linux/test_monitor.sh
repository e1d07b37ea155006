# Direct mode for real on Linux, inside a namespace made here: a whole pass
# against 127.0.0.1 with a command in slot 1, then an address added to the
# namespace starts another pass; with the loopback down a third one fails its
# sweep, and StopAfter1 2 keeps the slot at "start"; with Observe set the
# fourth confirms the stop and only logs it.

ns=kestro-monitor-$$
mon=$WORK/monitor
mkdir -p "$mon/agent/OXL/CONF" "$mon/logs"
printf '[PEERHOSTS]\nOXLUILSR=127.0.0.1\n' >"$mon/agent/OXL/CONF/OXL.CNF"
printf '#!/bin/sh\necho "$@" >>"%s/record"\n' "$mon" >"$mon/record.sh"
chmod +x "$mon/record.sh"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n"NumberOfPingSweeps"=dword:00000002\r\n"Command1"="%s"\r\n"Argument1"="record.sh slot1"\r\n"StopAfter1"=dword:00000002\r\n' \
  "$mon/logs" "$mon/record.sh" >"$mon/kestro.reg"

if make_netns "$ns"; then
  KESTRO_REGISTRY=$mon/kestro.reg OXLROOT=$mon/agent ip netns exec "$ns" "$KESTRO" -direct >/dev/null 2>&1 &
  pid=$!
  log=$mon/logs/Kestro-2.txt
  for _ in $(seq 1 100); do grep -q 'Executing command' "$log" 2>/dev/null && break; sleep 0.1; done
  check "linux pass: both answers" 2 "$(grep -c 'Ping to 127.0.0.1: Got 1056 bytes' "$log")"
  check "linux pass: command ran with start" "slot1 start" "$(cat "$mon/record" 2>/dev/null)"
  sleep 1
  ip -n "$ns" addr add 198.51.100.5/24 dev lo
  for _ in $(seq 1 100); do [ "$(grep -c 'Executing command' "$log")" -ge 2 ] && break; sleep 0.1; done
  check "address change: logged" 1 "$(grep -c 'Network address table change!' "$log")"
  check "address change: a second pass after it" "Network address table change!|ErrorText " \
    "$(sed -n '/Network address table change!/,$p' "$log" | cut -c26- | tr -d '\r' | grep -E '^(Network|ErrorText)' | head -n 2 | paste -sd '|')"
  sleep 1
  ip -n "$ns" link set lo down
  ip -n "$ns" addr add 198.51.100.6/24 dev lo
  for _ in $(seq 1 100); do [ "$(grep -c 'Executing command' "$log")" -ge 3 ] && break; sleep 0.1; done
  check "StopAfter1 2: the failed sweep counted, slot 1 still started" \
    "Slot 1: the sweep failed its limits, 1 of 2 before stopping|slot1 start" \
    "$({ grep -o 'Slot 1: .*' "$log" | tr -d '\r'; tail -n 1 "$mon/record"; } | paste -sd '|')"
  # Observe: the next failed sweep confirms the stop, which is only logged.
  printf '"Observe"=dword:00000001\r\n' >>"$mon/kestro.reg"
  sleep 1
  ip -n "$ns" addr add 198.51.100.7/24 dev lo
  for _ in $(seq 1 100); do grep -q 'Observe: ' "$log" && break; sleep 0.1; done
  check "Observe: the stop logged, not run" \
    "Observe: slot 1 would run $mon/record.sh  CommandLine: record.sh slot1 stop|3" \
    "$({ grep -o 'Observe: .*' "$log" | tr -d '\r'; grep -c . "$mon/record"; } | paste -sd '|')"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
else
  fail "namespace for the monitor test"
fi
drop_netns "$ns"
