// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "calc/recalculation.h"
#include "core/errors.h"
#include "support/qtprint.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

using Points = std::vector<QPointF>;
const QString kInitialTitle = u"Messwertabweichungen für MS  "_s;

class Recalculation : public ::testing::Test {
protected:
    Recalculation() : state(RegionalSettings::german()) { state.prepare(dir_.path()); }

    // Types pair p (1..4) into row n as the operator would.
    void typePair(int n, int p, const QString& ref, const QString& tm) {
        state.table.setCellText(Col::ref(p), n, ref);
        state.table.setCellText(Col::tm(p), n, tm);
    }
    QString cell(int column, int n) const { return state.table.cellText(column, n); }

    QTemporaryDir dir_;
    WorkingState state;
};

} // namespace

TEST_F(Recalculation, WorkedExamples) {
    struct Case {
        double a, b;
        std::vector<std::pair<QString, QString>> pairs;
        QString aNew, bNew;
        Points uncorrected, corrected, recalculated;
    };
    const Case cases[] = {
        {1,
         2,
         {{u"10"_s, u"21"_s}, {u"20"_s, u"41"_s}},
         u"0"_s,
         u"1"_s,
         {{10, 0}, {20, 0}},
         {{10, 11}, {20, 21}},
         {{10, 0}, {20, 0}}},
        {0,
         1,
         {{u"10"_s, u"11"_s}, {u"20"_s, u"21"_s}},
         u"-1"_s,
         u"1"_s,
         {{10, 1}, {20, 1}},
         {{10, 1}, {20, 1}},
         {{10, 0}, {20, 0}}},
        // Pairs given from the largest reference down: the series still run by x.
        {0,
         1,
         {{u"30"_s, u"31"_s}, {u"10"_s, u"11"_s}, {u"20"_s, u"21"_s}},
         u"-1"_s,
         u"1"_s,
         {{10, 1}, {20, 1}, {30, 1}},
         {{10, 1}, {20, 1}, {30, 1}},
         {{10, 0}, {20, 0}, {30, 0}}},
    };
    for (const Case& c : cases) {
        WorkingState fresh(RegionalSettings::german());
        fresh.prepare(dir_.path());
        fresh.coef.setA(3, c.a);
        fresh.coef.setB(3, c.b);
        for (std::size_t p = 0; p < c.pairs.size(); ++p) {
            fresh.table.setCellText(Col::ref(int(p) + 1), 3, c.pairs[p].first);
            fresh.table.setCellText(Col::tm(int(p) + 1), 3, c.pairs[p].second);
        }
        fresh.table.setCellText(Col::Diff4, 3, u"alt"_s);
        QSignalSpy chartChanged(&fresh, &WorkingState::chartChanged);
        computeMS(fresh, 3);

        EXPECT_EQ(fresh.table.cellText(Col::ANeu, 3), c.aNew);
        EXPECT_EQ(fresh.table.cellText(Col::BNeu, 3), c.bNew);
        for (std::size_t k = 0; k < c.pairs.size(); ++k)
            EXPECT_EQ(fresh.table.storedNumber(Col::Diff1 + int(k), 3), 0.0) << k;
        if (c.pairs.size() < 4) {
            EXPECT_EQ(fresh.table.cellText(Col::Diff4, 3), u"alt"_s);
        }
        EXPECT_EQ(fresh.chart.uncorrected, c.uncorrected);
        EXPECT_EQ(fresh.chart.corrected, c.corrected);
        EXPECT_EQ(fresh.chart.recalculated, c.recalculated);
        EXPECT_EQ(fresh.chart.zeroLine, (Points{{0, 0}, {250, 0}}));
        EXPECT_EQ(fresh.chart.title, u"Messwertabweichungen für Messstelle 3 "_s);
        EXPECT_EQ(chartChanged.count(), 1);
        // The store is only read.
        EXPECT_EQ(fresh.coef.a(3), c.a);
        EXPECT_EQ(fresh.coef.b(3), c.b);
        EXPECT_EQ(fresh.table.batchDepth(), 0);
    }
}

