# The real program as a Windows service: install, start (a pass against
# 127.0.0.1), stop, remove, and the console cases. Event-log entries are read
# from Wine's event-log trace of the service processes.

new_prefix service
logs=$E2E_WORK/service-logs
agent=$E2E_WORK/service-agent
mkdir -p "$logs"
make_agent "$agent" 127.0.0.1
setting LogDir REG_SZ "$(dos_path "$logs")"
setting PingDelay REG_DWORD 0
setting NumberOfPingSweeps REG_DWORD 2
# Services take their environment from the system's.
wine reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v OXLROOT /t REG_SZ /d "$(dos_path "$agent")" /f >/dev/null 2>&1 </dev/null
wineserver -w
wineserver -p >/dev/null 2>&1
WINEDEBUG=-all,+eventlog,fixme+advapi wine cmd /c exit 0 >/dev/null 2>"$E2E_WORK/services.err" </dev/null

kestro() { wine "$KESTRO_EXE" "$@" </dev/null 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
reg_value() { wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
events() { grep -a -c -F "$1" "$E2E_WORK/services.err"; }

out=$(kestro -installservice); rc=$?
check "install: exit code 0" 0 "$rc"
check "install: message" "Kestro and IP Helper installed." "$out"
svc='HKLM\SYSTEM\CurrentControlSet\Services\Kestro'
exe=$(dos_path "$KESTRO_EXE")
case "$exe" in *' '*) image="\"$exe\" -service" ;; *) image="$exe -service" ;; esac
check "install: command line" "$image" "$(reg_value "$svc" ImagePath)"
check "install: automatic start, own process" "0x2 0x10" "$(reg_value "$svc" Start) $(reg_value "$svc" Type)"
check "install: display name" "Kestro and IP Helper" "$(reg_value "$svc" DisplayName)"
check "install: description" "IP helper for checking networked status. Start/stop services or run commands." "$(reg_value "$svc" Description)"
src='HKLM\System\CurrentControlSet\Services\EventLog\Application\Kestro'
check "install: event source" "$exe 0x7 $exe 0x1" \
  "$(reg_value "$src" EventMessageFile) $(reg_value "$src" TypesSupported) $(reg_value "$src" CategoryMessageFile) $(reg_value "$src" CategoryCount)"

out=$(kestro -installservice); rc=$?
check "install again: exit code 2" 2 "$rc"
case "$out" in "CreateService failed - "*) pass "install again: message" ;; *) fail "install again: message: $out" ;; esac

wine net start Kestro >/dev/null 2>&1 </dev/null
# Generous: beside a second whole run, Wine takes tens of seconds to start it.
if wait_for "$logs/Kestro-2.txt" 'BytesPerSecond' 120; then pass "service pass: report in the log"; else fail "service pass: report in the log"; fi
check "service pass: both answers" 2 "$(grep -c 'Ping to 127.0.0.1: Got 1056 bytes' "$logs/Kestro-2.txt")"
check "service start: event entry" 1 "$(events "L\"Service was started, starting main loop. version $KESTRO_VERSION\"")"
start=$SECONDS
wine net stop Kestro >/dev/null 2>&1 </dev/null
for _ in $(seq 1 100); do [ "$(events "L\"Quit on service stop request. version $KESTRO_VERSION\"")" = 1 ] && break; sleep 0.2; done
check "service stop: quit entry" 1 "$(events "L\"Quit on service stop request. version $KESTRO_VERSION\"")"
# The stop is taken at the next tick of the idle loop, not at the next
# hourly pass: seconds, however busy the machine.
check "service stop: taken without waiting for a pass" yes "$([ $((SECONDS - start)) -le 15 ] && echo yes)"
check "service stop: quit entry after the start entry" \
  "Service was started|Quit on service stop request" \
  "$(grep -a -o -E 'L"(Service was started|Quit on service stop request)' "$E2E_WORK/services.err" | cut -c3- | paste -sd '|')"

out=$(kestro -removeservice); rc=$?
check "remove while stopped" "0 Kestro and IP Helper removed." "$rc $out"
kestro -installservice >/dev/null
wine net start Kestro >/dev/null 2>&1 </dev/null
# The start request returns while the service may still be START_PENDING.
wait_service Kestro RUNNING 120
out=$(kestro -removeservice); rc=$?
check "remove while running: exit code 0" 0 "$rc"
case "$out" in "Stopping Kestro and IP Helper."*$'\n'"Kestro and IP Helper stopped."$'\n'"Kestro and IP Helper removed.")
  pass "remove while running: stops, then removes" ;; *) fail "remove while running: $out" ;; esac
# The service goes once the service manager has let go of it.
wait_service Kestro missing 60
out=$(kestro -removeservice); rc=$?
check "remove when missing: exit code 2" 2 "$rc"
case "$out" in "OpenService failed - "*) pass "remove when missing: message" ;; *) fail "remove when missing: $out" ;; esac
out=$(kestro -service); rc=$?
check "-service from a console" "8 StartServiceCtrlDispatcher failed." "$rc $out"
end_prefix
