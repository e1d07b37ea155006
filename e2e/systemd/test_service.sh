# The service run by systemd: a whole pass against 127.0.0.1 in the box's
# namespace, slot 1 starting a real unit (named in another case than its
# unit), slot 2 naming a unit that does not exist; the status line; a stop
# during a pass; a failing sweep that stops the units, one of them stuck
# activating.

write_agent 127.0.0.1
write_settings '"PingDelay"=dword:00000000' '"NumberOfPingSweeps"=dword:00000002' \
  '"Service1"="TestA"' '"Service2"="nosuch"'
in_box systemctl start kestro
check "start: active" active "$(in_box systemctl is-active kestro)"
wait_in_box "grep -q 'Done with starting service nosuch' $LOG"
log=$(in_box cat "$LOG" | tr -d '\r' | cut -c26-)
check "pass: both answers" 2 "$(grep -c '^Ping to 127.0.0.1: Got 1056 bytes' <<<"$log")"
check "pass: the slots' lines" "Starting service TestA ...
Done with starting service TestA
Starting service nosuch ...
Service nosuch couldn't be opened.
Done with starting service nosuch" "$(sed -n '/^BytesPerSecond/,$p' <<<"$log" | sed 1d)"
check "pass: the unit of slot 1 runs" active "$(in_box systemctl is-active testa)"
check_match "pass: progress names the unit by its description" 'Starting Test unit A\.+$' \
  "$(in_box journalctl -q -o cat -u kestro --no-pager)"
check_match "status line: the verdict" \
  '^127\.0\.0\.1: 2 of 2 answered, AvgTime [0-9]+\.[0-9]{2}; slot 1 start, slot 2 start, slot 3 start$' \
  "$(status_text)"
check "event: started" "Service was started, starting main loop. version $KESTRO_VERSION" "$(journal_entries)"

# A stop during a pass waits for it: the pass is in its PingDelay of 3 s.
write_settings '"PingDelay"=dword:00000003' '"NumberOfPingSweeps"=dword:00000001' '"Service1"="TestA"'
in_box sh -c ": >$LOG"
in_box systemctl restart kestro
# In the pass: its settings lines are in the log, its PingDelay has begun.
wait_in_box "test -s $LOG"
began=$(date +%s%N)
in_box systemctl stop kestro
took=$((($(date +%s%N) - began) / 1000000))
check "stop during a pass: waits for the pass (1.5 s to 60 s)" yes \
  "$([ "$took" -ge 1500 ] && [ "$took" -le 60000 ] && echo yes)"
check "stop: the pass ended first" "Done with starting service TestA" \
  "$(in_box cat "$LOG" | tr -d '\r' | cut -c26- | tail -n 1)"
check "stop: each start followed by its quit entry" "Service was started, starting main loop. version $KESTRO_VERSION
Quit on service stop request. version $KESTRO_VERSION
Service was started, starting main loop. version $KESTRO_VERSION
Quit on service stop request. version $KESTRO_VERSION" "$(journal_entries)"
check "stop: a clean end" "success|0|inactive" \
  "$(in_box systemctl show -p Result --value kestro)|$(in_box systemctl show -p ExecMainStatus --value kestro)|$(in_box systemctl is-active kestro)"

# A sweep that fails stops every slot's unit; the unit stuck activating
# never settles and is given up at once, not after two minutes.
in_box systemctl start --no-block testb
wait_in_box 'systemctl is-active testb | grep -qx activating'
write_agent kestro-nosuch.invalid
write_settings '"PingDelay"=dword:00000000' '"Service1"="TestA"' '"Service3"="testb"'
in_box sh -c ": >$LOG"
began=$(date +%s)
in_box systemctl start kestro
wait_in_box "grep -q 'stopping service testb' $LOG" 60
took=$(($(date +%s) - began))
log=$(in_box cat "$LOG" | tr -d '\r' | cut -c26-)
check "failing sweep: the unit of slot 1 stopped" inactive "$(in_box systemctl is-active testa)"
check "failing sweep: slot lines" "Stopping service TestA ...
Done with stopping service TestA
Stopping service testb ...
Waiting for service Test unit B to reach STOP or START state ...
Service Test unit B is not in state RUNNING nor in state STOPPED.
Error stopping service testb" "$(grep -E '^(Stopping|Done|Waiting|Service |Error stopping)' <<<"$log")"
check "failing sweep: the unsettled unit is given up within 30 s" yes "$([ "$took" -le 30 ] && echo yes)"
check "failing sweep: still activating" activating "$(in_box systemctl is-active testb)"
check_match "status line: the failed sweep" \
  '^kestro-nosuch\.invalid: sweep failed, ErrorCode [0-9]+; slot 1 stop, slot 2 stop, slot 3 stop$' "$(status_text)"
in_box systemctl stop kestro
in_box systemctl stop --no-block testb
