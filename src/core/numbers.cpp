#include "core/numbers.h"

#include "core/errors.h"

#include <charconv>
#include <cmath>
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
    std::string digits; // exactly 15 digits
    int exponent = 0;
};

// The largest magnitude whose 15 significant digits still read back as a double; beyond it
// the rounded digits would lie past the largest double, so they are cut instead.
constexpr double kLargest15Digits = 1.79769313486231e308;

Digits15 toDigits15(double value) {
    if (std::fabs(value) > kLargest15Digits)
        return {value < 0, "179769313486231", 308};
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string text(buf, res.ptr);
    Digits15 d;
    std::size_t pos = 0;
    if (text[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    const std::size_t e = text.find('e');
    for (std::size_t i = pos; i < e; ++i) {
        if (text[i] != '.')
            d.digits.push_back(text[i]);
    }
    d.exponent = std::stoi(text.substr(e + 1));
    return d;
}

void requireFinite(double value) {
    if (std::isnan(value))
        throw AppError::invalidOperation();
    if (std::isinf(value))
        throw AppError::divisionByZero();
}

} // namespace

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
    std::string ascii;
    if (pos < n && (text[pos] == u'+' || text[pos] == u'-')) {
        if (text[pos] == u'-')
            ascii.push_back('-');
        ++pos;
    }
    // Decimal position of the first significant digit, to tell underflow from overflow.
    long long magnitude = 0;
    bool significant = false;
    int mantissaDigits = 0;
    while (pos < n && isDigit(text[pos])) {
        ascii.push_back(char(text[pos].unicode()));
        if (significant || text[pos] != u'0') {
            if (significant)
                ++magnitude;
            significant = true;
        }
        ++mantissaDigits;
        ++pos;
    }
    if (pos < n && text[pos] == decimalSeparator) {
        ascii.push_back('.');
        ++pos;
        long long zeros = 0;
        while (pos < n && isDigit(text[pos])) {
            ascii.push_back(char(text[pos].unicode()));
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
        ascii.push_back('e');
        ++pos;
        bool negativeExponent = false;
        if (pos < n && (text[pos] == u'+' || text[pos] == u'-')) {
            negativeExponent = text[pos] == u'-';
            if (negativeExponent)
                ascii.push_back('-');
            ++pos;
        }
        const qsizetype first = pos;
        long long exponent = 0;
        while (pos < n && isDigit(text[pos])) {
            ascii.push_back(char(text[pos].unicode()));
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (text[pos].unicode() - u'0');
            ++pos;
        }
        if (pos == first)
            return std::nullopt;
        magnitude += negativeExponent ? -exponent : exponent;
    }
    if (trailingBlanks) {
        while (pos < n && text[pos] == u' ')
            ++pos;
    }
    if (pos != n)
        return std::nullopt;

    double value = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value,
                                     std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (significant && magnitude >= 0)
            return std::nullopt; // beyond the largest double
        return ascii.front() == '-' ? -0.0 : 0.0;
    }
    if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size() || !std::isfinite(value))
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
    std::string sig = d.digits;
    while (sig.size() > 1 && sig.back() == '0')
        sig.pop_back();

    QString out;
    if (d.negative)
        out.append(u'-');
    const int e = d.exponent;
    if (e < -4 || e >= 15) {
        out.append(QChar(u'0' + (sig[0] - '0')));
        if (sig.size() > 1) {
            out.append(rs.decimalSeparator);
            out.append(QLatin1String(sig.data() + 1, qsizetype(sig.size() - 1)));
        }
        out.append(u'E');
        if (e < 0)
            out.append(u'-');
        out.append(QString::number(std::abs(e)).rightJustified(3, u'0'));
        return out;
    }
    if (e >= 0) {
        const std::size_t intDigits = std::size_t(e) + 1;
        std::string integer = sig.substr(0, std::min(intDigits, sig.size()));
        integer.append(intDigits > integer.size() ? intDigits - integer.size() : 0, '0');
        out.append(QLatin1String(integer.data(), qsizetype(integer.size())));
        if (sig.size() > intDigits) {
            out.append(rs.decimalSeparator);
            out.append(QLatin1String(sig.data() + intDigits, qsizetype(sig.size() - intDigits)));
        }
        return out;
    }
    out.append(u'0');
    out.append(rs.decimalSeparator);
    out.append(QString(-e - 1, u'0'));
    out.append(QLatin1String(sig.data(), qsizetype(sig.size())));
    return out;
}

QString formatFixed3(double value, const RegionalSettings& rs) {
    requireFinite(value);
    const Digits15 d = toDigits15(value);
    if (d.exponent >= 15)
        return formatGeneral(value, rs);

    // The digits of |value| × 1000 before the decimal point, and the digit after them.
    const int k = d.exponent + 4;
    std::string scaled;
    char roundDigit = '0';
    if (k <= 0) {
        scaled = "0";
        roundDigit = k == 0 ? d.digits[0] : '0';
    } else if (k >= int(d.digits.size())) {
        scaled = d.digits + std::string(std::size_t(k) - d.digits.size(), '0');
    } else {
        scaled = d.digits.substr(0, std::size_t(k));
        roundDigit = d.digits[std::size_t(k)];
    }
    if (roundDigit >= '5') {
        int i = int(scaled.size()) - 1;
        while (i >= 0 && scaled[std::size_t(i)] == '9')
            scaled[std::size_t(i--)] = '0';
        if (i < 0)
            scaled.insert(scaled.begin(), '1');
        else
            ++scaled[std::size_t(i)];
    }
    const auto firstNonZero = scaled.find_first_not_of('0');
    scaled.erase(0, std::min(firstNonZero, scaled.size()));
    const bool zero = scaled.empty();
    if (scaled.size() < 4)
        scaled.insert(0, 4 - scaled.size(), '0');

    QString out;
    if (d.negative && !zero)
        out.append(u'-');
    out.append(QLatin1String(scaled.data(), qsizetype(scaled.size() - 3)));
    out.append(rs.decimalSeparator);
    out.append(QLatin1String(scaled.data() + scaled.size() - 3, 3));
    return out;
}

} // namespace abgleich
