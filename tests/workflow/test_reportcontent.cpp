#include "calc/recalculation.h"
#include "core/errors.h"
#include "records/adjustmentreport.h"
#include "support/adjustment.h"
#include "support/qtprint.h"
#include "workflow/loopbackbench.h"
#include "workflow/reportcontent.h"

#include <QCoreApplication>
#include <QDir>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::FixedClock;
using test::LoopbackBench;

namespace {

// Keeps the reports handed to it, instead of writing documents, and the thread each was
// written on; fails with `error` when one is set.
class RecordingReportWriter : public ReportWriter {
public:
    QString write(const AdjustmentReport& report, const QString& configdir) override {
        reports.push_back(report);
        threads.push_back(QThread::currentThread());
        if (whileWriting)
            whileWriting();
        if (!error.isEmpty())
            throw AppError(error);
        return configdir + u"/report.pdf"_s;
    }

    std::vector<AdjustmentReport> reports;
    std::vector<QThread*> threads;
    std::function<void()> whileWriting; // runs while the report is written
    QString error;
};

// Three points as read from the controller: TA_1 (a = 1, b = 2) with three value pairs,
// recalculated; an offset point without pairs; P_1 with a single pair and a new a typed in.
class Report : public ::testing::Test {
protected:
    Report() : state(bench.state()) { windowChart = test::setUpAdjustment(state); }

    RecordingReportWriter writer;
    LoopbackBench bench{RegionalSettings::german(), &writer};
    WorkingState& state;
    DeviationChartData windowChart; // what the window's chart shows for TA_1
};

} // namespace

TEST_F(Report, OfAKnownAdjustment) {
    const AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Table);
    EXPECT_FALSE(report.uploaded());
    EXPECT_EQ(report.device, state.device);
    ASSERT_EQ(report.points.size(), 3u);

    const ReportPoint& ta = report.points[0];
    EXPECT_EQ(ta.number, 1);
    EXPECT_EQ(ta.name, u"TA_1"_s);
    EXPECT_EQ(ta.unit, u"°C"_s);
    EXPECT_EQ(ta.aBefore, 1.0);
    EXPECT_EQ(ta.bBefore, 2.0);
    // The fit as sent: to the thousandth.
    EXPECT_EQ(ta.aAfter, std::nearbyint(state.table.storedNumber(Col::ANeu, 1) * 1000) / 1000);
    EXPECT_EQ(ta.bAfter, std::nearbyint(state.table.storedNumber(Col::BNeu, 1) * 1000) / 1000);
    EXPECT_NE(ta.aAfter, 1.0);
    EXPECT_TRUE(ta.aChanged());
    EXPECT_TRUE(ta.bChanged());
    ASSERT_EQ(ta.pairs.size(), 3u);
    const double before[] = {11.5, 100, 201.2};
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(ta.pairs[k].before, before[k], 1e-9);
        ASSERT_TRUE(ta.pairs[k].after.has_value());
        // The same deviation as the table's diff column, from the same function.
        EXPECT_NEAR(*ta.pairs[k].after, state.table.storedNumber(Col::Diff1 + int(k), 1), 1e-9);
    }
    EXPECT_NEAR(*ta.largestBefore, 201.2, 1e-9);
    double largestAfter = 0;
    for (const ReportPair& pair : ta.pairs)
        if (std::fabs(*pair.after) > std::fabs(largestAfter))
            largestAfter = *pair.after;
    EXPECT_EQ(ta.largestAfter, largestAfter);
    // The chart the window drew when the point was recalculated.
    EXPECT_EQ(ta.chart.title, u"Messwertabweichungen für Messstelle 1 "_s);
    EXPECT_EQ(ta.chart.uncorrected, windowChart.uncorrected);
    EXPECT_EQ(ta.chart.corrected, windowChart.corrected);
    EXPECT_EQ(ta.chart.zeroLine, windowChart.zeroLine);
    ASSERT_EQ(ta.chart.recalculated.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(ta.chart.recalculated[k].y(), windowChart.recalculated[k].y(), 0.0005);

    // The offset point: no b, nothing new (sent as 0 and 1), no pairs, no chart.
    const ReportPoint& offset = report.points[1];
    EXPECT_EQ(offset.aBefore, -0.035);
    EXPECT_EQ(offset.bBefore, std::nullopt);
    EXPECT_EQ(offset.aAfter, 0.0);
    EXPECT_EQ(offset.bAfter, 1.0);
    EXPECT_TRUE(offset.aChanged());
    EXPECT_FALSE(offset.bChanged());
    EXPECT_TRUE(offset.pairs.empty());
    EXPECT_EQ(offset.largestBefore, std::nullopt);
    EXPECT_TRUE(offset.chart.corrected.empty());

    // One pair, never recalculated, and a new a typed in: the report takes a as the table
    // shows it and the upload sends it (1,0025 shows as 1,003), and the deviation that a
    // leaves: 1,003 + 1 · 50,4 − 50.
    const ReportPoint& p1 = report.points[2];
    EXPECT_EQ(p1.aAfter, 1.003);
    ASSERT_EQ(p1.pairs.size(), 1u);
    EXPECT_EQ(p1.pairs[0].ref, 50.0);
    EXPECT_NEAR(p1.pairs[0].before, 0.4, 1e-9);
    ASSERT_TRUE(p1.pairs[0].after.has_value());
    EXPECT_NEAR(*p1.pairs[0].after, 1.403, 1e-9);
    EXPECT_EQ(p1.largestAfter, p1.pairs[0].after);
    EXPECT_EQ(p1.chart.recalculated.size(), 1u);
    EXPECT_EQ(p1.chart.corrected.size(), 1u);

    EXPECT_EQ(report.largestBefore(), &ta);
    EXPECT_EQ(report.largestAfter(), &p1);
}

