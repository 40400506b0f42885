// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "state/workingstate.h"

#include <QPainter>
#include <QRectF>

#include <optional>

namespace abgleich {

// The axis of a chart that scales to its data: from `low` to `high` in steps of `step`, on
// round numbers (1, 2 or 5 times a power of ten), with the values inside.
struct ChartAxis {
    double low = 0;
    double high = 1;
    double step = 1;
};
ChartAxis chartAxis(double smallest, double largest, int steps);

// Draws a point's deviation chart into `area` with the painter alone, so that it can be
// drawn on any device and off the window's thread: the axes scaled to the values (the
// deviations' axis always holds zero), the four series as the window shows them (the zero
// line across the plot; the values themselves stand in the report's table above the chart,
// so none are written beside the points), and the legend below the plot.
// With a tolerance, the band ±tolerance around zero is shaded and named in the legend; the
// axis holds it where it is not far larger than the deviations. Value labels that would
// overlap one already drawn are left out.
void drawDeviationChart(QPainter& painter, const QRectF& area, const DeviationChartData& chart,
                        const RegionalSettings& rs,
                        const std::optional<double>& tolerance = std::nullopt);

} // namespace abgleich
