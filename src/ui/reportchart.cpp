// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/reportchart.h"

#include "core/numbers.h"
#include "ui/chartdesign.h"

#include <QFontMetricsF>
#include <QPolygonF>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

namespace abgleich {

namespace {

constexpr double kPad = 6;
constexpr double kMarkerRadius = 2.5;
constexpr double kLabelAngle = -45; // rising to the right
constexpr double kSampleWidth = 24;
constexpr int kToleranceEntry = 0; // the legend's entry of the band, after the series
const QColor kToleranceFill(40, 160, 40, 36);
const QColor kToleranceEdge(40, 130, 40);

QString toleranceLabel(double tolerance, const RegionalSettings& rs) {
    return QStringLiteral("Toleranz ± ") + formatFixed3(tolerance, rs);
}

const std::vector<QPointF>& seriesPoints(const DeviationChartData& chart, int number) {
    switch (number) {
    case 1:
        return chart.uncorrected;
    case 2:
        return chart.recalculated;
    case 3:
        return chart.zeroLine;
    default:
        return chart.corrected;
    }
}

QFont chartFont(double points, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A tick's value as text; a value within rounding of zero is zero, never "-0".
QString tickText(double value, double step, const RegionalSettings& rs) {
    if (std::abs(value) < step * 1e-9)
        value = 0;
    return formatGeneral(value, rs);
}

void drawMarker(QPainter& painter, const QPointF& at, bool diamond) {
    if (diamond)
        painter.drawPolygon(
            QPolygonF({at + QPointF(0, -kMarkerRadius - 1), at + QPointF(kMarkerRadius + 1, 0),
                       at + QPointF(0, kMarkerRadius + 1), at + QPointF(-kMarkerRadius - 1, 0)}));
    else
        // A dot: a round pen on a single point, far less to write than an ellipse.
        painter.drawPoint(at);
}

// Diamonds are filled polygons, dots a round pen.
void markerStyle(QPainter& painter, const SeriesDesign& design) {
    if (design.diamond) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(design.colour);
    } else {
        painter.setPen(QPen(design.colour, 2 * kMarkerRadius, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
    }
}

// One line of text in a box, at its top (its middle where the box is a text row high),
// placed directly: no layout for a label that is known to fit.
void placeText(QPainter& painter, const QFontMetricsF& metrics, const QRectF& box,
               Qt::Alignment horizontal, const QString& text) {
    const double advance = metrics.horizontalAdvance(text);
    double x = box.left();
    if (horizontal & Qt::AlignRight)
        x = box.right() - advance;
    else if (horizontal & Qt::AlignHCenter)
        x = box.left() + (box.width() - advance) / 2;
    const double top = box.top() + std::max(0.0, (box.height() - metrics.height()) / 2);
    painter.drawText(QPointF(x, top + metrics.ascent()), text);
}

QPen seriesPen(const SeriesDesign& design) {
    QPen pen(design.colour);
    pen.setStyle(design.line);
    pen.setWidthF(design.line == Qt::DotLine ? 1 : 1.6);
    return pen;
}

} // namespace

ChartAxis chartAxis(double smallest, double largest, int steps) {
    if (!std::isfinite(smallest) || !std::isfinite(largest) || smallest > largest)
        return {};
    double span = largest - smallest;
    if (span <= 0)
        span = std::max(std::abs(largest), 1.0);
    const double raw = span / std::max(steps, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * magnitude;
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= raw * (1 - 1e-9)) {
            step = factor * magnitude;
            break;
        }
    }
    ChartAxis axis{std::floor(smallest / step) * step, std::ceil(largest / step) * step, step};
    if (axis.high <= axis.low)
        axis.high = axis.low + step;
    return axis;
}

void drawDeviationChart(QPainter& painter, const QRectF& area, const DeviationChartData& chart,
                        const RegionalSettings& rs, const std::optional<double>& tolerance) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(area);

    // No title: the report names the point right above its chart.
    const double titleHeight = kPad;