TEST_F(Recalculation, PairsArePackedAndStaleDeviationsKept) {
    // Four pairs first, then pairs 1 and 3 emptied: two entries remain.
    typePair(5, 1, u"0"_s, u"0,5"_s);
    typePair(5, 2, u"50"_s, u"50,2"_s);
    typePair(5, 3, u"100"_s, u"100,4"_s);
    typePair(5, 4, u"200"_s, u"199,1"_s);
    computeMS(state, 5);
    const QString diff3 = cell(Col::Diff1 + 2, 5);
    const QString diff4 = cell(Col::Diff4, 5);
    ASSERT_FALSE(diff3.isEmpty());
    typePair(5, 1, u""_s, u""_s);
    typePair(5, 3, u"100"_s, u""_s); // a reference without its displayed value
    computeMS(state, 5);
    // Two points give the line through both, b = 150 / 148,9 and a = 50 - b · 50,2; the
    // deviations in columns 13 and 14 are those the coefficients leave as the upload sends
    // them, a = -0,571 and b = 1,007.
    EXPECT_NEAR(state.table.storedNumber(Col::ANeu, 5), 50 - 150 / 148.9 * 50.2, 1e-9);
    EXPECT_NEAR(state.table.storedNumber(Col::BNeu, 5), 150 / 148.9, 1e-12);
    EXPECT_NEAR(state.table.storedNumber(Col::Diff1, 5), -0.571 + 1.007 * 50.2 - 50, 1e-9);
    EXPECT_NEAR(state.table.storedNumber(Col::Diff1 + 1, 5), -0.571 + 1.007 * 199.1 - 200, 1e-9);
    EXPECT_EQ(cell(Col::Diff1 + 2, 5), diff3);
    EXPECT_EQ(cell(Col::Diff4, 5), diff4);
    EXPECT_EQ(state.chart.uncorrected.size(), 2u);
    EXPECT_EQ(state.chart.uncorrected.front().x(), 50);
}

TEST_F(Recalculation, ResultsAreWrittenAtFullPrecision) {
    typePair(2, 1, u"10"_s, u"10,3"_s);
    typePair(2, 2, u"20"_s, u"19,9"_s);
    typePair(2, 3, u"30"_s, u"30,2"_s);
    computeMS(state, 2);
    // Not yet shown: every digit is still there.
    EXPECT_GT(cell(Col::ANeu, 2).size(), 10);
    EXPECT_GT(cell(Col::Diff1, 2).size(), 10);
    EXPECT_EQ(state.table.shownNumber(Col::ANeu, 2), -0.226); // -0.2261636...
    EXPECT_EQ(cell(Col::ANeu, 2), u"-0,226"_s);
}

TEST_F(Recalculation, TooFewPairsChangeNothing) {
    state.chart.title = u"Messwertabweichungen für Messstelle 1 "_s;
    state.chart.recalculated = {{5, 1}};
    const DeviationChartData before = state.chart;
    QSignalSpy chartChanged(&state, &WorkingState::chartChanged);
    const std::vector<std::vector<std::pair<QString, QString>>> rows = {
        {{u"10"_s, u"11"_s}},                   // one pair
        {{u"10"_s, u"11"_s}, {u"20"_s, u""_s}}, // a reference without its displayed value
        {{u""_s, u"11"_s}, {u""_s, u"21"_s}},   // displayed values without references
    };
    for (const auto& pairs : rows) {
        for (std::size_t p = 0; p < pairs.size(); ++p)
            typePair(4, int(p) + 1, pairs[p].first, pairs[p].second);
        computeMS(state, 4);
        EXPECT_TRUE(cell(Col::ANeu, 4).isEmpty());
        EXPECT_TRUE(cell(Col::Diff1, 4).isEmpty());
    }
    EXPECT_EQ(state.chart, before);
    EXPECT_EQ(chartChanged.count(), 0);
}

