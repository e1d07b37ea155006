#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time over a
# copy of its seed corpus. Ends with "fuzz: N passed, N failed".
set -u
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_FUZZ=ON >/dev/null &&
  cmake --build build/fuzz -j"$(nproc)" --target agent_config_fuzz >/dev/null || { echo "fuzz: 0 passed, 1 failed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r fuzz/corpus/agent_config "$work/corpus"
if build/fuzz/fuzz/agent_config_fuzz "$work/corpus" -max_total_time="$seconds" -rss_limit_mb=512 \
     -malloc_limit_mb=256 -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/" >"$work/log" 2>&1; then
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/log"
  echo "fuzz: 1 passed, 0 failed"
else
  tail -n 40 "$work/log"
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi
