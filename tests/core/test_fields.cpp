// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/fields.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(GetField, CutAtOneSeparator) {
    struct Case {
        QString text;
        int n;
        QString field;
    };
    const Case cases[] = {
        {u"a,,b"_s, 2, u""_s}, {u"a,,b"_s, 3, u"b"_s},      {u"a,b,"_s, 3, u""_s},
        {u"a"_s, 0, u""_s},    {u"a"_s, 1, u"a"_s},         {u"a, b"_s, 2, u" b"_s},
        {u""_s, 1, u""_s},     {u"a,b"_s, 3, u""_s},        {u"a,b"_s, -1, u""_s},
        {u",a"_s, 1, u""_s},   {u"\"a,b\""_s, 2, u"b\""_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(getCommaField(c.text, c.n), c.field) << c.text.toStdString() << " " << c.n;
    EXPECT_EQ(getField(u';', 2, u"1;2,5;3"), u"2,5"_s);
}

TEST(GetField, ListFieldsUseTheRegionalSeparator) {
    EXPECT_EQ(getListField(u"15.03.2022 14:30:05;4711;ABC12;Kommentar, mit Komma", 4,
                           RegionalSettings::german()),
              u"Kommentar, mit Komma"_s);
    const RegionalSettings us = RegionalSettings::fromLocale(QLocale(u"en_US"_s));
    EXPECT_EQ(getListField(u"a,b;c", 2, us), u"b;c"_s);
}

TEST(FieldList, AgreesWithGetField) {
    const QString texts[] = {u""_s, u","_s, u"a,,b,"_s, u"U1,T,,x,3"_s, u",,,"_s};
    for (const QString& text : texts) {
        const FieldList fields(text, u',');
        for (int n = -1; n <= fields.count() + 2; ++n)
            EXPECT_EQ(fields.field(n).toString(), getCommaField(text, n));
    }
}
