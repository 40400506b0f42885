// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "calc/linreg.h"

#include "core/checkedmath.h"

namespace abgleich {

namespace {
constexpr double kZeroSpreadGuard = 0.001;
} // namespace

Line linReg(std::span<const double> x, std::span<const double> y) {
    double sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sxx += x[i] * x[i];
        sy += y[i];
        sxy += x[i] * y[i];
    }
    const double n = double(x.size());
    const double mx = checkedDivide(sx, n);
    const double my = checkedDivide(sy, n);
    double qxx = checkedValue(sxx - sx * sx / n);
    const double qxy = checkedValue(sxy - sx * sy / n);
    if (qxx == 0.0)
        qxx = kZeroSpreadGuard;
    Line line;
    line.b = checkedDivide(qxy, qxx);
    line.a = checkedValue(my - line.b * mx);
    return line;
}

} // namespace abgleich
