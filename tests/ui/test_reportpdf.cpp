// The adjustment report as a PDF, its text read back with pdftotext.
#include "calc/recalculation.h"
#include "support/adjustment.h"
#include "support/pdftext.h"
#include "support/qtprint.h"
#include "ui/reportchart.h"
#include "ui/reportpdf.h"
#include "workflow/reportcontent.h"

#include <QDir>
#include <QFile>
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
    AdjustmentReport report = buildAdjustmentReport(state, 3, true);
    report.when = kUploadTime;
    report.comment = u"Sensor getauscht\nPrüfmittel PM-17"_s;
    const QString text = pdfText(adjustmentReportPdf(report));

    // What the table shows is what the report says, for the recalculated point.
    const QString aNew = shown(Col::ANeu, 1);
    const QString bNew = shown(Col::BNeu, 1);
    QStringList diffs;
    for (int k = 0; k < 3; ++k)
        diffs << shown(Col::Diff1 + k, 1);
    ASSERT_NE(aNew, u"1,000"_s);
    const QStringList expected = {
        u"Abgleichprotokoll"_s,
        u"Geräte-ID 4711"_s,
        u"Geräteart ABC12"_s,
        u"SPS-Version 205"_s,
        u"Letzte Korrektur zuvor 01.03.2025 08:15:00"_s,
        u"Übertragen am 15.03.2022 14:30:05"_s,
        u"Kommentar Sensor getauscht"_s,
        u"Prüfmittel PM-17"_s,
        // Number, name, unit, a and b before and after, pairs, largest deviations.
        u"1 TA_1 °C 1,000 2,000 "_s + aNew + u' ' + bNew + u" 3 201,200 "_s,
        u"2 of Druck bar -0,035 – 0,000 1,000 0 – –"_s,
        u"3 P_1 bar 0,000 1,000 1,003 1,000 1 0,400 1,403"_s,
        u"Messstelle 1: TA_1 (°C)"_s,
        u"a: 1,000 → "_s + aNew + u" b: 2,000 → "_s + bNew,
        u"1 10,000 21,500 11,500 "_s + diffs[0],
        u"2 100,000 200,000 100,000 "_s + diffs[1],
        u"3 200,000 401,200 201,200 "_s + diffs[2],
        u"Messstelle 3: P_1 (bar)"_s,
        u"1 50,000 50,400 0,400 1,403"_s,
        // The charts, with every entry of the legend.
        u"Messwertabweichungen für Messstelle 1"_s,
        u"Messwertabweichungen für Messstelle 3"_s,
        u"unkorrigierte Abweichungen"_s,
        u"neu berechnete Abweichungen"_s,
        u"aktuell korrigierte Abweichungen"_s,
        u"Abgleichprotokoll · Gerät 4711 · 15.03.2022 14:30:05"_s,
    };
    for (const QString& line : expected)
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(u"icht übertragen"_s));
    EXPECT_EQ(text.count(u"Messstelle 2:"_s), 0); // no pairs, no section
    const int pages = int(text.count(u'\f'));
    EXPECT_GE(pages, 2);
    EXPECT_TRUE(text.contains(u"Seite %1 von %1"_s.arg(pages)));
}

TEST_F(ReportPdf, OfATableNotUploadedSaysSoOnEveryPage) {
    AdjustmentReport report = buildAdjustmentReport(state, 3, false);
    report.when = kUploadTime;
    const QString text = pdfText(adjustmentReportPdf(report));
    EXPECT_TRUE(text.contains(u"Nicht übertragen: Stand der Tabelle."_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Erstellt am 15.03.2022 14:30:05 (nicht übertragen)"_s));
    EXPECT_FALSE(text.contains(u"Übertragen am"_s));
    const int pages = int(text.count(u'\f'));
    EXPECT_EQ(text.count(u"15.03.2022 14:30:05 · nicht übertragen Seite"_s), pages);
}

TEST_F(ReportPdf, EveryReportIsANewFile) {
    AdjustmentReport report = buildAdjustmentReport(state, 3, true);
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
