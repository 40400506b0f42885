#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Builds the benchmarks and prints one table of medians: a 256-point reply from bytes to
# table, refreshing a full 256-row view, recalculating all 256 points, building and writing
# an upload, importing a 256-point CSV record, taking a change log of 10,000 uploads into the
# records database, reading and showing a device history of 10,000 uploads from it, the plant
# view over 200 devices on a PostgreSQL server of its own on 127.0.0.1, a whole upload transaction of 256 points, the window's memory over a soak of 3,000 reads of a 256-point record, and start-up
# to a shown window with the memory after showing (under a virtual X server), each beside its
# target; start-up and memory also as ratios against a bare Qt window
# measured in the same run. Usage: scripts/bench.sh [repetitions]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh >&2
bash scripts/build.sh >&2
reps=${1:-9}
eval "$(bash scripts/pg-test-server.sh start)"
cleanup() { bash scripts/pg-test-server.sh stop "$ABGLEICH_TEST_PG_DIR"; }
trap cleanup EXIT

declare -A label=(
    [BM_Reply256OneChunk]="256-point reply, one chunk: bytes -> table"
    [BM_Reply256Chunks100]="256-point reply, 100-byte chunks: bytes -> table"
    [BM_RefreshFull256RowView]="refresh a view showing all 256 rows (display rule)"
    [BM_RefreshFull256RowViewNewTexts]="the same, every number new to the view"
    [BM_ComputeAll256]="recalculate all 256 points with chart data"
    [BM_Upload256]="upload of 256 points: record, change log, CSV"
    [BM_Import256]="import a 256-point CSV record"
    [BM_ImportChangeLog10000]="first use: a change log of 10,000 uploads taken in"
    [BM_ReadHistory10000]="read the history of 10,000 uploads (40 points)"
    [BM_OpenHistory10000]="open the history of 10,000 uploads (dialog shown)"
    [BM_PlantView200]="plant view over 200 devices (PostgreSQL, 127.0.0.1)"
    [BM_Report256]="adjustment report of 256 points written (PDF)"
)

# The limits the figures are held to; start-up and memory as ratios against a bare Qt
# window with an empty chart, measured in the same run.
declare -A target=(
    [BM_Reply256OneChunk]="<= 50 us"
    [BM_Reply256Chunks100]="<= 50 us"
    [BM_RefreshFull256RowView]="<= 8 ms"
    [BM_ComputeAll256]="<= 1 ms"
    [BM_OpenHistory10000]="<= 50 ms"
    [BM_PlantView200]="<= 100 ms"
    [BM_Report256]="<= 200 ms"
)

row() { printf '| %-52s | %14s | %-22s |\n' "$1" "$2" "$3"; }
row "measurement" "median" "target"
printf '|%s|%s|%s|\n' "------------------------------------------------------" \
    "----------------" "------------------------"
for b in bench_reply bench_view bench_calc bench_records; do
    build/benchmarks/$b --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
        --benchmark_filter="-(Soak|Transaction)" --benchmark_format=csv 2>/dev/null |
        awk -F, '/_median"/ { gsub(/"/, "", $1); sub(/_median$/, "", $1); print $1, $3, $5 }' |
        while read -r name value unit; do
            row "${label[$name]:-$name}" "$(printf '%.3f %s' "$value" "$unit")" "${target[$name]:--}"
        done
done

# The upload of 256 points as a whole (simulated bench, read-back, files and PDF report),
# three times: from the authorisation's OK to the last file, and the longest stall of the
# event loop meanwhile.
upload=$(build/benchmarks/bench_view --benchmark_filter=Transaction --benchmark_format=csv \
    2>/dev/null |
    awk -F, 'NR == 1 { gsub(/"/, ""); for (i = 1; i <= NF; i++) col[$i] = i }
             NR == 2 { printf "%.0f %.0f", $col["ok_to_last_file_ms"], $col["longest_stall_ms"] }')
read -r okToFile stall <<<"$upload"
row "upload of 256 points: OK to the last file" "$okToFile ms" "<= 500 ms"
row "the same: longest stall of the event loop" "$stall ms" "<= 50 ms"

# The soak, once: the resident memory after 500 and after 3,000 reads, the protocol at its
# limit long before the end.
soak=$(build/benchmarks/bench_view --benchmark_filter=Soak --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR == 1 { gsub(/"/, ""); for (i = 1; i <= NF; i++) col[$i] = i }
             NR == 2 { printf "%.1f %.1f %.1f %.1f", $col["rss_after_500_MB"],
                       $col["rss_after_3000_MB"], $col["held_after_500_MB"],
                       $col["held_after_3000_MB"] }')
read -r at500 at3000 held500 held3000 <<<"$soak"
row "memory after 500 reads of a 256-point record" "$at500 MB" "-"
row "memory after 3,000 reads" "$at3000 MB" "-"
row "memory held after 500 reads (allocator trimmed)" "$held500 MB" "-"
row "memory held after 3,000 reads (allocator trimmed)" "$held3000 MB" "within 2 MB of 500"

# Start-up to a shown window (first frame drawn) and the memory after showing: the tool's
# window, composed as the program entry composes it, and the bare window, taking turns on
# one virtual X server.
numberFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$numberFile"; cleanup' EXIT
for _ in $(seq 100); do
    [ -s "$numberFile" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$numberFile")"
declare -A shown rss
for _ in $(seq 9); do
    for mode in window bare window-repaint bare-repaint; do
        args=(--quit)
        [[ $mode == bare* ]] && args+=(--bare)
        [[ $mode == *-repaint ]] && args+=(--repaint)
        line=$(/usr/bin/time -f "maxrss=%M" build/tools/window_probe "${args[@]}" 2>&1 | tr '\n' ' ')
        shown[$mode]+="$(sed -E 's/.*shown after ([0-9]+) ms.*/\1/' <<<"$line") "
        rss[$mode]+="$(sed -E 's/.*maxrss=([0-9]+).*/\1/' <<<"$line") "
    done
done
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
ws=$(median <<<"${shown[window]}")
bs=$(median <<<"${shown[bare]}")
wrs=$(median <<<"${shown[window-repaint]}")
brs=$(median <<<"${shown[bare-repaint]}")
wr=$(median <<<"${rss[window]}")
br=$(median <<<"${rss[bare]}")
row "start-up to the first frame (Xvfb)" "$ws ms" "-"
row "start-up of the bare window" "$bs ms" "-"
row "start-up, tool against bare" "$(ratio "$ws" "$bs")" "<= 1.25x"
row "the same with one forced full repaint: tool, bare" "$wrs ms, $brs ms" "-"
row "start-up with a forced repaint, tool against bare" "$(ratio "$wrs" "$brs")" "-"
row "memory after showing (max RSS)" "$(awk -v k="$wr" 'BEGIN { printf "%.1f MB", k / 1024 }')" "-"
row "memory of the bare window" "$(awk -v k="$br" 'BEGIN { printf "%.1f MB", k / 1024 }')" "-"
row "memory, tool against bare" "$(ratio "$wr" "$br")" "<= 1.15x"
