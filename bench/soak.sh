#!/usr/bin/env bash
# Soak of direct mode: SOAK_SECONDS (600) natively and under Wine side by
# side, each in a namespace made here, pinging 127.0.0.1 with PingDelay 0,
# slot 1 running a command at every pass, and an address added to or removed
# from the namespace's loopback every 30 s. Every 10 s it samples the
# process's descriptors, threads and resident memory (under Wine also the
# handle, thread and memory counts Windows keeps for Kestro.exe).
# Prints a summary, and exits with 1 when a figure was not flat or a change
# did not cause exactly one pass.
# Flat: descriptors, threads and handles at the end as after the first pass;
# memory at the end at most 10 % above the most it took in the first 30 s
# (the first pass and the first change's: resident pages of files come and go
# with the machine's load, so one low early sample is no baseline).
set -u
source "$(dirname "$0")/lib.sh"
SOAK_SECONDS=${SOAK_SECONDS:-600}
STEP=10
CHANGE_STEPS=3  # steps between address changes
steps=$((SOAK_SECONDS / STEP))
[ "$steps" -ge "$CHANGE_STEPS" ] || steps=$CHANGE_STEPS
COUNTERS_EXE=$(dirname "$KESTRO_EXE")/process_counters.exe
native_ns=kestro-soak-$$
wine_ns=kestro-wsoak-$$
started=()

bench_cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  [ -n "${WINEPREFIX:-}" ] && end_prefix
  drop_netns "$native_ns"
  drop_netns "$wine_ns"
}

# The figures of each run, named in the first line of its samples.
native_figures() { echo "fds threads rss_kb anon_kb"; }
native_sample() {  # native_sample PID NS
  echo "$(fd_count "$1") $(thread_count "$1") $(rss_kb "$1") $(anon_kb "$1")"
}
wine_figures() { echo "fds threads rss_kb anon_kb win_handles win_threads win_ws_kb win_private_kb"; }
wine_sample() {
  local counters
  counters=$(wine_in_netns "$2" wine "$COUNTERS_EXE" "$(basename "$KESTRO_EXE")" 2>/dev/null </dev/null |
    tr -d '\r' | head -1)
  echo "$(native_sample "$1") $(sed -n 's/.*handles=\([0-9]*\) threads=\([0-9]*\) workingset_kb=\([0-9]*\) private_kb=\([0-9]*\).*/\1 \2 \3 \4/p' <<<"$counters")"
}

# soak NAME NS LOG PID: samples one run until the end; writes NAME.samples
# and NAME.verdict (one line per failed check) under BENCH_WORK.
soak() {
  local name=$1 ns=$2 log=$3 pid=$4
  local samples=$BENCH_WORK/$name.samples verdict=$BENCH_WORK/$name.verdict
  : >"$verdict"
  if ! wait_for_pass "$log" 1 120 || ! wait_for "$log" 'Executing command' 60; then
    echo "no first pass" >>"$verdict"
    return
  fi
  sleep 3
  echo "step passes notes changes quiet $("${name}_figures")" >"$samples"
  local begin=$SECONDS step=0 changes=0 quiet passes notes row added=0
  while :; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the process ended at step $step" >>"$verdict"
      return
    fi
    quiet=0
    if [ "$step" -eq 0 ] || [ $((step % CHANGE_STEPS)) -eq 0 ] || [ "$step" -eq "$steps" ]; then quiet=1; fi
    passes=$(grep -c BytesPerSecond "$log")
    notes=$(grep -c 'Network address table change!' "$log")
    row="$step $passes $notes $changes $quiet $("${name}_sample" "$pid" "$ns")"
    echo "$row" >>"$samples"
    echo "$name: $row"
    # Long after the last change: one pass for it and one at the start.
    if [ "$quiet" -eq 1 ] && { [ "$passes" -ne $((changes + 1)) ] || [ "$notes" -ne "$changes" ]; }; then
      echo "step $step: $passes passes and $notes change lines after $changes changes" >>"$verdict"
    fi
    [ "$step" -ge "$steps" ] && break
    if [ "$step" -gt 0 ] && [ $((step % CHANGE_STEPS)) -eq 0 ] && [ $((step + CHANGE_STEPS)) -le "$steps" ]; then
      if [ "$added" -eq 0 ]; then
        ip -n "$ns" addr add 198.51.100.10/32 dev lo && added=1
      else
        ip -n "$ns" addr del 198.51.100.10/32 dev lo && added=0
      fi
      changes=$((changes + 1))
    fi
    step=$((step + 1))
    while [ $SECONDS -lt $((begin + step * STEP)) ]; do sleep 0.5; done
  done
  awk -v early="$CHANGE_STEPS" '
    NR == 1 { for (i = 6; i <= NF; ++i) col[i] = $i; n = NF; next }
    NR == 2 { for (i = 6; i <= n; ++i) first[i] = $i }
    $1 <= early { for (i = 6; i <= n; ++i) if ($i + 0 > most[i] + 0) most[i] = $i }
    { for (i = 6; i <= n; ++i) last[i] = $i }
    END {
      for (i = 6; i <= n; ++i) {
        if (first[i] == "" || last[i] == "") print col[i] ": not sampled"
        else if (col[i] ~ /_kb$/) {
          if (last[i] > most[i] * 1.10) print col[i] ": " last[i] " at the end, at most " most[i] " in the first " early * 10 " s"
        } else if (last[i] != first[i]) print col[i] ": " first[i] " after the first pass, " last[i] " at the end"
      }
    }' "$samples" >>"$verdict"
}

