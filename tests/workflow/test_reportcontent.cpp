// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "calc/recalculation.h"
#include "core/errors.h"
#include "core/numbers.h"
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

    // A value typed since the upload: the table as it stands, not sent.
    writer.error.clear();
    state.table.setCellText(Col::tm(1), 1, u"21"_s);
    bench.bench.writeTableReport();
    bench.bench.finishReports();
    ASSERT_EQ(bench.dialogs.shown.size(), 2u);
    EXPECT_EQ(bench.dialogs.shown[1].kind, Kind::Message);
    EXPECT_TRUE(bench.dialogs.shown[1].text.startsWith(
        u"Das Abgleichprotokoll (nicht übertragen) wurde gespeichert:"_s));
    EXPECT_FALSE(writer.reports.back().uploaded());
}

namespace {

// The deviation a pair is left with by coefficients as the table shows them (to the
// thousandth), worked out here from the cell texts alone.
double leftWith(const PointTable& table, int n, double ref, double tm, double aHeld, double bHeld) {
    const RegionalSettings rs = RegionalSettings::german();
    const double a = tryStrToFloat(table.cellText(Col::ANeu, n), rs).value();
    const double b = tryStrToFloat(table.cellText(Col::BNeu, n), rs).value();
    return a + b * ((tm - aHeld) / bHeld) - ref;
}

} // namespace

// "nachher" follows the table as it stands and the coefficients as they are sent: a pair
// changed after the recalculation, and the rounding of a and b to the thousandth, both
// show in the report, where the diff columns still hold what the last recalculation left.
TEST_F(Report, DeviationsLeftAreThoseOfTheCoefficientsAsSentForThePairsAsTheyStand) {
    PointTable& t = state.table;
    t.setCellText(Col::ANeu, 1, t.normaliseCell(Col::ANeu, 1));
    t.setCellText(Col::BNeu, 1, t.normaliseCell(Col::BNeu, 1));
    const double staleDiff = t.storedNumber(Col::Diff1 + 1, 1);
    t.setCellText(Col::tm(2), 1, u"208"_s); // displayed value changed, no F12
    const AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Upload);
    const ReportPoint& ta = report.points[0];
    ASSERT_EQ(ta.pairs.size(), 3u);
    const double expected = leftWith(t, 1, 100, 208, 1, 2);
    EXPECT_NEAR(*ta.pairs[1].after, expected, 1e-9);
    EXPECT_GT(std::fabs(*ta.pairs[1].after - staleDiff), 3.9); // b ≈ 1 · (208 − 200) / 2
    EXPECT_NEAR(ta.pairs[1].before, 108, 1e-9);
    for (std::size_t k : {0u, 2u})
        EXPECT_NEAR(*ta.pairs[k].after, leftWith(t, 1, ta.pairs[k].ref, ta.pairs[k].tm, 1, 2),
                    1e-9);
}

TEST_F(Report, DeviationsLeftUseTheRoundedCoefficientsNotTheFit) {
    // A fit whose b rounds by nearly half a thousandth: 200 times that shows.
    PointTable& t = state.table;
    t.setCellText(Col::ANeu, 1, u"0,1234"_s);
    t.setCellText(Col::BNeu, 1, u"1,0004"_s);
    const AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Upload);
    const ReportPoint& ta = report.points[0];
    EXPECT_EQ(ta.aAfter, 0.123);
    EXPECT_EQ(ta.bAfter, 1.0);
    // mw = (401,2 − 1) / 2 = 200,1: sent 0,123 + 1 · 200,1 − 200; the fit would leave 0,203.
    EXPECT_NEAR(*ta.pairs[2].after, 0.223, 1e-9);
    EXPECT_NEAR(0.1234 + 1.0004 * 200.1 - 200, 0.30344, 1e-9);
}

