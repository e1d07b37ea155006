# Shared parts of the benchmarks that run the real programs in direct mode,
# natively and under Wine, each in a network namespace made by the caller,
# pinging 127.0.0.1 named by an agent file. Sets up BENCH_WORK (removed at
# exit) and the Wine environment of the end-to-end tests.
BENCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BENCH_WORK=$(mktemp -d /tmp/kestro-bench-XXXXXX)
# A script may define bench_cleanup to end what it started before the work
# directory goes.
bench_exit() {
  declare -F bench_cleanup >/dev/null && bench_cleanup
  rm -rf "$BENCH_WORK"
}
trap bench_exit EXIT

# The Windows build is the one the Wine tests take on this machine (the
# 32-bit one where it runs); KESTRO_WINE_ARCH=win64 chooses the other.
E2E_WORK=$BENCH_WORK/wine
mkdir -p "$E2E_WORK"
source "$BENCH_ROOT/e2e/wine/lib.sh"
echo "wine: $KESTRO_EXE ($KESTRO_WINE_ARCH_WHY)"
KESTRO_LINUX=${KESTRO_LINUX:-$BENCH_ROOT/build/linux/kestro}

AGENT=$BENCH_WORK/agent
make_agent "$AGENT" 127.0.0.1

# Figures of a Unix process (also the one Wine runs an exe in).
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / hz }' "/proc/$1/stat"; }
peak_kb() { awk '/^VmHWM/ { print $2 }' "/proc/$1/status"; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
anon_kb() { awk '/^RssAnon/ { print $2 }' "/proc/$1/status"; }
thread_count() { awk '/^Threads/ { print $2 }' "/proc/$1/status"; }
fd_count() { find "/proc/$1/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }

# start_native NS LOGDIR SETTINGS: kestro -direct in the namespace with its
# log in LOGDIR and SETTINGS (lines of a REGEDIT4 file, CR LF added) beside
# LogDir; sets BENCH_PID.
start_native() {
  local reg=$2/kestro.reg
  mkdir -p "$2"
  { printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n' "$2"
    printf '%s\n' "$3" | sed 's/$/\r/'; } >"$reg"
  KESTRO_REGISTRY=$reg OXLROOT=$AGENT ip netns exec "$1" "$KESTRO_LINUX" -direct \
    >"$2/console.txt" 2>&1 </dev/null &
  BENCH_PID=$!
}

# wine_prefix NAME LOGDIR: a fresh prefix for Kestro.exe with its log in
# LOGDIR; its server is not running, so that the next one starts in a
# namespace. Settings follow with `setting`, then `wineserver -w`.
wine_prefix() {
  make_template
  new_prefix "$1"
  mkdir -p "$2"
  setting LogDir REG_SZ "$(dos_path "$2")"
}

# start_wine NS LOGDIR: Kestro.exe -direct with its server in the
# namespace; sets BENCH_PID to the Unix process of Wine's loader that runs
# the exe (the launcher is a shell of its own), or to nothing.
start_wine() {
  OXLROOT=$(dos_path "$AGENT") wine_in_netns "$1" wine "$KESTRO_EXE" -direct \
    >"$2/console.txt" 2>&1 </dev/null &
  BENCH_PID=
  local end=$((SECONDS + 60)) p
  while [ -z "$BENCH_PID" ] && [ $SECONDS -lt $end ]; do
    sleep 0.2
    for p in /proc/[0-9]*; do
      tr '\0' ' ' 2>/dev/null <"$p/cmdline" | grep -qF "$(basename "$KESTRO_EXE") -direct" || continue
      tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
      case $(readlink "$p/exe") in */lib/wine/*) ;; *) continue ;; esac
      BENCH_PID=${p#/proc/}
      break
    done
  done
}

# wait_for_pass LOG COUNT SECONDS: true once LOG holds COUNT pass reports.
wait_for_pass() {
  local end=$((SECONDS + $3))
  while [ $SECONDS -lt $end ]; do
    [ "$(grep -sc BytesPerSecond "$1")" -ge "$2" ] 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}
