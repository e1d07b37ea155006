# A whole pass in direct mode: a sweep of 127.0.0.1, a recorder command in
# slot 1 and a test service in slot 2, each slot's first word an event
# entry of its own ID (EventOnChange, read from Wine's event-log trace); and
# without an agent file, attempts on every tick.

new_prefix direct_pass
start_services
logs=$E2E_WORK/pass-logs
agent=$E2E_WORK/pass-agent
record=$E2E_WORK/pass-record.txt
mkdir -p "$logs"
make_agent "$agent" 127.0.0.1
setting LogDir REG_SZ "$(dos_path "$logs")"
setting PingDelay REG_DWORD 0
setting NumberOfPingSweeps REG_DWORD 3
# No limit on the mean answer time: on a loaded machine Wine's answers to
# 127.0.0.1 take tens of milliseconds, and this pass is about the order of
# the steps, not about the verdict.
setting PingResponse1 REG_DWORD 0
setting PingResponse2 REG_DWORD 0
recorder=$(installed_copy "$KESTRO_WIN_BUILD/recorder.exe")
setting Command1 REG_SZ "$recorder"
setting Argument1 REG_SZ "recorder.exe $(dos_path "$record") 0 0"
setting Service2 REG_SZ KestroTestSvc
setting EventOnChange REG_DWORD 1
wine sc create KestroTestSvc binpath= "$(dos_path "$KESTRO_WIN_BUILD/test_service.exe")" >/dev/null 2>&1 </dev/null

OXLROOT=$(dos_path "$agent") WINEDEBUG=-all,+eventlog,fixme+advapi wine "$KESTRO_EXE" -direct >/dev/null 2>"$E2E_WORK/pass.err" </dev/null &
pid=$!
# Generous: an emulated machine starts each process in seconds.
if wait_for "$logs/Kestro-2.txt" 'Done with starting service KestroTestSvc' 120; then
  pass "direct pass: reaches slot 2"
else
  fail "direct pass: reaches slot 2"
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
messages=$(cut -c26- "$logs/Kestro-2.txt" | tr -d '\r' | grep -v '^Could not read')
check "direct pass: lines in order" \
  "$(printf '%s\n' '' 'Interaktiver aufruf...' 'ErrorText ' 'ErrorCode 0' 'Packets 3' 'PacketSize 1024' 'TotalCount 3' 'TimeoutCount 0' \
     "Executing command $recorder  CommandLine: recorder.exe $(dos_path "$record") 0 0 start" \
     'Starting service KestroTestSvc ...' 'Done with starting service KestroTestSvc')" \
  "$(grep -v -E '^(Ping to|MinTime|MaxTime|AvgTime|Timeout |SumTime|BytesPerSecond)' <<<"$messages")"
check "direct pass: three answers" 3 "$(grep -c '^Ping to 127.0.0.1: Got 1056 bytes icmp_seq = [0-2] time: ' <<<"$messages")"
check "direct pass: the command saw start" "commandline=recorder.exe $(dos_path "$record") 0 0 start" "$(tr -d '\r' <"$record")"
check "direct pass: the service runs" "4  RUNNING" "$(wine sc query KestroTestSvc </dev/null 2>/dev/null | tr -d '\r' | grep -o '4  RUNNING')"
# Information (4), category 956 (0x3bc), event ID 958 (0x3be), one string,
# as Wine traces the call.
check "EventOnChange: an entry of ID 958 a slot" "2 2" \
  "$(grep -a -c 'ReportEventA (.*,0x0004,0x03bc,0x000003be,' "$E2E_WORK/pass.err") $(grep -a -c -e 'L"Slot 1 began with start: service (none), command ' \
     -e 'L"Slot 2 began with start: service KestroTestSvc, command (none); TimeoutCount 0, AvgTime ' "$E2E_WORK/pass.err")"

# No agent file: two attempts a tick, each opening the agent file (in Wine's
# stamped file trace). The process is ended at some moment of its work, so
# only whole ticks before that are judged.
rm -f "$logs/Kestro-2.txt"
OXLROOT=$(dos_path "$E2E_WORK/none") WINEDEBUG=-all,+eventlog,+timestamp,+file wine "$KESTRO_EXE" -direct >/dev/null 2>"$E2E_WORK/direct.err" </dev/null &
pid=$!
attempts() { grep -a 'trace:file:CreateFileW L".*OXL\\\\CONF\\\\OXL\.CNF"' "$E2E_WORK/direct.err"; }
attempt_count() { attempts | grep -c .; }
for _ in $(seq 1 150); do [ "$(attempt_count)" -ge 7 ] && break; sleep 0.2; done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
attempts=$(attempt_count)
entries=$(grep -a -c -F 'L"Quillmesh STAGINGSERVER isn'"'"'t defined."' "$E2E_WORK/direct.err")
check "no agent file: attempts repeat every tick" yes "$([ "$attempts" -ge 7 ] && echo yes)"
# The event entry at the first attempt only: at most one an hour after it.
check "no agent file: one event entry for all attempts" 1 "$entries"
# The stamps (seconds) of attempts 2 to 7; a tick's two attempts follow each
# other at once, the next tick comes after the one-second sleep. The first
# attempt is left out: it writes its lines in full, which under emulation
# can take longer than a second.
gaps=$(attempts | sed -n 2,7p |
  awk -F: '{ ms = $1 * 1000; if (NR > 1) { printf "%s%s", sep, (ms - p < 900 ? "pair" : "tick"); sep = " " }
         p = ms }')
check "no agent file: two attempts a tick" "tick pair tick pair tick" "$gaps"
end_prefix