// A cell whose text only looks like a number (blanks alone, "0.5" where the separator is
// ",", "1.234,5", letters) is no number: the point is refused, naming point and column, and
// nothing of it is written.
TEST_F(Recalculation, CellsThatAreNoNumberAreNamedAndNothingIsWritten) {
    const std::pair<QString, QString> cases[] = {
        {u" "_s, u"Ref 1: „ “"_s},
        {u"0.5"_s, u"Ref 1: „0.5“"_s},
        {u"1.234,5"_s, u"Ref 1: „1.234,5“"_s},
        {u"abc"_s, u"Ref 1: „abc“"_s},
    };
    for (const auto& [text, named] : cases) {
        SCOPED_TRACE(text.toStdString());
        typePair(6, 1, text, u"10"_s);
        typePair(6, 2, u"20"_s, u"20,5"_s);
        typePair(6, 3, u"30"_s, u"30,9"_s);
        state.table.setCellText(Col::ANeu, 6, u"7"_s);
        try {
            computeMS(state, 6);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_TRUE(e.message().contains(u"Messstelle 6"_s)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(named)) << e.message().toStdString();
        }
        EXPECT_EQ(cell(Col::ANeu, 6), u"7"_s);
        EXPECT_EQ(cell(Col::Diff1, 6), QString());
    }
}

const QString kWithoutSpread =
    u": keine neuen Koeffizienten berechnet. Die angezeigten Werte (tm) der Wertepaare "
    "unterscheiden sich nicht oder kaum, daraus lässt sich keine Steigung b bestimmen. "
    "a (NEU) und b (NEU) bleiben unverändert."_s;

TEST_F(Recalculation, DisplayedValuesWithoutSpreadGiveNoCoefficients) {
    struct Case {
        double a, b;
        std::vector<std::pair<QString, QString>> pairs;
    };
    const Case cases[] = {
        {0, 1, {{u"10"_s, u"12"_s}, {u"20"_s, u"12"_s}}},
        // The sums of the fit do not cancel exactly: rounding alone would make the gain.
        {0.1, 1, {{u"10"_s, u"12"_s}, {u"20"_s, u"12"_s}, {u"30"_s, u"12"_s}}},
        {-3.7,
         0.95,
         {{u"1"_s, u"12,345"_s},
          {u"2"_s, u"12,345"_s},
          {u"3"_s, u"12,345"_s},
          {u"4"_s, u"12,345"_s}}},
        {0, 1, {{u"10"_s, u"0"_s}, {u"20"_s, u"0"_s}}},
        {2, 4, {{u"10"_s, u"2"_s}, {u"20"_s, u"2"_s}}}, // raw values all 0
    };
    for (const Case& c : cases) {
        WorkingState fresh(RegionalSettings::german());
        fresh.prepare(dir_.path());
        fresh.coef.setA(3, c.a);
        fresh.coef.setB(3, c.b);
        for (std::size_t p = 0; p < c.pairs.size(); ++p) {
            fresh.table.setCellText(Col::ref(int(p) + 1), 3, c.pairs[p].first);
            fresh.table.setCellText(Col::tm(int(p) + 1), 3, c.pairs[p].second);
        }
        fresh.table.setCellText(Col::ANeu, 3, u"0,5"_s);
        fresh.table.setCellText(Col::BNeu, 3, u"1,002"_s);
        fresh.table.setCellText(Col::Diff1, 3, u"alt"_s);
        fresh.chart.title = u"vorher"_s;
        fresh.chart.corrected = {{1, 1}};
        const DeviationChartData chartBefore = fresh.chart;
        QSignalSpy chartChanged(&fresh, &WorkingState::chartChanged);
        try {
            computeMS(fresh, 3);
            ADD_FAILURE() << "no error for a = " << c.a;
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), u"Messstelle 3"_s + kWithoutSpread);
        }
        EXPECT_EQ(fresh.table.cellText(Col::ANeu, 3), u"0,5"_s);
        EXPECT_EQ(fresh.table.cellText(Col::BNeu, 3), u"1,002"_s);
        EXPECT_EQ(fresh.table.cellText(Col::Diff1, 3), u"alt"_s);
        EXPECT_TRUE(fresh.table.cellText(Col::Diff1 + 1, 3).isEmpty());
        EXPECT_EQ(fresh.chart, chartBefore);
        EXPECT_EQ(chartChanged.count(), 0);
    }

    // The smallest step three decimals can show is a spread.
    typePair(3, 1, u"10"_s, u"12,345"_s);
    typePair(3, 2, u"20"_s, u"12,346"_s);
    computeMS(state, 3);
    EXPECT_NEAR(state.table.storedNumber(Col::BNeu, 3), 10000, 0.1);
}

