#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for the given number of
# seconds (default 60), starting from the committed seed corpus; a target's findings go to
# build-fuzz/findings/<target>/, its log to build-fuzz/logs/fuzz_<target>.log. Every target
# runs; the exit status is non-zero when one of them found something.
# Usage: scripts/fuzz.sh [seconds] [target ...]   Targets: reply numbers ini csv logimport.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh

seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [seconds] [target ...]" >&2
    exit 2
fi
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=("${fuzz_targets[@]}")
fi

fuzz_configure
fuzz_build "${targets[@]}"

failed=()
for t in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$t
    findings=build-fuzz/findings/$t
    log=build-fuzz/logs/fuzz_$t.log
    mkdir -p "$corpus" "$findings" build-fuzz/logs
    echo "== fuzz_$t for ${seconds}s"
    if build-fuzz/fuzz/fuzz_"$t" "$corpus" fuzz/corpus/"$t" -max_total_time="$seconds" \
        -artifact_prefix="$findings/" -print_final_stats=1 -max_len=8192 >"$log" 2>&1; then
        grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|Done' "$log" || true
    else
        grep -E 'ERROR|invariant|SUMMARY|Test unit written' "$log" || tail -n 20 "$log"
        failed+=("fuzz_$t")
    fi
done

if ((${#failed[@]} > 0)); then
    echo "Findings in: ${failed[*]} (see build-fuzz/findings/ and build-fuzz/logs/)" >&2
    exit 1
fi
