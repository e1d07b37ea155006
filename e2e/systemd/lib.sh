# Shared helpers of the tests under a real systemd: one box (box.sh) in a
# network namespace made here, the program copied into it, every check run
# inside it with nsenter.
set -u
SYSTEMD_E2E=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$SYSTEMD_E2E/../.." && pwd)
KESTRO_VERSION=$("$ROOT/scripts/version.sh")
KESTRO=${KESTRO:-$ROOT/build/linux/kestro}
PASSED=0
FAILED=0
BOX=
NETNS=kestro-systemd-$$
BOXDIR=/var/tmp/kestro-systemd-$$
# Inside the box: a directory with a blank, so the unit's ExecStart must quote it.
PROGRAM="/opt/Kestro IP/kestro"
LOG=/var/log/kestro/Kestro-2.txt

pass() { PASSED=$((PASSED + 1)); echo "ok: $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAILED: $1"; }
check() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head; fi; }
# check_match NAME REGEX TEXT
check_match() { if grep -qE -- "$2" <<<"$3"; then pass "$1"; else fail "$1"; printf '  wanted /%s/ in:\n%s\n' "$2" "$3" | head -n 20; fi; }

# A command inside the box.
in_box() { nsenter -t "$BOX" -m -p -- "$@"; }
# Waits up to $2 seconds (default 30) for the shell condition $1, run in the box.
wait_in_box() {
  local i
  for i in $(seq 1 $((${2:-30} * 10))); do in_box sh -c "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
# The program's lines in the journal (event entries carry the ident "Kestro").
journal_entries() { in_box journalctl -q -o cat -t Kestro --no-pager; }
status_text() { in_box systemctl show -p StatusText --value kestro; }

# The settings file of the box: the values given as "Name"=... lines.
write_settings() {
  { printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n'
    printf '%s\r\n' "$@"; } | in_box sh -c 'mkdir -p /etc/kestro && cat >/etc/kestro/kestro.reg'
}
write_agent() {
  printf '[PEERHOSTS]\nOXLUILSR=%s\n' "$1" |
    in_box sh -c 'mkdir -p /opt/agent/OXL/CONF && cat >/opt/agent/OXL/CONF/OXL.CNF'
}

box_down() {
  if [ -n "$BOX" ]; then "$SYSTEMD_E2E/box.sh" stop "$BOX" "$BOXDIR"; BOX=; fi
  ip netns del "$NETNS" 2>/dev/null || true
}

# Boots the box; on failure sets BOX_REASON and returns 1.
box_up() {
  BOX_REASON=
  if [ "$(id -u)" != 0 ]; then BOX_REASON="not root"; return 1; fi
  if [ ! -x "$KESTRO" ]; then BOX_REASON="$KESTRO not built"; return 1; fi
  if [ ! -x /lib/systemd/systemd ]; then BOX_REASON="systemd is not installed"; return 1; fi
  if ! ip netns add "$NETNS" 2>/dev/null || ! ip -n "$NETNS" link set lo up; then
    BOX_REASON="no network namespace"; return 1
  fi
  local err
  err=$(mktemp)
  BOX=$("$SYSTEMD_E2E/box.sh" start "$BOXDIR" "$NETNS" 2>"$err") || BOX=
  if [ -z "$BOX" ]; then
    BOX_REASON="the box did not boot: $(tr '\n' ' ' <"$err")"
    rm -f "$err"
    return 1
  fi
  rm -f "$err"
  # The program, the agent's file, the environment of the service and the
  # units the slots control, all inside the box.
  in_box mkdir -p "$(dirname "$PROGRAM")" /var/log/kestro
  in_box sh -c "cat >'$PROGRAM' && chmod 755 '$PROGRAM'" <"$KESTRO"
  printf 'OXLROOT=/opt/agent\n' | in_box sh -c 'cat >/etc/default/kestro'
  printf '[Unit]\nDescription=Test unit A\n[Service]\nExecStart=/bin/sleep infinity\n' |
    in_box sh -c 'cat >/etc/systemd/system/testa.service'
  # Never reports ready: stays activating.
  printf '[Unit]\nDescription=Test unit B\n[Service]\nType=notify\nExecStart=/bin/sleep infinity\nTimeoutStartSec=infinity\n' |
    in_box sh -c 'cat >/etc/systemd/system/testb.service'
  in_box systemctl daemon-reload
}
