// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/deviationchart.h"

#include "core/numbers.h"
#include "ui/chartdesign.h"

#include <QChart>
#include <QGraphicsItem>
#include <QLegend>
#include <QPainter>
#include <QValueAxis>

namespace abgleich {

namespace {

constexpr int kMarkerSize = 3;
constexpr double kLabelAngle = -45; // rising to the right
const QRectF kLegendArea(70, 60, 250, 112);

QImage markerImage(bool diamond, const QColor& colour) {
    QImage image(9, 9, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    if (diamond)
        p.drawPolygon(QPolygonF({{4.5, 0}, {9, 4.5}, {4.5, 9}, {0, 4.5}}));
    else
        p.drawEllipse(QRectF(0, 0, 9, 9));
    return image;
}

} // namespace

// Draws the value of every point of the labelled series beside it, turned by 45°, on a
// transparent background.
class PointLabels : public QGraphicsItem {
public:
    PointLabels(QChart* chart, std::vector<QLineSeries*> series, const DeviationChart* owner)
        : QGraphicsItem(chart), chart_(chart), series_(std::move(series)), owner_(owner) {
        setZValue(10);
    }

    QRectF boundingRect() const override { return chart_->boundingRect(); }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        painter->save();
        painter->setClipRect(chart_->plotArea());
        QFont font = chart_->font();
        font.setPointSize(8);
        painter->setFont(font);
        for (QLineSeries* series : series_) {
            painter->setPen(series->color());
            for (const QPointF& point : series->points()) {
                const QPointF at = chart_->mapToPosition(point, series);
                painter->save();
                painter->translate(at + QPointF(4, -4));
                painter->rotate(kLabelAngle);
                painter->drawText(QPointF(0, 0), owner_->labelText(point.y()));
                painter->restore();
            }
        }
        painter->restore();
    }

    void refresh() {
        prepareGeometryChange();
        update();
    }

private:
    QChart* chart_;
    std::vector<QLineSeries*> series_;
    const DeviationChart* owner_;
};

DeviationChart::DeviationChart(const RegionalSettings& regional, QWidget* parent)
    : QChartView(parent), regional_(regional) {
    setObjectName(QStringLiteral("RegChart"));
    setRenderHint(QPainter::Antialiasing);
    // The view's own chart: setChart would release (not delete) the one the view made.
    QChart* chart = this->chart();
    QFont titleFont = chart->titleFont();
    titleFont.setPointSize(14);
    chart->setTitleFont(titleFont);
    chart->setTitle(DeviationChartData::initialTitle());

    for (int i = 0; i < 4; ++i) {
        const SeriesDesign& d = seriesDesigns()[std::size_t(i)];
        auto* series = new QLineSeries(this);
        series->setObjectName(QLatin1String(d.name));
        series->setName(QString::fromUtf8(d.title));
        QPen pen(d.colour);
        pen.setStyle(d.line);
        pen.setWidth(d.line == Qt::DotLine ? 1 : 2);
        series->setPen(pen);
        series->setPointsVisible(d.points);
        if (d.points) {
            series->setMarkerSize(kMarkerSize);
            series->setLightMarker(markerImage(d.diamond, d.colour));
        }
        series_[std::size_t(i)] = series;
    }
    // The legend lists them in this order.
    for (int number : kLegendOrder)
        chart->addSeries(series(number));

    auto* x = new QValueAxis(chart);
    auto* y = new QValueAxis(chart);
    x->setRange(kXMin, kXMax);
    y->setRange(kYMin, kYMax);
    // Ticks on round numbers from 0, whatever the fixed range.
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(50);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(5);
    x->setLabelFormat(QStringLiteral("%.0f"));
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries* s : series_) {
        s->attachAxis(x);
        s->attachAxis(y);
    }

    // The legend lies over the plot at its upper left without shrinking it.
    QLegend* legend = chart->legend();
    legend->setAlignment(Qt::AlignLeft);
    legend->detachFromChart();
    legend->setBackgroundVisible(true);
    legend->setBrush(QColor(255, 255, 255, 210));
    legend->setPen(QColor(160, 160, 160));
    legend->setGeometry(kLegendArea);
    connect(chart, &QChart::plotAreaChanged, legend, [legend] {
        legend->setGeometry(kLegendArea);
        legend->update();
    });

    std::vector<QLineSeries*> labelled;
    for (int i = 0; i < 4; ++i)
        if (seriesDesigns()[std::size_t(i)].labelled)
            labelled.push_back(series_[std::size_t(i)]);
    labels_ = new PointLabels(chart, std::move(labelled), this);
    connect(chart, &QChart::plotAreaChanged, this, [this] { labels_->refresh(); });
}

QString chartValueText(double value, const RegionalSettings& rs) {
    QString text = formatFixed3(value, rs);
    if (text.contains(rs.decimalSeparator)) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(rs.decimalSeparator))
            text.chop(1);
    }
    return text;
}

QString DeviationChart::labelText(double value) const {
    return chartValueText(value, regional_);
}

void DeviationChart::render(const DeviationChartData& shown) {
    chart()->setTitle(shown.title);
    const std::vector<QPointF>* points[4] = {&shown.uncorrected, &shown.recalculated,
                                             &shown.zeroLine, &shown.corrected};
    for (int i = 0; i < 4; ++i)
        series_[std::size_t(i)]->replace(QList<QPointF>(points[i]->begin(), points[i]->end()));
    labels_->refresh();
}

} // namespace abgleich
