// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/workingstate.h"

#include <QList>
#include <QStringList>

#include <optional>
#include <vector>

namespace abgleich {

// A value pair of a point's row: the reference value and the value the bench displayed.
struct ValuePair {
    double ref;
    double tm;
    int number = 0; // the pair's place in the row, 1..4
};

// The value pairs present in point n's row, in pair order 1..4 and packed: a pair counts
// when both its cells hold text; the numbers are read as the table shows them. A cell whose
// text is no number (blanks alone included) is named instead, and its pair does not count.
struct PointPairs {
    std::vector<ValuePair> pairs;
    QStringList notANumber; // "Messstelle 3 (P_1), Ref 2: „0.5“"
};
PointPairs presentPairs(PointTable& table, int n);

// Whether point n is an offset point: the controller keeps an offset for it and no gain.
bool isOffsetRow(const PointTable& table, int n);

// What the controller holds for point n as far as the tool knows: the coefficient store's a
// and b, and no b for an offset point. Nothing for a row without a name or a store slot. The
// table's a (SPS) and b (SPS) show what was last read, which an upload since has replaced.
struct HeldCoefficients {
    std::optional<double> a;
    std::optional<double> b;
};
HeldCoefficients heldCoefficients(const PointTable& table, const CoefficientStore& store, int n);

// The raw value of a displayed value with the coefficients the bench displayed it with; an
// offset point has its offset alone.
double rawValue(double tm, double a, double b, bool offset);

// The deviation the bench will show for a pair with new coefficients as the upload record
// carries them (to the thousandth): a + b · mw − Ref, or a + mw − Ref for an offset point.
double deviationAsSent(double mw, double ref, double aNew, double bNew, bool offset);

// One pair's place in the deviation chart: Series1 (mw - Ref), Series4 (tm - Ref) and
// Series2 (the deviation left with the new coefficients), each where it is known.
struct ChartDeviations {
    double ref;
    std::optional<double> uncorrected;
    double corrected;
    std::optional<double> recalculated;
};

// The deviations of one pair, as the table, the chart and the report show them: the raw
// value recovered with the coefficients (a, b) the bench displayed with (a alone for an
// offset point), less Ref (nothing where that is no finite number), tm - Ref, and the
// deviation left with the new coefficients where there is one.
ChartDeviations pairDeviations(const ValuePair& pair, double a, double b, bool offset,
                               std::optional<double> recalculated);

// The deviation chart of point n as the recalculation draws it: the zero line, the three
// series sorted by x, and the title naming the row's number text.
DeviationChartData deviationChart(const std::vector<ChartDeviations>& pairs,
                                  const QString& pointNumberText);

// Recalculates point n: recovers the raw values mw = (tm - a) / b of the value pairs typed
// into its row with the coefficients of the store, fits new a and b through (mw, Ref), writes
// them and the remaining deviations (with a and b as the upload will send them) into the row
// and shows the deviations in the chart. An offset point (mw = tm - a) gets its offset alone:
// a is the mean of Ref - mw, b (NEU) is emptied.
// Fewer than two pairs change nothing; point 0 and points without a row or a store slot do
// nothing. A current b of 0 raises the run-time error before anything of the point is
// written. Raw values that are all equal (or nearly so) give no line, and a cell that is no
// number gives no fit: nothing of the point is written and an error names the point or the
// cells.
void computeMS(WorkingState& state, int n);

// The points computeAll passed over: for want of spread, or for cells that are no number.
struct PassedOver {
    QList<int> withoutSpread;
    QStringList notANumber;
    bool empty() const { return withoutSpread.isEmpty() && notANumber.isEmpty(); }
};
// computeMS for points 1..count in order; stops at the first run-time error. Points passed
// over are returned, for namePassedOver once the caller has finished its action.
PassedOver computeAll(WorkingState& state, int count);
// The one error that names every point and cell passed over; nothing when there are none.
void namePassedOver(const PassedOver& passed);

// Every point back to the neutral correction a = 0, b = 1 in the store and the table; the
// typed pairs, deviations and new values emptied; the chart's series cleared (its title
// stays). Names, units, the row count and the device fields are kept.
void resetTable(WorkingState& state);

} // namespace abgleich
