#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Builds every libFuzzer target with clang (build-fuzz/, as scripts/fuzz.sh does) and runs
# each once over every input of its seed corpus in fuzz/corpus/<target>/, without fuzzing.
# Fails when a target does not build, or breaks an invariant or crashes on one of its inputs
# (the log is then in build-fuzz/logs/smoke_<target>.log).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh

fuzz_configure
start=$SECONDS
if ! fuzz_build "${fuzz_targets[@]}"; then
    echo "The fuzz targets do not build." >&2
    exit 1
fi
echo "Fuzz targets built in $((SECONDS - start)) s"

mkdir -p build-fuzz/logs
start=$SECONDS
status=0
shopt -s nullglob
for t in "${fuzz_targets[@]}"; do
    inputs=(fuzz/corpus/"$t"/*)
    log=build-fuzz/logs/smoke_$t.log
    if ((${#inputs[@]} == 0)); then
        echo "fuzz_$t: no seed inputs in fuzz/corpus/$t" >&2
        status=1
    elif build-fuzz/fuzz/fuzz_"$t" -timeout=60 "${inputs[@]}" >"$log" 2>&1; then
        echo "fuzz_$t: ${#inputs[@]} inputs ok"
    else
        echo "fuzz_$t: FAILED on its seed corpus (log: $log)" >&2
        { grep 'Running: ' "$log" | tail -n 1; grep -E 'ERROR|invariant|SUMMARY' "$log"; } >&2 ||
            tail -n 20 "$log" >&2
        status=1
    fi
done
echo "Seed corpora run in $((SECONDS - start)) s"
exit $status
