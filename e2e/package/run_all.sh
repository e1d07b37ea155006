#!/usr/bin/env bash
# The Debian package: lintian, then installation, the service, removal and
# purging on a real systemd booted in a throw-away box (e2e/systemd/box.sh) inside
# a network namespace made here, so that its sweeps stay there.
# Ends with "package: N passed, N failed"; where the box cannot boot, its
# cases are counted as skipped, with the reason on a line of their own.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
source "$ROOT/e2e/netns.sh"
BOX_SCRIPT=$ROOT/e2e/systemd/box.sh
PASSED=0
FAILED=0
SKIPPED=0
SKIP_REASON=
pass() { PASSED=$((PASSED + 1)); echo "ok: $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAILED: $1"; }
check() {
  if [ -n "$SKIP_REASON" ]; then SKIPPED=$((SKIPPED + 1)); echo "skipped: $1"; return; fi
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head; fi
}
finish() {
  if [ "$SKIPPED" -gt 0 ]; then
    echo "package: $PASSED passed, $FAILED failed, $SKIPPED skipped"
  else
    echo "package: $PASSED passed, $FAILED failed"
  fi
  [ "$FAILED" -eq 0 ]
  exit
}

deb=$(ls "$ROOT"/build/linux/kestro_*_amd64.deb 2>/dev/null | tail -n 1)
if [ -z "$deb" ]; then
  fail "kestro_<version>_amd64.deb built in build/linux (bash scripts/build.sh)"
  finish
fi
check "file name: kestro_<file version>_amd64.deb" \
  "kestro_$(sed -n 's/^set(KESTRO_FILE_VERSION "\(.*\)")$/\1/p' "$ROOT/CMakeLists.txt")_amd64.deb" \
  "$(basename "$deb")"
check "dependencies computed from the program" yes \
  "$(dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>= ' && echo yes)"

# Lintian: every finding, down to information and pedantic ones.
findings=$(lintian --info --pedantic "$deb" 2>/dev/null)
check "lintian: no findings" "" "$findings"

# The box, or the reason it cannot boot on this machine.
if [ "$(id -u)" -ne 0 ]; then
  SKIP_REASON="the systemd box needs root"
elif ! grep -qw overlay /proc/filesystems && ! modprobe overlay 2>/dev/null; then
  SKIP_REASON="no overlay file system for the systemd box"
elif ! grep -qE '^cgroup2? ' /proc/mounts; then
  SKIP_REASON="no cgroup file system for the systemd box"
elif [ ! -x /lib/systemd/systemd ]; then
  SKIP_REASON="systemd is not installed"
fi
ns=kestro-package-$$
dir=/var/tmp/kestro-package-$$
box=
if [ -z "$SKIP_REASON" ]; then
  if ! make_netns "$ns"; then
    fail "network namespace for the box"
    finish
  fi
  box=$("$BOX_SCRIPT" start "$dir" "$ns" 2>/dev/null) ||
    SKIP_REASON="systemd did not come up in the box"
fi
[ -n "$SKIP_REASON" ] && echo "skipping the package in a booted systemd: $SKIP_REASON"
cleanup() {
  [ -n "$box" ] && "$BOX_SCRIPT" stop "$box" "$dir"
  drop_netns "$ns"
  if [ -d "$dir" ]; then sleep 0.5; rmdir "$dir" 2>/dev/null; fi
}
trap cleanup EXIT

# in_box CMD...: runs a command inside the box (nothing when it is skipped).
in_box() { [ -z "$SKIP_REASON" ] && nsenter -t "$box" -m -p -- "$@"; }
# wait_for SECONDS CMD...: until the command succeeds in the box.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  while [ -z "$SKIP_REASON" ] && [ $SECONDS -lt $end ]; do
    in_box "$@" >/dev/null 2>&1 && return 0
    sleep 0.5
  done
  return 1
}
manager() {
  busctl call org.freedesktop.systemd1 /org/freedesktop/systemd1 org.freedesktop.systemd1.Manager "$@"
}
log=/var/log/kestro/Kestro-2.txt

# A container image's policy-rc.d (exit 101) would forbid the maintainer
# scripts to start or stop anything; the box stands for a real machine.
in_box rm -f /usr/sbin/policy-rc.d

# A unit for slot 1 to start: the service runs as root with only CAP_NET_RAW
# in its bounding set, which is what systemd's D-Bus lets start units
# (a user other than root is refused, whatever its capabilities).
in_box sh -c 'cat >/etc/systemd/system/slot-target.service <<EOF
[Service]
ExecStart=/bin/sleep infinity
EOF
systemctl daemon-reload'
check "D-Bus: root with only CAP_NET_RAW may start a unit" 0 \
  "$(in_box systemd-run --quiet --wait --pipe -p CapabilityBoundingSet=CAP_NET_RAW \
       busctl call org.freedesktop.systemd1 /org/freedesktop/systemd1 \
       org.freedesktop.systemd1.Manager StartUnit ss slot-target.service replace >/dev/null 2>&1
     echo $?)"
in_box systemctl stop slot-target.service
check "D-Bus: a user other than root may not, even with CAP_SYS_ADMIN" "1 inactive" \
  "$(in_box systemd-run --quiet --wait --pipe -p User=nobody -p AmbientCapabilities=CAP_SYS_ADMIN \
       busctl call org.freedesktop.systemd1 /org/freedesktop/systemd1 \
       org.freedesktop.systemd1.Manager StartUnit ss slot-target.service replace >/dev/null 2>&1
     echo $? "$(in_box systemctl is-active slot-target.service)")"

