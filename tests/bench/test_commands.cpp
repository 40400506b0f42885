// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/commands.h"
#include "bench/hosttext.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(Commands, Texts) {
    EXPECT_EQ(command::setTime(QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5))),
              u"T220315143005;"_s);
    EXPECT_EQ(command::setTime(QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5))), u"T090102030405;"_s);
    EXPECT_EQ(command::powerSupplies(0), u"EA0;"_s);
    EXPECT_EQ(command::powerSupplies(1), u"EA1;"_s);
    EXPECT_EQ(command::powerSupplies(-1), u"EA-1;"_s);
    EXPECT_EQ(command::kReadCorrectionData, u"U;"_s);
}

TEST(HostText, LocalhostInAnyLetterCase) {
    EXPECT_EQ(hostForSystem(u"LocalHost"_s), u"127.0.0.1"_s);
    EXPECT_EQ(hostForSystem(u"localhost"_s), u"127.0.0.1"_s);
    EXPECT_EQ(hostForSystem(u"localhost "_s), u"localhost "_s);
    EXPECT_EQ(hostForSystem(u"127.0.0.2"_s), u"127.0.0.2"_s);
}
