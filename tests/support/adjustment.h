// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "calc/recalculation.h"
#include "state/workingstate.h"

#include <QFile>

namespace abgleich::test {

// Three points as read from the controller: TA_1 (a = 1, b = 2) with three value pairs,
// recalculated; an offset point without pairs; P_1 with a single pair and a new a typed in.
// Returns the chart the recalculation of TA_1 drew, as the window shows it.
inline DeviationChartData setUpAdjustment(WorkingState& state) {
    using namespace Qt::StringLiterals;
    state.device = {u"4711"_s, u"ABC12"_s, u"205"_s, u"3"_s,
                    LastCorrection::known(QDateTime(QDate(2025, 3, 1), QTime(8, 15)))};
    PointTable& t = state.table;
    t.setRows(4);
    const QString rows[3][6] = {
        {u" TA_1 "_s, u" °C "_s, u"1"_s, u"2"_s, u"1"_s, u"2"_s},
        {u" of Druck "_s, u" bar "_s, u"-0,035"_s, u""_s, u""_s, u""_s},
        {u" P_1 "_s, u" bar "_s, u"0"_s, u"1"_s, u"1,0025"_s, u"1"_s},
    };
    const int columns[6] = {Col::Name, Col::Unit, Col::ASps, Col::BSps, Col::ANeu, Col::BNeu};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            t.setCellText(columns[c], r + 1, rows[r][c]);
    state.coef.setA(1, 1);
    state.coef.setB(1, 2);
    state.coef.setA(2, -0.035);
    const QString pairs[3][2] = {
        {u"10"_s, u"21,5"_s}, {u"100"_s, u"200"_s}, {u"200"_s, u"401,2"_s}};
    for (int p = 1; p <= 3; ++p) {
        t.setCellText(Col::ref(p), 1, pairs[p - 1][0]);
        t.setCellText(Col::tm(p), 1, pairs[p - 1][1]);
    }
    computeMS(state, 1);
    const DeviationChartData chart = state.chart;
    t.setCellText(Col::ref(2), 3, u"50"_s);
    t.setCellText(Col::tm(2), 3, u"50,4"_s);
    return chart;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace abgleich::test
