// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/regionalsettings.h"

#include <QRegularExpression>

#include <array>

namespace abgleich {

namespace {

QChar firstSeparator(const QString& pattern, QChar fallback) {
    for (QChar c : pattern) {
        if (!c.isLetter() && !c.isSpace())
            return c;
    }
    return fallback;
}

// Records keep four-digit years whatever the system's short date shows.
QString withFourDigitYear(QString pattern) {
    static const QRegularExpression year(QStringLiteral("y+"));
    return pattern.replace(year, QStringLiteral("yyyy"));
}

// The long time pattern without time-zone names, which a record cannot carry.
QString withoutTimeZone(QString pattern) {
    static const QRegularExpression zone(QStringLiteral("\\s*t+"));
    return pattern.remove(zone).trimmed();
}

// Reads one run of 1..maxDigits digits at pos.
std::optional<int> readNumber(QStringView text, qsizetype& pos, int maxDigits, int* digits) {
    int value = 0;
    int count = 0;
    while (pos < text.size() && count < maxDigits && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++count;
    }
    if (digits)
        *digits = count;
    if (count == 0)
        return std::nullopt;
    return value;
}

void skipBlanks(QStringView text, qsizetype& pos) {
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
}

} // namespace

RegionalSettings RegionalSettings::german() {
    return {QChar(u','), QChar(u'.'), QChar(u';'), QStringLiteral("dd.MM.yyyy"),
            QStringLiteral("HH:mm:ss")};
}

RegionalSettings RegionalSettings::fromLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return german();
    RegionalSettings rs;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    rs.decimalSeparator = decimal.isEmpty() ? QChar(u'.') : decimal.front();
    rs.thousandSeparator = group.isEmpty() ? QChar(u' ') : group.front();
    // The list separator is not part of a Qt locale; systems that use a decimal comma
    // separate lists with ";", the others with ",".
    rs.listSeparator = rs.decimalSeparator == u',' ? QChar(u';') : QChar(u',');
    rs.shortDateFormat = withFourDigitYear(locale.dateFormat(QLocale::ShortFormat));
    rs.longTimeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    return rs;
}

RegionalSettings RegionalSettings::fromSystem() {
    return fromLocale(QLocale::system());
}

QString RegionalSettings::formatDate(const QDateTime& value) const {
    return QLocale::c().toString(value.date(), shortDateFormat);
}

QString RegionalSettings::formatTime(const QDateTime& value) const {
    return QLocale::c().toString(value.time(), longTimeFormat);
}

QString RegionalSettings::formatDateTime(const QDateTime& value) const {
    return formatDate(value) + QLatin1Char(' ') + formatTime(value);
}

std::optional<QDateTime> RegionalSettings::parseDateTime(QStringView text) const {
    // The order of day, month and year as the short date format has them.
    std::array<char, 3> order{};
    int found = 0;
    for (QChar c : shortDateFormat) {
        const char part = c == u'd' ? 'd' : c == u'M' ? 'M' : c == u'y' ? 'y' : 0;
        if (part && (found == 0 || order[found - 1] != part)) {
            if (found == 3)
                return std::nullopt;
            order[found++] = part;
        }
    }
    if (found != 3)
        return std::nullopt;
    const QChar dateSep = firstSeparator(shortDateFormat, QChar(u'.'));
    const QChar timeSep = firstSeparator(longTimeFormat, QChar(u':'));

    qsizetype pos = 0;
    skipBlanks(text, pos);
    int day = 0;
    int month = 0;
    int year = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != dateSep)
                return std::nullopt;
            ++pos;
        }
        int digits = 0;
        const auto value = readNumber(text, pos, order[i] == 'y' ? 4 : 2, &digits);
        if (!value)
            return std::nullopt;
        if (order[i] == 'd') {
            day = *value;
        } else if (order[i] == 'M') {
            month = *value;
        } else {
            if (digits != 2 && digits != 4)
                return std::nullopt;
            year = digits == 2 ? 2000 + *value : *value;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;

    int hms[3] = {0, 0, 0};
    const qsizetype afterDate = pos;
    skipBlanks(text, pos);
    if (pos < text.size() && pos > afterDate) {
        for (int i = 0; i < 3; ++i) {
            if (i > 0) {
                if (pos >= text.size() || text[pos] != timeSep) {
                    if (i == 2)
                        break; // seconds are optional
                    return std::nullopt;
                }
                ++pos;
            }
            const auto value = readNumber(text, pos, 2, nullptr);
            if (!value)
                return std::nullopt;
            hms[i] = *value;
        }
        skipBlanks(text, pos);
        const QStringView rest = text.mid(pos);
        if (rest.startsWith(u"AM", Qt::CaseInsensitive) ||
            rest.startsWith(u"PM", Qt::CaseInsensitive)) {
            if (hms[0] < 1 || hms[0] > 12)
                return std::nullopt;
            const bool pm = rest.front().toUpper() == u'P';
            hms[0] = hms[0] % 12 + (pm ? 12 : 0);
            pos += 2;
            skipBlanks(text, pos);
        }
    }
    if (pos != text.size())
        return std::nullopt;
    const QTime time(hms[0], hms[1], hms[2]);
    if (!time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

} // namespace abgleich
