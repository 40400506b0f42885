#!/usr/bin/env bash
# Builds and runs the benchmarks; prints mean and median of repeated runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
for b in build/benchmarks/bench_*; do
    [ -x "$b" ] || continue
    "$b" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
        --benchmark_display_aggregates_only=true 2>/dev/null | grep -E 'Benchmark|median|mean|---'
done
