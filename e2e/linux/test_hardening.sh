# Attacks by a user other than root on the files the program trusts or
# writes, each run for real against the program running as root: a
# settings file anybody may write, a FIFO as the agent file, a read lock on
# the lock file, a log file replaced by a link.

h=$WORK/hardening
mkdir -p "$h"
chmod 711 "$WORK" "$h"  # the other user must reach the folders below
as_other() { setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"; }
# waitfor SECONDS FILE REGEX
waitfor() {
  local i
  for i in $(seq 1 $(($1 * 10))); do grep -qE -- "$3" "$2" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
# settings FILE LOGDIR [LINES...]: a settings file naming LOGDIR.
settings() {
  local file=$1 dir=$2
  shift 2
  { printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' "$dir"
    printf '%s\r\n' "$@"; } >"$file"
}
stop_kestro() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; }

if [ "$(id -u)" != 0 ]; then
  SKIPPED=$((${SKIPPED:-0} + 9))
  echo "linux: the hardening attacks need root (the program as root, the attacker as nobody): 9 skipped"
else
  # 1. A settings file that another user owns and everybody may write names
  # a command: refused, so the command does not run. Without a settings
  # file the log goes to /var/log/kestro: a private mount puts that here.
  ns=kestro-harden-$$
  mkdir -p "$h/agent/OXL/CONF" "$h/varlog/kestro" "$h/logs"
  printf '[PEERHOSTS]\nOXLUILSR=127.0.0.1\n' >"$h/agent/OXL/CONF/OXL.CNF"
  settings "$h/kestro.reg" "$h/logs" '"PingDelay"=dword:00000000' '"NumberOfPingSweeps"=dword:00000001' \
    '"Command1"="/bin/sh"' "\"Argument1\"=\"sh -c \\\"id -u >$h/owned\\\"\""
  run_pass() {
    KESTRO_REGISTRY=$h/kestro.reg OXLROOT=$h/agent unshare -m sh -c \
      'mount --bind "$1" /var/log && exec ip netns exec "$2" "$3" -direct' _ "$h/varlog" "$ns" "$KESTRO" \
      >/dev/null 2>&1 &
    pid=$!
    waitfor "$1" "$2" 'Executing command|BytesPerSecond' && sleep 1
    stop_kestro "$pid"
  }
  if make_netns "$ns"; then
    run_pass 10 "$h/logs/Kestro-2.txt"
    check "root's settings file: its command runs" 0 "$(cat "$h/owned" 2>/dev/null)"
    rm -f "$h/owned"
    chown 65534:65534 "$h/kestro.reg"
    chmod 666 "$h/kestro.reg"
    run_pass 30 "$h/varlog/kestro/Kestro-2.txt"
    check "another user's settings file: the command does not run" no "$([ -e "$h/owned" ] && echo yes || echo no)"
    check "another user's settings file: the log says why, at every reading" yes \
      "$(grep -q "The settings file \"$h/kestro.reg\" belongs to user 65534 and was not read" \
          "$h/varlog/kestro/Kestro-2.txt" && echo yes)"
  else
    fail "namespace for the settings attack"
  fi
  drop_netns "$ns"

  # 2. A FIFO in place of the agent file: refused at once, the passes go on.
  mkdir -p "$h/fifo/OXL/CONF" "$h/fifologs"
  mkfifo "$h/fifo/OXL/CONF/OXL.CNF"
  settings "$h/fifo.reg" "$h/fifologs"
  KESTRO_REGISTRY=$h/fifo.reg OXLROOT=$h/fifo "$KESTRO" -direct >/dev/null 2>&1 &
  pid=$!
  waitfor 10 "$h/fifologs/Kestro-2.txt" "Could not retrieve" && sleep 1.5
  stop_kestro "$pid"
  check "FIFO agent file: refused, with the reason" yes \
    "$(grep -q "The agent file \"$h/fifo/OXL/CONF/OXL.CNF\" is not a regular file and was not read" "$h/fifologs/Kestro-2.txt" && echo yes)"
  check "FIFO agent file: the passes go on" yes \
    "$([ "$(grep -c 'Could not retrieve Staging server' "$h/fifologs/Kestro-2.txt")" -ge 2 ] && echo yes)"

  # 3. Another user's read lock on the lock file held up every line for a
  # minute. A lock file an older version left open to everybody is narrowed
  # at the first line; from then on nobody else can even open it.
  mkdir -p "$h/lock"
  install -m 666 /dev/null "$h/lock/Kestro.lck"
  settings "$h/lock.reg" "$h/lock"
  KESTRO_REGISTRY=$h/lock.reg OXLROOT=$h/none "$KESTRO" -direct >/dev/null 2>&1 &
  pid=$!
  waitfor 10 "$h/lock/Kestro-2.txt" 'Interaktiver'
  as_other perl -e 'use Fcntl qw(:DEFAULT :seek); open(my $f, "<", $ARGV[0]) or exit 3;
    fcntl($f, F_SETLK, pack("s s x4 q q i x4", F_RDLCK, SEEK_SET, 0, 1, 0)) or exit 4; sleep 6' \
    "$h/lock/Kestro.lck" &
  locker=$!
  sleep 0.5
  before=$(wc -l <"$h/lock/Kestro-2.txt")
  sleep 2.5
  after=$(wc -l <"$h/lock/Kestro-2.txt")
  wait "$locker"
  locked=$?
  stop_kestro "$pid"
  check "lock file: another user cannot open it (0600), the log 0640" "3 600 640" \
    "$locked $(stat -c %a "$h/lock/Kestro.lck") $(stat -c %a "$h/lock/Kestro-2.txt")"
  check "lock file: lines go on being written" yes "$([ "$after" -gt "$before" ] && echo yes)"

  # 4. In a log folder everybody may write, another user's link in place of
  # the log would have made root append to the file it names.
  mkdir -p "$h/open"
  chmod 777 "$h/open"
  printf 'secret\n' >"$h/secret"
  chmod 600 "$h/secret"
  as_other ln -s "$h/secret" "$h/open/Kestro-2.txt"
  settings "$h/open.reg" "$h/open"
  KESTRO_REGISTRY=$h/open.reg OXLROOT=$h/none "$KESTRO" -direct >/dev/null 2>"$h/open.err" &
  pid=$!
  waitfor 10 "$h/open.err" "Can't open file"
  stop_kestro "$pid"
  check "linked log: the file it names is untouched" "secret" "$(cat "$h/secret")"
  check "linked log: not opened, as standard error says" "Can't open file \"$h/open/Kestro-2.txt\"." \
    "$(sort -u "$h/open.err")"
fi
