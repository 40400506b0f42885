// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "core/numbers.h"
#include "support/qtprint.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

const RegionalSettings kGerman = RegionalSettings::german();
const RegionalSettings kUs = RegionalSettings::fromLocale(QLocale(u"en_US"_s));

} // namespace

TEST(FormatGeneral, GermanTexts) {
    const std::pair<double, QString> cases[] = {
        {0.439, u"0,439"_s},
        {1, u"1"_s},
        {0, u"0"_s},
        {-0.0, u"0"_s},
        {-1.5, u"-1,5"_s},
        {0.0001, u"0,0001"_s},
        {0.0000035, u"3,5E-006"_s},
        {-0.00005, u"-5E-005"_s},
        {0.4392145, u"0,4392145"_s},
        {0.439214567890123, u"0,439214567890123"_s},
        {1.0 / 3.0, u"0,333333333333333"_s},
        {2.0 / 3.0, u"0,666666666666667"_s},
        {1234.5, u"1234,5"_s},
        {100, u"100"_s},
        {-500, u"-500"_s},
        {999999999999999, u"999999999999999"_s},
        {1e15, u"1E015"_s},
        {123456789012345678.0, u"1,23456789012346E017"_s},
        {1e300, u"1E300"_s},
        {1e-300, u"1E-300"_s},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(formatGeneral(value, kGerman), text) << value;
    EXPECT_EQ(formatGeneral(1234.5, kUs), u"1234.5"_s);
}

TEST(FormatGeneral, RefusesValuesThatAreNoNumbers) {
    EXPECT_THROW(formatGeneral(std::numeric_limits<double>::quiet_NaN(), kGerman), AppError);
    EXPECT_THROW(formatGeneral(std::numeric_limits<double>::infinity(), kGerman), AppError);
    EXPECT_THROW(formatFixed3(-std::numeric_limits<double>::infinity(), kGerman), AppError);
}

TEST(FormatFixed3, ThreeDecimalsRoundedOnFifteenDigits) {
    const std::pair<double, QString> cases[] = {
        {12.34567, u"12,346"_s},
        {1, u"1,000"_s},
        {0, u"0,000"_s},
        {0.439214567890123, u"0,439"_s},
        {0.0000035, u"0,000"_s},
        {-0.0004, u"0,000"_s},
        {-0.0005, u"-0,001"_s},
        {0.0005, u"0,001"_s},
        {1.0005, u"1,001"_s}, // the typed halfway value rounds up, not its binary neighbour
        {-2.5, u"-2,500"_s},
        {0.9995, u"1,000"_s},
        {999.9996, u"1000,000"_s},
        {1234.5, u"1234,500"_s},
        {123456789012.3456, u"123456789012,346"_s},
        {999999999999999, u"999999999999999,000"_s},
        {1e15, u"1E015"_s},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(formatFixed3(value, kGerman), text) << value;
    EXPECT_EQ(formatFixed3(12.34567, kUs), u"12.346"_s);
}

TEST(ReadStoredNumber, GermanAndUsTexts) {
    struct Case {
        const RegionalSettings& rs;
        QString text;
        double value;
    };
    const Case cases[] = {
        {kGerman, u""_s, 0},
        {kGerman, u"-"_s, 0},
        {kGerman, u"0,439"_s, 0.439},
        {kGerman, u"1.234,5"_s, 1234.5},
        {kGerman, u"0.5"_s, 5},
        {kGerman, u"abc"_s, 0},
        {kGerman, u"1,5 "_s, 0},
        {kGerman, u"  1,5"_s, 1.5},
        {kGerman, u"+2"_s, 2},
        {kGerman, u"-0,5"_s, -0.5},
        {kGerman, u"3,5E-006"_s, 0.0000035},
        {kGerman, u"2e3"_s, 2000},
        {kGerman, u"1e"_s, 0},
        {kGerman, u"1E400"_s, 0},
        {kGerman, u"1E-400"_s, 0},
        {kGerman, u","_s, 0},
        {kGerman, u",5"_s, 0.5},
        {kGerman, u"5,"_s, 5},
        {kGerman, u"--1"_s, 0},
        {kGerman, u"inf"_s, 0},
        {kGerman, u"nan"_s, 0},
        {kGerman, u"0x10"_s, 0},
        {kUs, u"1,234.5"_s, 1234.5},
        {kUs, u"0,5"_s, 5},
        {kUs, u"0.439"_s, 0.439},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readStoredNumber(c.text, c.rs), c.value) << c.text.toStdString();
}

TEST(TryStrToFloat, RegionalConversion) {
    struct Case {
        QString text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {u"12,34567"_s, 12.34567},
        {u"1,5 "_s, 1.5},
        {u" 1,5 "_s, 1.5},
        {u"439"_s, 439},
        {u"-500"_s, -500},
        {u"+7"_s, 7},
        {u"3,5E-006"_s, 0.0000035},
        {u"1.234,5"_s, {}},
        {u"0.5"_s, {}},
        {u"abc"_s, {}},
        {u""_s, {}},
        {u" "_s, {}},
        {u"1 5"_s, {}},
        {u"1E400"_s, {}},
        {u"1,5\t"_s, {}},
        {u"1e+2"_s, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tryStrToFloat(c.text, kGerman), c.value) << c.text.toStdString();
    EXPECT_EQ(tryStrToFloat(u"12.5"_s, kUs), 12.5);
    EXPECT_EQ(tryStrToFloat(u"12,5"_s, kUs), std::nullopt);
}

TEST(StrToInt, AsTheOperatorTypesThem) {
    struct Case {
        QString text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {u"12"_s, 12},
        {u"  12"_s, 12},
        {u"-7"_s, -7},
        {u"+7"_s, 7},
        {u"007"_s, 7},
        {u"2147483647"_s, 2147483647},
        {u"-2147483648"_s, std::numeric_limits<int>::min()},
        {u"2147483648"_s, {}},
        {u"99999999999999999999"_s, {}},
        {u"12 "_s, {}},
        {u""_s, {}},
        {u" "_s, {}},
        {u"-"_s, {}},
        {u"1a"_s, {}},
        {u"\t1"_s, {}},
        {u"1,0"_s, {}},
        {u"$10"_s, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tryStrToInt(c.text), c.value) << c.text.toStdString();
}

TEST(StrToInt, RaisesTheConversionErrorWithTheText) {
    EXPECT_EQ(strToInt(u" 42"_s), 42);
    try {
        strToInt(u""_s);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), u"'' ist kein gültiger Integerwert"_s);
    }
}

TEST(Numbers, GeneralFormatReadsBackToFifteenDigits) {
    const double values[] = {0.439214567890123,
                             -123.456,
                             1e-7,
                             98765.4321,
                             6.02214076e23,
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min()};
    for (double v : values) {
        const double back = readStoredNumber(formatGeneral(v, kGerman), kGerman);
        EXPECT_NEAR(back, v, std::abs(v) * 1e-14 + 1e-300) << v;
    }
}

// The C library's "%.15G" says the same as the general format, spelled its way: a point,
// and an exponent with a sign and at least two digits.
TEST(FormatGeneral, AgreesWithTheCLibraryOnFifteenDigits) {
    std::mt19937_64 random(20261210);
    std::uniform_int_distribution<long long> thousandths(-10'000'000, 10'000'000);
    std::vector<double> values = {0.1 + 0.2,
                                  1.0 / 3,
                                  2.0 / 3,
                                  1e15 - 1,
                                  999999999999999.5,
                                  0.00009999999999999999,
                                  5e-324,
                                  1.7976931348623e308};
    for (int i = 0; i < 20000; ++i) {
        values.push_back(double(thousandths(random)) / 1000.0); // typed coefficients
        double bits = 0;
        const std::uint64_t pattern = random();
        std::memcpy(&bits, &pattern, sizeof bits);
        if (std::isfinite(bits) && std::fabs(bits) < 1e308)
            values.push_back(bits);
    }
    for (const double value : values) {
        char c[64];
        std::snprintf(c, sizeof c, "%.15G", value);
        QString expected = QString::fromLatin1(c).replace(u'.', u',');
        if (const qsizetype e = expected.indexOf(u'E'); e >= 0) {
            const QString exponent = expected.sliced(e + 2).rightJustified(3, u'0');
            expected =
                expected.first(e + 1) + (expected[e + 1] == u'-' ? u"-"_s : QString()) + exponent;
        }
        if (expected == u"-0"_s)
            expected = u"0"_s;
        ASSERT_EQ(formatGeneral(value, kGerman), expected) << c;
    }
}

// Whole numbers of any length, with signs and leading zeros, read as the C library reads
// them.
TEST(ParseDecimal, WholeNumbersAgreeWithTheCLibrary) {
    std::mt19937_64 random(4711);
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "+0",
                                      "007",
                                      "999999999999999",
                                      "1000000000000000",
                                      "-123456789012345",
                                      "9007199254740993",
                                      "000000000000000001"};
    for (int i = 0; i < 5000; ++i) {
        const int digits = int(random() % 19) + 1;
        std::string text = random() % 3 == 0 ? "-" : random() % 2 == 0 ? "+" : "";
        for (int d = 0; d < digits; ++d)
            text.push_back(char('0' + random() % 10));
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        const auto value = parseDecimal(QString::fromStdString(text), u',', false);
        ASSERT_TRUE(value.has_value()) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(*value, expected) << text;
        EXPECT_EQ(std::signbit(*value), std::signbit(expected)) << text;
    }
}
