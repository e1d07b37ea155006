# The packaged unit's confinement, as systemd rates it (0 best, 10 worst).
# The unit -installservice writes carries the same lines (unit tests) and is
# rated in the systemd suite.

if score=$(systemd-analyze security --offline=true "$ROOT/packaging/kestro.service" 2>/dev/null |
             sed -n 's/.*Overall exposure level for kestro.service: \([0-9.]*\) .*/\1/p') && [ -n "$score" ]; then
  check "packaged unit: exposure $score, 3.2 or lower" yes "$(awk -v s="$score" 'BEGIN { if (s <= 3.2) print "yes" }')"
else
  SKIPPED=$((${SKIPPED:-0} + 1))
  echo "linux: systemd-analyze cannot rate units here: 1 skipped"
fi