TEST_F(Recalculation, AllPointsPassOverPointsWithoutSpreadAndNameThem) {
    for (int n = 1; n <= 4; ++n) {
        typePair(n, 1, u"10"_s, u"11"_s);
        typePair(n, 2, u"20"_s, n % 2 == 0 ? u"11"_s : u"21"_s);
    }
    try {
        namePassedOver(computeAll(state, 4));
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), u"Messstellen 2, 4"_s + kWithoutSpread);
    }
    for (int n : {1, 3})
        EXPECT_EQ(cell(Col::ANeu, n), u"-1"_s) << n;
    for (int n : {2, 4})
        EXPECT_TRUE(cell(Col::ANeu, n).isEmpty()) << n;
    EXPECT_EQ(state.chart.title, u"Messwertabweichungen für Messstelle 3 "_s);

    // An error that ends the action early still names the points passed over before it.
    state.coef.setB(3, 0);
    state.table.setCellText(Col::ANeu, 3, QString());
    try {
        computeAll(state, 4);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(),
                  u"Messstelle 2"_s + kWithoutSpread + u"\nGleitkommadivision durch Null"_s);
    }
    EXPECT_TRUE(cell(Col::ANeu, 3).isEmpty());
}

TEST_F(Recalculation, GainZeroRaisesBeforeAnythingIsWritten) {
    const std::pair<QString, QString> cases[] = {
        {u"11"_s, u"Gleitkommadivision durch Null"_s},
        {u"2"_s, u"Ungültige Gleitkommaoperation"_s}, // tm equals the current a
    };
    for (const auto& [tm, message] : cases) {
        state.coef.setA(7, 2);
        state.coef.setB(7, 0);
        typePair(7, 1, u"10"_s, tm);
        typePair(7, 2, u"20"_s, u"21"_s);
        state.table.setCellText(Col::ANeu, 7, u"0,5"_s);
        state.chart.title = u"vorher"_s;
        const DeviationChartData chartBefore = state.chart;
        try {
            computeMS(state, 7);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), message);
        }
        EXPECT_EQ(cell(Col::ANeu, 7), u"0,5"_s);
        EXPECT_TRUE(cell(Col::Diff1, 7).isEmpty());
        EXPECT_EQ(state.chart, chartBefore);
        EXPECT_EQ(state.coef.b(7), 0.0);
    }
}

TEST_F(Recalculation, PointsWithoutRowOrSlotDoNothing) {
    typePair(1, 1, u"1"_s, u"1"_s);
    typePair(1, 2, u"2"_s, u"2"_s);
    for (int n : {0, -1, 256, 1000})
        EXPECT_NO_THROW(computeMS(state, n)) << n;
    // A table longer than the store: rows beyond slot 256 are left alone.
    state.table.setRows(300);
    typePair(280, 1, u"1"_s, u"1"_s);
    typePair(280, 2, u"2"_s, u"3"_s);
    computeMS(state, 280);
    EXPECT_TRUE(cell(Col::ANeu, 280).isEmpty());
}

