#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS (default
# 30) over a copy of its seed corpus in fuzz/corpus/TARGET. Prints each
# target's executions and ends with "fuzz: N passed, N failed", one count per
# target.
set -u
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
# A smaller quarantine of freed memory keeps a run within the memory limit.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}
# target:largest input. A datagram is at most the 4096-byte receive buffer
# (plus the fuzzer's 9 bytes of choices).
targets="agent_config_fuzz:65536 decode_reply_fuzz:4105 regedit_fuzz:65536 command_line_fuzz:4096"
names=$(for t in $targets; do printf '%s ' "${t%%:*}"; done)
count=$(wc -w <<<"$names")
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_FUZZ=ON >/dev/null &&
  cmake --build build/fuzz -j"$(nproc)" --target $names >/dev/null ||
  { echo "fuzz: 0 passed, $count failed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
for t in $targets; do
  name=${t%%:*}
  corpus=fuzz/corpus/${name%_fuzz}
  mkdir -p "$work/$name"
  cp -r "$corpus" "$work/$name/corpus"
  if build/fuzz/fuzz/"$name" "$work/$name/corpus" -max_total_time="$seconds" -rss_limit_mb=512 \
       -malloc_limit_mb=256 -max_len="${t##*:}" -timeout=10 -print_final_stats=1 \
       -artifact_prefix="$work/$name/" >"$work/$name/log" 2>&1; then
    echo "$name: $(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name/log") executions," \
      "peak $(sed -n 's/^stat::peak_rss_mb: *//p' "$work/$name/log") MB"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"
    tail -n 40 "$work/$name/log"
    for a in "$work/$name"/crash-* "$work/$name"/leak-* "$work/$name"/timeout-*; do
      [ -e "$a" ] && { echo "input:"; od -c "$a" | head -n 20; }
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
