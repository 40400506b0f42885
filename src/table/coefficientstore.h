// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>

namespace abgleich {

// The offset a and gain b of every measuring point as the controller last held them
// (received, imported, uploaded or reset). Slots 1..256; there is no slot 0.
class CoefficientStore {
public:
    static constexpr int kSlots = 256;

    CoefficientStore() { reset(); }

    static bool hasSlot(int n) { return n >= 1 && n <= kSlots; }

    // Reading or writing a slot outside 1..256 raises the list-index error.
    double a(int n) const;
    double b(int n) const;
    void setA(int n, double value);
    void setB(int n, double value);

    // The neutral correction a = 0, b = 1 in every slot.
    void reset();

private:
    std::array<double, kSlots> a_{};
    std::array<double, kSlots> b_{};
};

} // namespace abgleich
