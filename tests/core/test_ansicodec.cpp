// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/ansicodec.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;

TEST(AnsiCodec, EveryByteSurvivesDecodeAndEncode) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = decodeAnsi(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(encodeAnsi(text), all);
    // Each byte is one character, and no two bytes share one.
    for (int i = 0; i < 256; ++i)
        for (int j = i + 1; j < 256; ++j)
            ASSERT_NE(text[i], text[j]) << i << " " << j;
}

TEST(AnsiCodec, KnownCharacters) {
    struct Case {
        unsigned char byte;
        char16_t character;
    };
    const Case cases[] = {
        {0x41, u'A'},   {0xB0, u'°'},   {0xFC, u'ü'},   {0xC4, u'Ä'},   {0xDF, u'ß'},
        {0x80, u'€'},   {0x84, u'„'},   {0x96, u'–'},   {0x9F, u'Ÿ'},   {0x8A, u'Š'},
        {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D},
        {0x00, 0x0000}, {0xFF, u'ÿ'},
    };
    for (const Case& c : cases) {
        const QByteArray byte(1, char(c.byte));
        EXPECT_EQ(decodeAnsi(byte), QString(QChar(c.character))) << int(c.byte);
        EXPECT_EQ(encodeAnsi(QString(QChar(c.character))), byte) << int(c.byte);
    }
    EXPECT_EQ(decodeAnsi(QByteArray("\xB0\xFC")), QStringLiteral("°ü"));
}

TEST(AnsiCodec, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(encodeAnsi(u"Ω=1"), QByteArray("?=1"));
    EXPECT_EQ(encodeAnsi(u"\u20AD"), QByteArray("?"));
    // A character outside the basic plane is one character, so one "?".
    EXPECT_EQ(encodeAnsi(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                           "b")),
              QByteArray("a?b"));
    // A lone surrogate is no character of the code page either.
    EXPECT_EQ(encodeAnsi(QString(QChar(0xD800))), QByteArray("?"));
    EXPECT_EQ(encodeAnsi(u""), QByteArray());
}
