// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// Recalculating all 256 points of a full table, each with four value pairs, including the
// chart data.
#include "calc/recalculation.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace abgleich;

namespace {

void BM_ComputeAll256(benchmark::State& run) {
    static QTemporaryDir dir;
    WorkingState state(RegionalSettings::german());
    state.prepare(dir.path());
    state.table.setRows(257);
    state.table.writeRowNumbers();
    const double refs[] = {20, 80, 150, 230};
    for (int n = 1; n <= 256; ++n) {
        state.coef.setA(n, (n % 17) * 0.01 - 0.08);
        state.coef.setB(n, 1.0 + (n % 11) * 0.001);
        for (int p = 1; p <= 4; ++p) {
            const double ref = refs[p - 1];
            state.table.setCellNumber(Col::ref(p), n, ref);
            state.table.setCellNumber(Col::tm(p), n, ref * 1.01 + (n % 5) * 0.1 - p * 0.05);
        }
    }
    for (auto _ : run) {
        computeAll(state, 256);
        benchmark::DoNotOptimize(state.chart.recalculated.data());
    }
    if (state.chart.recalculated.size() != 4)
        run.SkipWithError("chart not filled");
}

} // namespace

BENCHMARK(BM_ComputeAll256)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
