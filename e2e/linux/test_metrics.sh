# The metrics file of real passes, in a namespace made here: written by a
# direct-mode pass against 127.0.0.1, clean for promtool, served by a node
# exporter with the log's figures, whole for a reader at every moment; a
# directory that cannot be written costs one line and nothing else. The
# alert rules of docs/ pass promtool.
source "$LINUX_E2E/../metrics.sh"

met=$WORK/metrics
mkdir -p "$met/agent/OXL/CONF" "$met/textfile" "$met/readonly"
printf '[PEERHOSTS]\nOXLUILSR=127.0.0.1\n' >"$met/agent/OXL/CONF/OXL.CNF"

# metrics_run NAME PROM [WRAP...]: kestro -direct in the namespace, with its
# log in $met/NAME and its metrics in PROM; sets RUN_PID and RUN_LOG.
metrics_run() {
  local name=$1 prom=$2
  shift 2
  mkdir -p "$met/$name"
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n"NumberOfPingSweeps"=dword:00000003\r\n"Command1"="/bin/true"\r\n"Argument1"="true"\r\n"MetricsFile"="%s"\r\n' \
    "$met/$name" "$prom" >"$met/$name.reg"
  KESTRO_REGISTRY=$met/$name.reg OXLROOT=${RUN_AGENT:-$met/agent} \
    ip netns exec "$ns" "$@" "$KESTRO" -direct >/dev/null 2>&1 &
  RUN_PID=$!
  RUN_LOG=$met/$name/Kestro-2.txt
}
stop_run() { kill "$RUN_PID" 2>/dev/null; wait "$RUN_PID" 2>/dev/null; }
# scrape PORT: the exporter's page, from inside the namespace.
scrape() {
  ip netns exec "$ns" bash -c 'exec 3<>/dev/tcp/127.0.0.1/$0 && printf "GET /metrics HTTP/1.0\r\n\r\n" >&3 && cat <&3' "$1" 2>/dev/null
}

ns=kestro-metrics-$$
if ! make_netns "$ns"; then
  fail "namespace for the metrics tests"
elif ! command -v promtool >/dev/null || ! command -v prometheus-node-exporter >/dev/null; then
  fail "promtool and prometheus-node-exporter installed (scripts/setup.sh)"
else
  check "alert rules of docs/: promtool checks them" 0 "$(promtool check rules "$ROOT/docs/kestro-alerts.yml" >/dev/null 2>&1; echo $?)"
  check "alert rules of docs/: they fire when they should" 0 \
    "$(cd "$LINUX_E2E" && promtool test rules kestro-alerts-test.yml >"$met/rules" 2>&1; echo $?)"
  prom=$met/textfile/kestro.prom
  started=$(date +%s)
  metrics_run pass "$prom"
  for _ in $(seq 1 200); do [ -f "$prom" ] && break; sleep 0.1; done
  stop_run
  check "metrics: the pass wrote the file" yes "$([ -f "$prom" ] && [ ! -e "$prom.tmp" ] && echo yes)"
  check "metrics: promtool finds nothing to complain of" "rc 0:" "rc $(promtool check metrics <"$prom" >"$met/lint" 2>&1; echo $?):$(cat "$met/lint")"
  check "metrics: the sweep's figures are the log's" "$(log_samples "$RUN_LOG")" "$(normal_samples <"$prom")"
  check "metrics: pass, server and slot 1" \
    "$(printf '%s\n' 'kestro_passes_total 1' 'kestro_staging_server_info{host="127.0.0.1"} 1' \
       'kestro_slot_start{slot="1"} 1' 'kestro_slot_action_succeeded{slot="1"} 1')" \
    "$(grep -E '^kestro_(passes|staging|slot)' "$prom")"
  stamp=$(awk '$1 == "kestro_last_pass_timestamp_seconds" { print $2 }' "$prom")
  check "metrics: the end of the pass in Unix seconds" yes \
    "$([ "${stamp:-0}" -ge "$started" ] && [ "$stamp" -le "$(date +%s)" ] && echo yes)"

  # The node exporter of the package, on the namespace's own loopback.
  ip netns exec "$ns" prometheus-node-exporter --web.listen-address=127.0.0.1:9100 \
    --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$met/textfile" >"$met/exporter.log" 2>&1 &
  exporter=$!
  for _ in $(seq 1 100); do scrape 9100 >"$met/scraped" && grep -q '^kestro_' "$met/scraped" && break; sleep 0.1; done
  kill "$exporter" 2>/dev/null
  wait "$exporter" 2>/dev/null
  tr -d '\r' <"$met/scraped" | grep -E '^kestro_|^node_textfile_scrape_error' >"$met/served"
  check "node exporter: the textfile collector read the file" "node_textfile_scrape_error 0" \
    "$(grep '^node_textfile_scrape_error' "$met/served")"
  check "node exporter: serves the log's figures" "$(log_samples "$RUN_LOG")" "$(normal_samples <"$met/served")"
  check "node exporter: every series of the file" "$(grep -c '^kestro_' "$prom")" "$(grep -c '^kestro_' "$met/served")"

  # Passes without a staging server come twice a second; the file is written
  # at the first and then once a minute: a reader never finds less than a
  # whole one, and finds it at once.
  rm -f "$prom"
  RUN_AGENT=$met/none metrics_run reader "$prom"
  for _ in $(seq 1 100); do [ -f "$prom" ] && break; sleep 0.1; done
  reads=0 partial=0
  end=$((SECONDS + 5))
  while [ $SECONDS -lt $end ]; do
    if whole_prom "$prom" "12"; then
      reads=$((reads + 1))
    else
      partial=$((partial + 1))
    fi
  done
  stop_run
  check "reader: never a partial file" 0 "$partial"
  check "reader: read many times, whole each time" yes "$([ "$reads" -ge 50 ] && echo yes)"

  # A read-only directory: the line, the pass whole, the old file untouched.
  ro=$met/readonly
  printf 'old\n' >"$ro/kestro.prom"
  metrics_run rolog "$ro/kestro.prom" unshare -m sh -c \
    'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$@"' "$ro"
  for _ in $(seq 1 200); do grep -q 'Could not write metrics file' "$RUN_LOG" 2>/dev/null && break; sleep 0.1; done
  stop_run
  check "read-only directory: one line" \
    "Could not write metrics file $ro/kestro.prom - Read-only file system (0x1e)" \
    "$(cut -c26- "$RUN_LOG" | tr -d '\r' | grep '^Could not write metrics')"
  check "read-only directory: the pass went on" "BytesPerSecond|Executing command /bin/true  CommandLine: true start" \
    "$(cut -c26- "$RUN_LOG" | tr -d '\r' | grep -oE '^(BytesPerSecond|Executing command.*)' | sed 's/^BytesPerSecond.*/BytesPerSecond/' | paste -sd '|')"
  check "read-only directory: the old file stays, no temporary one" "old|" "$(cat "$ro/kestro.prom")|$(ls "$ro" | grep -v '^kestro.prom$')"
fi
drop_netns "$ns"
