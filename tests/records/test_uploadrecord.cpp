// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "records/upload.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(UploadRecord, ThousandthsRoundHalvesToTheEvenInteger) {
    const std::pair<double, QString> rounding[] = {{-0.5, u"-500"_s},  {0.0025, u"2"_s},
                                                   {0.0035, u"4"_s},   {1.005, u"1005"_s},
                                                   {-0.0025, u"-2"_s}, {0, u"0"_s}};
    for (const auto& [value, text] : rounding)
        EXPECT_EQ(thousandths(value), text) << value;
    EXPECT_THROW(thousandths(1e300), AppError);
}
