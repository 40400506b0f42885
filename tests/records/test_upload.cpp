#include "bench/replyparser.h"
#include "core/errors.h"
#include "records/csvimport.h"
#include "records/upload.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::FixedClock;
using test::ScriptedDialogs;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Two points as the controller sent them, the second with new coefficients.
class Upload : public ::testing::Test {
protected:
    Upload() : state(RegionalSettings::german()) {
        state.prepare(dir_.path());
        setUpDevice(state);
        dialogs.authorisations.push_back(
            AuthorisationInput{u"abc-4711"_s, u"Sensor getauscht\nneu kalibriert"_s});
    }

    static void setUpDevice(WorkingState& s) {
        s.device.geraeteId = u"4711"_s;
        s.device.geraetetyp = u"ABC12"_s;
        s.device.anzMS = u"2"_s;
        s.table.setRows(3);
        const QString rows[2][6] = {
            {u" TA_1 "_s, u" °C "_s, u"-0,5"_s, u"1"_s, u"-0,5"_s, u"1"_s},
            {u" TB_1 "_s, u" °C "_s, u"0"_s, u"1"_s, u"-0,6"_s, u"0,998"_s},
        };
        const int columns[6] = {Col::Name, Col::Unit, Col::ASps, Col::BSps, Col::ANeu, Col::BNeu};
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 6; ++c)
                s.table.setCellText(columns[c], r + 1, rows[r][c]);
        s.coef.setA(2, 0);
    }

    void upload() {
        sendCorrData(state, dialogs, clock,
                     {[this](const QString& r) {
                          if (sendFails)
                              throw AppError(u"Connection refused"_s);
                          sent << r;
                      },
                      [this] { ++indicatorStarts; }});
    }

    QString logPath() const { return state.configdir + u"/Log_4711.log"_s; }
    QString csvPath() const { return state.configdir + u"/Abgleich_4711.csv"_s; }

    QTemporaryDir dir_;
    WorkingState state;
    ScriptedDialogs dialogs;
    FixedClock clock;
    QStringList sent;
    int indicatorStarts = 0;
    bool sendFails = false;
};

const QString kRecord = u"U4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,-600,998;"_s;
const QByteArray kLog = "15.03.2022 14:30:05 Sensor getauscht\r\nneu kalibriert\r\n"
                        "U4711,ABC12,,,2,TA_1,\xB0"
                        "C,-500,1000,TB_1,\xB0"
                        "C,-600,998;\r\n";
const QByteArray kCsv = "15.03.2022 14:30:05;4711;ABC12;Sensor getauscht\r\nneu kalibriert\r\n"
                        "Messstelle; Einheit; a; b;\r\n"
                        "TA_1;\xB0"
                        "C;-0,5;1\r\n"
                        "TB_1;\xB0"
                        "C;-0,6;0,998\r\n"
                        "\r\n";

} // namespace

TEST_F(Upload, SendsTheRecordAndWritesBothFiles) {
    upload();
    EXPECT_EQ(sent, QStringList{kRecord});
    EXPECT_EQ(indicatorStarts, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, u"geänderte Werte\n TB_1   Offset  Gain "_s);
    EXPECT_EQ(dialogs.authorisationForms, std::vector{AuthorisationForm::Full});
    EXPECT_EQ(fileBytes(logPath()), kLog);
    EXPECT_EQ(fileBytes(csvPath()), kCsv);
    EXPECT_EQ(state.coef.a(1), -0.5);
    EXPECT_EQ(state.coef.b(1), 1.0);
    EXPECT_EQ(state.coef.a(2), -0.6);
    EXPECT_EQ(state.coef.b(2), 0.998);
    // The table keeps the controller's values, so the same change list comes again.
    EXPECT_EQ(state.table.cellText(Col::ASps, 2), u"0,000"_s);

    // A second upload appends to the log and replaces the record.
    dialogs.authorisations.push_back(AuthorisationInput{u"ABC-4711"_s, u"zweiter"_s});
    state.table.setCellText(Col::BNeu, 1, u"1,002"_s);
    upload();
    EXPECT_EQ(sent.size(), 2);
    const QByteArray log = fileBytes(logPath());
    EXPECT_TRUE(log.startsWith(kLog));
    EXPECT_EQ(log.mid(kLog.size()),
              QByteArray("15.03.2022 14:30:05 zweiter\r\nU4711,ABC12,,,2,TA_1,\xB0"
                         "C,-500,1002,TB_1,\xB0"
                         "C,-600,998;\r\n"));
    EXPECT_TRUE(fileBytes(csvPath()).startsWith("15.03.2022 14:30:05;4711;ABC12;zweiter\r\n"));
    EXPECT_TRUE(fileBytes(csvPath()).contains("TA_1;\xB0"
                                              "C;-0,5;1,002\r\n"));
}

