// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "table/coefficientstore.h"

#include "core/errors.h"

namespace abgleich {

namespace {

std::size_t slotIndex(int n) {
    if (!CoefficientStore::hasSlot(n))
        throw AppError::listIndexOutOfBounds(n);
    return std::size_t(n - 1);
}

} // namespace

double CoefficientStore::a(int n) const {
    return a_[slotIndex(n)];
}
double CoefficientStore::b(int n) const {
    return b_[slotIndex(n)];
}
void CoefficientStore::setA(int n, double value) {
    a_[slotIndex(n)] = value;
}
void CoefficientStore::setB(int n, double value) {
    b_[slotIndex(n)] = value;
}

void CoefficientStore::reset() {
    a_.fill(0.0);
    b_.fill(1.0);
}

} // namespace abgleich
