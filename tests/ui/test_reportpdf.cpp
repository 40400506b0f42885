// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The adjustment report as a PDF, its text read back with pdftotext.
#include "calc/recalculation.h"
#include "core/numbers.h"
#include "support/adjustment.h"
#include "support/pdftext.h"
#include "support/qtprint.h"
#include "ui/reportchart.h"
#include "ui/reportpdf.h"
#include "workflow/reportcontent.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::fileBytes;
using test::pdfText;

namespace {

const QDateTime kUploadTime(QDate(2022, 3, 15), QTime(14, 30, 5));

class ReportPdf : public ::testing::Test {
protected:
    ReportPdf() : state(RegionalSettings::german()) {
        state.prepare(dir_.path());
        test::setUpAdjustment(state);
    }
    QString shown(int column, int row) { return state.table.normaliseCell(column, row); }

    QTemporaryDir dir_;
    WorkingState state;
};

} // namespace

TEST_F(ReportPdf, HoldsTheTextsAndNumbersOfTheAdjustment) {
    AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Upload);
    report.when = kUploadTime;
    report.number = u"A-00017"_s;
    report.comment = u"Sensor getauscht\nPrüfmittel PM-17"_s;
    report.recordSha256 = QString(64, u'e');
    const QString text = pdfText(adjustmentReportPdf(report));

    // What the table shows is what the report says, for the recalculated point.
    const QString aNew = shown(Col::ANeu, 1);
    const QString bNew = shown(Col::BNeu, 1);
    QStringList diffs;
    for (int k = 0; k < 3; ++k)
        diffs << shown(Col::Diff1 + k, 1);
    ASSERT_NE(aNew, u"1,000"_s);
    const QStringList expected = {
        u"Abgleichprotokoll Nr. A-00017"_s,
        u"Geräte-ID 4711"_s,
        u"Geräteart ABC12"_s,
        u"SPS-Version 205"_s,
        u"Letzte Korrektur zuvor 01.03.2025 08:15:00"_s,
        u"Übertragen am 15.03.2022 14:30:05"_s,
        u"Kommentar Sensor getauscht"_s,
        u"Prüfmittel PM-17"_s,
        u"SHA-256 des gesendeten Datensatzes "_s + QString(64, u'e'),
        // Number, name, unit, a and b before and after, tolerance, largest deviations.
        u"1 TA_1 °C 1,000 2,000 "_s + aNew + u' ' + bNew + u" keine"_s,
        // An offset point has no b, before or after.
        u"2 of Druck bar -0,035 – 0,000 – keine"_s,
        u"3 P_1 bar 0,000 1,000 1,003 1,000 keine"_s,
        u"Messstelle 1: TA_1 (°C)"_s,
        u"a: 1,000 → "_s + aNew + u" b: 2,000 → "_s + bNew,
        u"1 10,000 21,500 11,500 "_s + diffs[0],
        u"2 100,000 200,000 100,000 "_s + diffs[1],
        u"3 200,000 401,200 201,200 "_s + diffs[2],
        // The pair keeps its place in the row: P_1's only pair is pair 2.
        u"Messstelle 3: P_1 (bar)"_s,
        u"2 50,000 50,400 0,400 1,403"_s,
        // The charts, with every entry of the legend.
        u"unkorrigierte Abweichungen"_s,
        u"neu berechnete Abweichungen"_s,
        u"aktuell korrigierte Abweichungen"_s,
        u"Abgleichprotokoll Nr. A-00017 · Gerät 4711 · 15.03.2022 14:30:05"_s,
        u"Ende des Abgleichprotokolls Nr. A-00017"_s,
    };
    for (const QString& line : expected)
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(u"icht übertragen"_s));
    EXPECT_EQ(text.count(u"Messstelle 2:"_s), 0); // no pairs, no section
    // Without tolerances nothing is passed.
    EXPECT_TRUE(text.contains(u"Wie vorgefunden keine Toleranz festgelegt"_s));
    EXPECT_TRUE(text.contains(u"Wie hinterlassen (berechnet) keine Toleranz festgelegt"_s));
    EXPECT_FALSE(text.contains(QRegularExpression(u"[^n]\\. i\\. O\\. "_s))) << text.toStdString();
    const int pages = int(text.count(u'\f'));
    EXPECT_GE(pages, 2);
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(text.contains(u"Seite %1 von %2"_s.arg(page).arg(pages)));
}

