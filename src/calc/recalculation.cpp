#include "calc/recalculation.h"

#include "calc/linreg.h"
#include "core/checkedmath.h"
#include "core/errors.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace abgleich {

namespace {

constexpr double kZeroLineEnd = 250;

struct Pair {
    double ref;
    double tm;
    double mw;
};

// Raw values whose spread is at most this fraction of their size count as all equal: far
// above the rounding of (tm - a) / b, far below the step of three decimals in values up to
// 10^9.
constexpr double kNegligibleSpread = 1e-12;

// Whether the raw values are all equal, or so nearly that a line through them has no
// slope worth the name: the fit would give a gain of 0 or a huge one from rounding alone.
bool withoutSpread(const std::vector<double>& x) {
    const auto [low, high] = std::minmax_element(x.begin(), x.end());
    const double size = std::max(std::fabs(*low), std::fabs(*high));
    return *high - *low <= kNegligibleSpread * size;
}

QString withoutSpreadMessage(const QList<int>& points) {
    QStringList numbers;
    for (int n : points)
        numbers << QString::number(n);
    return (points.size() == 1 ? QStringLiteral("Messstelle ") : QStringLiteral("Messstellen ")) +
           numbers.join(QStringLiteral(", ")) +
           QStringLiteral(": keine neuen Koeffizienten berechnet. Die angezeigten Werte (tm) der "
                          "Wertepaare unterscheiden sich nicht oder kaum, daraus lässt sich keine "
                          "Steigung b bestimmen. a (NEU) und b (NEU) bleiben unverändert.");
}

enum class Outcome { Done, WithoutSpread };

// computeMS without the message: a point whose raw values have no spread is left as it was.
Outcome recalculate(WorkingState& state, int n) {
    PointTable& table = state.table;
    if (n < 1 || n >= table.rows() || !CoefficientStore::hasSlot(n))
        return Outcome::Done;
    const double aCur = state.coef.a(n);
    const double bCur = state.coef.b(n);

    std::vector<Pair> pairs;
    for (const ValuePair& p : presentPairs(table, n))
        pairs.push_back({p.ref, p.tm, checkedDivide(checkedValue(p.tm - aCur), bCur)});
    if (pairs.size() < 2)
        return Outcome::Done;

    // Everything is computed before anything is written, so an error leaves the point as
    // it was.
    std::vector<double> x;
    std::vector<double> y;
    for (const Pair& p : pairs) {
        x.push_back(p.mw);
        y.push_back(p.ref);
    }
    if (withoutSpread(x))
        return Outcome::WithoutSpread;
    const Line fit = linReg(x, y);
    std::vector<double> deviations;
    for (const Pair& p : pairs)
        deviations.push_back(checkedValue(fit.a + fit.b * p.mw - p.ref));

    std::vector<ChartDeviations> shown;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const Pair& p = pairs[k];
        checkedValue(p.mw - p.ref);
        checkedValue(p.tm - p.ref);
        shown.push_back(pairDeviations({p.ref, p.tm}, aCur, bCur, deviations[k]));
    }
    {
        BatchUpdate batch(table);
        table.setCellNumber(Col::ANeu, n, fit.a);
        table.setCellNumber(Col::BNeu, n, fit.b);
        for (std::size_t k = 0; k < deviations.size(); ++k)
            table.setCellNumber(Col::Diff1 + int(k), n, deviations[k]);
    }
    state.chart = deviationChart(shown, table.cellText(Col::Ms, n));
    state.notifyChartChanged();
    return Outcome::Done;
}

} // namespace

std::vector<ValuePair> presentPairs(PointTable& table, int n) {
    std::vector<ValuePair> pairs;
    for (int p = 1; p <= Col::Pairs; ++p) {
        // Emptiness is judged on the stored text: a cell of blanks counts and reads as 0.
        if (table.cellText(Col::ref(p), n).isEmpty() || table.cellText(Col::tm(p), n).isEmpty())
            continue;
        const double ref = table.shownNumber(Col::ref(p), n);
        pairs.push_back({ref, table.shownNumber(Col::tm(p), n)});
    }
    return pairs;
}

ChartDeviations pairDeviations(const ValuePair& pair, double a, double b,
                               std::optional<double> recalculated) {
    const double mw = (pair.tm - a) / b;
    std::optional<double> uncorrected;
    if (std::isfinite(mw) && std::isfinite(mw - pair.ref))
        uncorrected = mw - pair.ref;
    return {pair.ref, uncorrected, pair.tm - pair.ref, recalculated};
}

DeviationChartData deviationChart(const std::vector<ChartDeviations>& pairs,
                                  const QString& pointNumberText) {
    DeviationChartData chart;
    chart.zeroLine = {{0, 0}, {kZeroLineEnd, 0}};
    for (const ChartDeviations& p : pairs) {
        if (p.uncorrected)
            DeviationChartData::addSorted(chart.uncorrected, {p.ref, *p.uncorrected});
        DeviationChartData::addSorted(chart.corrected, {p.ref, p.corrected});
        if (p.recalculated)
            DeviationChartData::addSorted(chart.recalculated, {p.ref, *p.recalculated});
    }
    chart.title = QStringLiteral("Messwertabweichungen für Messstelle ") + pointNumberText;
    return chart;
}

void computeMS(WorkingState& state, int n) {
    if (recalculate(state, n) == Outcome::WithoutSpread)
        throw AppError(withoutSpreadMessage({n}));
}

QList<int> computeAll(WorkingState& state, int count) {
    // Beyond the table's rows and the store's slots there is nothing to compute. A point
    // without spread does not hold up the others; an error that ends the action early names
    // the ones passed over before it.
    const int last = std::min({count, state.table.rows() - 1, CoefficientStore::kSlots});
    QList<int> passedOver;
    try {
        for (int n = 1; n <= last; ++n) {
            if (recalculate(state, n) == Outcome::WithoutSpread)
                passedOver << n;
        }
    } catch (const AppError& e) {
        if (passedOver.isEmpty())
            throw;
        throw AppError(withoutSpreadMessage(passedOver) + u'\n' + e.message());
    }
    return passedOver;
}

void namePassedOver(const QList<int>& points) {
    if (!points.isEmpty())
        throw AppError(withoutSpreadMessage(points));
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