// After an upload the controller holds what was sent: the next report finds those, not the
// table's a (SPS) and b (SPS) of the last read; right after the upload, "Protokoll
// erstellen…" repeats the upload's report and says it was sent.
TEST_F(Report, AfterAnUploadAsFoundIsWhatWasSentAndTheTableReportIsACopy) {
    bench.dialogs.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, u"x"_s};
    bench.bench.upload();
    bench.bench.finishReports();
    ASSERT_EQ(writer.reports.size(), 1u);
    const AdjustmentReport uploaded = writer.reports[0];
    EXPECT_EQ(uploaded.number, u"A-00001"_s);
    EXPECT_EQ(uploaded.recordSha256.size(), 64);

    bench.bench.writeTableReport();
    bench.bench.finishReports();
    ASSERT_EQ(writer.reports.size(), 2u);
    const AdjustmentReport& copy = writer.reports[1];
    EXPECT_EQ(copy.kind, ReportKind::Table);
    EXPECT_EQ(copy.number, u"P-00001"_s);
    EXPECT_EQ(copy.uploadNumber, u"A-00001"_s);
    EXPECT_EQ(copy.points, uploaded.points);
    EXPECT_TRUE(bench.dialogs.shown.back().text.startsWith(
        u"Die Abschrift des Abgleichprotokolls Nr. A-00001 wurde gespeichert:\n"_s));

    // The pairs read with the coefficients before went with the upload; one typed since
    // gives a report of the table, as found what the upload sent.
    for (int n = 1; n <= 3; ++n)
        for (int column = Col::Ref1; column <= Col::Diff4; ++column)
            EXPECT_TRUE(state.table.cellText(column, n).isEmpty()) << n << ' ' << column;
    state.table.setCellText(Col::ref(1), 1, u"10"_s);
    state.table.setCellText(Col::tm(1), 1, u"10,1"_s);
    bench.bench.writeTableReport();
    bench.bench.finishReports();
    ASSERT_EQ(writer.reports.size(), 3u);
    const AdjustmentReport& later = writer.reports[2];
    EXPECT_TRUE(later.uploadNumber.isEmpty());
    EXPECT_EQ(later.number, u"P-00002"_s);
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(later.points[k].aBefore, uploaded.points[k].aAfter);
        if (!later.points[k].offset) {
            EXPECT_EQ(later.points[k].bBefore, uploaded.points[k].bAfter);
        }
    }
    EXPECT_NEAR(*later.points[0].pairs[0].after, 0.1, 1e-9);   // read with what was sent
    EXPECT_EQ(state.table.cellText(Col::ASps, 1), u"1,000"_s); // the table shows the read
}

// Upload reports are numbered from the records when the upload is recorded: a refused
// upload takes no number, and each series counts on its own.
TEST_F(Report, NumbersLeaveNoGapForARefusedUpload) {
    bench.dialogs.authorisations = {AuthorisationInput{u"abc-4711"_s, u"x"_s},
                                    AuthorisationInput{u"falsch"_s, u"x"_s},
                                    AuthorisationInput{u"abc-4711"_s, u"y"_s}};
    for (int k = 0; k < 3; ++k) {
        state.table.setCellText(Col::ANeu, 3, QString::number(k + 2));
        bench.bench.upload();
    }
    bench.bench.finishReports();
    ASSERT_EQ(writer.reports.size(), 2u);
    EXPECT_EQ(writer.reports[0].number, u"A-00001"_s);
    EXPECT_EQ(writer.reports[1].number, u"A-00002"_s);
    EXPECT_FALSE(writer.reports[0].operatorName.isEmpty()); // the system user's name
}

// Tolerances typed in the dialog are kept per device type and point name and judge the
// next report; a reference standard past its date is asked about before anything is sent.
TEST_F(Report, TolerancesAndAStandardPastItsDate) {
    bench.dialogs.toleranceEdits.push_back(std::vector<ToleranceRow>{
        {u"TA_1"_s, u"°C"_s, 0.5}, {u"of Druck"_s, u"bar"_s, {}}, {u"P_1"_s, u"bar"_s, 2.0}});
    bench.bench.editTolerances();
    ASSERT_EQ(bench.dialogs.toleranceRows.size(), 3u);
    EXPECT_EQ(bench.dialogs.toleranceRows[0], (ToleranceRow{u"TA_1"_s, u"°C"_s, {}}));
    EXPECT_EQ(bench.bench.tolerances(),
              (QHash<QString, double>{{u"TA_1"_s, 0.5}, {u"P_1"_s, 2.0}}));

    const ReferenceStandard old{u"PM-17"_s, u"Druckwaage"_s, u"K-1"_s, QDate(2022, 3, 14)};
    bench.dialogs.standardsEdits.push_back(StandardsChoice{{old}, u"PM-17"_s});
    bench.bench.editStandards();
    EXPECT_EQ(bench.bench.reportSettings().standardId, u"PM-17"_s);

    bench.dialogs.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, u"x"_s};
    bench.dialogs.answers = {false};
    bench.bench.upload();
    EXPECT_TRUE(bench.sent().isEmpty());
    ASSERT_FALSE(bench.dialogs.shown.empty());
    EXPECT_TRUE(bench.dialogs.shown.back().text.startsWith(
        u"Das Prüfmittel „PM-17“ (Druckwaage) ist nur bis 14.03.2022 kalibriert."_s))
        << bench.dialogs.shown.back().text.toStdString();

    bench.dialogs.answers = {true};
    bench.bench.upload();
    bench.bench.finishReports();
    ASSERT_EQ(writer.reports.size(), 1u);
    const AdjustmentReport& report = writer.reports[0];
    EXPECT_TRUE(report.standardExpired());
    EXPECT_EQ(report.points[0].tolerance, 0.5);
    EXPECT_EQ(report.points[0].asFound(), Verdict::Fail);
    EXPECT_EQ(report.points[1].asFound(), Verdict::NoValues);
    EXPECT_EQ(report.points[2].asFound(), Verdict::Pass); // 0,4
    EXPECT_EQ(report.points[2].asLeft(), Verdict::Pass);  // 1,403
    EXPECT_EQ(report.asFound(), Verdict::Fail);
    // Before the upload the view judged TA_1 as the report did; after it, while the row is
    // as it was, still so: its pairs were read with the coefficients held before. Judged
    // with the new ones they would seem far off.
    EXPECT_EQ(report.points[0].asLeft(), Verdict::Pass);
    const auto judged = bench.bench.judgePoint(1);
    ASSERT_TRUE(judged.has_value());
    EXPECT_EQ(judged->asLeft, Verdict::Pass);
    EXPECT_TRUE(judged->toolTip.endsWith(u"(Stand der Übertragung Nr. A-00001)"_s));
}

