# Shared helpers of the end-to-end tests under Wine. Each test gets a copy of
# one template prefix and its own wineserver, ended when the test ends.
# The architecture (win32 or win64, each its own build) comes from
# KESTRO_WINE_ARCH, else from what this machine can run.
set -u

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_ROOT=$(cd "$E2E_ROOT/../.." && pwd)
KESTRO_VERSION=$("$REPO_ROOT/scripts/version.sh")
source "$REPO_ROOT/scripts/wine-arch.sh"
kestro_probe_win32
kestro_use_arch "$KESTRO_WINE_ARCH" || exit 1
# The name of this run in its summary line: wine32 or wine64.
E2E_NAME=wine${KESTRO_WINE_ARCH#win}
if [ "$KESTRO_WINE_ARCH" = win32 ] && [ "$KESTRO_WIN32" != yes ]; then
  echo "$E2E_NAME: cannot run here: $KESTRO_WIN32_REASON"
  exit 1
fi
E2E_WORK=${E2E_WORK:-$(mktemp -d /tmp/kestro-e2e-XXXXXX)}
TEMPLATE_PREFIX=$E2E_WORK/template

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

PASSED=0
FAILED=0
SKIPPED=0

# A template prefix, made once per run: crash dialogs off, so a crash ends
# the process at once instead of waiting in a debugger.
make_template() {
  [ -d "$TEMPLATE_PREFIX/drive_c" ] && return 0
  WINEPREFIX=$TEMPLATE_PREFIX wineboot -i >/dev/null 2>&1
  WINEPREFIX=$TEMPLATE_PREFIX wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
  WINEPREFIX=$TEMPLATE_PREFIX wineserver -w
}

# new_prefix NAME: a fresh copy of the template for one test.
new_prefix() {
  export WINEPREFIX=$E2E_WORK/$1
  rm -rf "$WINEPREFIX"
  cp -a "$TEMPLATE_PREFIX" "$WINEPREFIX"
}

# A wineserver that outlives the processes, as services need, with the
# service processes' output sent away from the test's pipes.
start_services() {
  wineserver -p >/dev/null 2>&1
  wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
}

# Ends this test's wineserver and every process of its prefix.
end_prefix() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# The path of a Linux file as the program sees it.
dos_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# installed_copy FILE: FILE copied into the prefix's C:\tools, and its path
# there. A slot's program is run only from folders nobody else may change,
# and Wine shows a sticky folder such as /tmp, above a clone or the work
# folder, as one everybody may change.
installed_copy() {
  mkdir -p "$WINEPREFIX/drive_c/tools"
  cp "$1" "$WINEPREFIX/drive_c/tools/"
  printf 'C:\\tools\\%s' "$(basename "$1")"
}

# setting NAME REG_TYPE DATA: one value under the program's settings key.
setting() {
  wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1 </dev/null
}

# make_agent DIR HOST: an agent configuration under DIR naming HOST.
make_agent() {
  mkdir -p "$1/OXL/CONF"
  printf '[PEERHOSTS]\r\nOXLUILSR=%s\r\n' "$2" >"$1/OXL/CONF/OXL.CNF"
}

pass() { PASSED=$((PASSED + 1)); echo "ok: $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAILED: $1"; }
# skip NAME REASON: a check that cannot run on this machine.
skip() { SKIPPED=$((SKIPPED + 1)); echo "skipped: $1: $2"; }

# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" = "$3" ]; then pass "$1"; else
    fail "$1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20
  fi
}

# run_direct LOGFILE [EXE]: starts EXE (the build under test) -direct, waits
# for its start lines in LOGFILE, ends it; true when they came.
run_direct() {
  wine "${2:-$KESTRO_EXE}" -direct >/dev/null 2>&1 &
  local pid=$!
  wait_for "$1" 'Interaktiver aufruf' 30
  local found=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $found
}

# wait_service NAME STATE SECONDS: true once the service manager gives NAME
# in STATE (RUNNING, STOPPED, ...; "missing" when it knows no such service).
wait_service() {
  local end=$((SECONDS + $3)) state
  while state=$(wine sc query "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^ *STATE *: [0-9]* *//p')
    [ "${state:-missing}" != "$2" ]; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.5
  done
}

# wait_for FILE PATTERN SECONDS: true once FILE holds a line matching PATTERN.
wait_for() {
  local end=$((SECONDS + $3))
  while [ $SECONDS -lt $end ]; do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

finish() {
  rm -rf "$E2E_WORK"
  if [ "$SKIPPED" -gt 0 ]; then
    echo "$E2E_NAME: $PASSED passed, $FAILED failed, $SKIPPED skipped"
  else
    echo "$E2E_NAME: $PASSED passed, $FAILED failed"
  fi
  [ "$FAILED" -eq 0 ]
}

source "$E2E_ROOT/../netns.sh"

# wine_in_netns NS ARGS...: runs wine with its server started inside the
# namespace, name look-ups kept to a hosts file of the test's own.
wine_in_netns() {
  local ns=$1
  shift
  mkdir -p "$E2E_WORK/nss"
  echo 'hosts: files' >"$E2E_WORK/nss/nsswitch.conf"
  printf '127.0.0.1 localhost\n' >"$E2E_WORK/nss/hosts"
  ip netns exec "$ns" unshare -m sh -c \
    'mount --bind "$0/nsswitch.conf" /etc/nsswitch.conf && mount --bind "$0/hosts" /etc/hosts && exec "$@"' \
    "$E2E_WORK/nss" "$@"
}
