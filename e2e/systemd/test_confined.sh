# What the confined service still does: a pass whose agent file lies under
# /home (read-only to the service) and is another user's, readable to it
# alone, a slot's command, which starts with every signal at its default and
# without the service's notify socket (the service itself has SIGPIPE
# ignored by systemd), an address change seen by
# the watcher, its files with their own modes, and a restart after a crash.

in_box mkdir -p /home/agent/OXL/CONF
printf '[PEERHOSTS]\nOXLUILSR=127.0.0.1\n' | in_box sh -c 'cat >/home/agent/OXL/CONF/OXL.CNF'
# The agent keeps its file as its own user, readable to it alone.
in_box sh -c 'chown -R nobody: /home/agent && chmod -R go= /home/agent'
printf 'OXLROOT=/home/agent\n' | in_box sh -c 'cat >/etc/default/kestro'
printf '#!/bin/sh\n{ sed -n "s/^SigIgn:\\t//p" /proc/$$/status; echo "${NOTIFY_SOCKET-unset} $1"; } >>/var/tmp/slot1\n' |
  in_box sh -c 'cat >/usr/local/bin/slot1 && chmod 755 /usr/local/bin/slot1'
write_settings '"PingDelay"=dword:00000000' '"NumberOfPingSweeps"=dword:00000002' \
  '"Command1"="/usr/local/bin/slot1"' '"Argument1"="slot1"'
in_box sh -c ": >$LOG"
in_box systemctl start kestro
wait_in_box 'test -s /var/tmp/slot1'
check "confined: answers from the host named under /home" 2 \
  "$(in_box cat "$LOG" | grep -c 'Ping to 127.0.0.1: Got 1056 bytes')"
slot=$(in_box cat /var/tmp/slot1)
# Signals 1 to 31 of the ignored set (the C library keeps 32 and 33 to itself).
check "confined: the command ran with default signals, without the notify socket" "0|unset start" \
  "$((0x$(sed -n 1p <<<"$slot") & 0x7fffffff))|$(sed -n 2p <<<"$slot")"
# The first pass is over (its command ran): from here the log holds what
# the change brings. Passes are timed in whole seconds: a change in the
# second the last pass ended would not count as later.
sleep 1.5
in_box sh -c ": >$LOG"
ip -n "$NETNS" addr add 198.51.100.7/24 dev lo
wait_in_box "grep -q 'Executing command' $LOG" 30
check "confined: an address change starts another pass" "Network address table change!|Executing command" \
  "$(in_box cat "$LOG" | tr -d '\r' | cut -c26- | grep -E '^(Network|Executing)' | cut -c1-29 |
     sed 's/^Executing command.*/Executing command/' | paste -sd '|')"
check "confined: log folder 750, logs 640, lock file 600" "750 640 600" \
  "$(in_box stat -c %a /var/log/kestro /var/log/kestro/Kestro-2.txt /var/log/kestro/Kestro.lck | paste -sd ' ')"
# A crash is followed by a restart.
main=$(in_box systemctl show -P MainPID kestro)
in_box kill -SEGV "$main"
wait_in_box "[ \$(systemctl show -P NRestarts kestro) = 1 ] && systemctl is-active -q kestro" 20
check "confined: started again after a crash" "active|1" \
  "$(in_box systemctl is-active kestro)|$(in_box systemctl show -P NRestarts kestro)"
in_box systemctl stop kestro
printf 'OXLROOT=/opt/agent\n' | in_box sh -c 'cat >/etc/default/kestro'
