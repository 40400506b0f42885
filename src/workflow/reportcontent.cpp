#include "workflow/reportcontent.h"

#include "calc/recalculation.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/upload.h"

#include <cmath>

namespace abgleich {

namespace {

std::optional<double> numberIn(PointTable& table, int column, int row) {
    if (trimBlanksAndControls(table.cellText(column, row)).isEmpty())
        return std::nullopt;
    return table.shownNumber(column, row);
}

// The value of largest magnitude (the first of equal ones).
void keepLargest(std::optional<double>& largest, double value) {
    if (!largest || std::fabs(value) > std::fabs(*largest))
        largest = value;
}

} // namespace

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
        const bool offset = isOffsetRow(table, n);
        const bool hasNew = !table.cellText(Col::ANeu, n).isEmpty();
        if (hasNew) {
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
            const ReportPair pair{p.ref, p.tm, shown.corrected, shown.recalculated};
            keepLargest(point.largestBefore, pair.before);
            if (pair.after)
                keepLargest(point.largestAfter, *pair.after);
            chart.push_back(shown);
            point.pairs.push_back(pair);
        }
        if (!chart.empty())
            point.chart = deviationChart(chart, table.cellText(Col::Ms, n));
        report.points.push_back(std::move(point));
    }
    return report;
}

} // namespace abgleich
