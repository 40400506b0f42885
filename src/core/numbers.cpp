// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/numbers.h"

#include "core/errors.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace abgleich {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A finite value rounded to 15 significant digits: value = d.dddddddddddddd × 10^exponent.
struct Digits15 {
    bool negative = false;
    char digits[15] = {}; // exactly 15 digits, '0'..'9'
    int exponent = 0;
};

// The largest magnitude whose 15 significant digits still read back as a double; beyond it
// the rounded digits would lie past the largest double, so they are cut instead.
constexpr double kLargest15Digits = 1.79769313486231e308;

// Reads "[-]d[.ddd]e±xx" as printed by to_chars in scientific format; returns the number of
// significant digits it held (more than 15 only from the shortest form).
int readScientific(const char* text, const char* end, Digits15& d) {
    const char* p = text;
    d.negative = *p == '-';
    if (d.negative)
        ++p;
    int count = 0;
    for (; p < end && *p != 'e'; ++p) {
        if (*p == '.')
            continue;
        if (count < 15)
            d.digits[count] = *p;
        ++count;
    }
    for (int i = count; i < 15; ++i)
        d.digits[i] = '0';
    ++p; // 'e'
    const bool negativeExponent = *p == '-';
    ++p; // sign
    int exponent = 0;
    for (; p < end; ++p)
        exponent = exponent * 10 + (*p - '0');
    d.exponent = negativeExponent ? -exponent : exponent;
    return count;
}

Digits15 toDigits15(double value) {
    Digits15 d;
    if (std::fabs(value) > kLargest15Digits) {
        d.negative = value < 0;
        std::memcpy(d.digits, "179769313486231", 15);
        d.exponent = 308;
        return d;
    }
    char buf[64];
    // The shortest text that reads back as a normal double: when it has at most 15
    // significant digits, they are the value rounded to 15 digits (every such decimal
    // survives the way to a double and back). Subnormal values have fewer bits and no such
    // promise; they, and values with more digits, are rounded to 15 digits explicitly.
    if (std::fabs(value) >= std::numeric_limits<double>::min()) {
        const auto shortest =
            std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
        if (readScientific(buf, shortest.ptr, d) <= 15)
            return d;
    }
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    readScientific(buf, res.ptr, d);
    return d;
}

// A short text assembled in place, turned into a QString with one allocation.
class TextBuilder {
public:
    void append(QChar c) { text_[size_++] = c.unicode(); }
    void append(const char* ascii, int count) {
        for (int i = 0; i < count; ++i)
            text_[size_++] = char16_t(ascii[i]);
    }
    void appendZeros(int count) {
        for (int i = 0; i < count; ++i)
            text_[size_++] = u'0';
    }
    QString toString() const { return QString(reinterpret_cast<const QChar*>(text_), size_); }

private:
    // Enough for a sign, 18 integer digits, a separator, 15 digits and an exponent.
    char16_t text_[64];
    int size_ = 0;
};

} // namespace

void requireFinite(double value) {
    if (std::isnan(value))
        throw AppError::invalidOperation();
    if (std::isinf(value))
        throw AppError::divisionByZero();
}

std::optional<int> tryStrToInt(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    const qsizetype first = pos;
    qint64 value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos].unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
        ++pos;
    }
    if (pos == first || pos != text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(value);
}

int strToInt(const QString& text) {
    if (const auto value = tryStrToInt(text))
        return *value;
    throw AppError::invalidInteger(text);
}

