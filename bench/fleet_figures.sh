# The figures of bench/fleet.sh, sourced by it: what the slots recorded, the
# server's counter and the fleet's processes. Uses its WORK, AGENTS, PIDS,
# TICK, DELAY, INTERVAL, PROBE, COUNTER and srv.

# acted PROFILE SINCE: how many slots recorded an action at or after SINCE.
acted() {
  awk -v t="$2" '$1 >= t && !(FILENAME in n) { n[FILENAME] = 1; c++ } END { print c + 0 }' "$WORK/$1"/*/slot.txt
}
# wait_acted PROFILE SINCE SECONDS: until every slot acted, or time is up.
wait_acted() {
  local end=$((SECONDS + $3))
  while [ "$(acted "$1" "$2")" -lt "$AGENTS" ] && [ $SECONDS -lt $end ]; do sleep 1; done
}
# last_word PROFILE SINCE WORD: the slots whose last action since SINCE is WORD.
last_word() {
  awk -v t="$2" -v word="$3" '$1 >= t { w[FILENAME] = $2 } END { n = 0; for (f in w) n += w[f] == word; print n }' \
    "$WORK/$1"/*/slot.txt
}
cpu_seconds() {
  local pid
  for pid in "${PIDS[@]}"; do cat "/proc/$pid/stat" 2>/dev/null; done |
    awk -v hz="$TICK" '{ s += $14 + $15 } END { printf "%.1f", s / hz }'
}

# sampler OUT: each second the time, the server's echo requests (or SYNs) so far and
# the fleet's proportional memory (KiB).
sampler() {
  local rollups=() pid
  for pid in "${PIDS[@]}"; do rollups+=("/proc/$pid/smaps_rollup"); done
  local count
  while :; do
    # The time as the count is read: starting the tool takes longer than
    # the read, the more so on a loaded machine.
    count=$(nsenter --net="/run/netns/$srv" nft list counter ip kfleet "$COUNTER" | sed -n 's/.*packets \([0-9]*\).*/\1/p')
    printf '%s %s %s\n' "$EPOCHREALTIME" "$count" \
      "$(awk '/^Pss:/ { s += $2 } END { print s + 0 }' "${rollups[@]}" 2>/dev/null)"
    sleep 1
  done >"$1"
}

# row SCENARIO PROFILE T0 BACK REF CPU: the figures from the slots' records
# and the samples. A flap is a stop followed by a start within 10 minutes,
# but for a stop while the server was away followed by a start after it came
# back. Slots still stopped at the end come back at their next timed pass,
# INTERVAL after the end of their last (their last record), PingDelay and a
# sweep of 7 s later.
row() {
  local figures peak mem
  figures=$(awk -v s="$1" -v t0="$3" -v back="${4:-0}" -v ref="$5" -v k="$AGENTS" -v late=$((INTERVAL + DELAY + 7)) '
    $1 > seen[FILENAME] { seen[FILENAME] = $1 }
    $1 < t0 { next }
    { f = FILENAME; last[f] = $1; word[f] = $2 }
    $2 == "stop" { if (!(f in stop1)) stop1[f] = $1; if (!(f in stopat)) stopat[f] = $1 }
    $2 == "start" && (f in stopat) {
      if ($1 - stopat[f] <= 600 && !(back > 0 && stopat[f] < back && $1 >= back) && !(f in flapped)) {
        flapped[f] = 1; flaps++
      }
      delete stopat[f]
    }
    $2 == "start" && back > 0 && $1 >= back && !(f in start1) { start1[f] = $1 }
    END {
      for (f in stop1) { n++; if (stop1[f] - t0 > all) all = stop1[f] - t0 }
      for (f in start1) if (f in stop1) { r++; if (start1[f] - back > up) up = start1[f] - back }
      for (f in word) if (word[f] == "stop") { h++; if (last[f] + late - ref > hourly) hourly = last[f] + late - ref }
      stopped = n == k ? sprintf("%.0f s", all) : "-"
      # Without an address change the outage is first swept at the next timed pass.
      if (s == 4 && n < k) {
        for (f in seen) if (seen[f] + late - t0 > next1) next1 = seen[f] + late - t0
        stopped = sprintf("-, next timed pass of the last slot %.0f s after the outage began", next1)
      }
      if (h > 0) started = sprintf("%d still stopped, next timed pass in %.0f s", h, hourly)
      else if (r > 0) started = sprintf("%.0f s", up)
      else started = "-"
      printf "%d | %d | %s | %s\n", n, flaps, stopped, started
    }' "$WORK/$2"/*/slot.txt)
  read -r peak mem < <(awk -v t0="$3" '
    NR > 1 && $1 >= t0 && $1 - t > 0 { r = ($2 - p) / ($1 - t); if (r > peak) peak = r }
    $1 >= t0 && $3 > mem { mem = $3 }
    { t = $1; p = $2 }
    END { printf "%.0f %.0f\n", peak, mem / 1024 }' "$WORK/$2/samples.txt")
  local label=$2
  [ "$PROBE" = tcp ] && label="$2, TCP sweep"
  printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$AGENTS" "$1" "$label" "$peak" "$figures" "$6" "$mem"
}

