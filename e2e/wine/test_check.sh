# "-check": a broken configuration, then the same mended; nothing in the log
# folder, no event-log entry (read from Wine's event-log trace).

new_prefix check
c=$E2E_WORK/check
mkdir -p "$c/agent/OXL/CONF"
printf '[OTHER]\r\nOXLUILSR=127.0.0.1\r\n' >"$c/agent/OXL/CONF/OXL.CNF"
setting LogDir REG_SZ "$(dos_path "$c/logs")"
setting PingDelay REG_SZ 5
setting Service1 REG_SZ NoSuchService
setting Command2 REG_SZ 'C:\no\such.exe'
check_run() {
  OXLROOT=$(dos_path "$c/agent") WINEDEBUG=-all,+eventlog wine "$KESTRO_EXE" -check \
    </dev/null >"$c/out" 2>"$c/trace"
  local rc=$?
  tr -d '\r' <"$c/out" >"$c/lines"
  return $rc
}
check_run
check "-check broken: exit code 16|32|64|128" 240 $?
check "-check broken: findings" "$(cat <<EOT
Could not read SOFTWARE\\Morvane\\Kestro\\PingDelay: not a REG_DWORD, 5 is used
Could not retrieve Staging server from $(dos_path "$c/agent")\\OXL\\CONF\\OXL.CNF
Log folder: "$(dos_path "$c/logs")" does not exist
Slot commands are judged for the service's account, LocalSystem
Slot 1: service "NoSuchService" is unknown
Slot 2: command "C:\\no\\such.exe" does not exist
Slot 3: no service, no command
Check failed (exit code 240): settings, staging server, folders, slots
EOT
)" "$(grep -v ' is not set: its default ' "$c/lines")"
check "-check broken: 15 values not set, no finding" 15 "$(grep -c ' is not set: its default ' "$c/lines")"

printf '[PEERHOSTS]\r\nOXLUILSR=127.0.0.1\r\n' >"$c/agent/OXL/CONF/OXL.CNF"
mkdir -p "$c/logs"
for n in PingPacketSize PingDelay NumberOfPingSweeps PingResponse{1,2,3} PingTimeOut{1,2,3}; do
  setting "$n" REG_DWORD 1
done
for n in Service{2,3} Command{1,3} Argument{1,2,3}; do setting "$n" REG_SZ ''; done
setting Service1 REG_SZ RpcSs
setting Command2 REG_SZ 'C:\windows\system32\cmd.exe'
check_run
check "-check mended: exit code 0" 0 $?
check "-check mended: findings" "$(cat <<EOT
Settings: every value of SOFTWARE\\Morvane\\Kestro read
Staging server: 127.0.0.1 (from "$(dos_path "$c/agent")\\OXL\\CONF\\OXL.CNF")
Staging server address: 127.0.0.1 (IPv4)
Log folder: "$(dos_path "$c/logs")" is usable
Slot commands are judged for the service's account, LocalSystem
Slot 1: service "RpcSs" is known
Slot 2: command "C:\\windows\\system32\\cmd.exe" may be run
Slot 3: no service, no command
Check passed: a pass has everything it needs.
EOT
)" "$(cat "$c/lines")"
check "-check: nothing in the log folder" "" "$(ls -A "$c/logs")"
setting StopAfter1 REG_DWORD 2
setting RecheckDelay REG_DWORD 60
check_run
check "-check: StopAfter1 and RecheckDelay read" \
  "Passes: PassSplay 0, RecheckDelay 60, StopAfter 2 1 1, StartAfter 1 1 1|Check passed: a pass has everything it needs." \
  "$(grep -e '^Passes: ' -e '^Warning' -e '^Check' "$c/lines" | paste -sd '|')"
# A policy value wins; once the policy key is gone, the own key's is read again.
wine reg add 'HKLM\SOFTWARE\Policies\Morvane\Kestro' /v RecheckDelay /t REG_DWORD /d 90 /f >/dev/null 2>&1 </dev/null
check_run
wine reg delete 'HKLM\SOFTWARE\Policies\Morvane\Kestro' /f >/dev/null 2>&1 </dev/null
check "-check: the policy's RecheckDelay wins" "RecheckDelay 90" "$(grep -o 'RecheckDelay [0-9][0-9]*' "$c/lines")"
check_run
check "-check: the policy removed, the own key's again" "RecheckDelay 60" "$(grep -o 'RecheckDelay [0-9][0-9]*' "$c/lines")"
check "-check: no event-log entry" 0 "$(grep -a -c 'ReportEvent' "$c/trace")"
end_prefix
