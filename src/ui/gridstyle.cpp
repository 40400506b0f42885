// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/gridstyle.h"

#include "table/pointtable.h"

namespace abgleich::gridstyle {

QColor cellBackground(int column, const QPalette& palette) {
    if (column < Col::ASps)
        return kFixed;
    if (column <= Col::BSps)
        return kControllerValues;
    if (column >= Col::Diff1 && column <= Col::Diff4)
        return palette.color(QPalette::Button);
    if (column >= Col::ANeu)
        return kNewValues;
    return kCream;
}

Qt::Alignment columnAlignment(int column) {
    return (column == Col::Name || column == Col::Unit) ? Qt::AlignLeft : Qt::AlignRight;
}

} // namespace abgleich::gridstyle
