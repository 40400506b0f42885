// Building and writing an upload of 256 points (record, change log, CSV record), importing a
// 256-point CSV record, and reading a change log of 10,000 uploads back.
#include "changelog10000.h"
#include "records/csvimport.h"
#include "records/history.h"
#include "records/upload.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace abgleich;
using test::FixedClock;
using test::ScriptedDialogs;

namespace {

void fillDevice(WorkingState& state) {
    state.device.geraeteId = QStringLiteral("4711");
    state.device.geraetetyp = QStringLiteral("ABC12");
    state.device.anzMS = QStringLiteral("256");
    state.table.setRows(257);
    for (int n = 1; n <= 256; ++n) {
        state.table.setCellText(Col::Name, n, QStringLiteral(" Temperatur Öl %1 ").arg(n));
        state.table.setCellText(Col::Unit, n, QStringLiteral(" °C "));
        state.table.setCellNumber(Col::ASps, n, n * 0.001);
        state.table.setCellNumber(Col::BSps, n, 1.0);
        state.table.setCellNumber(Col::ANeu, n, n * 0.0012);
        state.table.setCellNumber(Col::BNeu, n, 1.0 + n * 0.00001);
    }
}

// The operator who always confirms with the right password.
ScriptedDialogs authorisingOperator() {
    ScriptedDialogs dialogs;
    dialogs.record = false;
    dialogs.standingAuthorisation =
        AuthorisationInput{QStringLiteral("abc-4711"), QStringLiteral("Benchmark")};
    return dialogs;
}

void BM_Upload256(benchmark::State& run) {
    QTemporaryDir dir;
    WorkingState state(RegionalSettings::german());
    state.prepare(dir.path());
    fillDevice(state);
    ScriptedDialogs dialogs = authorisingOperator();
    const FixedClock clock;
    qsizetype sent = 0;
    const UploadLink link{[&](const QString& record) { sent += record.size(); }, [] {}};
    for (auto _ : run)
        sendCorrData(state, dialogs, clock, link);
    if (sent == 0)
        run.SkipWithError("nothing sent");
}

void BM_Import256(benchmark::State& run) {
    QTemporaryDir dir;
    WorkingState writer(RegionalSettings::german());
    writer.prepare(dir.path());
    fillDevice(writer);
    ScriptedDialogs dialogs = authorisingOperator();
    sendCorrData(writer, dialogs, FixedClock(), {[](const QString&) {}, [] {}});
    const QString path = correctionRecordPath(writer);
    WorkingState state(RegionalSettings::german());
    state.prepare(dir.path());
    for (auto _ : run)
        importCSVFile(state, path);
    if (state.anzMS != 256)
        run.SkipWithError("not imported");
}

void BM_ReadHistory10000(benchmark::State& run) {
    const QString path = bench::changeLog10000();
    const RegionalSettings german = RegionalSettings::german();
    std::size_t uploads = 0;
    for (auto _ : run)
        uploads = readDeviceHistory(path, german).uploads.size();
    if (uploads != std::size_t(bench::kLoggedUploads))
        run.SkipWithError("not every upload was read");
}

} // namespace

BENCHMARK(BM_Upload256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadHistory10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
