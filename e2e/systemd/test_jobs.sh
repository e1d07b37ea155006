# The slots' service control against what systemd really does: a start job
# queued behind a slow dependency (with systemd re-executing itself
# meanwhile), a stop job queued behind a dependent's ExecStop, oneshot units,
# and a unit waiting to be restarted after a failure. The slow steps wait for
# a gate file the test creates once it has seen the job queued.

# The tool is copied into the box: the box has /tmp, /var/tmp and /run of
# its own, so a work tree under one of them is not there.
CONTROL_TOOL="/opt/Kestro IP/control_tool"
in_box sh -c "cat >'$CONTROL_TOOL' && chmod 755 '$CONTROL_TOOL'" <"${CONTROL_TOOL_BUILT:-$ROOT/build/linux/control_tool}"
GATE='while [ ! -e /run/kestro-gate ]; do sleep 0.1; done'
unit() { printf '%b' "$2" | in_box sh -c "cat >/etc/systemd/system/$1.service"; }
unit gate '[Service]\nType=oneshot\nRemainAfterExit=yes\nExecStart=/bin/sh -c "'"$GATE"'"\n'
unit testc '[Unit]\nDescription=Test unit C\nRequires=gate.service\nAfter=gate.service\n[Service]\nExecStart=/bin/sleep infinity\n'
unit testd '[Unit]\nDescription=Test unit D\n[Service]\nExecStart=/bin/sleep infinity\n'
unit teste '[Unit]\nDescription=Test unit E\nRequires=testd.service\nAfter=testd.service\n[Service]\nExecStart=/bin/sleep infinity\nExecStop=/bin/sh -c "'"$GATE"'"\n'
unit testo '[Unit]\nDescription=Test unit O\n[Service]\nType=oneshot\nExecStart=/bin/true\n'
unit testf '[Unit]\nDescription=Test unit F\n[Service]\nType=oneshot\nExecStart=/bin/false\n'
unit testr '[Unit]\nDescription=Test unit R\n[Service]\nExecStart=/bin/false\nRestart=on-failure\nRestartSec=600\n'
in_box systemctl daemon-reload
write_settings
# control_tool in the box, in the background; its output lands in /run/control.out.
control_bg() { in_box sh -c "rm -f /run/control.out /run/kestro-gate; '$CONTROL_TOOL' service $1 $2 >/run/control.out 2>&1 &"; }
control_out() { wait_in_box 'grep -q "^result" /run/control.out' 150; in_box cat /run/control.out; }

# Start queued behind the gate. Meanwhile systemd re-executes itself while
# a query of the wait is in flight: systemd is held (SIGSTOP) until both the
# query and a daemon-reexec wait for it; the re-execution drops the query
# ("Message recipient disconnected from message bus without replying").
control_bg testc 1
wait_in_box 'systemctl list-jobs --no-legend | grep -q "testc.service *start *waiting"'
check "queued start: the unit is inactive meanwhile" inactive "$(in_box systemctl is-active testc)"
wait_in_box 'grep -q "C\.\." /run/control.out'
# 271 is ppoll: a bus call awaiting its answer (the wait's pauses are nanosleeps).
in_flight() { wait_in_box "[ \"\$(cut -d' ' -f1 /proc/\$(pidof $1)/syscall)\" = 271 ]" 10; }
kill -STOP "$BOX"
in_flight control_tool
in_box systemctl daemon-reexec &
reexec=$!
in_flight systemctl
kill -CONT "$BOX"
wait "$reexec"
check "queued start: daemon-reexec meanwhile" 0 $?
in_box touch /run/kestro-gate
out=$(control_out)
check_match "queued start through daemon-reexec: dots" '^Starting Test unit C\.\.+$' "$(sed -n 1p <<<"$out")"
check "queued start through daemon-reexec: started, result 0" "Test unit C started.

result 0" "$(sed 1d <<<"$out")"

# Stop queued behind the dependent's ExecStop.
in_box systemctl start teste
control_bg testd 0
wait_in_box 'systemctl list-jobs --no-legend | grep -q "testd.service *stop *waiting"'
wait_in_box 'grep -q "D\.\." /run/control.out'
check "queued stop: the unit is active meanwhile" active "$(in_box systemctl is-active testd)"
in_box touch /run/kestro-gate
out=$(control_out)
check_match "queued stop: dots" '^Stopping Test unit D\.\.+$' "$(sed -n 1p <<<"$out")"
check "queued stop: stopped, result 0" "Test unit D stopped.

result 0" "$(sed 1d <<<"$out")"

# A oneshot that ran to success has started; one that failed has not.
check "oneshot that succeeds: started" "Starting Test unit O.
Test unit O started.

result 0" "$(in_box "$CONTROL_TOOL" service testo 1)"
check "oneshot that fails: failed to start" "Starting Test unit F.
Test unit F failed to start.

result 16" "$(in_box "$CONTROL_TOOL" service testf 1)"

# Waiting to be restarted after a failure: already stopped, and it stays so.
in_box systemctl start --no-block testr
wait_in_box '[ "$(systemctl show -p SubState --value testr)" = auto-restart ]'
check "auto-restart: a stop request is already stopped" "
result 0" "$(in_box "$CONTROL_TOOL" service testr 0)"
check "auto-restart: the restart is cancelled" no \
  "$(in_box systemctl show -p SubState --value testr | grep -qx auto-restart && echo yes || echo no)"
check "auto-restart: logged as already stopped" "Service Test unit R is already stopped" \
  "$(in_box cat "$LOG" | tr -d '\r' | cut -c26- | tail -n 1)"
in_box systemctl stop teste testc gate
