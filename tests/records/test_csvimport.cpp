// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "records/csvimport.h"
#include "records/textfile.h"
#include "support/qtprint.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

class Import : public ::testing::Test {
protected:
    Import() : state(RegionalSettings::german()) {
        state.prepare(dir_.path());
        state.table.setCellText(Col::ANeu, 2, u"9,9"_s);
        state.table.setCellText(Col::BNeu, 2, u""_s);
        state.table.setCellText(Col::Ref1, 1, u"10"_s);
    }

    QString write(const QByteArray& bytes, const QString& name = u"import.csv"_s) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString cell(int column, int row) const { return state.table.cellText(column, row); }

    QTemporaryDir dir_;
    WorkingState state;
};

const QString kText = u"15.03.2022 14:30:05;4711;ABC12;Kommentar\r\n"
                      "Messstelle; Einheit; a; b;\r\n"
                      "TA_1;°C;-0,5;1\r\n"
                      "TB_1;°C;-0,6;0,998\r\n"
                      "\r\n"_s;

QByteArray encoded(const QString& text, QStringEncoder::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

} // namespace

TEST_F(Import, RecordOfAnUploadInEveryEncodingAndLineBreak) {
    QString lf = kText;
    lf.replace(u"\r\n"_s, u"\n"_s);
    QString cr = kText;
    cr.replace(u"\r\n"_s, u"\r"_s);
    const std::pair<const char*, QByteArray> files[] = {
        {"Windows-1252", QByteArray("15.03.2022 14:30:05;4711;ABC12;Kommentar\r\n"
                                    "Messstelle; Einheit; a; b;\r\nTA_1;\xB0"
                                    "C;-0,5;1\r\nTB_1;\xB0"
                                    "C;-0,6;0,998\r\n\r\n")},
        {"UTF-8 with mark", encoded(kText, QStringEncoder::Utf8)},
        {"UTF-16 LE", encoded(kText, QStringEncoder::Utf16LE)},
        {"UTF-16 BE", encoded(kText, QStringEncoder::Utf16BE)},
        {"LF only", encoded(lf, QStringEncoder::Utf8)},
        {"CR only", encoded(cr, QStringEncoder::Utf8)},
        {"no final line break", encoded(kText.chopped(4), QStringEncoder::Utf8)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WorkingState fresh(RegionalSettings::german());
        fresh.prepare(dir_.path());
        importCSVFile(fresh, write(bytes));
        EXPECT_EQ(fresh.device.geraeteId, u"4711"_s);
        EXPECT_EQ(fresh.device.geraetetyp, u"ABC12"_s);
        EXPECT_EQ(fresh.device.lastCorrection,
                  LastCorrection::known(QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5))));
        EXPECT_EQ(fresh.anzMS, 2);
        EXPECT_EQ(fresh.device.anzMS, u"2"_s);
        EXPECT_EQ(fresh.table.rows(), 3);
        EXPECT_EQ(fresh.table.cellText(Col::Name, 1), u"TA_1"_s);
        EXPECT_EQ(fresh.table.cellText(Col::Unit, 2), u"°C"_s);
        EXPECT_EQ(fresh.table.cellText(Col::ANeu, 2), u"-0,600"_s); // read with shownNumber
        EXPECT_EQ(fresh.table.cellText(Col::BNeu, 2), u"0,998"_s);
        EXPECT_EQ(fresh.coef.a(2), -0.6);
        EXPECT_EQ(fresh.coef.b(2), 0.998);
        EXPECT_EQ(fresh.coef.b(1), 1.0);
        EXPECT_EQ(fresh.dList.size(), std::string(name) == "no final line break" ? 2 : 3);
        EXPECT_EQ(fresh.table.cellText(Col::Ms, 2), u"2 "_s); // row numbers stay
    }
}

