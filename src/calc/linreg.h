// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <span>

namespace abgleich {

// A straight line y = a + b * x.
struct Line {
    double a = 0;
    double b = 0;
};

// Ordinary least squares through the points (x[i], y[i]); at least one point, x and y of
// equal length. The sums are formed in point order. When all x are equal the centred sum
// of squares is exactly 0 and is replaced by 0.001 (only an exact 0), so the fit still gives
// numbers. A result that is no finite number raises the run-time error.
Line linReg(std::span<const double> x, std::span<const double> y);

} // namespace abgleich
