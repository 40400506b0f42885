// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "table/coefficientstore.h"

#include <gtest/gtest.h>

using namespace abgleich;

TEST(CoefficientStore, SlotsOneTo256WithTheNeutralCorrection) {
    CoefficientStore store;
    for (int n = 1; n <= 256; ++n) {
        EXPECT_EQ(store.a(n), 0.0);
        EXPECT_EQ(store.b(n), 1.0);
    }
    store.setA(1, 0.439);
    store.setB(256, 1.005);
    EXPECT_EQ(store.a(1), 0.439);
    EXPECT_EQ(store.b(256), 1.005);
    store.reset();
    EXPECT_EQ(store.a(1), 0.0);
    EXPECT_EQ(store.b(256), 1.0);
}

TEST(CoefficientStore, NoSlotZeroAndNoneAbove256) {
    CoefficientStore store;
    EXPECT_FALSE(CoefficientStore::hasSlot(0));
    EXPECT_FALSE(CoefficientStore::hasSlot(257));
    EXPECT_THROW(store.a(0), AppError);
    EXPECT_THROW(store.setA(257, 1.0), AppError);
    EXPECT_THROW(store.setB(-1, 1.0), AppError);
    EXPECT_EQ(store.b(256), 1.0);
}