# Installation: files in place, the unit enabled and started. The box has a
# /tmp of its own, where a checkout under /tmp is not seen: the package goes in.
in_box sh -c 'cat >/tmp/package.deb' <"$deb"
out=$(in_box dpkg -i /tmp/package.deb 2>&1)
check "dpkg -i succeeds" 0 "$?"
[ -n "$SKIP_REASON" ] || [ -z "$(grep -i 'warn\|error' <<<"$out")" ] || echo "$out"
files=$(in_box dpkg -L kestro)
for f in /usr/sbin/kestro /usr/lib/systemd/system/kestro.service /etc/kestro/kestro.reg \
         /etc/default/kestro /usr/share/doc/kestro/README.md /usr/share/man/man8/kestro.8.gz \
         /usr/share/doc/kestro/docs/configuration.md /usr/share/doc/kestro/docs/kestro-alerts.yml; do
  check "installed: $f" yes "$(in_box test -f "$f" && grep -qx "$f" <<<"$files" && echo yes)"
done
check "the developers' documents stay out" "" "$(grep '/development.md$' <<<"$files")"
check "installed: /var/log/kestro, root's and its group's alone" "750 root" \
  "$(in_box stat -c '%a %U' /var/log/kestro)"
check "conffiles: the settings and the environment" \
  "$(printf '/etc/default/kestro\n/etc/kestro/kestro.reg')" \
  "$(in_box dpkg-query -W -f='${Conffiles}\n' kestro | awk 'NF {print $1}' | sort)"
check "the settings file is the template" yes \
  "$(in_box cat /etc/kestro/kestro.reg | cmp -s - "$ROOT/docs/kestro-settings.reg" && echo yes)"
check "the unit is enabled" enabled "$(in_box systemctl is-enabled kestro.service)"
wait_for 10 systemctl is-active --quiet kestro.service
check "the unit is started" active "$(in_box systemctl is-active kestro.service)"

# A whole pass against 127.0.0.1 with slot 1 starting slot-target.service.
in_box systemctl stop kestro.service
in_box rm -f "$log"
in_box sh -c 'mkdir -p /opt/agent/OXL/CONF
printf "[PEERHOSTS]\nOXLUILSR = 127.0.0.1\n" >/opt/agent/OXL/CONF/OXL.CNF
echo OXLROOT=/opt/agent >>/etc/default/kestro
printf "\"PingDelay\"=dword:00000000\n\"NumberOfPingSweeps\"=dword:00000004\n\"Service1\"=\"slot-target\"\n\"Command1\"=\"/bin/true\"\n\"Argument1\"=\"true\"\n" >>/etc/kestro/kestro.reg'
in_box systemctl start kestro.service 2>/dev/null
# Until slot 1 ran its command, or the service is no longer running.
wait_for 60 sh -c "grep -q 'Executing command /bin/true' $log || ! systemctl is-active --quiet kestro.service"
pass_log=$(in_box cat "$log" 2>/dev/null | tr -d '\r' | cut -d' ' -f3-)
check "pass: 4 answers from 127.0.0.1" 4 \
  "$(grep -c '^Ping to 127.0.0.1: Got 1056 bytes icmp_seq = [0-3] time: [0-9]* ms $' <<<"$pass_log")"
check "pass: the report" "ErrorCode 0 TotalCount 4 TimeoutCount 0" \
  "$(grep -E '^(ErrorCode|TotalCount|TimeoutCount) ' <<<"$pass_log" | tr '\n' ' ' | sed 's/ $//')"
check "pass: slot 1 starts its service and runs its command" \
  "$(printf 'Starting service slot-target ...\nDone with starting service slot-target\nExecuting command /bin/true  CommandLine: true start')" \
  "$(grep -E '^(Starting service|Done with starting|Executing command)' <<<"$pass_log" | head -n 3)"
check "pass: systemd started the slot's service" active \
  "$(in_box systemctl is-active slot-target.service)"
main=$(in_box systemctl show -P MainPID kestro.service)
check "the service runs as root with CAP_NET_RAW and ordinary file and signal powers" "0 000000000000203f" \
  "$(in_box awk '/^Uid:/ {u = $2} /^CapBnd:/ {c = $2} END {print u, c}' "/proc/${main:-0}/status" 2>/dev/null)"

# Removal stops and disables the unit and keeps the configuration.
out=$(in_box dpkg -r kestro 2>&1)
check "dpkg -r succeeds" 0 "$?"
check "removed: the unit is stopped" no \
  "$(in_box systemctl is-active --quiet kestro.service && echo yes || echo no)"
check "removed: the unit is no longer enabled" no \
  "$(in_box test -e /etc/systemd/system/multi-user.target.wants/kestro.service && echo yes || echo no)"
check "removed: the program is gone, the configuration stays" "no yes" \
  "$(in_box test -e /usr/sbin/kestro && echo yes || echo no) $(in_box test -f /etc/kestro/kestro.reg && echo yes || echo no)"

# Purging leaves no file of the package, nor its logs or systemd state.
out=$(in_box dpkg --purge kestro 2>&1)
check "dpkg --purge succeeds" 0 "$?"
left=
while read -r f; do
  [ -z "$f" ] || [ "$f" = /. ] && continue
  if in_box test -d "$f"; then
    # A folder stays only where another package owns it too.
    in_box dpkg-query -S "$f" >/dev/null 2>&1 || left+="$f "
  elif in_box test -e "$f" || in_box test -L "$f"; then
    left+="$f "
  fi
done <<<"$files"
check "purged: nothing of the package's files is left" "" "$left"
check "purged: no log, settings folder, unit link or helper state left" "" \
  "$(in_box find /etc /var /usr /run/systemd -path "$ROOT" -prune -o -name '*kestro*' -print 2>/dev/null)"
check "purged: dpkg no longer knows the package" "" \
  "$(in_box dpkg-query -W -f='${Status}' kestro 2>/dev/null)"

finish