// A point out of tolerance as found and within it as left (computed), with the verdicts,
// the rule, the standard (past its date), the report's number on every page and its end.
TEST_F(ReportPdf, VerdictsUnderTheStatedRule) {
    // Tolerances worked out from the table's own diff columns: TA_1 fails as found (201,2)
    // and passes as left; P_1 passes both (0,4 and 1,403 against 1,5).
    double largestLeft = 0;
    for (int k = 0; k < 3; ++k)
        largestLeft = std::max(largestLeft, std::fabs(state.table.storedNumber(Col::Diff1 + k, 1)));
    const double taTolerance = std::ceil(largestLeft * 1000 + 1) / 1000;
    const QHash<QString, double> tolerances{{u"TA_1"_s, taTolerance}, {u"P_1"_s, 1.5}};
    AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Upload, tolerances);
    report.when = kUploadTime;
    report.number = u"A-00018"_s;
    report.operatorName = u"Erika Muster"_s;
    report.benchName = u"Prüfstand 3"_s;
    report.standard =
        ReferenceStandard{u"PM-17"_s, u"Druckwaage"_s, u"K-123"_s, QDate(2022, 3, 14)};
    ASSERT_EQ(report.points[0].asFound(), Verdict::Fail);
    ASSERT_EQ(report.points[0].asLeft(), Verdict::Pass);
    EXPECT_EQ(report.asFound(), Verdict::Fail);
    EXPECT_EQ(report.asLeft(), Verdict::Pass);
    const QString text = pdfText(adjustmentReportPdf(report));
    // Line breaks as blanks: a long field wraps where the page ends.
    const QString flat = text.simplified();
    const RegionalSettings rs = RegionalSettings::german();
    const QStringList expected = {
        u"Wie vorgefunden n. i. O."_s,
        u"Wie hinterlassen (berechnet) i. O."_s,
        u"Entscheidungsregel: einfache Akzeptanz nach ILAC-G8:09/2019 (ohne Schutzband)."_s,
        u"Prüfmittel PM-17 – Druckwaage, Kalibrierschein K-123, kalibriert bis 14.03.2022 – am "
        "Tag des Protokolls abgelaufen; der Bearbeiter hat trotzdem fortgesetzt"_s,
        u"Bearbeiter Erika Muster"_s,
        u"Prüfstand Prüfstand 3"_s,
        u"Programm Abgleich "_s,
        u"± "_s + formatFixed3(taTolerance, rs) + u" 201,200 n. i. O. "_s,
        u"± 1,500 0,400 i. O. 1,403 i. O."_s,
        u"Toleranz: ± 1,500 vorher: 0,400 i. O. nachher (berechnet): 1,403 i. O."_s,
        u"Toleranz ± 1,500"_s, // the chart's band
        u"Datum, Unterschrift Bearbeiter (Erika Muster)"_s,
        u"Datum, Unterschrift Prüfer"_s,
        u"Ende des Abgleichprotokolls Nr. A-00018"_s,
    };
    for (const QString& line : expected)
        EXPECT_TRUE(flat.contains(line)) << line.toStdString() << "\n" << text.toStdString();
    const int pages = int(text.count(u'\f'));
    EXPECT_EQ(text.count(u"Abgleichprotokoll Nr. A-00018 · Gerät 4711"_s), pages);
    // The end line is the last thing of the last page.
    EXPECT_GT(text.lastIndexOf(u"Ende des Abgleichprotokolls"_s),
              text.lastIndexOf(u"aktuell korrigierte Abweichungen"_s));
}

TEST_F(ReportPdf, OfATableNotUploadedSaysSoOnEveryPage) {
    AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Table);
    report.when = kUploadTime;
    report.number = u"P-00003"_s;
    const QString text = pdfText(adjustmentReportPdf(report));
    EXPECT_TRUE(text.contains(u"Nicht übertragen: Stand der Tabelle."_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Erstellt am 15.03.2022 14:30:05"_s));
    EXPECT_FALSE(text.contains(u"Übertragen am"_s));
    const int pages = int(text.count(u'\f'));
    EXPECT_EQ(text.count(u"Abgleichprotokoll Nr. P-00003 · Gerät 4711 · 15.03.2022 14:30:05 · "
                         "nicht übertragen Seite"_s),
              pages);
}

TEST_F(ReportPdf, EveryReportIsANewFile) {
    AdjustmentReport report = buildAdjustmentReport(state, 3, ReportKind::Upload);
    report.when = kUploadTime;
    const QString first = writeAdjustmentReport(report, state.configdir);
    const QString second = writeAdjustmentReport(report, state.configdir);
    const QString stem =
        state.configdir + QDir::separator() + u"Abgleichprotokoll_4711_20220315-143005"_s;
    EXPECT_EQ(first, stem + u".pdf"_s);
    EXPECT_EQ(second, stem + u"_2.pdf"_s);
    for (const QString& path : {first, second})
        EXPECT_TRUE(fileBytes(path).startsWith("%PDF-")) << path.toStdString();
}

// A report's chart scales to its values on round steps: references of 500 and 3000 or
// deviations of a few thousandths fill the plot, and zero stays on the deviations' axis.
TEST(ReportChartAxis, RoundStepsAroundTheValues) {
    struct Case {
        double smallest, largest;
        int steps;
        ChartAxis expected;
    };
    const Case cases[] = {
        {0.9, 3.0, 5, {0.5, 3.0, 0.5}},
        {450, 3100, 6, {0, 3500, 500}},
        {-0.017, 0.004, 5, {-0.02, 0.005, 0.005}},
        {2, 2, 5, {2, 2.5, 0.5}}, // a single value still has a range
        {0, 0, 5, {0, 0.2, 0.2}},
        {std::nan(""), 1, 5, {0, 1, 1}},
    };
    for (const Case& c : cases) {
        const ChartAxis axis = chartAxis(c.smallest, c.largest, c.steps);
        const std::string at = std::to_string(c.smallest) + ".." + std::to_string(c.largest);
        EXPECT_NEAR(axis.step, c.expected.step, 1e-12) << at;
        EXPECT_NEAR(axis.low, c.expected.low, 1e-12) << at;
        EXPECT_NEAR(axis.high, c.expected.high, 1e-12) << at;
        EXPECT_LE(axis.low, std::isnan(c.smallest) ? axis.low : c.smallest) << at;
        EXPECT_GE(axis.high, c.largest) << at;
    }
}
