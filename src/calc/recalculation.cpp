// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "calc/recalculation.h"

#include "calc/linreg.h"
#include "core/checkedmath.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "state/loadedrecord.h"

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

QString notANumberMessage(const QStringList& cells) {
    return QStringLiteral("Nicht berechnet, diese Zellen enthalten keine gültige Zahl:\n") +
           atMost(cells).join(u'\n');
}

enum class Outcome { Done, WithoutSpread, NotANumber };

// computeMS without the message: a point whose raw values have no spread, or whose row holds
// a cell that is no number, is left as it was.
Outcome recalculate(WorkingState& state, int n, QStringList* notANumber) {
    PointTable& table = state.table;
    if (n < 1 || n >= table.rows() || !CoefficientStore::hasSlot(n))
        return Outcome::Done;
    const PointPairs present = presentPairs(table, n);
    if (!present.notANumber.isEmpty()) {
        *notANumber << present.notANumber;
        return Outcome::NotANumber;
    }
    const bool offset = isOffsetRow(table, n);
    const double aCur = state.coef.a(n);
    const double bCur = state.coef.b(n);

    std::vector<Pair> pairs;
    for (const ValuePair& p : present.pairs)
        pairs.push_back(
            {p.ref, p.tm,
             offset ? checkedValue(p.tm - aCur) : checkedDivide(checkedValue(p.tm - aCur), bCur)});
    if (pairs.size() < 2)
        return Outcome::Done;

    // Everything is computed before anything is written, so an error leaves the point as
    // it was.
    Line fit;
    if (offset) {
        // The controller keeps no gain: the offset alone, the mean of Ref - mw.
        double sum = 0;
        for (const Pair& p : pairs)
            sum = checkedValue(sum + checkedValue(p.ref - p.mw));
        fit.a = checkedDivide(sum, double(pairs.size()));
        fit.b = 1;
    } else {
        std::vector<double> x;
        std::vector<double> y;
        for (const Pair& p : pairs) {
            x.push_back(p.mw);
            y.push_back(p.ref);
        }
        if (withoutSpread(x))
            return Outcome::WithoutSpread;
        fit = linReg(x, y);
    }
    std::vector<double> deviations;
    for (const Pair& p : pairs)
        deviations.push_back(checkedValue(deviationAsSent(p.mw, p.ref, fit.a, fit.b, offset)));

    std::vector<ChartDeviations> shown;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const Pair& p = pairs[k];
        checkedValue(p.mw - p.ref);
        checkedValue(p.tm - p.ref);
        shown.push_back(pairDeviations({p.ref, p.tm}, aCur, bCur, offset, deviations[k]));
    }
    {
        BatchUpdate batch(table);
        table.setCellNumber(Col::ANeu, n, fit.a);
        if (offset)
            table.setCellText(Col::BNeu, n, QString());
        else
            table.setCellNumber(Col::BNeu, n, fit.b);
        for (std::size_t k = 0; k < deviations.size(); ++k)
            table.setCellNumber(Col::Diff1 + int(k), n, deviations[k]);
    }
    state.chart = deviationChart(shown, table.cellText(Col::Ms, n));
    state.notifyChartChanged();
    return Outcome::Done;
}

} // namespace

PointPairs presentPairs(PointTable& table, int n) {
    PointPairs present;
    for (int p = 1; p <= Col::Pairs; ++p) {
        const CellReading ref = table.readCell(Col::ref(p), n);
        const CellReading tm = table.readCell(Col::tm(p), n);
        bool numbers = true;
        for (const auto& [column, reading] :
             {std::pair{Col::ref(p), ref}, std::pair{Col::tm(p), tm}})
            if (reading.kind == CellReading::Kind::NotANumber) {
                present.notANumber << table.cellName(column, n) + QStringLiteral(": „") +
                                          reading.shown + QStringLiteral("“");
                numbers = false;
            }
        if (numbers && !ref.isEmpty() && !tm.isEmpty())
            present.pairs.push_back({ref.value, tm.value, p});
    }
    return present;
}

bool isOffsetRow(const PointTable& table, int n) {
    return isOffsetPoint(trimBlanksAndControls(table.cellText(Col::Name, n)));
}

HeldCoefficients heldCoefficients(const PointTable& table, const CoefficientStore& store, int n) {
    if (!CoefficientStore::hasSlot(n) || n >= table.rows() ||
        trimBlanksAndControls(table.cellText(Col::Name, n)).isEmpty())
        return {};
    if (isOffsetRow(table, n))
        return {store.a(n), std::nullopt};
    return {store.a(n), store.b(n)};
}

double rawValue(double tm, double a, double b, bool offset) {
    return offset ? tm - a : (tm - a) / b;
}

double deviationAsSent(double mw, double ref, double aNew, double bNew, bool offset) {
    return asRecorded(aNew) + (offset ? 1.0 : asRecorded(bNew)) * mw - ref;
}

ChartDeviations pairDeviations(const ValuePair& pair, double a, double b, bool offset,
                               std::optional<double> recalculated) {
    const double mw = rawValue(pair.tm, a, b, offset);
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
    QStringList notANumber;
    switch (recalculate(state, n, &notANumber)) {
    case Outcome::WithoutSpread:
        throw AppError(withoutSpreadMessage({n}));
    case Outcome::NotANumber:
        throw AppError(notANumberMessage(notANumber));
    case Outcome::Done:
        break;
    }
}

PassedOver computeAll(WorkingState& state, int count) {
    // Beyond the table's rows and the store's slots there is nothing to compute. A point
    // passed over does not hold up the others; an error that ends the action early names
    // the ones passed over before it.
    const int last = std::min({count, state.table.rows() - 1, CoefficientStore::kSlots});
    PassedOver passed;
    try {
        for (int n = 1; n <= last; ++n) {
            if (recalculate(state, n, &passed.notANumber) == Outcome::WithoutSpread)
                passed.withoutSpread << n;
        }
    } catch (const AppError& e) {
        if (passed.empty())
            throw;
        try {
            namePassedOver(passed);
        } catch (const AppError& named) {
            throw AppError(named.message() + u'\n' + e.message());
        }
    }
    return passed;
}

void namePassedOver(const PassedOver& passed) {
    QStringList parts;
    if (!passed.withoutSpread.isEmpty())
        parts << withoutSpreadMessage(passed.withoutSpread);
    if (!passed.notANumber.isEmpty())
        parts << notANumberMessage(passed.notANumber);
    if (!parts.isEmpty())
        throw AppError(parts.join(u'\n'));
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
