#include "records/adjustmentreport.h"

#include "calc/recalculation.h"
#include "core/text.h"
#include "records/upload.h"

#include <QDir>

#include <cmath>

namespace abgleich {

namespace {

bool differs(const std::optional<double>& before, double after) {
    return before && std::llround(*before * 1000) != std::llround(after * 1000);
}

// The value of largest magnitude (the first of equal ones).
void keepLargest(std::optional<double>& largest, double value) {
    if (!largest || std::fabs(value) > std::fabs(*largest))
        largest = value;
}

std::optional<double> numberIn(PointTable& table, int column, int row) {
    if (trimBlanksAndControls(table.cellText(column, row)).isEmpty())
        return std::nullopt;
    return table.shownNumber(column, row);
}

// The uploaded value: the record's a or b times 1000, back to units.
double asSent(double value) {
    return double(thousandths(value).toLongLong()) / 1000.0;
}

const ReportPoint* largestOf(const std::vector<ReportPoint>& points,
                             std::optional<double> ReportPoint::*deviation) {
    const ReportPoint* largest = nullptr;
    for (const ReportPoint& point : points) {
        const std::optional<double>& value = point.*deviation;
        if (value && (!largest || std::fabs(*value) > std::fabs(*(largest->*deviation))))
            largest = &point;
    }
    return largest;
}

} // namespace

bool ReportPoint::aChanged() const {
    return differs(aBefore, aAfter);
}

bool ReportPoint::bChanged() const {
    return differs(bBefore, bAfter);
}

const ReportPoint* AdjustmentReport::largestBefore() const {
    return largestOf(points, &ReportPoint::largestBefore);
}

const ReportPoint* AdjustmentReport::largestAfter() const {
    return largestOf(points, &ReportPoint::largestAfter);
}

AdjustmentReport buildAdjustmentReport(WorkingState& state, int count, bool uploaded) {
    AdjustmentReport report;
    report.regional = state.regional;
    report.uploaded = uploaded;
    report.device = state.device;
    PointTable& table = state.table;
    for (int n = 1; n <= count; ++n) {
        ReportPoint point;
        point.number = n;
        point.name = trimBlanksAndControls(table.cellText(Col::Name, n)).toString();
        point.unit = trimBlanksAndControls(table.cellText(Col::Unit, n)).toString();
        point.aBefore = numberIn(table, Col::ASps, n);
        point.bBefore = numberIn(table, Col::BSps, n);
        if (!table.cellText(Col::ANeu, n).isEmpty()) {
            point.aAfter = asSent(table.storedNumber(Col::ANeu, n));
            point.bAfter = asSent(table.storedNumber(Col::BNeu, n));
        }

        // The raw values with the coefficients the bench displayed with.
        const bool inStore = CoefficientStore::hasSlot(n);
        const double aCur = inStore ? state.coef.a(n) : 0.0;
        const double bCur = inStore ? state.coef.b(n) : 1.0;
        std::vector<ChartDeviations> chart;
        const std::vector<ValuePair> pairs = presentPairs(table, n);
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            const ValuePair& p = pairs[k];
            ReportPair pair{p.ref, p.tm, p.tm - p.ref, numberIn(table, Col::Diff1 + int(k), n)};
            keepLargest(point.largestBefore, pair.before);
            if (pair.after)
                keepLargest(point.largestAfter, *pair.after);
            const double mw = (p.tm - aCur) / bCur;
            std::optional<double> uncorrected;
            if (std::isfinite(mw) && std::isfinite(mw - p.ref))
                uncorrected = mw - p.ref;
            chart.push_back({p.ref, uncorrected, pair.before, pair.after});
            point.pairs.push_back(pair);
        }
        if (!chart.empty())
            point.chart = deviationChart(chart, table.cellText(Col::Ms, n));
        report.points.push_back(std::move(point));
    }
    return report;
}

QString adjustmentReportStem(const QString& configdir, const QString& deviceId,
                             const QDateTime& when) {
    return configdir + QDir::separator() + QStringLiteral("Abgleichprotokoll_") + deviceId + u'_' +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace abgleich
