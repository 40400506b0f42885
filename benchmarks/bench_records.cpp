// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// An upload of 256 points as the operator makes it (record sent to the simulated bench on
// 127.0.0.1, change log, CSV record), importing a 256-point CSV record, and reading a change
// log of 10,000 uploads into the records database, and reading a history of 10,000 uploads
// from it.
#include "bench-sim/benchdevice.h"
#include "bench-sim/simulator.h"
#include "changelog10000.h"
#include "core/errors.h"
#include "qtbenchmain.h"
#include "records/csvimport.h"
#include "records/history.h"
#include "records/logimport.h"
#include "records/textfile.h"
#include "records/upload.h"
#include "records10000.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "support/plantserver.h"
#include "workflow/workbench.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace abgleich;
using test::FixedClock;

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

// The application layer over a session with the simulated bench on 127.0.0.1, its state
// filled with 256 points, and the operator who always confirms with the right password.
class Bench256 {
public:
    Bench256() : simulator_(sim::defaultDevice(), sim::SimOptions{.port = 0}) {
        dialogs.record = false;
        dialogs.standingAuthorisation =
            AuthorisationInput{QStringLiteral("abc-4711"), QStringLiteral("Benchmark")};
        QString error;
        listening = simulator_.listen(&error);
        session_.client().setPort(simulator_.port());
        bench.changeHost(QStringLiteral("127.0.0.1"));
        fillDevice(bench.workingState());
    }

    class OpenBench : public Workbench {
    public:
        using Workbench::Workbench;
        using Workbench::workingState;
    };

    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    bool listening = false;

private:
    sim::BenchSimulator simulator_;
    BenchSession session_;
    const FixedClock clock_;

public:
    OpenBench bench{{dialogs, session_, clock_}, RegionalSettings::german(), dir.path()};
};

void BM_Upload256(benchmark::State& run) {
    Bench256 b;
    if (!b.listening)
        run.SkipWithError("the simulated bench does not listen");
    for (auto _ : run) {
        b.bench.upload();
        QCoreApplication::processEvents(); // the bench takes the record
    }
    if (!QFile::exists(correctionRecordPath(b.bench.state())))
        run.SkipWithError("nothing written");
}

void BM_Import256(benchmark::State& run) {
    Bench256 b;
    WorkingState& writer = b.bench.workingState();
    const QString path = correctionRecordPath(writer);
    replaceTextFile(path, correctionRecordText(writer.regional, FixedClock().now(), writer.device,
                                               QStringLiteral("Benchmark"),
                                               buildUpload(writer, 256).csvBody));
    WorkingState state(RegionalSettings::german());
    state.prepare(b.dir.path());
    for (auto _ : run)
        importCSVFile(state, path);
    if (state.anzMS != 256)
        run.SkipWithError("not imported");
}

// The first opening of the history on a bench whose log holds 10,000 uploads: the log read
// and every upload written into a new database.
void BM_ImportChangeLog10000(benchmark::State& run) {
    const QString log = bench::changeLog10000();
    const RegionalSettings german = RegionalSettings::german();
    int imported = 0;
    for (auto _ : run) {
        run.PauseTiming();
        QTemporaryDir dir;
        const auto records = RecordsDb::openLocal(recordsFilePath(dir.path()));
        run.ResumeTiming();
        imported = importChangeLog(*records, log, QStringLiteral("4711"), german).imported;
    }
    if (imported != bench::kLoggedUploads)
        run.SkipWithError("not every upload was taken in");
}

// What opening the history reads: the log's time stamp checked, the uploads listed, the
// point names, the newest upload's coefficients and one point's drift.
void BM_ReadHistory10000(benchmark::State& run) {
    const QString path = bench::records10000();
    if (path.isEmpty()) {
        run.SkipWithError("the records were not written");
        return;
    }
    const auto records = RecordsDb::openLocal(path);
    const RegionalSettings german = RegionalSettings::german();
    std::size_t uploads = 0;
    for (auto _ : run) {
        importChangeLog(*records, bench::changeLog10000(), QStringLiteral("4711"), german);
        const DeviceHistory history = records->history(records->benchId(), QStringLiteral("4711"));
        benchmark::DoNotOptimize(records->record(history.uploads.back().id));
        benchmark::DoNotOptimize(records->drift(history, history.pointNames.value(0)));
        uploads = history.uploads.size();
    }
    if (uploads != std::size_t(bench::kLoggedUploads))
        run.SkipWithError("not every upload was read");
}

// The plant view over 200 devices (two benches, five uploads of 40 points each) on the
// PostgreSQL server on 127.0.0.1 that scripts/bench.sh starts; skipped without it.
void BM_PlantView200(benchmark::State& run) {
    if (!test::PlantServer::port()) {
        run.SkipWithError("no test server (scripts/pg-test-server.sh start)");
        return;
    }
    test::PlantServer server;
    std::unique_ptr<RecordsDb> plant;
    try {
        plant = RecordsDb::openServer(server.settings());
        std::vector<UploadRow> rows;
        for (int device = 0; device < 200; ++device)
            for (int u = 0; u < 5; ++u) {
                UploadRow row;
                row.benchId =
                    device % 2 == 0 ? QStringLiteral("bench-a") : QStringLiteral("bench-b");
                row.benchName =
                    device % 2 == 0 ? QStringLiteral("Prüfstand A") : QStringLiteral("Prüfstand B");
                row.localId = device * 5 + u + 1;
                row.deviceId = QString::number(5000 + device);
                row.deviceType = QStringLiteral("ZYK12");
                row.when = QDateTime(QDate(2026, 1 + u, 1 + device % 28), QTime(8, 0));
                row.record = QStringLiteral("U;");
                row.largestBefore = 0.01 * u;
                row.largestAfter = 0.001 * u;
                for (int n = 0; n < 40; ++n)
                    row.points.push_back({QStringLiteral("Temperatur Öl %1").arg(n),
                                          QStringLiteral("°C"), 0, 1000, n, 1000, QString(), 0.01,
                                          0.001});
                rows.push_back(std::move(row));
            }
        plant->addUploads(std::move(rows));
    } catch (const AppError& e) {
        static std::string why;
        why = e.message().toStdString();
        run.SkipWithError(why.c_str());
        return;
    }
    std::size_t listed = 0;
    for (auto _ : run)
        listed = plant->plant().size();
    if (listed != 200)
        run.SkipWithError("not every device was listed");
}

} // namespace

BENCHMARK(BM_PlantView200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Upload256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportChangeLog10000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadHistory10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarks<QCoreApplication>(argc, argv);
}
