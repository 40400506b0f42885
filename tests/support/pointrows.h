// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/numbers.h"
#include "state/workingstate.h"

#include <QString>

#include <vector>

namespace abgleich::test {

// One point's row as read from the controller, with its new coefficients.
struct PointRow {
    QString name;
    QString unit;
    QString aSps;
    QString bSps;
    QString aNeu;
    QString bNeu;
};

// The device fields and rows 1..n of the table (the point count n), the rows' texts as given.
inline void fillPoints(WorkingState& state, const QString& id, const QString& type,
                       const std::vector<PointRow>& rows) {
    state.device.geraeteId = id;
    state.device.geraetetyp = type;
    state.device.anzMS = QString::number(rows.size());
    state.table.setRows(int(rows.size()) + 1);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = int(r) + 1;
        const PointRow& p = rows[r];
        state.table.setCellText(Col::Name, row, p.name);
        state.table.setCellText(Col::Unit, row, p.unit);
        state.table.setCellText(Col::ASps, row, p.aSps);
        state.table.setCellText(Col::BSps, row, p.bSps);
        state.table.setCellText(Col::ANeu, row, p.aNeu);
        state.table.setCellText(Col::BNeu, row, p.bNeu);
        // As a read from the controller leaves it: the store holds what the table shows.
        if (const auto a = tryStrToFloat(p.aSps, state.regional))
            state.coef.setA(row, *a);
        if (const auto b = tryStrToFloat(p.bSps, state.regional))
            state.coef.setB(row, *b);
    }
}

} // namespace abgleich::test
