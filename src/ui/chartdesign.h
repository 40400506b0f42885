// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"

#include <QColor>
#include <QString>

#include <array>

namespace abgleich {

// How the four series of a deviation chart look, in the window and in the report.
struct SeriesDesign {
    const char* name;  // object name of the window's series
    const char* title; // legend text
    QColor colour;
    Qt::PenStyle line;
    bool points;   // the values are marked
    bool diamond;  // as diamonds, else as dots
    bool labelled; // each value written beside its point
};

inline const std::array<SeriesDesign, 4>& seriesDesigns() {
    static const std::array<SeriesDesign, 4> designs = {{
        {"Series1", "unkorrigierte Abweichungen", Qt::black, Qt::DotLine, true, true, false},
        {"Series2", "neu berechnete Abweichungen", Qt::red, Qt::SolidLine, true, false, true},
        {"Series3", "NULL", QColor(50, 205, 50), Qt::SolidLine, false, false, false},
        {"Series4", "aktuell korrigierte Abweichungen", QColor(64, 128, 128), Qt::SolidLine, true,
         false, true},
    }};
    return designs;
}

// The legend lists the series in this order (numbers 1..4).
inline constexpr std::array<int, 4> kLegendOrder = {1, 2, 4, 3};

// The text beside a labelled point: three decimals at the most, no trailing zeros.
QString chartValueText(double value, const RegionalSettings& rs);

} // namespace abgleich