// A tolerance is met by the deviation as printed: tm − Ref of 1,11 − 0,61 is 0,5 even where
// binary arithmetic leaves a trace above it.
TEST(Verdicts, AsPrintedAgainstTheTolerance) {
    const double tmMinusRef = 1.11 - 0.61; // 0.5000000000000001
    ASSERT_GT(tmMinusRef, 0.5);
    EXPECT_EQ(judge(tmMinusRef, 0.5), Verdict::Pass);
    EXPECT_EQ(judge(-0.5006, 0.5), Verdict::Fail);
    EXPECT_EQ(judge(0.5004, 0.5), Verdict::Pass);
    EXPECT_EQ(judge(3.0, std::nullopt), Verdict::NoTolerance);
    EXPECT_EQ(judge(std::nullopt, 0.5), Verdict::NoValues);
}

// "Nachmessung protokollieren": the pairs typed after the upload (it emptied those before),
// with its coefficients in force, as a check report of its own series linked to the upload.
TEST_F(Report, ACheckAfterTheUploadTakesThePairsTypedSince) {
    bench.bench.recordCheck();
    ASSERT_FALSE(bench.dialogs.shown.empty());
    EXPECT_TRUE(bench.dialogs.shown.back().text.startsWith(u"Eine Nachmessung"_s));

    bench.dialogs.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, u"x"_s};
    bench.bench.upload();
    bench.bench.recordCheck(); // nothing typed again yet
    EXPECT_TRUE(bench.dialogs.shown.back().text.startsWith(
        u"Seit der Übertragung wurden keine Wertepaare neu eingegeben."_s));

    const QString typed[2][2] = {{u"10"_s, u"10,2"_s}, {u"100"_s, u"99,9"_s}};
    for (int p = 1; p <= 2; ++p) {
        state.table.setCellText(Col::ref(p), 1, typed[p - 1][0]);
        state.table.setCellText(Col::tm(p), 1, typed[p - 1][1]);
    }
    bench.bench.recordCheck();
    bench.bench.finishReports();
    ASSERT_EQ(writer.reports.size(), 2u);
    const AdjustmentReport& check = writer.reports[1];
    EXPECT_EQ(check.kind, ReportKind::Check);
    EXPECT_EQ(check.number, u"N-00001"_s);
    EXPECT_EQ(check.uploadNumber, writer.reports[0].number);
    const ReportPoint& ta = check.points[0];
    // The coefficients in force are those sent.
    EXPECT_EQ(ta.aAfter, writer.reports[0].points[0].aAfter);
    ASSERT_EQ(ta.pairs.size(), 2u);
    EXPECT_NEAR(ta.pairs[0].before, 0.2, 1e-9);
    EXPECT_NEAR(ta.pairs[1].before, -0.1, 1e-9);
    EXPECT_EQ(ta.largestBefore, ta.pairs[0].before);
    EXPECT_TRUE(check.points[2].pairs.empty());
}
