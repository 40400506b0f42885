#include "records/adjustmentreport.h"

#include <QDir>

#include <cmath>

namespace abgleich {

namespace {

bool differs(const std::optional<double>& before, double after) {
    return before && std::llround(*before * 1000) != std::llround(after * 1000);
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

QString adjustmentReportStem(const QString& configdir, const QString& deviceId,
                             const QDateTime& when) {
    return configdir + QDir::separator() + QStringLiteral("Abgleichprotokoll_") + deviceId + u'_' +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace abgleich
