// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(ErrorBoxText, DotAppendedOnlyAfterCharactersBeyondDot) {
    const std::pair<QString, QString> cases[] = {
        {u"Gleitkommadivision durch Null"_s, u"Gleitkommadivision durch Null."_s},
        {u"Fertig."_s, u"Fertig."_s},
        {u"Achtung!"_s, u"Achtung!"_s},
        {u"Bereich (3)"_s, u"Bereich (3)"_s},
        {u"a,"_s, u"a,"_s},
        {u"a-"_s, u"a-"_s},
        {u"Pfad a/"_s, u"Pfad a/."_s},
        {u"Wert 7"_s, u"Wert 7."_s},
        {u"Ende ü"_s, u"Ende ü."_s},
        {u""_s, u""_s},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(errorBoxText(message), shown);
}

TEST(AppError, CarriesThePlatformTexts) {
    EXPECT_EQ(AppError::invalidInteger(u"12 "_s).message(),
              u"'12 ' ist kein gültiger Integerwert"_s);
    EXPECT_EQ(AppError::invalidDateTime(u"x"_s).message(),
              u"'x' ist keine gültige Datums- und Uhrzeitangabe"_s);
    EXPECT_EQ(AppError::listIndexOutOfBounds(0).message(),
              u"Listenindex außerhalb des gültigen Bereichs (0)"_s);
    EXPECT_EQ(AppError::divisionByZero().message(), u"Gleitkommadivision durch Null"_s);
    EXPECT_EQ(AppError::invalidOperation().message(), u"Ungültige Gleitkommaoperation"_s);
    // A "%1" in the offending text is shown as it is.
    EXPECT_EQ(AppError::invalidInteger(u"%1"_s).message(), u"'%1' ist kein gültiger Integerwert"_s);
    EXPECT_STREQ(AppError::divisionByZero().what(), "Gleitkommadivision durch Null");
}
