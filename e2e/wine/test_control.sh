# Service and command control of the real program code under Wine: a test
# service started and stopped, and a recorder command run with "start" and
# "stop".

CONTROL_EXE=${CONTROL_EXE:-$KESTRO_WIN_BUILD/control_tool.exe}
SERVICE_EXE=$KESTRO_WIN_BUILD/test_service.exe
RECORDER_EXE=$KESTRO_WIN_BUILD/recorder.exe

new_prefix control
start_services
recorder=$(installed_copy "$RECORDER_EXE")
logs=$E2E_WORK/control-logs
mkdir -p "$logs"
setting LogDir REG_SZ "$(dos_path "$logs")"
wine sc create KestroTestSvc binpath= "$(dos_path "$SERVICE_EXE")" >/dev/null 2>&1 </dev/null
control() { wine "$CONTROL_EXE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
last_log() { tail -n "${1:-1}" "$logs/Kestro-2.txt" | cut -c26- | tr -d '\r'; }

check "start a stopped service: progress and result" \
  "$(printf 'Starting KestroTestSvc..\nKestroTestSvc started.\n\nresult 0')" "$(control service KestroTestSvc 1)"
check "service is running" "4  RUNNING" "$(wine sc query KestroTestSvc </dev/null 2>/dev/null | tr -d '\r' | grep -o '4  RUNNING')"
check "start a running service: nothing sent" "$(printf '\nresult 0')" "$(control service KestroTestSvc 1)"
check "start a running service: logged" "Service KestroTestSvc is already running" "$(last_log)"
check "stop a running service" \
  "$(printf 'Stopping KestroTestSvc..\nKestroTestSvc stopped.\n\nresult 0')" "$(control service KestroTestSvc 0)"
control service KestroTestSvc 0 >/dev/null
check "stop a stopped service: logged" "Service KestroTestSvc is already stopped" "$(last_log)"
control service NoSuchService 1 >/dev/null
check "missing service: logged by its name" "Service NoSuchService couldn't be opened." "$(last_log)"

# Where only administrators may change it: a file an argument names is
# judged as the program is, once it is there.
record=$WINEPREFIX/drive_c/tools/recorder.txt
rec_arg='recorder.exe C:\tools\recorder.txt'
check "command with start: result" "result 0" "$(control command "$recorder" "$rec_arg 0 0" 1)"
check "command with start: the child's command line" "commandline=$rec_arg 0 0 start" "$(tr -d '\r' <"$record")"
check "command with start: one log line" "Executing command $recorder  CommandLine: $rec_arg 0 0 start" "$(last_log)"
rm -f "$record"
check "command with stop and exit code 3: result" "result 3" "$(control command "$recorder" "$rec_arg 0 3" 0)"
check "command with stop: the child's command line" "commandline=$rec_arg 0 3 stop" "$(tr -d '\r' <"$record")"
case "$(last_log)" in "Error number 3 : "*) pass "exit code 3 logged" ;; *) fail "exit code 3 logged: $(last_log)" ;; esac
# A missing program in a folder only administrators may change.
control command 'C:\tools\missing.exe' "missing.exe" 1 >/dev/null
case "$(last_log)" in "Error creating process "*"(0x2)!") pass "missing program logged with error 2" ;;
  *) fail "missing program logged with error 2: $(last_log)" ;; esac
control command "$recorder" "$rec_arg 8 0" 1 >/dev/null
# A dot every few seconds of the wait: 2 or 3 of them, more on a slow,
# loaded or emulated machine.
progress=$(tail -n 9 "$logs/Kestro-2.txt" | cut -c26- | tr -d '\r' | tr '\n' '|')
if grep -qE '(^|\|)Waiting for child to exit\|(\.\|){2,7} done\.\|$' <<<"$progress"; then
  pass "eight-second child: progress lines"
else
  fail "eight-second child: progress lines: $progress"
fi
end_prefix