TEST_F(Upload, RefusalsSendAndWriteNothing) {
    struct Case {
        const char* name;
        bool noChanges;
        std::optional<bool> answer;
        std::optional<AuthorisationInput> typed;
    };
    const Case cases[] = {
        {"no change, answer No", true, false, AuthorisationInput{u"abc-4711"_s, {}}},
        {"cancelled", false, {}, std::nullopt},
        {"wrong password", false, {}, AuthorisationInput{u"abc-4711x"_s, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkingState fresh(RegionalSettings::german());
        fresh.prepare(dir_.path());
        setUpDevice(fresh);
        if (c.noChanges) {
            fresh.table.setCellText(Col::ANeu, 2, u"0"_s);
            fresh.table.setCellText(Col::BNeu, 2, u"1"_s);
        }
        ScriptedDialogs shown;
        if (c.answer)
            shown.answers.push_back(*c.answer);
        shown.authorisations.push_back(c.typed);
        QStringList out;
        sendCorrData(fresh, shown, clock, {[&](const QString& r) { out << r; }, [] {}});
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(fresh.coef.a(2), 0.0);
        EXPECT_FALSE(QFile::exists(fresh.configdir + u"/Log_4711.log"_s));
        EXPECT_FALSE(QFile::exists(fresh.configdir + u"/Abgleich_4711.csv"_s));
    }
}

TEST_F(Upload, NoChangeAskedFirstAndYesSendsAllTheSame) {
    state.table.setCellText(Col::ANeu, 2, u"0"_s);
    state.table.setCellText(Col::BNeu, 2, u"1"_s);
    upload();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0], (ScriptedDialogs::Shown{
                                    ScriptedDialogs::Kind::Question,
                                    u"Es wurden keine Änderungen vorgenommen. Trotzdem senden"_s}));
    EXPECT_EQ(dialogs.shown[1].text, u"geänderte Werte"_s);
    EXPECT_EQ(sent, QStringList{u"U4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,0,1000;"_s});
}

TEST_F(Upload, FailedSendLeavesStoreAndFiles) {
    sendFails = true;
    EXPECT_THROW(upload(), AppError);
    EXPECT_EQ(state.coef.a(2), 0.0);
    EXPECT_EQ(state.coef.b(2), 1.0);
    EXPECT_FALSE(QFile::exists(logPath()));
    EXPECT_FALSE(QFile::exists(csvPath()));
}

TEST_F(Upload, DeviceIdAndPointCountErrors) {
    for (const QString& id : {u""_s, u" "_s, u"0"_s}) {
        ScriptedDialogs shown;
        state.device.geraeteId = id;
        sendCorrData(state, shown, clock, {[&](const QString&) { ADD_FAILURE(); }, [] {}});
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_EQ(shown.shown[0].text, u"Geräte-ID muss angegeben werden"_s);
    }
    const std::pair<QString, QString> numbers[] = {
        {u"4711 "_s, u"2"_s}, // a trailing blank makes the ID no whole number
        {u"4711"_s, u""_s},   // no point count yet
    };
    for (const auto& [id, count] : numbers) {
        state.device.geraeteId = id;
        state.device.anzMS = count;
        try {
            upload();
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(),
                      u"'%1' ist kein gültiger Integerwert"_s.arg(count.isEmpty() ? count : id));
        }
    }
    EXPECT_TRUE(sent.isEmpty());
}

TEST_F(Upload, RecordFields) {
    // A point without a new a: 0 and 1000 sent, 0 and 1 recorded, the store kept.
    state.table.setCellText(Col::ANeu, 2, u""_s);
    state.coef.setB(2, 1.5);
    // Leading blanks of the ID stay in the record and the file names.
    state.device.geraeteId = u" 4711"_s;
    upload();
    EXPECT_EQ(sent, QStringList{u"U 4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,0,1000;"_s});
    EXPECT_EQ(state.coef.b(2), 1.5);
    EXPECT_TRUE(fileBytes(state.configdir + u"/Abgleich_ 4711.csv"_s)
                    .contains("TB_1;\xB0"
                              "C;0;1\r\n"));

    const std::pair<double, QString> rounding[] = {{-0.5, u"-500"_s},  {0.0025, u"2"_s},
                                                   {0.0035, u"4"_s},   {1.005, u"1005"_s},
                                                   {-0.0025, u"-2"_s}, {0, u"0"_s}};
    for (const auto& [value, text] : rounding)
        EXPECT_EQ(thousandths(value), text) << value;
    EXPECT_THROW(thousandths(1e300), AppError);
}