std::optional<double> parseDecimal(QStringView text, QChar decimalSeparator, bool trailingBlanks) {
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n && text[pos] == u' ')
        ++pos;
    bool negative = false;
    if (pos < n && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    const qsizetype numberStart = pos; // the digits, separator and exponent, checked below
    // Decimal position of the first significant digit, to tell underflow from overflow.
    long long magnitude = 0;
    bool significant = false;
    int mantissaDigits = 0;
    std::int64_t integer = 0; // the digits' value while they are few enough to be exact
    while (pos < n && isDigit(text[pos])) {
        if (mantissaDigits < 15)
            integer = integer * 10 + (text[pos].unicode() - u'0');
        if (significant || text[pos] != u'0') {
            if (significant)
                ++magnitude;
            significant = true;
        }
        ++mantissaDigits;
        ++pos;
    }
    if (pos < n && text[pos] == decimalSeparator) {
        ++pos;
        long long zeros = 0;
        while (pos < n && isDigit(text[pos])) {
            if (!significant) {
                ++zeros;
                if (text[pos] != u'0') {
                    significant = true;
                    magnitude = -zeros;
                }
            }
            ++mantissaDigits;
            ++pos;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (pos < n && (text[pos] == u'e' || text[pos] == u'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < n && (text[pos] == u'+' || text[pos] == u'-')) {
            negativeExponent = text[pos] == u'-';
            ++pos;
        }
        const qsizetype first = pos;
        long long exponent = 0;
        while (pos < n && isDigit(text[pos])) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (text[pos].unicode() - u'0');
            ++pos;
        }
        if (pos == first)
            return std::nullopt;
        magnitude += negativeExponent ? -exponent : exponent;
    }
    const qsizetype numberEnd = pos;
    if (trailingBlanks) {
        while (pos < n && text[pos] == u' ')
            ++pos;
    }
    if (pos != n)
        return std::nullopt;

    // A whole number of at most 15 digits is exact as a double; it needs no conversion.
    if (numberEnd - numberStart == mantissaDigits && mantissaDigits <= 15)
        return negative ? -double(integer) : double(integer);

    // The checked text in the C locale's spelling: "-" kept, "+" left out, "." as the
    // separator. Held on the stack unless it is unusually long.
    char shortText[64];
    std::string longText;
    const qsizetype length = (negative ? 1 : 0) + numberEnd - numberStart;
    char* ascii = shortText;
    if (length > qsizetype(sizeof shortText)) {
        longText.resize(std::size_t(length));
        ascii = longText.data();
    }
    char* out = ascii;
    if (negative)
        *out++ = '-';
    for (qsizetype i = numberStart; i < numberEnd; ++i)
        *out++ = text[i] == decimalSeparator ? '.' : char(text[i].unicode());

    double value = 0;
    const auto res = std::from_chars(ascii, out, value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (significant && magnitude >= 0)
            return std::nullopt; // beyond the largest double
        return negative ? -0.0 : 0.0;
    }
    if (res.ec != std::errc() || res.ptr != out || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> tryStrToFloat(QStringView text, const RegionalSettings& rs) {
    return parseDecimal(text, rs.decimalSeparator, true);
}

double readStoredNumber(QStringView text, const RegionalSettings& rs) {
    if (text.isEmpty() || text == u"-")
        return 0.0;
    QString plain;
    plain.reserve(text.size());
    for (QChar c : text) {
        if (c == rs.thousandSeparator)
            continue;
        plain.append(c == rs.decimalSeparator ? QChar(u'.') : c);
    }
    return parseDecimal(plain, QChar(u'.'), false).value_or(0.0);
}

QString formatGeneral(double value, const RegionalSettings& rs) {
    requireFinite(value);
    if (value == 0.0)
        return QStringLiteral("0");
    const Digits15 d = toDigits15(value);
    int significant = 15;
    while (significant > 1 && d.digits[significant - 1] == '0')
        --significant;

    TextBuilder out;
    if (d.negative)
        out.append(u'-');
    const int e = d.exponent;
    if (e < -4 || e >= 15) {
        out.append(d.digits, 1);
        if (significant > 1) {
            out.append(rs.decimalSeparator);
            out.append(d.digits + 1, significant - 1);
        }
        out.append(u'E');
        if (e < 0)
            out.append(u'-');
        char exponent[4];
        const int magnitude = std::abs(e);
        exponent[0] = char('0' + magnitude / 100);
        exponent[1] = char('0' + magnitude / 10 % 10);
        exponent[2] = char('0' + magnitude % 10);
        out.append(exponent, 3);
        return out.toString();
    }
    if (e >= 0) {
        const int intDigits = e + 1;
        out.append(d.digits, std::min(intDigits, significant));
        out.appendZeros(intDigits - std::min(intDigits, significant));
        if (significant > intDigits) {
            out.append(rs.decimalSeparator);
            out.append(d.digits + intDigits, significant - intDigits);
        }
        return out.toString();
    }
    out.append(u'0');
    out.append(rs.decimalSeparator);
    out.appendZeros(-e - 1);
    out.append(d.digits, significant);
    return out.toString();
}

QString formatFixed3(double value, const RegionalSettings& rs) {
    requireFinite(value);
    const Digits15 d = toDigits15(value);
    if (d.exponent >= 15)
        return formatGeneral(value, rs);

    // The digits of |value| × 1000 before the decimal point (k of them, at most 18), and
    // the digit after them; one place in front for a carry.
    const int k = d.exponent + 4;
    char scaled[20];
    int size = 1;
    scaled[0] = '0';
    char roundDigit = '0';
    if (k <= 0) {
        roundDigit = k == 0 ? d.digits[0] : '0';
    } else {
        for (int i = 0; i < k; ++i)
            scaled[size++] = i < 15 ? d.digits[i] : '0';
        roundDigit = k < 15 ? d.digits[k] : '0';
    }
    if (roundDigit >= '5') {
        int i = size - 1;
        while (scaled[i] == '9')
            scaled[i--] = '0';
        ++scaled[i]; // the place in front takes the last carry
    }
    bool zero = true;
    for (int i = 0; i < size; ++i)
        zero = zero && scaled[i] == '0';
    // At least four digits, "0" before the separator and three after it; no other zeros in
    // front.
    char shown[24];
    int count = 0;
    for (int i = size; i < 4; ++i)
        shown[count++] = '0';
    int first = 0;
    while (size - first > 4 && scaled[first] == '0')
        ++first;
    for (int i = first; i < size; ++i)
        shown[count++] = scaled[i];

    TextBuilder out;
    if (d.negative && !zero)
        out.append(u'-');
    out.append(shown, count - 3);
    out.append(rs.decimalSeparator);
    out.append(shown + count - 3, 3);
    return out.toString();
}

std::optional<qint32> recordThousandths(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // Halves go to the even integer, as the default rounding mode does.
    const double rounded = std::nearbyint(value * 1000.0);
    if (!(rounded >= double(INT32_MIN) && rounded <= double(INT32_MAX)))
        return std::nullopt;
    return qint32(rounded);
}

double asRecorded(double value) {
    if (!std::isfinite(value))
        return value;
    // The table shows the value with three decimals and the upload sends what it shows.
    static const RegionalSettings rs = RegionalSettings::german();
    const double shown =
        parseDecimal(formatFixed3(value, rs), rs.decimalSeparator, false).value_or(value);
    const auto scaled = recordThousandths(shown);
    return scaled ? double(*scaled) / 1000.0 : shown;
}

} // namespace abgleich
