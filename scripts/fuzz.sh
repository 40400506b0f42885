#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for the given number of
# seconds (default 60), starting from the committed seed corpus; a target's findings go to
# build-fuzz/findings/<target>/. Usage: scripts/fuzz.sh [seconds] [target ...]
# Targets: reply numbers ini csv.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
if ! dpkg-query -W -f='${Status}' clang libclang-rt-14-dev 2>/dev/null | grep -q 'install ok installed'; then
    as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        clang libclang-rt-14-dev
fi
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(reply numbers ini csv)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DABGLEICH_FUZZ=ON -DABGLEICH_BUILD_TESTS=OFF -DABGLEICH_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

for t in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$t
    findings=build-fuzz/findings/$t
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$t for ${seconds}s"
    build-fuzz/fuzz/fuzz_"$t" "$corpus" fuzz/corpus/"$t" -max_total_time="$seconds" \
        -artifact_prefix="$findings/" -print_final_stats=1 -max_len=8192 2>&1 |
        grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|ERROR|invariant|SUMMARY|Done' || true
done
