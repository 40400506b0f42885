// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// Refreshing a table view that shows all 256 point rows: every shown cell of columns 3..18
// goes through the display rule, which rewrites the numbers written at full precision; once
// with the numbers shown before, once with new ones. And
// opening the history of a device with 10,000 uploads: reading the change log, filling the
// dialog and drawing it once. And a soak of the window over 3,000 reads of a 256-point
// record: the memory after 500 and after 3,000, with the protocol long at its limit.
#include "bench-sim/benchdevice.h"
#include "bench-sim/simulator.h"
#include "calc/recalculation.h"
#include "core/ansicodec.h"
#include "qtbenchmain.h"
#include "records10000.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "ui/historydialog.h"
#include "ui/mainwindow.h"
#include "ui/pointgrid.h"
#include "ui/reportpdf.h"
#include "workflow/reportcontent.h"
#include "workflow/workbench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace abgleich;

namespace {

// Each refresh shows the same numbers again (newTexts false) or numbers never shown before,
// whose texts the view has to lay out first (newTexts true).
void refreshFull256RowView(benchmark::State& run, bool newTexts) {
    PointTable table(RegionalSettings::german());
    table.setRows(257);
    table.writeHeaderRow();
    table.writeRowNumbers();
    PointGrid grid(table, [] { return QFont(QStringLiteral("Arial"), 10); });
    grid.resize(1077, PointGrid::kRowHeight * 258);
    grid.show();
    QApplication::processEvents();
    double offset = 0;
    for (auto _ : run) {
        run.PauseTiming();
        {
            if (newTexts)
                offset += 0.0001;
            BatchUpdate batch(table);
            for (int row = 1; row <= 256; ++row)
                for (int column = Col::ASps; column < Col::Count; ++column)
                    table.setCellNumber(column, row, row * 0.1234567 + column + offset);
        }
        run.ResumeTiming();
        grid.fixedView()->viewport()->repaint();
        grid.cellsView()->viewport()->repaint();
    }
    if (table.cellText(Col::BNeu, 256).size() > 12)
        run.SkipWithError("the last row was not shown");
}

void BM_RefreshFull256RowView(benchmark::State& run) {
    refreshFull256RowView(run, false);
}
void BM_RefreshFull256RowViewNewTexts(benchmark::State& run) {
    refreshFull256RowView(run, true);
}

// The history dialog of a device with 10,000 uploads of 40 points opened from the records
// database, as "Verlauf…" does it: the log's time stamp checked, the history read, the
// dialog built with the newest upload and its first point's drift, shown and painted.
void BM_OpenHistory10000(benchmark::State& run) {
    const QString path = bench::records10000();
    if (path.isEmpty()) {
        run.SkipWithError("the records were not written");
        return;
    }
    const auto records = RecordsDb::openLocal(path);
    WorkingState state(RegionalSettings::german());
    std::size_t listed = 0;
    for (auto _ : run) {
        importChangeLog(*records, bench::changeLog10000(), QStringLiteral("4711"), state.regional);
        const DeviceHistory history = records->history(records->benchId(), QStringLiteral("4711"));
        DbHistoryReader reader(*records, history);
        THistoryDialog dialog(history, reader, {}, state);
        dialog.show();
        dialog.repaint();
        listed = std::size_t(dialog.Uploads->model()->rowCount());
    }
    if (listed != std::size_t(bench::kLoggedUploads))
        run.SkipWithError("not every upload was listed");
}

// The resident memory of this process in MB; "held": after the allocator has given back
// what is free, so what the objects alive take.
double residentMB(bool held = false) {
    if (held)
        malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

QByteArray record256() {
    QString text = QStringLiteral("U4711,ABC12,1.7,220315143005,256");
    for (int k = 1; k <= 256; ++k)
        text +=
            QStringLiteral(",Temperatur %1,°C,%2,%3").arg(k).arg(k * 7 - 900).arg(1000 + k % 13);
    return encodeAnsi(text + QStringLiteral(",#"));
}

// The window as the program composes it, reading the same record again and again the way
// the link hands it over; each read logs about 9,000 characters to the protocol.
void BM_ProtocolSoak3000Reads(benchmark::State& run) {
    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    dialogs.record = false;
    BenchSession session;
    const test::FixedClock clock;
    Workbench bench({dialogs, session, clock}, RegionalSettings::german(), dir.path());
    TFoAbgleich window(bench);
    window.show();
    QApplication::processEvents();
    const QByteArray wire = record256();
    double after500 = 0;
    double after3000 = 0;
    double held500 = 0;
    double held3000 = 0;
    for (auto _ : run) {
        for (int read = 1; read <= 3000; ++read) {
            session.awaitReply(u'U');
            session.receive(wire);
            QApplication::processEvents();
            if (read == 500) {
                after500 = residentMB();
                held500 = residentMB(true);
            }
        }
        after3000 = residentMB();
        held3000 = residentMB(true);
    }
    if (bench.state().anzMS != 256)
        run.SkipWithError("the record was not taken");
    run.counters["rss_after_500_MB"] = after500;
    run.counters["rss_after_3000_MB"] = after3000;
    run.counters["held_after_500_MB"] = held500;
    run.counters["held_after_3000_MB"] = held3000;
}

// The whole upload of 256 points as the operator makes it, from the authorisation's OK to the
// last file: the record to the simulated bench on 127.0.0.1, its acknowledgement and the
// read-back, the change log, the correction-data record and the PDF report. Beside the time,
// the longest the event loop went without a turn meanwhile (a stall the operator would see
// as a frozen window).
void BM_UploadTransaction256(benchmark::State& run) {
    sim::BenchDevice device = sim::defaultDevice();
    device.points.clear();
    for (int k = 1; k <= 256; ++k)
        device.points.push_back({QStringLiteral("Temperatur %1").arg(k), QStringLiteral("°C"),
                                 k * 7 - 900, 1000 + k % 13});
    sim::BenchSimulator simulator(device, sim::SimOptions{.port = 0});
    QString error;
    if (!simulator.listen(&error))
        run.SkipWithError("the simulated bench does not listen");
    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    dialogs.record = false;
    dialogs.standingAuthorisation =
        AuthorisationInput{QStringLiteral("zyk-4711"), QStringLiteral("Benchmark")};
    BenchSession session;
    session.client().setPort(simulator.port());
    const test::FixedClock clock;
    PdfReportWriter reports;
    Workbench bench({dialogs, session, clock, &reports}, RegionalSettings::german(), dir.path());
    bench.changeHost(QStringLiteral("127.0.0.1"));
    bench.readCorrectionData(Trigger::FunctionKey);
    QElapsedTimer waited;
    waited.start();
    while (bench.state().anzMS != 256 && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    PointTable& table = bench.table();
    // Each upload empties the pairs it was read with: typed again before each, untimed.
    const auto typePairs = [&] {
        for (int n = 1; n <= 256; ++n) {
            table.setCellText(Col::ref(1), n, QStringLiteral("10"));
            table.setCellText(Col::tm(1), n, QStringLiteral("10,4"));
            table.setCellText(Col::ref(2), n, QStringLiteral("200"));
            table.setCellText(Col::tm(2), n, QStringLiteral("201,3"));
        }
        bench.recalculateAll(Trigger::Button);
    };

    // The event loop's turns, seen by a timer that wants one every millisecond.
    qint64 longestStallMs = 0;
    QElapsedTimer sinceTurn;
    QTimer turns;
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout,
                     [&] { longestStallMs = std::max(longestStallMs, sinceTurn.restart()); });
    double lastMs = 0;
    for (auto _ : run) {
        run.PauseTiming();
        typePairs();
        run.ResumeTiming();
        sinceTurn.start();
        turns.start();
        QElapsedTimer took;
        took.start();
        bench.upload();
        // The report is written beside the event loop, which goes on turning meanwhile.
        while (bench.writingReports() && took.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        lastMs = double(took.nsecsElapsed()) / 1e6;
        longestStallMs = std::max(longestStallMs, sinceTurn.elapsed());
        turns.stop();
    }
    const QStringList reportsWritten =
        QDir(bench.state().configdir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    if (bench.state().anzMS != 256 || reportsWritten.isEmpty())
        run.SkipWithError("no upload of 256 points");
    run.counters["longest_stall_ms"] = double(longestStallMs);
    run.counters["ok_to_last_file_ms"] = lastMs;
}

// Writing the report of a whole 256-point adjustment: every point with four pairs, a
// tolerance and its chart, built from the table, laid out, drawn and written as a file. Set
// ABGLEICH_KEEP_REPORT to a folder to keep the last one there for looking at.
void BM_Report256(benchmark::State& run) {
    QTemporaryDir dir;
    WorkingState state(RegionalSettings::german());
    state.prepare(dir.path());
    state.device = {QStringLiteral("4711"), QStringLiteral("ZYK12"), QStringLiteral("205"),
                    QStringLiteral("256"),
                    LastCorrection::known(QDateTime(QDate(2026, 3, 1), QTime(8, 15)))};
    state.table.setRows(257);
    state.table.writeRowNumbers();
    QHash<QString, double> tolerances;
    const double refs[] = {20, 80, 150, 230};
    for (int n = 1; n <= 256; ++n) {
        const QString name = QStringLiteral("Temperatur %1").arg(n);
        state.table.setCellText(Col::Name, n, name);
        state.table.setCellText(Col::Unit, n, QStringLiteral("°C"));
        state.coef.setA(n, (n % 17) * 0.01 - 0.08);
        state.coef.setB(n, 1.0 + (n % 11) * 0.001);
        state.table.setCellNumber(Col::ASps, n, state.coef.a(n));
        state.table.setCellNumber(Col::BSps, n, state.coef.b(n));
        for (int p = 1; p <= 4; ++p) {
            const double ref = refs[p - 1] * (1 + n % 3);
            state.table.setCellNumber(Col::ref(p), n, ref);
            state.table.setCellNumber(Col::tm(p), n, ref * 1.01 + (n % 5) * 0.1 - p * 0.05);
        }
        if (n % 7 != 0)
            tolerances.insert(name, 0.5 + (n % 4) * 0.5);
    }
    computeAll(state, 256);
    QString path;
    for (auto _ : run) {
        AdjustmentReport report = buildAdjustmentReport(state, 256, ReportKind::Upload, tolerances);
        report.when = QDateTime(QDate(2026, 12, 11), QTime(9, 0));
        report.number = QStringLiteral("A-00042");
        report.operatorName = QStringLiteral("Erika Muster");
        report.benchName = QStringLiteral("Prüfstand 3");
        report.standard =
            ReferenceStandard{QStringLiteral("PM-17"), QStringLiteral("Pt100-Kalibrator"),
                              QStringLiteral("K-2026-117"), QDate(2027, 6, 30)};
        path = writeAdjustmentReport(report, state.configdir);
        QFile::remove(path);
    }
    if (const QByteArray keep = qgetenv("ABGLEICH_KEEP_REPORT"); !keep.isEmpty()) {
        AdjustmentReport report = buildAdjustmentReport(state, 256, ReportKind::Upload, tolerances);
        report.when = QDateTime(QDate(2026, 12, 11), QTime(9, 0));
        report.number = QStringLiteral("A-00042");
        QFile::copy(writeAdjustmentReport(report, state.configdir),
                    QString::fromLocal8Bit(keep) + QStringLiteral("/report256.pdf"));
    }
}

} // namespace

BENCHMARK(BM_UploadTransaction256)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProtocolSoak3000Reads)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_RefreshFull256RowView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshFull256RowViewNewTexts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenHistory10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Report256)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
