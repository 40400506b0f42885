// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "workflow/reportcontent.h"

#include "calc/recalculation.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/inifile.h"
#include "records/upload.h"

#include <pwd.h>
#include <unistd.h>

#include <cmath>

namespace abgleich {

namespace {

// The value of largest magnitude (the first of equal ones).
void keepLargest(std::optional<double>& largest, double value) {
    if (!largest || std::fabs(value) > std::fabs(*largest))
        largest = value;
}

const QString kReportSection = QStringLiteral("Protokoll");

} // namespace

ReportSettings reportSettingsIn(const IniFile& file) {
    const auto text = [&file](const char* key) {
        return file.value(kReportSection, QString::fromLatin1(key)).value_or(QString()).trimmed();
    };
    return {text("Bearbeiter"), text("Pruefmittel")};
}

void storeReportSettings(IniFile& file, const ReportSettings& settings) {
    file.setValue(kReportSection, QStringLiteral("Bearbeiter"), settings.operatorName);
    file.setValue(kReportSection, QStringLiteral("Pruefmittel"), settings.standardId);
}

QString systemUserFullName() {
    const passwd* user = getpwuid(getuid());
    if (!user)
        return {};
    // The comment field: the full name, then office and telephone after commas.
    const QString full =
        QString::fromLocal8Bit(user->pw_gecos ? user->pw_gecos : "").section(u',', 0, 0).trimmed();
    return full.isEmpty() ? QString::fromLocal8Bit(user->pw_name) : full;
}

ReportPoint reportPoint(WorkingState& state, int n, ReportKind kind,
                        const QHash<QString, double>& tolerances) {
    PointTable& table = state.table;
    ReportPoint point;
    point.number = n;
    point.name = trimBlanksAndControls(table.cellText(Col::Name, n)).toString();
    point.unit = trimBlanksAndControls(table.cellText(Col::Unit, n)).toString();
    // As found: what the controller held, not what was last read into the table.
    const HeldCoefficients held = heldCoefficients(table, state.coef, n);
    point.aBefore = held.a;
    point.bBefore = held.b;
    const bool offset = isOffsetRow(table, n);
    point.offset = offset;
    if (const auto tolerance = tolerances.constFind(point.name); tolerance != tolerances.cend())
        point.tolerance = *tolerance;
    // A check documents the coefficients in force: those of the upload before it.
    const bool hasNew = kind != ReportKind::Check && !table.cellText(Col::ANeu, n).isEmpty();
    if (kind == ReportKind::Check) {
        point.aAfter = held.a.value_or(0);
        point.bAfter = held.b.value_or(1);
    } else if (hasNew) {
        point.aAfter = asRecorded(table.readCell(Col::ANeu, n).value);
        point.bAfter = asRecorded(table.readCell(Col::BNeu, n).value);
    }

    // The raw values with the coefficients the bench displayed with; the deviations left
    // with the new ones as the upload sends them.
    const bool inStore = CoefficientStore::hasSlot(n);
    const double aCur = inStore ? state.coef.a(n) : 0.0;
    const double bCur = inStore ? state.coef.b(n) : 1.0;
    std::vector<ChartDeviations> chart;
    for (const ValuePair& p : presentPairs(table, n).pairs) {
        std::optional<double> after;
        const double mw = rawValue(p.tm, aCur, bCur, offset);
        if (hasNew && std::isfinite(mw))
            after = deviationAsSent(mw, p.ref, point.aAfter, point.bAfter, offset);
        const ChartDeviations shown = pairDeviations(p, aCur, bCur, offset, after);
        const ReportPair pair{p.number, p.ref, p.tm, shown.corrected, shown.recalculated};
        keepLargest(point.largestBefore, pair.before);
        if (pair.after)
            keepLargest(point.largestAfter, *pair.after);
        chart.push_back(shown);
        point.pairs.push_back(pair);
    }
    if (!chart.empty())
        point.chart = deviationChart(chart, table.cellText(Col::Ms, n));
    return point;
}

AdjustmentReport buildAdjustmentReport(WorkingState& state, int count, ReportKind kind,
                                       const QHash<QString, double>& tolerances) {
    AdjustmentReport report;
    report.regional = state.regional;
    report.kind = kind;
    report.device = state.device;
    for (int n = 1; n <= count; ++n)
        report.points.push_back(reportPoint(state, n, kind, tolerances));
    return report;
}

QString verdictsToolTip(const ReportPoint& point, const RegionalSettings& rs) {
    const auto line = [&](const QString& label, Verdict verdict,
                          const std::optional<double>& largest) {
        QString text = label + QStringLiteral(": ") + verdictText(verdict);
        if (largest)
            text +=
                QStringLiteral(" (größte Abweichung %1").arg(formatFixed3(*largest, rs)) +
                (point.tolerance
                     ? QStringLiteral(", Toleranz ± %1)").arg(formatFixed3(*point.tolerance, rs))
                     : QStringLiteral(")"));
        return text;
    };
    return line(QStringLiteral("Wie vorgefunden"), point.asFound(), point.largestBefore) + u'\n' +
           line(QStringLiteral("Wie hinterlassen (berechnet)"), point.asLeft(),
                point.largestAfter) +
           QStringLiteral("\nEinfache Akzeptanz (ILAC G8): i. O., wenn |Abweichung| ≤ Toleranz.");
}

} // namespace abgleich
