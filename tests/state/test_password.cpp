// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "state/authorisation.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(ExpectedPassword, UploadAndEaRules) {
    struct Case {
        QString type;
        QString id;
        QString upload;
        QString ea;
    };
    const Case cases[] = {
        {u"ABC12"_s, u"4711"_s, u"abc-4711"_s, u"abc-4711"_s},
        {u""_s, u"4711"_s, u"-4711"_s, u"-4711"_s},
        {u"ABC"_s, u"4711"_s, u"ab-4711"_s, u"abc-4711"_s}, // letters only
        {u"abc12"_s, u"4711"_s, u"-4711"_s, u"abc-4711"_s}, // lower-case start
        {u"ABc12"_s, u"4711"_s, u"ab-4711"_s, u"abc-4711"_s},
        {u"ABC12"_s, u"  4711 "_s, u"abc-4711"_s, u"abc-4711"_s}, // blanks around the ID
        {u"A"_s, u"7"_s, u"-7"_s, u"a-7"_s},
        {u"12AB"_s, u"7"_s, u"-7"_s, u"-7"_s},
        {u"ÄB1"_s, u"7"_s, u"-7"_s, u"-7"_s},
        {u"A B1"_s, u"7"_s, u"a-7"_s, u"a-7"_s},
        // The Kelvin sign lower-cases to "k", so the EA rule takes it, as it stands.
        {u"\u212A1"_s, u"7"_s, u"-7"_s, u"\u212A-7"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(expectedPassword(PasswordRule::Upload, c.type, c.id), c.upload)
            << c.type.toStdString();
        EXPECT_EQ(expectedPassword(PasswordRule::EA, c.type, c.id), c.ea) << c.type.toStdString();
    }
}
