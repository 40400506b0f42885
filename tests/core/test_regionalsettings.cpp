// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/regionalsettings.h"
#include "support/qtprint.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

TEST(RegionalSettings, GermanWhereTheSystemHasNoLocale) {
    const RegionalSettings german = RegionalSettings::german();
    EXPECT_EQ(german.decimalSeparator, u',');
    EXPECT_EQ(german.thousandSeparator, u'.');
    EXPECT_EQ(german.listSeparator, u';');
    EXPECT_EQ(german.shortDateFormat, u"dd.MM.yyyy"_s);
    EXPECT_EQ(german.longTimeFormat, u"HH:mm:ss"_s);
    EXPECT_EQ(RegionalSettings::fromLocale(QLocale::c()), german);
    EXPECT_EQ(RegionalSettings::fromLocale(QLocale(u"de_DE"_s)), german);
}

TEST(RegionalSettings, TakenFromAnotherLocale) {
    const RegionalSettings us = RegionalSettings::fromLocale(QLocale(u"en_US"_s));
    EXPECT_EQ(us.decimalSeparator, u'.');
    EXPECT_EQ(us.thousandSeparator, u',');
    EXPECT_EQ(us.listSeparator, u',');
    EXPECT_EQ(us.shortDateFormat, u"M/d/yyyy"_s);
    EXPECT_EQ(us.longTimeFormat, u"h:mm:ss AP"_s);
}

TEST(RegionalSettings, FormatsDateAndTime) {
    const QDateTime when(QDate(2022, 3, 15), QTime(14, 30, 5));
    EXPECT_EQ(RegionalSettings::german().formatDateTime(when), u"15.03.2022 14:30:05"_s);
    const RegionalSettings us = RegionalSettings::fromLocale(QLocale(u"en_US"_s));
    EXPECT_EQ(us.formatDateTime(when), u"3/15/2022 2:30:05 PM"_s);
}

TEST(RegionalSettings, ParsesDateAndTime) {
    const RegionalSettings german = RegionalSettings::german();
    const RegionalSettings us = RegionalSettings::fromLocale(QLocale(u"en_US"_s));
    struct Case {
        const RegionalSettings& rs;
        QString text;
        std::optional<QDateTime> value;
    };
    const QDate day(2022, 3, 15);
    const Case cases[] = {
        {german, u"15.03.2022 14:30:05"_s, QDateTime(day, QTime(14, 30, 5))},
        {german, u" 15.3.2022 4:30 "_s, QDateTime(day, QTime(4, 30))},
        {german, u"15.03.22 14:30:05"_s, QDateTime(day, QTime(14, 30, 5))},
        {german, u"15.03.2022"_s, QDateTime(day, QTime(0, 0))},
        {german, u"00.00.2000 00:00:00"_s, {}},
        {german, u"31.02.2022 10:00:00"_s, {}},
        {german, u"15.03.2022 24:00:00"_s, {}},
        {german, u"15.03.2022 14:60:00"_s, {}},
        {german, u"15.03.2022 14"_s, {}},
        {german, u"15/03/2022 14:30:05"_s, {}},
        {german, u"15.03.202 14:30:05"_s, {}},
        {german, u"15.03.2022 14:30:05 x"_s, {}},
        {german, u"15.03.2022x"_s, {}},
        {german, u""_s, {}},
        {us, u"3/15/2022 2:30:05 PM"_s, QDateTime(day, QTime(14, 30, 5))},
        {us, u"3/15/2022 12:00:00 AM"_s, QDateTime(day, QTime(0, 0))},
        {us, u"3/15/2022 13:00:00 PM"_s, {}},
        {us, u"15.03.2022 14:30:05"_s, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.rs.parseDateTime(c.text), c.value) << c.text.toStdString();
}

TEST(RegionalSettings, ReadsWhatItWrites) {
    const QDateTime when(QDate(2026, 12, 10), QTime(7, 5, 9));
    for (const QString& name : {u"de_DE"_s, u"en_US"_s, u"en_GB"_s, u"fr_FR"_s}) {
        const RegionalSettings rs = RegionalSettings::fromLocale(QLocale(name));
        EXPECT_EQ(rs.parseDateTime(rs.formatDateTime(when)), when) << name.toStdString();
    }
}