TEST_F(Upload, NoPointsAndManyPoints) {
    state.device.anzMS = u"0"_s;
    upload();
    EXPECT_EQ(sent, QStringList{u"U4711,ABC12,,,0;"_s});
    EXPECT_EQ(fileBytes(csvPath()),
              QByteArray("15.03.2022 14:30:05;4711;ABC12;Sensor getauscht\r\nneu kalibriert\r\n"
                         "Messstelle; Einheit; a; b;\r\n\r\n"));

    // More points than the store holds: all are sent, the store is written up to 256.
    sent.clear();
    state.device.anzMS = u"300"_s;
    state.table.setRows(301);
    state.table.setCellText(Col::ANeu, 300, u"2"_s);
    state.table.setCellText(Col::BNeu, 300, u"3"_s);
    state.table.setCellText(Col::ANeu, 256, u"4"_s);
    dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
    upload();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].startsWith(u"U4711,ABC12,,,300,"_s));
    EXPECT_TRUE(sent[0].endsWith(u",,,2000,3000;"_s));
    EXPECT_EQ(state.coef.a(256), 4.0);
}

TEST_F(Upload, RecordUsesSemicolonsWhateverTheLocale) {
    WorkingState us(RegionalSettings::fromLocale(QLocale(u"en_US"_s)));
    us.prepare(dir_.path());
    setUpDevice(us);
    us.table.setCellText(Col::ASps, 1, u"-0.5"_s);
    us.table.setCellText(Col::ANeu, 1, u"-0.5"_s);
    us.table.setCellText(Col::ANeu, 2, u"-0.6"_s);
    us.table.setCellText(Col::BNeu, 2, u"0.998"_s);
    sendCorrData(us, dialogs, clock, {[&](const QString& r) { sent << r; }, [] {}});
    EXPECT_EQ(sent, QStringList{kRecord});
    const QByteArray csv = fileBytes(us.configdir + u"/Abgleich_4711.csv"_s);
    EXPECT_TRUE(csv.startsWith("3/15/2022 2:30:05 PM;4711;ABC12;")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("TB_1;\xB0"
                             "C;-0.6;0.998\r\n"));
}

TEST_F(Upload, FileErrorsAfterTheSend) {
    // The change log cannot be written (a directory stands in its place): the record has
    // been sent, the error names the file, and the earlier correction-data record is kept.
    ASSERT_TRUE(QDir().mkpath(logPath()));
    QFile old(csvPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier record\r\n");
    old.close();
    try {
        upload();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.message().contains(u"Log_4711.log"_s)) << e.what();
    }
    EXPECT_EQ(sent.size(), 1);
    EXPECT_EQ(fileBytes(csvPath()), QByteArray("earlier record\r\n"));
    EXPECT_EQ(state.coef.a(2), -0.6);
}

TEST_F(Upload, ImportedRecordUploadsTheSameAgain) {
    upload();
    WorkingState fresh(RegionalSettings::german());
    fresh.prepare(dir_.path());
    importCSVFile(fresh, csvPath());
    EXPECT_EQ(fresh.device.geraeteId, u"4711"_s);
    EXPECT_EQ(fresh.device.anzMS, u"2"_s);
    ScriptedDialogs again;
    again.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
    QStringList resent;
    sendCorrData(fresh, again, clock, {[&](const QString& r) { resent << r; }, [] {}});
    EXPECT_EQ(resent, QStringList{kRecord});
}

