#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Installs what is needed, builds everything and runs every test headless; then builds the
# whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) and
# runs it there too. A sanitizer finding stops its test and fails the run. The plant tests
# get a PostgreSQL server of their own on 127.0.0.1 for the run (scripts/pg-test-server.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

bash scripts/build.sh
eval "$(bash scripts/pg-test-server.sh start)"
trap 'bash scripts/pg-test-server.sh stop "$ABGLEICH_TEST_PG_DIR"' EXIT
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
bash scripts/fuzz-smoke.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DABGLEICH_SANITIZE=ON \
    -DABGLEICH_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan &&
    ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
