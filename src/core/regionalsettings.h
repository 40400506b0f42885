// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QChar>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

namespace abgleich {

// The regional settings everything that formats or parses numbers, dates, times or list
// fields works with. Taken from the system locale at start; German where the system has
// none (the "C"/POSIX locale), since the tool is made for German benches.
struct RegionalSettings {
    QChar decimalSeparator;
    QChar thousandSeparator;
    QChar listSeparator;
    QString shortDateFormat; // Qt date pattern with a four-digit year, e.g. "dd.MM.yyyy"
    QString longTimeFormat;  // Qt time pattern with seconds, e.g. "HH:mm:ss"

    static RegionalSettings german();
    static RegionalSettings fromLocale(const QLocale& locale);
    static RegionalSettings fromSystem();

    QString formatDate(const QDateTime& value) const;
    QString formatTime(const QDateTime& value) const;
    // Short date, one blank, long time: how records carry a date and time.
    QString formatDateTime(const QDateTime& value) const;

    // Reads a date with an optional time as these settings write them: the date's parts in
    // the order and with the separator of the short date format (day and month of one or two
    // digits, a year of two or four digits), then optionally hours, minutes and seconds with
    // the time separator and an AM/PM marker. Blanks around the text are allowed. Returns
    // nothing for any other text or for a date or time that does not exist.
    std::optional<QDateTime> parseDateTime(QStringView text) const;

    bool operator==(const RegionalSettings&) const = default;
};

} // namespace abgleich
