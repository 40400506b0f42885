#!/usr/bin/env bash
# Builds the benchmarks and prints one table of medians: a 256-point reply from bytes to
# table, refreshing a full 256-row view, recalculating all 256 points, building and writing
# an upload, importing a 256-point CSV record, reading and showing a device history of 10,000
# uploads, and start-up to a shown window with the memory after showing (under a virtual X
# server). Usage: scripts/bench.sh [repetitions]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh >&2
bash scripts/build.sh >&2
reps=${1:-9}

declare -A label=(
    [BM_Reply256OneChunk]="256-point reply, one chunk: bytes -> table"
    [BM_Reply256Chunks100]="256-point reply, 100-byte chunks: bytes -> table"
    [BM_RefreshFull256RowView]="refresh a view showing all 256 rows (display rule)"
    [BM_ComputeAll256]="recalculate all 256 points with chart data"
    [BM_Upload256]="upload of 256 points: record, change log, CSV"
    [BM_Import256]="import a 256-point CSV record"
    [BM_ReadHistory10000]="read a change log of 10,000 uploads (40 points)"
    [BM_OpenHistory10000]="open the history of 10,000 uploads (dialog shown)"
)

printf '| %-52s | %12s |\n' "measurement" "median"
printf '|%s|%s|\n' "------------------------------------------------------" "--------------"
for b in bench_reply bench_view bench_calc bench_records; do
    build/benchmarks/$b --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
        --benchmark_format=csv 2>/dev/null |
        awk -F, '/_median"/ { gsub(/"/, "", $1); sub(/_median$/, "", $1); print $1, $3, $5 }' |
        while read -r name value unit; do
            printf '| %-52s | %9.3f %-2s |\n' "${label[$name]:-$name}" "$value" "$unit"
        done
done

shown=()
rss=()
for _ in $(seq 5); do
    line=$(xvfb-run -a -s "-screen 0 1920x1080x24" /usr/bin/time -f "maxrss=%M" \
        build/tools/window_probe --quit 2>&1 | tr '\n' ' ')
    shown+=("$(sed -E 's/.*shown after ([0-9]+) ms.*/\1/' <<<"$line")")
    rss+=("$(sed -E 's/.*maxrss=([0-9]+).*/\1/' <<<"$line")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '| %-52s | %9s ms |\n' "start-up to a shown window (Xvfb)" "$(median "${shown[@]}")"
printf '| %-52s | %9.1f MB |\n' "memory after showing (max RSS)" \
    "$(awk -v k="$(median "${rss[@]}")" 'BEGIN { print k / 1024 }')"
