// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/history.h"
#include "support/pointrows.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

const QString kTwoPoints = u"U4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,-600,998;"_s;
const QString kOnePoint = u"U4711,ABC12,,,1,TA_1,°C,250,1010;"_s;

QDateTime at(int day, int hour, int minute, int second) {
    return QDateTime(QDate(2022, 3, day), QTime(hour, minute, second));
}

QStringList comments(const ParsedLog& history) {
    QStringList list;
    for (const LoggedUpload& upload : history.uploads)
        list << upload.comment;
    return list;
}

// A device whose table was read from the controller: three points, the first two with new
// coefficients already computed.
class TakeOver : public ::testing::Test {
protected:
    TakeOver() : state(RegionalSettings::german()) {
        state.prepare(dir_.path());
        test::fillPoints(state, u"4711"_s, u"ABC12"_s,
                         {{u" TA_1 "_s, u" °C "_s, u"0,1"_s, u"1"_s, u"0,2"_s, u"1,01"_s},
                          {u" TB_1 "_s, u" °C "_s, u"0"_s, u"1"_s, u"0,3"_s, u"0,99"_s},
                          {u" P_1 "_s, u" bar "_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s}});
        for (int r = 1; r <= 3; ++r)
            state.coef.setA(r, state.table.storedNumber(Col::ASps, r));
    }

    QString cell(int column, int row) const { return state.table.cellText(column, row); }

    QTemporaryDir dir_;
    WorkingState state;
};

} // namespace

