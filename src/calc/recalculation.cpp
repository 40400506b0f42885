#include "calc/recalculation.h"

#include "calc/linreg.h"
#include "core/checkedmath.h"

#include <algorithm>
#include <array>
#include <vector>

namespace abgleich {

namespace {

struct Pair {
    double ref;
    double tm;
    double mw;
};

constexpr double kZeroLineEnd = 250;

} // namespace

void computeMS(WorkingState& state, int n) {
    PointTable& table = state.table;
    if (n < 1 || n >= table.rows() || !CoefficientStore::hasSlot(n))
        return;
    const double aCur = state.coef.a(n);
    const double bCur = state.coef.b(n);

    std::vector<Pair> pairs;
    for (int p = 1; p <= Col::Pairs; ++p) {
        if (table.cellText(Col::ref(p), n).isEmpty() || table.cellText(Col::tm(p), n).isEmpty())
            continue;
        const double ref = table.shownNumber(Col::ref(p), n);
        const double tm = table.shownNumber(Col::tm(p), n);
        pairs.push_back({ref, tm, checkedDivide(checkedValue(tm - aCur), bCur)});
    }
    if (pairs.size() < 2)
        return;

    // Everything is computed before anything is written, so an error leaves the point as
    // it was.
    std::vector<double> x;
    std::vector<double> y;
    for (const Pair& p : pairs) {
        x.push_back(p.mw);
        y.push_back(p.ref);
    }
    const Line fit = linReg(x, y);
    std::vector<double> deviations;
    for (const Pair& p : pairs)
        deviations.push_back(checkedValue(fit.a + fit.b * p.mw - p.ref));

    DeviationChartData& chart = state.chart;
    chart.clearSeries();
    chart.zeroLine = {{0, 0}, {kZeroLineEnd, 0}};
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const Pair& p = pairs[k];
        DeviationChartData::addSorted(chart.uncorrected, {p.ref, checkedValue(p.mw - p.ref)});
        DeviationChartData::addSorted(chart.corrected, {p.ref, checkedValue(p.tm - p.ref)});
        DeviationChartData::addSorted(chart.recalculated, {p.ref, deviations[k]});
    }
    {
        BatchUpdate batch(table);
        table.setCellNumber(Col::ANeu, n, fit.a);
        table.setCellNumber(Col::BNeu, n, fit.b);
        for (std::size_t k = 0; k < deviations.size(); ++k)
            table.setCellNumber(Col::Diff1 + int(k), n, deviations[k]);
    }
    chart.title =
        QStringLiteral("Messwertabweichungen für Messstelle ") + table.cellText(Col::Ms, n);
    state.notifyChartChanged();
}

void computeAll(WorkingState& state, int count) {
    // Beyond the table's rows and the store's slots there is nothing to compute.
    const int last = std::min({count, state.table.rows() - 1, CoefficientStore::kSlots});
    for (int n = 1; n <= last; ++n)
        computeMS(state, n);
}

void resetTable(WorkingState& state) {
    PointTable& table = state.table;
    {
        BatchUpdate batch(table);
        table.writeHeaderRow();
        table.writeRowNumbers();
        for (int column = Col::Ref1; column < Col::Count; ++column)
            for (int row = 1; row < table.rows(); ++row)
                table.setCellText(column, row, QString());
        for (int row = 1; row < table.rows(); ++row) {
            if (CoefficientStore::hasSlot(row)) {
                state.coef.setA(row, 0.0);
                state.coef.setB(row, 1.0);
            }
            table.setCellNumber(Col::ASps, row, 0.0);
            table.setCellNumber(Col::BSps, row, 1.0);
            table.setCellNumber(Col::ANeu, row, 0.0);
            table.setCellNumber(Col::BNeu, row, 1.0);
        }
    }
    state.clearChartSeries();
}

} // namespace abgleich