TEST_F(Import, PointLines) {
    importCSVFile(state, write("15.03.2022 14:30:05;4711;ABC12;x\r\nheading\r\n"
                               "Temp. 1;V;0.439;1.5;extra;more\r\n" // more than four fields
                               "Druck;bar\r\n"                      // name and unit only
                               "X;Y;abc;\r\n"                       // a that is no number
                               "\r\n\r\n"));
    EXPECT_EQ(state.anzMS, 3);
    EXPECT_EQ(cell(Col::Name, 1), u"Temp. 1"_s); // names keep their points
    EXPECT_EQ(cell(Col::ANeu, 1), u"0,439"_s);
    EXPECT_EQ(cell(Col::BNeu, 1), u"1,500"_s);
    EXPECT_EQ(state.coef.a(1), 0.439);
    EXPECT_EQ(state.coef.b(1), 1.5);
    EXPECT_EQ(cell(Col::Name, 2), u"Druck"_s);
    EXPECT_EQ(cell(Col::ANeu, 2), u"9,900"_s); // kept from before
    EXPECT_EQ(state.coef.a(2), 9.9);
    EXPECT_EQ(state.coef.b(2), 1.0); // its b cell is empty
    EXPECT_EQ(cell(Col::ANeu, 3), u"abc"_s);
    EXPECT_EQ(state.coef.a(3), 0.0);
    EXPECT_EQ(cell(Col::Ref1, 1), u"10"_s); // the other columns are not touched
}

TEST_F(Import, FieldSplitting) {
    const std::pair<QString, QStringList> cases[] = {
        {u""_s, {}},
        {u";"_s, {u""_s}},
        {u"a;b;"_s, {u"a"_s, u"b"_s}},
        {u"a;;b"_s, {u"a"_s, u""_s, u"b"_s}},
        {u"a;b;c;d;e"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}},
        {u"a"_s, {u"a"_s}},
        // Quoted as spreadsheets save text.
        {u"\"P1\";\"bar\";\"-0.078\";\"1.005\""_s, {u"P1"_s, u"bar"_s, u"-0.078"_s, u"1.005"_s}},
        {u"\"Druck \"\"A\"\"\";\"a;b\";;\"\""_s, {u"Druck \"A\""_s, u"a;b"_s, u""_s, u""_s}},
        {u"\"open;x"_s, {u"open;x"_s}},
        {u"\"P\"x;y"_s, {u"Px"_s, u"y"_s}},
    };
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(pointLineFields(line, u';'), fields) << line.toStdString();
}

// A record as a spreadsheet saves it: every field quoted, a decimal point, an empty row
// between the points. The empty row is no point; the quotes are no part of the texts.
TEST_F(Import, RecordsAsSpreadsheetsSaveThem) {
    importCSVFile(state, write("\"15.03.2022 14:30:05\";\"4711\";\"ABC12\";\"x\"\r\n"
                               "Messstelle; Einheit; a; b;\r\n"
                               "\"P1\";\"bar\";\"-0.078\";\"1.005\"\r\n"
                               ";;;\r\n"
                               "\r\n"
                               "\"P2\";\"bar\";\"0,5\";\"1\"\r\n"));
    EXPECT_EQ(state.device.geraeteId, u"4711"_s);
    EXPECT_EQ(state.device.geraetetyp, u"ABC12"_s);
    EXPECT_EQ(state.anzMS, 2);
    EXPECT_EQ(cell(Col::Name, 1), u"P1"_s);
    EXPECT_EQ(cell(Col::ANeu, 1), u"-0,078"_s);
    EXPECT_EQ(state.coef.b(1), 1.005);
    EXPECT_EQ(cell(Col::Name, 2), u"P2"_s);
    EXPECT_EQ(state.coef.a(2), 0.5);
}

