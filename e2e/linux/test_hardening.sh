# Attacks by a user other than root (nobody) on the files the program, as
# root, trusts or writes: a settings file anybody may write, a FIFO as the
# agent file, a read lock on the lock file, a log replaced by a link, a
# slot's program missing from a folder anybody may write, a script anybody
# may rewrite.

h=$WORK/hardening
mkdir -p "$h/agent/OXL/CONF" "$h/fifo/OXL/CONF" "$h/varlog/kestro" "$h/logs" "$h/lock" "$h/open" "$h/slots"
chmod 711 "$WORK" "$h"  # nobody must reach the folders below
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"; }
# settings NAME LOGDIR [LINES...]: $h/NAME.reg naming LOGDIR.
settings() {
  local file=$h/$1.reg dir=$2
  shift 2
  { printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' "$dir"
    printf '%s\r\n' "$@"; } >"$file"
}
# kestro_until SETTINGS OXLROOT SECONDS FILE REGEX [WRAPPER...]: -direct until
# FILE holds REGEX (then one second more), standard error in $h/err.
kestro_until() {
  local reg=$1 root=$2 seconds=$3 file=$4 regex=$5 pid i
  shift 5
  local pidfile
  pidfile=$(mktemp "$h/pid.XXXXXX")
  # The program's own PID, whatever wrapper runs it: the shell that writes it
  # becomes the program.
  KESTRO_REGISTRY=$h/$reg.reg OXLROOT=$root "$@" sh -c 'echo $$ >"$0"; exec "$1" -direct' "$pidfile" "$KESTRO" \
    >/dev/null 2>"$h/err" &
  pid=$!
  for i in $(seq 1 $((seconds * 10))); do grep -qE -- "$regex" "$file" 2>/dev/null && sleep 1 && break; sleep 0.1; done
  for i in $(seq 1 50); do [ -s "$pidfile" ] && break; sleep 0.1; done
  [ -s "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -f "$pidfile"
}

if [ "$(id -u)" != 0 ]; then
  SKIPPED=$((${SKIPPED:-0} + 9))
  echo "linux: the attacks need root (the program as root, the attacker as nobody): 9 skipped"
else
  # A settings file naming a command: run while it is root's; refused once
  # nobody owns it and anybody may write it. Without settings the log goes
  # to /var/log/kestro, which a private mount puts under $h.
  ns=kestro-harden-$$
  printf '[PEERHOSTS]\nOXLUILSR=127.0.0.1\n' >"$h/agent/OXL/CONF/OXL.CNF"
  settings run "$h/logs" '"PingDelay"=dword:00000000' '"NumberOfPingSweeps"=dword:00000001' \
    '"Command1"="/bin/sh"' "\"Argument1\"=\"sh -c \\\"id -u >$h/owned\\\"\""
  in_ns() { unshare -m sh -c 'mount --bind "$0" /var/log && exec ip netns exec "$@"' "$h/varlog" "$ns" "$@"; }
  if make_netns "$ns"; then
    kestro_until run "$h/agent" 10 "$h/logs/Kestro-2.txt" 'Executing command' in_ns
    check "root's settings file: its command runs" 0 "$(cat "$h/owned" 2>/dev/null)"
    rm -f "$h/owned"
    chown 65534:65534 "$h/run.reg" && chmod 666 "$h/run.reg"
    kestro_until run "$h/agent" 30 "$h/varlog/kestro/Kestro-2.txt" 'BytesPerSecond' in_ns
    check "nobody's settings file: the command does not run, the log says why" "no|yes" \
      "$([ -e "$h/owned" ] && echo yes || echo no)|$(grep -q "The settings file \"$h/run.reg\" belongs to user 65534 and was not read" \
         "$h/varlog/kestro/Kestro-2.txt" && echo yes)"
  else
    fail "namespace for the settings attack"
  fi
  drop_netns "$ns"

  # A FIFO as the agent file hung the program for good.
  mkfifo "$h/fifo/OXL/CONF/OXL.CNF"
  settings fifo "$h/logs"
  : >"$h/logs/Kestro-2.txt"
  kestro_until fifo "$h/fifo" 10 "$h/logs/Kestro-2.txt" 'Could not retrieve'
  check "FIFO agent file: refused with the reason, the pass goes on" "yes|yes" \
    "$(grep -q "The agent file \"$h/fifo/OXL/CONF/OXL.CNF\" is not a regular file and was not read" "$h/logs/Kestro-2.txt" && echo yes)|$(
       grep -q 'Could not retrieve Staging server' "$h/logs/Kestro-2.txt" && echo yes)"

  # nobody's read lock on the lock file held up every line for a minute. A
  # lock file an older version left open to everybody is narrowed at once.
  install -m 666 /dev/null "$h/lock/Kestro.lck"
  settings lock "$h/lock"
  kestro_until lock "$h/none" 7 /dev/null never &
  runner=$!
  sleep 2
  as_nobody perl -e 'use Fcntl qw(:DEFAULT :seek); open(my $f, "<", $ARGV[0]) or exit 3;
    my $l = pack("s s x4 q q i x4", F_RDLCK, SEEK_SET, 0, 1, 0); fcntl($f, F_SETLK, $l) or exit 4; sleep 8' \
    "$h/lock/Kestro.lck" &
  locker=$!
  sleep 1.5
  before=$(grep -c . "$h/lock/Kestro-2.txt")
  printf '"PingDelay"=dword:00000000\r\n' >>"$h/lock.reg"  # the next attempt's lines differ
  sleep 2.5
  after=$(grep -c . "$h/lock/Kestro-2.txt")
  wait "$runner"
  wait "$locker"
  check "lock file: nobody cannot open it; lock 600, log 640" "3 600 640" \
    "$? $(stat -c %a "$h/lock/Kestro.lck" "$h/lock/Kestro-2.txt" | paste -sd ' ')"
  check "lock file: lines go on being written" yes "$([ "$after" -gt "$before" ] && echo yes)"

  # In a log folder anybody may write, nobody's link in place of the log made
  # root append to the file it names.
  chmod 777 "$h/open"
  printf 'secret\n' >"$h/secret" && chmod 600 "$h/secret"
  as_nobody ln -s "$h/secret" "$h/open/Kestro-2.txt"
  settings open "$h/open"
  kestro_until open "$h/none" 10 "$h/err" "Can't open file"
  check "linked log: the file it names is untouched" secret "$(cat "$h/secret")"
  check "linked log: not opened, as standard error says" "Can't open file \"$h/open/Kestro-2.txt\"." \
    "$(sort -u "$h/err")"

  # Slot 1 names a program not there yet in a folder anybody may write
  # (nobody could put his own there before it starts); slot 2 gives the
  # shell a script anybody may rewrite. Neither runs; the log says why.
  mkdir -m 1777 "$h/drop"
  printf '#!/bin/sh\nid -u >"%s/scripted"\n' "$h" >"$h/job.sh" && chmod 666 "$h/job.sh"
  settings slots "$h/slots" '"PingDelay"=dword:00000000' '"NumberOfPingSweeps"=dword:00000001' \
    "\"Command1\"=\"$h/drop/job\"" '"Command2"="/bin/sh"' "\"Argument2\"=\"sh $h/job.sh\""
  ns=kestro-slots-$$
  if make_netns "$ns"; then
    kestro_until slots "$h/agent" 10 "$h/slots/Kestro-2.txt" 'job.sh was not run' ip netns exec "$ns"
    check "missing program in an open folder: refused" \
      "Command $h/drop/job was not run: it lies in \"$h/drop\", which others than its owner may write" \
      "$(grep -o 'Command .*/drop/job was not run.*' "$h/slots/Kestro-2.txt" | tr -d '\r')"
    check "script anybody may rewrite: not run" \
      "no|Command $h/job.sh was not run: it may be written by others than its owner" \
      "$([ -e "$h/scripted" ] && echo yes || echo no)|$(grep -o 'Command .*job.sh was not run.*' "$h/slots/Kestro-2.txt" | tr -d '\r')"
  else
    fail "namespace for the slots' attack"
  fi
  drop_netns "$ns"
fi
