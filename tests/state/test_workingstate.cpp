// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "state/workingstate.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(WorkingState, StartValues) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString start = tmp.filePath(u"werk/halle 2"_s); // parents missing too
    WorkingState state(RegionalSettings::german());
    state.dList << u"x"_s;
    state.coef.setA(3, 5.0);
    state.prepare(start);

    EXPECT_EQ(state.startverzeichnis, QDir::toNativeSeparators(start));
    EXPECT_EQ(state.configdir, QDir::toNativeSeparators(start) + QDir::separator() + u"config"_s);
    EXPECT_TRUE(QFileInfo(state.configdir).isDir());
    EXPECT_TRUE(state.dList.isEmpty());
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_EQ(state.msUpperBound, 0);
    EXPECT_EQ(state.device, DeviceFields{});

    const PointTable& table = state.table;
    ASSERT_EQ(table.rows(), 256);
    EXPECT_EQ(table.cellText(0, 0), u" Ms "_s);
    EXPECT_EQ(table.cellText(18, 0), u" b (NEU)"_s);
    for (int row = 1; row < 256; ++row) {
        EXPECT_EQ(table.cellText(0, row), QString::number(row) + u' ');
        for (int c = 1; c < 19; ++c)
            EXPECT_TRUE(table.cellText(c, row).isEmpty());
    }
    for (int n = 1; n <= 256; ++n) {
        EXPECT_EQ(state.coef.a(n), 0.0);
        EXPECT_EQ(state.coef.b(n), 1.0);
    }
}

TEST(WorkingState, ConfigurationDirectoryThatCannotBeMadeIsSilent) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // A file where the directory should go: the directory cannot be created.
    QFile blocker(tmp.filePath(u"config"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    WorkingState state(RegionalSettings::german());
    EXPECT_NO_THROW(state.prepare(tmp.path()));
    EXPECT_FALSE(QFileInfo(state.configdir).isDir());
    EXPECT_EQ(state.table.cellText(0, 255), u"255 "_s);
}

TEST(LastCorrection, ShownTexts) {
    const RegionalSettings german = RegionalSettings::german();
    const QDateTime when(QDate(2022, 3, 15), QTime(14, 30, 5));
    EXPECT_EQ(LastCorrection::known(when).dateText(german), u"15.03.2022"_s);
    EXPECT_EQ(LastCorrection::known(when).timeText(german), u"14:30:05"_s);
    EXPECT_EQ(LastCorrection::unknown().dateText(german), u"unbekannt"_s);
    EXPECT_EQ(LastCorrection::unknown().timeText(german), u""_s);
    EXPECT_EQ(LastCorrection{}.dateText(german), u""_s);
}

TEST(DeviationChartData, SeriesStaySortedByX) {
    DeviationChartData chart;
    for (const QPointF p : {QPointF(20, 1), QPointF(10, 2), QPointF(30, 3), QPointF(10, 4)})
        DeviationChartData::addSorted(chart.recalculated, p);
    const std::vector<QPointF> sorted = {{10, 2}, {10, 4}, {20, 1}, {30, 3}};
    EXPECT_EQ(chart.recalculated, sorted);
    chart.title = u"Messwertabweichungen für Messstelle 3 "_s;
    chart.clearSeries();
    EXPECT_TRUE(chart.recalculated.empty());
    EXPECT_EQ(chart.title, u"Messwertabweichungen für Messstelle 3 "_s);
    EXPECT_EQ(DeviationChartData().title, u"Messwertabweichungen für MS  "_s);
}