TEST_F(Recalculation, AllPointsStopAtTheFirstError) {
    for (int n = 1; n <= 3; ++n) {
        typePair(n, 1, u"10"_s, u"11"_s);
        typePair(n, 2, u"20"_s, u"21"_s);
    }
    state.coef.setB(2, 0);
    EXPECT_THROW(computeAll(state, 3), AppError);
    EXPECT_EQ(cell(Col::ANeu, 1), u"-1"_s);
    EXPECT_TRUE(cell(Col::ANeu, 2).isEmpty());
    EXPECT_TRUE(cell(Col::ANeu, 3).isEmpty());
    EXPECT_EQ(state.chart.title, u"Messwertabweichungen für Messstelle 1 "_s);

    // The chart shows the last point that had two pairs.
    state.coef.setB(2, 1);
    typePair(3, 2, u""_s, u""_s);
    computeAll(state, 3);
    EXPECT_EQ(state.chart.title, u"Messwertabweichungen für Messstelle 2 "_s);
}

TEST_F(Recalculation, ResetReturnsToTheNeutralCorrection) {
    state.table.setRows(4);
    state.table.setCellText(Col::Name, 2, u" Druck "_s);
    state.table.setCellText(Col::Unit, 2, u" bar "_s);
    for (int column = Col::ASps; column < Col::Count; ++column)
        state.table.setCellText(column, 2, u"7,5"_s);
    state.table.setCellText(Col::BSps, 0, u""_s); // a caption that went missing
    state.coef.setA(2, 3);
    state.coef.setB(2, 4);
    state.coef.setA(200, 3); // beyond the table: not touched
    state.anzMS = 3;
    state.chart.title = u"Messwertabweichungen für Messstelle 2 "_s;
    state.chart.recalculated = {{1, 1}};
    QSignalSpy refresh(&state.table, &PointTable::dataChanged);

    resetTable(state);

    EXPECT_EQ(state.table.rows(), 4);
    EXPECT_EQ(cell(Col::BSps, 0), u" b (SPS) "_s);
    EXPECT_EQ(cell(Col::Ms, 3), u"3 "_s);
    EXPECT_EQ(cell(Col::Name, 2), u" Druck "_s);
    EXPECT_EQ(cell(Col::Unit, 2), u" bar "_s);
    for (int row = 1; row <= 3; ++row) {
        for (int column = Col::Ref1; column <= Col::Diff4; ++column)
            EXPECT_TRUE(cell(column, row).isEmpty()) << row << " " << column;
        EXPECT_EQ(cell(Col::ASps, row), u"0"_s);
        EXPECT_EQ(cell(Col::BSps, row), u"1"_s);
        EXPECT_EQ(cell(Col::ANeu, row), u"0"_s);
        EXPECT_EQ(cell(Col::BNeu, row), u"1"_s);
        EXPECT_EQ(state.coef.a(row), 0.0);
        EXPECT_EQ(state.coef.b(row), 1.0);
    }
    EXPECT_EQ(state.coef.a(200), 3.0);
    EXPECT_EQ(state.anzMS, 3);
    EXPECT_TRUE(state.chart.recalculated.empty());
    EXPECT_EQ(state.chart.title, u"Messwertabweichungen für Messstelle 2 "_s);
    EXPECT_EQ(refresh.count(), 1);
}

TEST_F(Recalculation, ResetOfTablesWithoutRowsOrBeyondTheStore) {
    state.table.setRows(1);
    state.table.clear();
    resetTable(state);
    EXPECT_EQ(cell(Col::Ms, 0), u" Ms "_s);
    EXPECT_EQ(state.table.rows(), 1);

    state.table.setRows(300);
    EXPECT_NO_THROW(resetTable(state));
    EXPECT_EQ(cell(Col::BNeu, 299), u"1"_s);
    EXPECT_EQ(state.coef.b(256), 1.0);
}

