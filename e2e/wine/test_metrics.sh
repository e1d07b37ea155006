# The metrics file of the build under test equals, but for the time of the
# pass, the one the native program writes for the same answers: a host that
# never answers, and a sweep that fails on a name holding a quote, a
# backslash and a Latin-1 byte. Both run in one namespace made here.
source "$E2E_ROOT/../metrics.sh"
native=${KESTRO_LINUX:-$REPO_ROOT/build/linux/kestro}

# metrics_pass NAME HOST WINDOWS|LINUX: one direct-mode pass in the
# namespace; prints the metrics file with the time of the pass blanked.
metrics_pass() {
  local dir=$E2E_WORK/metrics-$1 prom
  mkdir -p "$dir/logs"
  make_agent "$dir/agent" "$2"
  prom=$dir/kestro.prom
  if [ "$3" = windows ]; then
    new_prefix "prefix-metrics-$1"
    setting LogDir REG_SZ "$(dos_path "$dir/logs")"
    setting PingDelay REG_DWORD 0
    setting NumberOfPingSweeps REG_DWORD 2
    setting Command1 REG_SZ "$(installed_copy "$KESTRO_WIN_BUILD/recorder.exe")"
    setting Argument1 REG_SZ "recorder.exe $(dos_path "$dir/record") 0 0"
    setting MetricsFile REG_SZ "$(dos_path "$prom")"
    wineserver -w  # the server of the pass starts inside the namespace
    OXLROOT=$(dos_path "$dir/agent") wine_in_netns "$ns" wine "$KESTRO_EXE" -direct >/dev/null 2>&1 </dev/null &
  else
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n"NumberOfPingSweeps"=dword:00000002\r\n"Command1"="/bin/true"\r\n"Argument1"="true"\r\n"MetricsFile"="%s"\r\n' \
      "$dir/logs" "$prom" >"$dir/kestro.reg"
    # The shell that writes its PID becomes the program, which the
    # namespace's wrapper runs as a grandchild of this one.
    KESTRO_REGISTRY=$dir/kestro.reg OXLROOT=$dir/agent wine_in_netns "$ns" \
      sh -c 'echo $$ >"$0"; exec "$1" -direct' "$dir/native.pid" "$native" >/dev/null 2>&1 </dev/null &
  fi
  local pid=$!
  for _ in $(seq 1 300); do [ -f "$prom" ] && break; sleep 0.1; done
  if [ "$3" != windows ]; then
    for _ in $(seq 1 50); do [ -s "$dir/native.pid" ] && break; sleep 0.1; done
    [ -s "$dir/native.pid" ] && kill "$(cat "$dir/native.pid")" 2>/dev/null
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ "$3" = windows ] && end_prefix
  sed 's/^kestro_last_pass_timestamp_seconds [0-9]*$/kestro_last_pass_timestamp_seconds T/' "$prom" 2>/dev/null
}

ns=kestro-wmetrics-$$
if [ ! -x "$native" ]; then
  skip "metrics: the same file as the native program" "no native build at $native"
elif make_silent_netns "$ns"; then
  for c in "silent 198.51.100.1" $'failed q"b\\x\xfcy'; do
    name=${c%% *}
    host=${c#* }
    windows=$(metrics_pass "$name-win" "$host" windows)
    linux=$(metrics_pass "$name-linux" "$host" linux)
    check "metrics under Wine: $name: written" yes "$(grep -q '^kestro_sweep_requests 2$' <<<"$windows" && echo yes)"
    check "metrics under Wine: $name: the native program's file" "$linux" "$windows"
  done
else
  fail "namespace for the metrics under Wine"
fi
drop_netns "$ns"
