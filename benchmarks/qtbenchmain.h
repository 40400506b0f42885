// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <benchmark/benchmark.h>

// The main of a benchmark program that needs a Qt application of the given kind (sockets and
// timers need one; widgets a QApplication).
template <typename Application> int runBenchmarks(int argc, char** argv) {
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
