// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "calc/linreg.h"
#include "core/checkedmath.h"
#include "core/errors.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

#include <vector>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(LinReg, Fits) {
    struct Case {
        const char* name;
        std::vector<double> x;
        std::vector<double> y;
        double a;
        double b;
    };
    const Case cases[] = {
        {"exact line", {1, 2, 3}, {2, 4, 6}, 0, 2},
        {"zero spread", {2, 2}, {1, 3}, 2, 0},
        {"two points", {1, 3}, {1, 5}, -1, 2},
        {"four points", {10, 20, 30, 40}, {11, 19, 31, 39}, 1.0, 0.96},
        {"one point", {5}, {7}, 7, 0},
    };
    for (const Case& c : cases) {
        const Line line = linReg(c.x, c.y);
        EXPECT_NEAR(line.a, c.a, 1e-12) << c.name;
        EXPECT_NEAR(line.b, c.b, 1e-12) << c.name;
    }
}

TEST(LinReg, OrderChangesOnlyTheRounding) {
    const std::vector<double> x = {0.1, 12.7, 33.3, 250.9};
    const std::vector<double> y = {0.4, 13.1, 32.8, 251.7};
    const std::vector<double> rx(x.rbegin(), x.rend());
    const std::vector<double> ry(y.rbegin(), y.rend());
    const Line forward = linReg(x, y);
    const Line backward = linReg(rx, ry);
    EXPECT_NEAR(forward.a, backward.a, 1e-12);
    EXPECT_NEAR(forward.b, backward.b, 1e-12);
}

TEST(LinReg, TinySpreadIsUsedAsItIsAndOverflowRaises) {
    // A centred sum of squares that is tiny but not 0 is not replaced: the slope overflows.
    const std::vector<double> x = {0, 1e-160};
    const std::vector<double> y = {0, 1e300};
    try {
        linReg(x, y);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), u"Gleitkommaüberlauf"_s);
    }
}

TEST(CheckedMath, RunTimeErrors) {
    EXPECT_EQ(checkedDivide(1, 4), 0.25);
    const std::pair<std::pair<double, double>, QString> cases[] = {
        {{1, 0}, u"Gleitkommadivision durch Null"_s},
        {{-3, 0}, u"Gleitkommadivision durch Null"_s},
        {{0, 0}, u"Ungültige Gleitkommaoperation"_s},
        {{1e308, 1e-308}, u"Gleitkommaüberlauf"_s},
    };
    for (const auto& [operands, message] : cases) {
        try {
            checkedDivide(operands.first, operands.second);
            ADD_FAILURE() << operands.first << " / " << operands.second;
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), message);
        }
    }
}