    // Legend, entries in rows below the plot.
    const QFont textFont = chartFont(8);
    const QFontMetricsF text(textFont, painter.device());
    const double rowHeight = text.height() + 2;
    std::vector<std::pair<int, QPointF>> legend;
    {
        double x = 0;
        int row = 0;
        for (const int number : kLegendOrder) {
            // A series with nothing to show (a check has no computed deviations) is not named.
            if (number != 3 && seriesPoints(chart, number).empty())
                continue;
            const double width = kSampleWidth + 4 +
                                 text.horizontalAdvance(QString::fromUtf8(
                                     seriesDesigns()[std::size_t(number - 1)].title)) +
                                 16;
            if (x > 0 && x + width > area.width()) {
                x = 0;
                ++row;
            }
            legend.emplace_back(number, QPointF(x, row * rowHeight));
            x += width;
        }
        if (tolerance) {
            const double width =
                kSampleWidth + 4 + text.horizontalAdvance(toleranceLabel(*tolerance, rs)) + 16;
            if (x > 0 && x + width > area.width()) {
                x = 0;
                ++row;
            }
            legend.emplace_back(kToleranceEntry, QPointF(x, row * rowHeight));
        }
    }
    const double legendHeight = (legend.empty() ? 0 : legend.back().second.y() + rowHeight) + kPad;

    // Axes scaled to the data: x over the references, y over the deviations and zero. The
    // zero line spans whatever x the plot shows.
    double xMin = INFINITY, xMax = -INFINITY, yMin = 0, yMax = 0;
    for (const int number : {1, 2, 4})
        for (const QPointF& p : seriesPoints(chart, number)) {
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                continue;
            xMin = std::min(xMin, p.x());
            xMax = std::max(xMax, p.x());
            yMin = std::min(yMin, p.y());
            yMax = std::max(yMax, p.y());
        }
    if (xMin > xMax) {
        xMin = 0;
        xMax = 1;
    } else if (xMin == xMax) {
        // A single reference: in the middle, not on the plot's edge.
        const double pad = std::max(std::abs(xMin) * 0.1, 1.0);
        xMin -= pad;
        xMax += pad;
    }
    // The band where it does not squeeze the deviations into a line.
    const double extent = std::max(std::abs(yMin), std::abs(yMax));
    if (tolerance && (extent == 0 || *tolerance <= 3 * extent)) {
        yMin = std::min(yMin, -*tolerance);
        yMax = std::max(yMax, *tolerance);
    }
    const double xPad = (xMax - xMin) * 0.05;
    const double yPad = (yMax - yMin) * 0.12;
    // Values that are all positive keep the axis at zero or above.
    const ChartAxis xAxis =
        chartAxis(xMin >= 0 ? std::max(0.0, xMin - xPad) : xMin - xPad, xMax + xPad, 6);
    const ChartAxis yAxis = chartAxis(yMin - yPad, yMax + yPad, 5);

    std::vector<std::pair<double, QString>> yTicks;
    double yLabelWidth = 0;
    for (double v = yAxis.low; v <= yAxis.high + yAxis.step * 1e-6; v += yAxis.step) {
        yTicks.emplace_back(v, tickText(v, yAxis.step, rs));
        yLabelWidth = std::max(yLabelWidth, text.horizontalAdvance(yTicks.back().second));
    }
    const double xLabelHeight = text.height() + 4;
    const QRectF plot(area.left() + yLabelWidth + 2 * kPad, area.top() + titleHeight,
                      area.width() - yLabelWidth - 4 * kPad,
                      area.height() - titleHeight - xLabelHeight - legendHeight);
    if (plot.width() <= 0 || plot.height() <= 0) {
        painter.restore();
        return;
    }
    const auto map = [&](const QPointF& p) {
        return QPointF(plot.left() + (p.x() - xAxis.low) / (xAxis.high - xAxis.low) * plot.width(),
                       plot.bottom() -
                           (p.y() - yAxis.low) / (yAxis.high - yAxis.low) * plot.height());
    };

