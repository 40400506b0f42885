// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace abgleich {

// Floating-point arithmetic that raises the run-time errors instead of leaving an infinity
// or a NaN behind: x / 0 is "Gleitkommadivision durch Null", 0 / 0 "Ungültige
// Gleitkommaoperation", a result beyond the largest double "Gleitkommaüberlauf".
double checkedDivide(double numerator, double denominator);
// Raises the matching error when a computed value is not a finite number.
double checkedValue(double value);

} // namespace abgleich