TEST_F(Upload, ReadThatBrokeOffIsNotUploadedUntilTheTableIsFilledAgain) {
    // The controller's list breaks off at the a of point 2: points 2 and 3 stay empty.
    const QString brokenOff =
        u"U4711,ABC12,1.7,,3,TA_1,°C,-500,1000,TB_1,°C,x,998,TC_1,°C,100,1000#"_s;
    const QString complete = u"U4711,ABC12,1.7,,2,TA_1,°C,-500,1000,TB_1,°C,-600,998#"_s;
    const auto read = [](WorkingState& s, ScriptedDialogs& shown, const QString& reply) {
        ReceiveBuffer rx{reply, u'U'};
        processReceived(rx, s, shown);
    };
    struct Case {
        const char* name;
        std::function<void(WorkingState&, ScriptedDialogs&)> fill;
    };
    const Case cases[] = {
        {"a complete read", [&](WorkingState& s, ScriptedDialogs& d) { read(s, d, complete); }},
        {"an import",
         [&](WorkingState& s, ScriptedDialogs&) {
             const QString path = dir_.filePath(u"saved.csv"_s);
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(kCsv);
             file.close();
             importCSVFile(s, path);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkingState fresh(RegionalSettings::german());
        fresh.prepare(dir_.path());
        ScriptedDialogs shown;
        shown.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, {}};
        QStringList out;
        const UploadLink link{[&](const QString& r) { out << r; }, [] {}};
        read(fresh, shown, brokenOff);
        ASSERT_EQ(fresh.table.cellText(Col::Name, 3), u""_s);

        for (int attempt = 0; attempt < 2; ++attempt) {
            shown.shown.clear();
            sendCorrData(fresh, shown, clock, link);
            EXPECT_TRUE(out.isEmpty());
            EXPECT_EQ(shown.shown, (std::vector{ScriptedDialogs::Shown{
                                       ScriptedDialogs::Kind::Warning, kReadBrokeOffWarning}}));
            EXPECT_FALSE(QFile::exists(fresh.configdir + u"/Log_4711.log"_s));
            EXPECT_FALSE(QFile::exists(fresh.configdir + u"/Abgleich_4711.csv"_s));
        }

        c.fill(fresh, shown);
        sendCorrData(fresh, shown, clock, link);
        EXPECT_EQ(out, QStringList{kRecord});
        QFile::remove(fresh.configdir + u"/Log_4711.log"_s);
        QFile::remove(fresh.configdir + u"/Abgleich_4711.csv"_s);
    }
}

TEST_F(Upload, RecordImportsAgainWhereTheListSeparatorIsAComma) {
    WorkingState us(RegionalSettings::fromLocale(QLocale(u"en_US"_s)));
    ASSERT_EQ(us.regional.listSeparator, u',');
    us.prepare(dir_.path());
    setUpDevice(us);
    us.table.setCellText(Col::ANeu, 1, u"-0.5"_s);
    us.table.setCellText(Col::ANeu, 2, u"-0.6"_s);
    us.table.setCellText(Col::BNeu, 2, u"0.998"_s);
    sendCorrData(us, dialogs, clock, {[&](const QString& r) { sent << r; }, [] {}});
    ASSERT_EQ(sent.size(), 1);

    WorkingState fresh(RegionalSettings::fromLocale(QLocale(u"en_US"_s)));
    fresh.prepare(dir_.path());
    importCSVFile(fresh, csvPath());
    EXPECT_EQ(fresh.device.geraeteId, u"4711"_s);
    EXPECT_EQ(fresh.device.geraetetyp, u"ABC12"_s);
    EXPECT_EQ(fresh.device.lastCorrection,
              LastCorrection::known(QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5))));
    EXPECT_EQ(fresh.device.anzMS, u"2"_s);
    EXPECT_EQ(fresh.table.cellText(Col::Name, 2), u"TB_1"_s);
    EXPECT_EQ(fresh.table.cellText(Col::Unit, 2), u"°C"_s);
    EXPECT_EQ(fresh.coef.a(2), -0.6);
    EXPECT_EQ(fresh.coef.b(2), 0.998);

    // A record cut at the system's own list separator is still read at it.
    importCSVLines(fresh,
                   {u"3/16/2022 9:00:00 AM,4712,XY1,;"_s, u"heading"_s, u"TC_1,bar,0.25,1.5"_s});
    EXPECT_EQ(fresh.device.geraeteId, u"4712"_s);
    EXPECT_EQ(fresh.table.cellText(Col::Name, 1), u"TC_1"_s);
    EXPECT_EQ(fresh.coef.b(1), 1.5);
}

// An offset point goes out with the b its empty cell reads as, as the controller expects,
// but the store keeps the gain it had: the controller holds none for the point, and a
// gain of 0 would make every later recalculation of the point fail.
TEST_F(Upload, OffsetPointKeepsItsGainInTheStore) {
    state.table.setCellText(Col::Name, 2, u" Offset Kraft 1 "_s);
    state.table.setCellText(Col::BSps, 2, QString());
    state.table.setCellText(Col::BNeu, 2, QString());
    state.coef.setB(2, 1.25);
    upload();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].endsWith(u",Offset Kraft 1,°C,-600,0;"_s)) << sent[0].toStdString();
    EXPECT_EQ(state.coef.a(2), -0.6);
    EXPECT_EQ(state.coef.b(2), 1.25);
}