# summary NAME: start, end, minimum and maximum of every figure, the passes
# against the changes, and the failed checks.
summary() {
  local name=$1 samples=$BENCH_WORK/$1.samples verdict=$BENCH_WORK/$1.verdict
  echo "== $name ($(($(wc -l <"$samples") - 1)) samples, ${STEP} s apart)"
  awk '
    NR == 1 { for (i = 6; i <= NF; ++i) col[i] = $i; n = NF; next }
    { for (i = 6; i <= n; ++i) {
        if (NR == 2) { first[i] = $i; lo[i] = $i; hi[i] = $i }
        if ($i + 0 < lo[i] + 0) lo[i] = $i
        if ($i + 0 > hi[i] + 0) hi[i] = $i
        last[i] = $i
      }
      passes = $2; notes = $3; changes = $4 }
    END {
      printf "%-16s %10s %10s %10s %10s\n", "figure", "start", "end", "min", "max"
      for (i = 6; i <= n; ++i) printf "%-16s %10s %10s %10s %10s\n", col[i], first[i], last[i], lo[i], hi[i]
      printf "address changes %d, change lines %d, passes %d (one at the start)\n", changes, notes, passes
    }' "$samples"
  if [ -s "$verdict" ]; then
    sed 's/^/NOT FLAT: /' "$verdict"
    return 1
  fi
  echo "flat, one pass per change"
}

# Native.
make_netns "$native_ns"
start_native "$native_ns" "$BENCH_WORK/logs" '"PingDelay"=dword:00000000
"Command1"="/bin/true"
"Argument1"="true"'
started+=("$BENCH_PID")
native_pid=$BENCH_PID

# Under Wine, its server started in the namespace.
wine_prefix soak "$BENCH_WORK/wlogs"
setting PingDelay REG_DWORD 0
setting Command1 REG_SZ 'C:\windows\system32\cmd.exe'
setting Argument1 REG_SZ 'cmd.exe /c echo soak'
wineserver -w
make_netns "$wine_ns"
start_wine "$wine_ns" "$BENCH_WORK/wlogs"
wine_pid=$BENCH_PID
[ -n "$wine_pid" ] || { echo "soak: $KESTRO_EXE did not start under Wine"; exit 1; }

echo "soak: $SOAK_SECONDS s, $KESTRO_LINUX (pid $native_pid) and $KESTRO_EXE under Wine $WINEARCH (pid $wine_pid)"
echo "columns: step passes change-lines changes quiet figures..."
soak native "$native_ns" "$BENCH_WORK/logs/Kestro-2.txt" "$native_pid" &
soak_native=$!
soak wine "$wine_ns" "$BENCH_WORK/wlogs/Kestro-2.txt" "$wine_pid" &
soak_wine=$!
wait "$soak_native" "$soak_wine"

status=0
summary native || status=1
summary wine || status=1
echo "soak: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