// An offset point keeps no gain in the controller: its new a is the mean of Ref − mw with
// mw = tm − a, its b (NEU) is emptied, and the deviations are those that offset leaves.
// The bench's numbers: a = −1,234, pairs (5; 3,8) and (6; 4,7).
TEST_F(Recalculation, OffsetPointsFitTheirOffsetAlone) {
    state.table.setCellText(Col::Name, 4, u" of Druck 1 "_s);
    state.coef.setA(4, -1.234);
    state.coef.setB(4, 1);
    state.table.setCellText(Col::BNeu, 4, u"1,111"_s);
    typePair(4, 1, u"5"_s, u"3,8"_s);
    typePair(4, 2, u"6"_s, u"4,7"_s);
    computeMS(state, 4);
    const double mw[] = {3.8 + 1.234, 4.7 + 1.234};
    const double a = ((5 - mw[0]) + (6 - mw[1])) / 2; // +0,016
    EXPECT_NEAR(state.table.storedNumber(Col::ANeu, 4), a, 1e-12);
    EXPECT_EQ(state.table.normaliseCell(Col::ANeu, 4), u"0,016"_s);
    EXPECT_EQ(cell(Col::BNeu, 4), QString());
    EXPECT_NEAR(state.table.storedNumber(Col::Diff1, 4), 0.016 + mw[0] - 5, 1e-9);     // +0,05
    EXPECT_NEAR(state.table.storedNumber(Col::Diff1 + 1, 4), 0.016 + mw[1] - 6, 1e-9); // −0,05
    ASSERT_EQ(state.chart.recalculated.size(), 2u);
    EXPECT_NEAR(state.chart.recalculated[0].y(), 0.016 + mw[0] - 5, 1e-9);
    // Fewer than two pairs still change nothing.
    typePair(4, 2, QString(), QString());
    state.table.setCellText(Col::ANeu, 4, u"9"_s);
    computeMS(state, 4);
    EXPECT_EQ(cell(Col::ANeu, 4), u"9"_s);
}

// The diff columns show what the bench will show once the coefficients are sent to the
// thousandth: a = 12345,678 and b = 2,5 in the controller, pairs (100000; 262000) and
// (200000; 512400). The unrounded line through both pairs would leave 0 and 0.
TEST_F(Recalculation, DeviationsAreThoseOfTheCoefficientsAsSent) {
    state.coef.setA(2, 12345.678);
    state.coef.setB(2, 2.5);
    typePair(2, 1, u"100000"_s, u"262000"_s);
    typePair(2, 2, u"200000"_s, u"512400"_s);
    computeMS(state, 2);
    const double mw1 = (262000 - 12345.678) / 2.5;
    const double mw2 = (512400 - 12345.678) / 2.5;
    const double b = (200000 - 100000) / (mw2 - mw1);
    const double a = 100000 - b * mw1;
    const double aSent = std::round(a * 1000) / 1000;
    const double bSent = std::round(b * 1000) / 1000;
    const double expected[] = {aSent + bSent * mw1 - 100000, aSent + bSent * mw2 - 200000};
    EXPECT_NEAR(expected[0], -40.2, 0.05);
    EXPECT_NEAR(expected[1], -80.5, 0.05);
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(state.table.storedNumber(Col::Diff1 + k, 2), expected[k], 1e-6) << k;
        EXPECT_NEAR(state.chart.recalculated[std::size_t(k)].y(), expected[k], 1e-6) << k;
    }
}

// F12 computes every other point and names, at the end, each cell it passed over.
TEST_F(Recalculation, AllPointsPassOverCellsThatAreNoNumberAndNameThem) {
    for (int n = 1; n <= 3; ++n) {
        typePair(n, 1, u"10"_s, u"10,5"_s);
        typePair(n, 2, u"20"_s, u"20,9"_s);
    }
    typePair(1, 2, u"20"_s, u"20.9"_s);
    state.table.setCellText(Col::tm(3), 3, u"x"_s);
    const PassedOver passed = computeAll(state, 3);
    EXPECT_EQ(passed.notANumber,
              (QStringList{u"Messstelle 1, tm 2: „20.9“"_s, u"Messstelle 3, tm 3: „x“"_s}));
    EXPECT_EQ(cell(Col::ANeu, 1), QString());
    EXPECT_FALSE(cell(Col::ANeu, 2).isEmpty());
    EXPECT_EQ(cell(Col::ANeu, 3), QString());
    try {
        namePassedOver(passed);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), u"Nicht berechnet, diese Zellen enthalten keine gültige Zahl:\n"
                               "Messstelle 1, tm 2: „20.9“\nMessstelle 3, tm 3: „x“"_s);
    }
}