TEST_F(Report, TheUploadHandsItOnAfterBothFilesWithTheCoefficientsTheBenchDisplayedWith) {
    bench.dialogs.authorisations.push_back(
        AuthorisationInput{u"abc-4711"_s, u"Sensor\r\ngetauscht"_s});
    bench.dialogs.authorisations.push_back(AuthorisationInput{u"falsch"_s, u"x"_s});
    QStringList filesBefore;
    bench.clock = FixedClock(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    writer.whileWriting = [&] { filesBefore = QDir(state.configdir).entryList(QDir::Files); };
    bench.bench.upload();
    bench.bench.upload(); // wrong password: no upload, no report
    bench.bench.finishReports();
    EXPECT_EQ(bench.sent().size(), 1);

    ASSERT_EQ(writer.reports.size(), 1u);
    const AdjustmentReport& report = writer.reports[0];
    EXPECT_TRUE(report.uploaded());
    EXPECT_EQ(report.when, bench.clock.now());
    EXPECT_EQ(report.comment, u"Sensor\ngetauscht"_s);
    EXPECT_EQ(filesBefore,
              (QStringList{u"Abgleich.sqlite"_s, u"Abgleich_4711.csv"_s, u"Log_4711.log"_s}));
    // The raw values come from a = 1, b = 2 (the store before the upload), not from the
    // uploaded coefficients the store holds now.
    EXPECT_NE(state.coef.b(1), 2.0);
    EXPECT_EQ(report.points[0].chart.uncorrected, windowChart.uncorrected);
    EXPECT_NEAR(report.points[0].aAfter, state.coef.a(1), 0.0005);
}

// The report is written off the window's thread: the upload returns, and the event loop
// turns, while the report is still being written; its end comes as a protocol line.
TEST_F(Report, IsWrittenWhileTheWindowGoesOn) {
    bench.dialogs.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, u"x"_s};
    QStringList protocol;
    QObject::connect(&bench.bench, &Workbench::logLine,
                     [&](const QString& line) { protocol << line; });
    QSemaphore started;
    QSemaphore release;
    writer.whileWriting = [&] {
        started.release();
        release.acquire();
    };
    bench.bench.upload();
    ASSERT_TRUE(started.tryAcquire(1, 5000));
    bool turned = false;
    QTimer::singleShot(0, [&] { turned = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(turned);
    EXPECT_FALSE(protocol.join(u'|').contains(u"Abgleichprotokoll"_s));
    release.release();
    bench.bench.finishReports();
    ASSERT_EQ(writer.threads.size(), 1u);
    EXPECT_NE(writer.threads[0], QThread::currentThread());
    EXPECT_TRUE(protocol.contains(u"Abgleichprotokoll gespeichert: "_s +
                                  QDir::toNativeSeparators(state.configdir + u"/report.pdf"_s)))
        << protocol.join(u'|').toStdString();
    EXPECT_TRUE(bench.dialogs.shown.empty() ||
                bench.dialogs.shown.back().kind != test::ScriptedDialogs::Kind::ErrorBox);
}

// A report that cannot be written: after an upload the box says that the values went out;
// for the table as it stands, the box names the file alone. Both only once it has ended.
TEST_F(Report, ThatCannotBeWrittenSaysWhatWasSent) {
    using Kind = test::ScriptedDialogs::Kind;
    bench.dialogs.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, u"x"_s};
    writer.error = u"Die Datei 'x.pdf' kann nicht geschrieben werden: Schreibgeschützt"_s;
    bench.bench.upload();
    bench.bench.finishReports();
    ASSERT_FALSE(bench.dialogs.shown.empty());
    EXPECT_EQ(bench.dialogs.shown.back().kind, Kind::ErrorBox);
    EXPECT_TRUE(bench.dialogs.shown.back().text.startsWith(
        u"Die Abgleichwerte wurden bereits an die SPS übertragen."_s))
        << bench.dialogs.shown.back().text.toStdString();
    EXPECT_TRUE(bench.dialogs.shown.back().text.endsWith(errorBoxText(writer.error)));

    bench.dialogs.shown.clear();
    bench.bench.writeTableReport();
    bench.bench.finishReports();
    ASSERT_EQ(bench.dialogs.shown.size(), 1u);
    EXPECT_EQ(bench.dialogs.shown[0],
              (test::ScriptedDialogs::Shown{Kind::ErrorBox, errorBoxText(writer.error)}));

    writer.error.clear();
    bench.bench.writeTableReport();
    bench.bench.finishReports();
    ASSERT_EQ(bench.dialogs.shown.size(), 2u);
    EXPECT_EQ(bench.dialogs.shown[1].kind, Kind::Message);
    EXPECT_TRUE(bench.dialogs.shown[1].text.startsWith(
        u"Das Abgleichprotokoll (nicht übertragen) wurde gespeichert:"_s));
    EXPECT_FALSE(writer.reports.back().uploaded());
}
