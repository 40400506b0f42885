// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "state/workingstate.h"

#include <QChartView>
#include <QLineSeries>

#include <array>

namespace abgleich {

class PointLabels;

// The deviation chart `RegChart`: fixed axes, legend inside the plot at the upper left, four
// line series; the points of Series2 and Series4 carry their values at 45°.
class DeviationChart : public QChartView {
    Q_OBJECT

public:
    static constexpr double kXMin = -10, kXMax = 260, kYMin = -10, kYMax = 10;

    explicit DeviationChart(const RegionalSettings& regional, QWidget* parent = nullptr);

    // Shows title and series as the calculation left them.
    void render(const DeviationChartData& shown);

    // Series 1..4 as the calculation names them.
    QLineSeries* series(int number) const { return series_[std::size_t(number - 1)]; }
    // The text a labelled point carries.
    QString labelText(double value) const;

private:
    RegionalSettings regional_;
    std::array<QLineSeries*, 4> series_{};
    PointLabels* labels_ = nullptr;
};

} // namespace abgleich