TEST(History, LogsOfEveryShape) {
    // Where each unreadable entry starts and how many lines it has.
    using Spans = std::vector<std::pair<int, int>>;
    struct Case {
        const char* name;
        QString text;
        QStringList comments;
        Spans unreadable;
    };
    const QString h1 = u"15.03.2022 14:30:05 erster"_s;
    const QString h2 = u"16.03.2022 09:00:00 zweiter"_s;
    const Case cases[] = {
        {"one-line comments",
         h1 + u"\r\n"_s + kTwoPoints + u"\r\n"_s + h2 + u"\r\n"_s + kOnePoint + u"\r\n"_s,
         {u"erster"_s, u"zweiter"_s},
         {}},
        {"multi-line comment, empty line inside",
         h1 + u"\r\nZeile 2\r\n\r\n16.03.2022 ist keine Kopfzeile\r\n"_s + kTwoPoints + u"\r\n"_s,
         {u"erster\nZeile 2\n\n16.03.2022 ist keine Kopfzeile"_s},
         {}},
        {"a comment line that is a date line of an earlier time",
         h2 + u"\r\n15.03.2022 10:00:00 Nachmessung vereinbart\r\n"_s + kOnePoint,
         {u"zweiter\n15.03.2022 10:00:00 Nachmessung vereinbart"_s},
         {}},
        {"empty comment, and a date line without the blank",
         u"15.03.2022 14:30:05 \r\n"_s + kOnePoint + u"\r\n16.03.2022 09:00:00\r\n"_s + kOnePoint,
         {u""_s, u""_s},
         {}},
        {"line breaks LF and CR",
         h1 + u"\nb\rc\n"_s + kOnePoint + u"\n"_s,
         {u"erster\nb\nc"_s},
         {}},
        {"last upload without its record",
         h1 + u"\r\n"_s + kOnePoint + u"\r\n"_s + h2 + u"\r\n"_s,
         {u"erster"_s},
         {{3, 1}}},
        {"last record cut off",
         h1 + u"\r\n"_s + kOnePoint + u"\r\n"_s + h2 + u"\r\nU4711,ABC12,,,2,TA_1,°C,-5"_s,
         {u"erster"_s},
         {{3, 2}}},
        {"an upload broken off before the next one",
         h1 + u"\r\nU4711,ABC12,,,1,TA\r\n"_s + h2 + u"\r\n"_s + kOnePoint + u"\r\n"_s,
         {u"zweiter"_s},
         {{1, 2}}},
        {"lines outside any upload",
         u"Müll\r\n\r\n"_s + kOnePoint + u"\r\n"_s + h1 + u"\r\n"_s + kOnePoint + u"\r\nRest\r\n"_s,
         {u"erster"_s},
         {{1, 1}, {3, 1}, {6, 1}}},
        {"records that do not hold what they say",
         h1 + u"\r\nU4711,ABC12,,,2,TA_1,°C,-500,1000;\r\n"_s +
             u"U4711,ABC12,,,1,TA_1,°C,-500,1000,X;\r\nU4711,ABC12,,,1,TA_1,°C,-0,5,1000;\r\n"_s +
             kOnePoint,
         {u"erster\nU4711,ABC12,,,2,TA_1,°C,-500,1000;\nU4711,ABC12,,,1,TA_1,°C,-500,1000,X;"
          "\nU4711,ABC12,,,1,TA_1,°C,-0,5,1000;"_s},
         {}},
        {"nothing but garbage", u"abc\r\n\x01x\r\n;;;;\r\n"_s, {}, {{1, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedLog log = parseChangeLog(c.text, RegionalSettings::german());
        EXPECT_EQ(comments(log), c.comments);
        Spans spans;
        for (const UnreadableEntry& entry : log.unreadable)
            spans.emplace_back(entry.line, entry.lines);
        EXPECT_EQ(spans, c.unreadable);
    }
}

// A comment line that begins with a later date is taken as a comment when the records hold
// the upload under the first date line; otherwise the entry before it counts as broken off
// and is named with its line and first line.
TEST(History, ALaterDateLineInACommentIsResolvedByTheRecords) {
    const QString text =
        u"Kopf\r\n15.03.2022 14:30:05 erster\r\n20.03.2022 08:00:00 Termin\r\n"_s + kOnePoint;
    const ParsedLog unknown = parseChangeLog(text, RegionalSettings::german());
    ASSERT_EQ(unknown.uploads.size(), 1u);
    EXPECT_EQ(unknown.uploads[0].when, at(20, 8, 0, 0));
    EXPECT_EQ(unknown.uploads[0].line, 3);
    ASSERT_EQ(unknown.unreadable.size(), 2u);
    EXPECT_EQ(unreadableText(unknown.unreadable[1]),
              u"Zeile 2: „15.03.2022 14:30:05 erster“ (Eintrag ohne Datensatz, abgebrochen)"_s);

    const ParsedLog known = parseChangeLog(
        text, RegionalSettings::german(), [](const QDateTime& when, QStringView record) {
            return when == at(15, 14, 30, 5) && record == kOnePoint;
        });
    ASSERT_EQ(known.uploads.size(), 1u);
    EXPECT_EQ(known.uploads[0].when, at(15, 14, 30, 5));
    EXPECT_EQ(known.uploads[0].comment, u"erster\n20.03.2022 08:00:00 Termin"_s);
    EXPECT_EQ(known.uploads[0].recordText, kOnePoint);
    ASSERT_EQ(known.unreadable.size(), 1u); // "Kopf"
    EXPECT_EQ(unreadableText(known.unreadable[0]), u"Zeile 1: „Kopf“ (gehört zu keinem Eintrag)"_s);
}

TEST(History, DateLinesOfTheRegionalFormat) {
    RegionalSettings us = RegionalSettings::german();
    us.shortDateFormat = u"M/d/yyyy"_s;
    us.longTimeFormat = u"h:mm:ss AP"_s;
    const ParsedLog history =
        parseChangeLog(u"3/15/2022 2:30:05 PM neu kalibriert\r\n"_s + kOnePoint, us);
    ASSERT_EQ(history.uploads.size(), 1u);
    EXPECT_EQ(history.uploads[0].when, at(15, 14, 30, 5));
    EXPECT_EQ(history.uploads[0].comment, u"neu kalibriert"_s);
    // In the German format the same line is no date line.
    EXPECT_EQ(
        parseChangeLog(u"3/15/2022 2:30:05 PM x\r\n"_s + kOnePoint, RegionalSettings::german())
            .uploads.size(),
        0u);
}

TEST(History, UploadRecords) {
    struct Case {
        QString line;
        std::optional<std::vector<LoggedPoint>> points;
    };
    const Case cases[] = {
        {kTwoPoints, std::vector<LoggedPoint>{{u"TA_1"_s, u"°C"_s, -500, 1000},
                                              {u"TB_1"_s, u"°C"_s, -600, 998}}},
        {u"U4711,ABC12,,,0;"_s, std::vector<LoggedPoint>{}},
        {u"U 4711,ABC12,205,x,1,,,0,1000;"_s, std::vector<LoggedPoint>{{u""_s, u""_s, 0, 1000}}},
        {u"U4711,ABC12,,,1,TA_1,°C,-500,1000"_s, std::nullopt},   // no ";"
        {u"X4711,ABC12,,,1,TA_1,°C,-500,1000;"_s, std::nullopt},  // not an upload
        {u"U4711,ABC12,,,1,TA_1,°C,-500;"_s, std::nullopt},       // a field short
        {u"U4711,ABC12,,,1,TA_1,°C,-500,1000,;"_s, std::nullopt}, // a field over
        {u"U4711,ABC12,,,1,TA_1,°C,a,1000;"_s, std::nullopt},
        {u"U4711,ABC12,,,-1;"_s, std::nullopt},
        {u"U4711,ABC12,,,99999999999;"_s, std::nullopt},
        {u"U;"_s, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const auto record = parseUploadRecord(c.line);
        ASSERT_EQ(record.has_value(), c.points.has_value());
        if (record) {
            EXPECT_EQ(record->points, *c.points);
        }
    }
}

TEST(History, ThousandthsAsRecordText) {
    const std::pair<qint64, QString> cases[] = {
        {0, u"0.000"_s},   {-500, u"-0.500"_s},        {1002, u"1.002"_s},
        {-1, u"-0.001"_s}, {12345678, u"12345.678"_s}, {LLONG_MIN, u"-9223372036854775.808"_s},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(thousandthsText(value), text) << value;
}

TEST_F(TakeOver, PutsTheUploadsCoefficientsIntoColumns17And18) {
    // The old upload in another order, without P_1 and with a point the table lacks.
    const LoggedRecord old =
        *parseUploadRecord(u"U4711,ABC12,,,3,TB_1,°C,-600,998,X_9,V,5,1000,TA_1,°C,-1,1000;"_s);
    // Pairs typed for TA_1 and P_1 in this session.
    for (const int row : {1, 3}) {
        state.table.setCellText(Col::ref(2), row, u"10"_s);
        state.table.setCellText(Col::tm(2), row, u"10,5"_s);
    }
    const TakeOverResult result = takeOverUpload(state, old);
    EXPECT_EQ(result.taken, 2);
    EXPECT_EQ(result.notInUpload, QStringList{u"P_1"_s});
    EXPECT_EQ(result.notInTable, QStringList{u"X_9"_s});
    EXPECT_EQ(takeOverNotice(result),
              u"Übernommen für 2 Messstelle(n).\nNicht in dieser Übertragung (a (NEU), b (NEU) "
              "unverändert): P_1\nNicht in der Tabelle: X_9\nWertepaare geleert (gemessen mit "
              "anderen Koeffizienten): TA_1"_s);
    // The pairs measured for other coefficients go with the point taken; P_1 keeps its own.
    EXPECT_EQ(cell(Col::ref(2), 1), QString());
    EXPECT_EQ(cell(Col::tm(2), 1), QString());
    EXPECT_EQ(cell(Col::tm(2), 3), u"10,5"_s);
    EXPECT_EQ(cell(Col::ANeu, 1), u"-0,001"_s);
    EXPECT_EQ(cell(Col::BNeu, 1), u"1,000"_s);
    EXPECT_EQ(cell(Col::ANeu, 2), u"-0,600"_s);
    EXPECT_EQ(cell(Col::BNeu, 2), u"0,998"_s);
    EXPECT_EQ(cell(Col::ANeu, 3), u"1"_s); // not in the upload: unchanged
    // The store still says what the controller holds; names and units are untouched.
    EXPECT_EQ(state.coef.a(1), 0.1);
    EXPECT_EQ(state.coef.a(2), 0.0);
    EXPECT_EQ(cell(Col::Name, 1), u" TA_1 "_s);
}

TEST_F(TakeOver, PointsOfTheSameNamePairInOrderAndNoMatchTakesNothing) {
    state.table.setCellText(Col::Name, 3, u" TA_1 "_s);
    const LoggedRecord old =
        *parseUploadRecord(u"U4711,ABC12,,,2,TA_1,°C,-1,1001,TA_1,°C,-2,1002;"_s);
    EXPECT_EQ(matchingRows(state.table, old), (std::vector<int>{1, 3}));
    const TakeOverResult result = takeOverUpload(state, old);
    EXPECT_EQ(result.taken, 2);
    EXPECT_EQ(cell(Col::ANeu, 1), u"-0,001"_s);
    EXPECT_EQ(cell(Col::ANeu, 3), u"-0,002"_s);
    EXPECT_EQ(result.notInUpload, QStringList{u"TB_1"_s});
    EXPECT_TRUE(result.notInTable.isEmpty());

    const LoggedRecord other = *parseUploadRecord(u"U9,X,,,1,Q,V,1,2;"_s);
    const TakeOverResult none = takeOverUpload(state, other);
    EXPECT_EQ(none.taken, 0);
    EXPECT_TRUE(takeOverNotice(none).startsWith(u"Keine Messstelle der Tabelle"_s));
    EXPECT_EQ(cell(Col::ANeu, 2), u"0,3"_s);
}

// An offset point gets no gain, and the deviations of the coefficients that stood there
// before go: they are not what the taken-over coefficients leave.
TEST_F(TakeOver, OffsetPointGetsNoGainAndOldDeviationsGo) {
    state.table.setCellText(Col::Name, 3, u" of Druck "_s);
    state.table.setCellText(Col::BNeu, 3, QString());
    state.table.setCellText(Col::Diff1, 1, u"0,054"_s);
    state.table.setCellText(Col::Diff1 + 1, 1, u"-0,048"_s);
    const LoggedRecord old =
        *parseUploadRecord(u"U4711,ABC12,,,2,TA_1,°C,-1,1000,of Druck,bar,250,0;"_s);
    EXPECT_EQ(takeOverUpload(state, old).taken, 2);
    EXPECT_EQ(cell(Col::ANeu, 3), u"0,250"_s);
    EXPECT_TRUE(cell(Col::BNeu, 3).isEmpty());
    for (int column = Col::Diff1; column <= Col::Diff4; ++column)
        EXPECT_TRUE(cell(column, 1).isEmpty()) << column;
}
