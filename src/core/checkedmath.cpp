// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/checkedmath.h"

#include "core/errors.h"

#include <cmath>

namespace abgleich {

double checkedValue(double value) {
    if (std::isnan(value))
        throw AppError::invalidOperation();
    if (std::isinf(value))
        throw AppError::overflow();
    return value;
}

double checkedDivide(double numerator, double denominator) {
    if (denominator == 0.0) {
        if (numerator == 0.0 || std::isnan(numerator))
            throw AppError::invalidOperation();
        throw AppError::divisionByZero();
    }
    return checkedValue(numerator / denominator);
}

} // namespace abgleich
