# Helpers of the tests of the metrics file, for the native program and the
# one under Wine alike.

# log_samples LOG: the sweep of the last report in LOG as the metrics file
# should show it, one "name value" a line (times in seconds, bytes per
# second where the log has them per millisecond, the log's sentinels as NaN).
log_samples() {
  tr -d '\r' <"$1" | cut -c26- | awk '
    function s(v) { return (v == "99999.00" || v == "-99999.00") ? "NaN" : v / 1000 }
    $1 == "ErrorCode" { e = $2 } $1 == "Packets" { p = $2 } $1 == "TotalCount" { t = $2 }
    $1 == "TimeoutCount" { o = $2 } $1 == "MinTime" { mi = s($2) } $1 == "MaxTime" { ma = s($2) }
    $1 == "AvgTime" { av = s($2) } $1 == "BytesPerSecond" { b = $2 * 1000 }
    END {
      print "kestro_sweep_error_code " e; print "kestro_sweep_requests " t
      print "kestro_sweep_answers " p; print "kestro_sweep_timeouts " o
      print "kestro_sweep_answer_min_seconds " mi; print "kestro_sweep_answer_max_seconds " ma
      print "kestro_sweep_answer_average_seconds " av; print "kestro_sweep_bytes_per_second " b
    }' | normal_samples
}

# normal_samples: the kestro_sweep_ samples of a metrics text on standard
# input, numbers in one spelling, so that the file and what an exporter
# serves (Go's spelling) compare.
normal_samples() {
  awk '$1 ~ /^kestro_sweep_/ {
    v = $2
    if (tolower(v) == "nan") print $1, "NaN"; else printf "%s %.6g\n", $1, v
  }' | sort
}

# whole_prom FILE COUNTS: true when FILE is a whole metrics file: its first
# family first, a line end last, and as many lines as one of COUNTS ("12 45").
whole_prom() {
  local text lines
  text=$(cat "$1" 2>/dev/null; echo x)
  text=${text%x}
  case $text in
    "# HELP kestro_last_pass_timestamp_seconds "*$'\n') ;;
    *) return 1 ;;
  esac
  lines=$(printf '%s' "$text" | wc -l)
  case " $2 " in *" $lines "*) return 0 ;; esac
  return 1
}