    // Grid, then tick labels: the lines in one go, the labels in one pen.
    std::vector<std::pair<double, QString>> xTicks;
    for (double v = xAxis.low; v <= xAxis.high + xAxis.step * 1e-6; v += xAxis.step)
        xTicks.emplace_back(map(QPointF(v, yAxis.low)).x(), tickText(v, xAxis.step, rs));
    QVarLengthArray<QLineF, 32> gridLines;
    for (const auto& tick : yTicks) {
        const double y = map(QPointF(xAxis.low, tick.first)).y();
        gridLines.append(QLineF(plot.left(), y, plot.right(), y));
    }
    for (const auto& tick : xTicks)
        gridLines.append(QLineF(tick.first, plot.top(), tick.first, plot.bottom()));
    painter.setPen(QPen(QColor(215, 215, 215), 0.6));
    painter.drawLines(gridLines.data(), int(gridLines.size()));
    painter.setFont(textFont);
    painter.setPen(Qt::black);
    for (const auto& [v, label] : yTicks) {
        const double y = map(QPointF(xAxis.low, v)).y();
        placeText(painter, text,
                  QRectF(area.left(), y - rowHeight / 2, yLabelWidth + kPad, rowHeight),
                  Qt::AlignRight, label);
    }
    for (const auto& [x, label] : xTicks)
        placeText(painter, text, QRectF(x - 40, plot.bottom() + 2, 80, xLabelHeight),
                  Qt::AlignHCenter, label);
    painter.setPen(QPen(Qt::black, 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    // The series, the tolerance band and the zero line first, inside the plot.
    painter.save();
    painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
    if (tolerance) {
        const double top = map(QPointF(xAxis.low, *tolerance)).y();
        const double bottom = map(QPointF(xAxis.low, -*tolerance)).y();
        painter.fillRect(QRectF(plot.left(), top, plot.width(), bottom - top), kToleranceFill);
        painter.setPen(QPen(kToleranceEdge, 0.8, Qt::DashLine));
        for (const double y : {top, bottom})
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    // The values themselves stand in the table above the chart.
    for (const int number : {3, 1, 4, 2}) {
        const SeriesDesign& design = seriesDesigns()[std::size_t(number - 1)];
        QPolygonF line;
        if (number == 3 && !seriesPoints(chart, number).empty())
            line << map(QPointF(xAxis.low, 0)) << map(QPointF(xAxis.high, 0));
        else
            for (const QPointF& p : seriesPoints(chart, number))
                if (std::isfinite(p.x()) && std::isfinite(p.y()))
                    line << map(p);
        painter.setPen(seriesPen(design));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(line);
        if (design.points) {
            markerStyle(painter, design);
            for (const QPointF& at : line)
                drawMarker(painter, at, design.diamond);
        }
    }
    painter.restore();

    // Legend.
    painter.setFont(textFont);
    const double legendTop = plot.bottom() + xLabelHeight + kPad / 2;
    for (const auto& [number, at] : legend) {
        if (number == kToleranceEntry) {
            const QPointF origin(plot.left() + at.x(), legendTop + at.y());
            painter.fillRect(QRectF(origin.x(), origin.y() + 2, kSampleWidth, rowHeight - 4),
                             kToleranceFill);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(kToleranceEdge, 0.8, Qt::DashLine));
            painter.drawRect(QRectF(origin.x(), origin.y() + 2, kSampleWidth, rowHeight - 4));
            painter.setPen(Qt::black);
            placeText(painter, text,
                      QRectF(origin.x() + kSampleWidth + 4, origin.y(), area.width(), rowHeight),
                      Qt::AlignLeft, toleranceLabel(*tolerance, rs));
            continue;
        }
        const SeriesDesign& design = seriesDesigns()[std::size_t(number - 1)];
        const QPointF origin(plot.left() + at.x(), legendTop + at.y());
        const double mid = origin.y() + rowHeight / 2;
        painter.setPen(seriesPen(design));
        painter.drawLine(QPointF(origin.x(), mid), QPointF(origin.x() + kSampleWidth, mid));
        if (design.points) {
            markerStyle(painter, design);
            drawMarker(painter, QPointF(origin.x() + kSampleWidth / 2, mid), design.diamond);
        }
        painter.setPen(Qt::black);
        placeText(painter, text,
                  QRectF(origin.x() + kSampleWidth + 4, origin.y(), area.width(), rowHeight),
                  Qt::AlignLeft, QString::fromUtf8(design.title));
    }
    painter.restore();
}

} // namespace abgleich