// "." and "," are read as the decimal separator whatever the system's; a value with both is
// no number and stays as it is for the operator to see (the upload refuses it).
TEST_F(Import, DecimalPointOrCommaInEveryLocale) {
    const struct {
        RegionalSettings rs;
        QString a, b;
    } cases[] = {
        {RegionalSettings::german(), u"-0,500"_s, u"1,250"_s},
        {RegionalSettings::fromLocale(QLocale(u"en_US"_s)), u"-0.500"_s, u"1.250"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a.toStdString());
        WorkingState fresh(c.rs);
        fresh.prepare(dir_.path());
        // The date as the system writes it, the fields always cut at ";".
        const QString when = c.rs.formatDateTime(QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5)));
        importCSVFile(fresh, write((when + u";4711;ABC12;x\r\nh\r\n"
                                           "A;V;-0.5;1,25\r\nB;V;1.234,5;abc\r\n"_s)
                                       .toLatin1()));
        EXPECT_EQ(fresh.table.cellText(Col::ANeu, 1), c.a);
        EXPECT_EQ(fresh.table.cellText(Col::BNeu, 1), c.b);
        EXPECT_EQ(fresh.coef.a(1), -0.5);
        EXPECT_EQ(fresh.coef.b(1), 1.25);
        EXPECT_EQ(fresh.table.cellText(Col::ANeu, 2), u"1.234,5"_s);
        EXPECT_EQ(fresh.coef.a(2), 0.0);
        EXPECT_EQ(fresh.coef.b(2), 1.0); // no number: the neutral gain, never 0
    }
}

TEST_F(Import, ShortFilesAndBadDates) {
    const DeviceFields before = state.device;
    struct Case {
        const char* name;
        QByteArray bytes;
        QString message;
        bool deviceSet;
    };
    const Case cases[] = {
        {"no line", "", u"Listenindex außerhalb des gültigen Bereichs (0)"_s, false},
        {"one line", "15.03.2022 14:30:05;4712",
         u"Listenindex außerhalb des gültigen Bereichs (0)"_s, true},
        {"bad date", "00.03.2022 14:30:05;4712;T\r\nh\r\nA;V;1;1\r\n",
         u"'00.03.2022 14:30:05' ist keine gültige Datums- und Uhrzeitangabe"_s, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.device = before;
        try {
            importCSVFile(state, write(c.bytes));
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(state.device.geraeteId, c.deviceSet ? u"4712"_s : before.geraeteId);
        EXPECT_EQ(state.device.geraetetyp, before.geraetetyp); // line 1 had no third field
        EXPECT_EQ(state.table.rows(), 256);
        EXPECT_EQ(cell(Col::ANeu, 2), u"9,9"_s);
    }
}

TEST_F(Import, TooManyPointsAreRefusedBeforeAnythingChanges) {
    QByteArray bytes = "15.03.2022 14:30:05;4712;T;c\r\nh\r\n";
    for (int k = 1; k <= 257; ++k)
        bytes += "P" + QByteArray::number(k) + ";V;1;1\r\n";
    state.dList = QStringList{u"earlier"_s};
    try {
        importCSVFile(state, write(bytes));
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.message().contains(u"257"_s)) << e.what();
    }
    EXPECT_EQ(state.dList, QStringList{u"earlier"_s});
    EXPECT_TRUE(state.device.geraeteId.isEmpty());
    EXPECT_EQ(state.table.rows(), 256);

    // A file far beyond any record is not even read.
    QByteArray huge(kMaxCsvBytes + 1, 'x');
    EXPECT_THROW(importCSVFile(state, write(huge)), AppError);
}

TEST(TextLines, Splitting) {
    EXPECT_EQ(splitLines(u"a\r\nb\rc\nd"), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(splitLines(u"a\r\n"), QStringList{u"a"_s});
    EXPECT_EQ(splitLines(u"a\r\n\r\n"), (QStringList{u"a"_s, u""_s}));
    EXPECT_EQ(splitLines(u"\n"), QStringList{u""_s});
    EXPECT_EQ(splitLines(u""), QStringList{});
    EXPECT_EQ(splitLines(u"a\n\rb"), (QStringList{u"a"_s, u""_s, u"b"_s}));
}
