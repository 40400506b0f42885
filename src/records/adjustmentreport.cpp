// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
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

Verdict deviceVerdict(const std::vector<ReportPoint>& points, Verdict (ReportPoint::*of)() const) {
    bool passed = false;
    bool untoleranced = false;
    for (const ReportPoint& point : points) {
        switch ((point.*of)()) {
        case Verdict::Fail:
            return Verdict::Fail;
        case Verdict::NoTolerance:
            untoleranced = true;
            break;
        case Verdict::Pass:
            passed = true;
            break;
        case Verdict::NoValues:
            break;
        }
    }
    if (untoleranced)
        return Verdict::NoTolerance;
    return passed ? Verdict::Pass : Verdict::NoValues;
}

} // namespace

const QString kDecisionRule = QStringLiteral(
    "Entscheidungsregel: einfache Akzeptanz nach ILAC-G8:09/2019 (ohne Schutzband). Eine "
    "Messstelle ist i. O., wenn der Betrag ihrer größten Abweichung, auf drei Nachkommastellen "
    "gerundet, die Toleranz nicht übersteigt; die Messunsicherheit geht nicht ein.");

Verdict judge(const std::optional<double>& largest, const std::optional<double>& tolerance) {
    if (!largest)
        return Verdict::NoValues;
    if (!tolerance)
        return Verdict::NoTolerance;
    // As printed: to the thousandth, so that the verdict agrees with the numbers beside it.
    return std::llround(std::fabs(*largest) * 1000) <= std::llround(*tolerance * 1000)
               ? Verdict::Pass
               : Verdict::Fail;
}

QString verdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass:
        return QStringLiteral("i. O.");
    case Verdict::Fail:
        return QStringLiteral("n. i. O.");
    case Verdict::NoTolerance:
        return QStringLiteral("keine Toleranz festgelegt");
    case Verdict::NoValues:
        break;
    }
    return QStringLiteral("keine Messwerte");
}

QString reportNumberText(ReportSeries series, qint64 number) {
    return QStringLiteral("%1-%2").arg(QChar(char(series))).arg(number, 5, 10, QChar(u'0'));
}

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

Verdict AdjustmentReport::asFound() const {
    return deviceVerdict(points, &ReportPoint::asFound);
}

Verdict AdjustmentReport::asLeft() const {
    return deviceVerdict(points, &ReportPoint::asLeft);
}

QString adjustmentReportStem(const QString& configdir, const QString& deviceId,
                             const QDateTime& when) {
    return configdir + QDir::separator() + QStringLiteral("Abgleichprotokoll_") + deviceId + u'_' +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace abgleich
