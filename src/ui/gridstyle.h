// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

namespace abgleich::gridstyle {

// The colours of the measuring-point table.
inline const QColor kFixed(230, 230, 230);            // fixed cells and the caption row
inline const QColor kCream(255, 251, 240);            // the table's own cells (pairs)
inline const QColor kControllerValues(192, 220, 192); // a and b as the controller holds them
inline const QColor kNewValues(255, 228, 196);        // new a and b
inline const QColor kSelected(176, 196, 222);         // selected and focused cells

// Background of a cell that is neither selected nor focused; the deviation columns take the
// system's button face.
QColor cellBackground(int column, const QPalette& palette);
// Point names and units are left-aligned, numbers right-aligned.
Qt::Alignment columnAlignment(int column);

// Room left for a cell's text: a margin of 2 pixels on either side (a value with three
// integer digits and three decimals still fits the data columns at the designed size).
inline QRect textRect(const QRect& cell) {
    return cell.adjusted(2, 0, -2, 0);
}

} // namespace abgleich::gridstyle
