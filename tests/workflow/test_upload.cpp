// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "records/csvimport.h"
#include "records/history.h"
#include "records/textfile.h"
#include "records/upload.h"
#include "support/adjustment.h"
#include "support/pointrows.h"
#include "support/qtprint.h"
#include "workflow/loopbackbench.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::fileBytes;
using test::LoopbackBench;
using test::ScriptedDialogs;

namespace {

// Two points as the controller sent them, the second with new coefficients.
void setUpDevice(WorkingState& s) {
    test::fillPoints(s, u"4711"_s, u"ABC12"_s,
                     {{u" TA_1 "_s, u" °C "_s, u"-0,5"_s, u"1"_s, u"-0,5"_s, u"1"_s},
                      {u" TB_1 "_s, u" °C "_s, u"0"_s, u"1"_s, u"-0,6"_s, u"0,998"_s}});
    s.coef.setA(2, 0);
}

// The workbench with the two points, and the operator's password and comment ready.
class Upload : public ::testing::Test {
protected:
    Upload() : state(bench.state()), dialogs(bench.dialogs) {
        setUpDevice(state);
        dialogs.authorisations.push_back(
            AuthorisationInput{u"abc-4711"_s, u"Sensor getauscht\nneu kalibriert"_s});
    }

    void upload() { bench.bench.upload(); }
    QStringList sent() { return bench.sent(); }

    QString logPath() const { return state.configdir + u"/Log_4711.log"_s; }
    QString csvPath() const { return state.configdir + u"/Abgleich_4711.csv"_s; }

    LoopbackBench bench;
    WorkingState& state;
    ScriptedDialogs& dialogs;
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
const QString kReadBrokeOffWarning =
    u"Die Abgleichwerte wurden nicht vollständig von der SPS gelesen. Bitte vor dem Senden neu "
    "abfragen (F1) oder eine CSV-Datei importieren (F3)."_s;

ScriptedDialogs::Shown errorBox(const QString& message) {
    return {ScriptedDialogs::Kind::ErrorBox, errorBoxText(message)};
}

} // namespace

TEST_F(Upload, SendsTheRecordAndWritesBothFiles) {
    upload();
    EXPECT_EQ(sent(), QStringList{kRecord});
    EXPECT_EQ(bench.busyStarts, 1);
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
    EXPECT_EQ(sent().size(), 2);
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
        LoopbackBench fresh;
        setUpDevice(fresh.state());
        if (c.noChanges) {
            fresh.state().table.setCellText(Col::ANeu, 2, u"0"_s);
            fresh.state().table.setCellText(Col::BNeu, 2, u"1"_s);
        }
        if (c.answer)
            fresh.dialogs.answers.push_back(*c.answer);
        fresh.dialogs.authorisations.push_back(c.typed);
        fresh.bench.upload();
        EXPECT_TRUE(fresh.sent().isEmpty());
        EXPECT_EQ(fresh.peer.connections(), 0);
        EXPECT_EQ(fresh.state().coef.a(2), 0.0);
        EXPECT_FALSE(QFile::exists(fresh.configFile(u"Log_4711.log"_s)));
        EXPECT_FALSE(QFile::exists(fresh.configFile(u"Abgleich_4711.csv"_s)));
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
    EXPECT_EQ(sent(), QStringList{u"U4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,0,1000;"_s});
}

// The controller does not listen: the open fails, its error reaches the error box, and the
// store and the files stay as they were.
TEST_F(Upload, FailedSendLeavesStoreAndFiles) {
    bench.peer.stopListening();
    upload();
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back(), errorBox(u"Verbindung verweigert"_s));
    EXPECT_FALSE(bench.session.isOpen());
    EXPECT_EQ(state.coef.a(2), 0.0);
    EXPECT_EQ(state.coef.b(2), 1.0);
    EXPECT_FALSE(QFile::exists(logPath()));
    EXPECT_FALSE(QFile::exists(csvPath()));
}

TEST_F(Upload, DeviceIdAndPointCountErrors) {
    for (const QString& id : {u""_s, u" "_s, u"0"_s}) {
        SCOPED_TRACE(id.toStdString());
        dialogs.shown.clear();
        state.device.geraeteId = id;
        upload();
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, u"Geräte-ID muss angegeben werden"_s);
    }
    const std::pair<QString, QString> numbers[] = {
        {u"4711 "_s, u"2"_s}, // a trailing blank makes the ID no whole number
        {u"4711"_s, u""_s},   // no point count yet
    };
    for (const auto& [id, count] : numbers) {
        SCOPED_TRACE(id.toStdString());
        dialogs.shown.clear();
        state.device.geraeteId = id;
        state.device.anzMS = count;
        upload();
        EXPECT_EQ(dialogs.shown, std::vector{errorBox(u"'%1' ist kein gültiger Integerwert"_s.arg(
                                     count.isEmpty() ? count : id))});
    }
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(bench.peer.connections(), 0);
}

TEST_F(Upload, RecordFields) {
    // A point without a new a: 0 and 1000 sent, 0 and 1 recorded, and the store says what
    // the controller now holds.
    state.table.setCellText(Col::ANeu, 2, u""_s);
    state.coef.setA(2, 0.7);
    state.coef.setB(2, 1.5);
    // Leading blanks of the ID stay in the record and the file names.
    state.device.geraeteId = u" 4711"_s;
    upload();
    EXPECT_EQ(sent(), QStringList{u"U 4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,0,1000;"_s});
    EXPECT_EQ(state.coef.a(2), 0.0);
    EXPECT_EQ(state.coef.b(2), 1.0);
    EXPECT_TRUE(fileBytes(state.configdir + u"/Abgleich_ 4711.csv"_s)
                    .contains("TB_1;\xB0"
                              "C;0;1\r\n"));
}

TEST_F(Upload, NoPointsAndManyPoints) {
    state.device.anzMS = u"0"_s;
    upload();
    EXPECT_EQ(sent(), QStringList{u"U4711,ABC12,,,0;"_s});
    EXPECT_EQ(fileBytes(csvPath()),
              QByteArray("15.03.2022 14:30:05;4711;ABC12;Sensor getauscht\r\nneu kalibriert\r\n"
                         "Messstelle; Einheit; a; b;\r\n\r\n"));

    // More points than the store holds: all are sent, the store is written up to 256.
    bench.clearSent();
    state.device.anzMS = u"300"_s;
    state.table.setRows(301);
    state.table.setCellText(Col::ANeu, 300, u"2"_s);
    state.table.setCellText(Col::BNeu, 300, u"3"_s);
    state.table.setCellText(Col::ANeu, 256, u"4"_s);
    state.table.setCellText(Col::BNeu, 256, u"1"_s);
    dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
    upload();
    const QStringList records = sent();
    ASSERT_EQ(records.size(), 1);
    EXPECT_TRUE(records[0].startsWith(u"U4711,ABC12,,,300,"_s));
    EXPECT_TRUE(records[0].endsWith(u",,,2000,3000;"_s));
    EXPECT_EQ(state.coef.a(256), 4.0);
}

TEST_F(Upload, RecordUsesSemicolonsWhateverTheLocale) {
    LoopbackBench us(RegionalSettings::fromLocale(QLocale(u"en_US"_s)));
    setUpDevice(us.state());
    us.state().table.setCellText(Col::ASps, 1, u"-0.5"_s);
    us.state().table.setCellText(Col::ANeu, 1, u"-0.5"_s);
    us.state().table.setCellText(Col::ANeu, 2, u"-0.6"_s);
    us.state().table.setCellText(Col::BNeu, 2, u"0.998"_s);
    us.dialogs.authorisations = dialogs.authorisations;
    us.bench.upload();
    EXPECT_EQ(us.sent(), QStringList{kRecord});
    const QByteArray csv = fileBytes(us.configFile(u"Abgleich_4711.csv"_s));
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
    upload();
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().kind, ScriptedDialogs::Kind::ErrorBox);
    EXPECT_TRUE(dialogs.shown.back().text.contains(u"Log_4711.log"_s))
        << dialogs.shown.back().text.toStdString();
    EXPECT_EQ(sent().size(), 1);
    EXPECT_EQ(fileBytes(csvPath()), QByteArray("earlier record\r\n"));
    EXPECT_EQ(state.coef.a(2), -0.6);
}

TEST_F(Upload, ImportedRecordUploadsTheSameAgain) {
    upload();
    LoopbackBench fresh;
    fresh.dialogs.files.push_back(csvPath());
    fresh.bench.importRecord();
    EXPECT_EQ(fresh.state().device.geraeteId, u"4711"_s);
    EXPECT_EQ(fresh.state().device.anzMS, u"2"_s);
    fresh.dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
    fresh.bench.upload();
    EXPECT_EQ(fresh.sent(), QStringList{kRecord});
}

TEST_F(Upload, ReadThatBrokeOffIsNotUploadedUntilTheTableIsFilledAgain) {
    // The controller's list breaks off at the a of point 2: points 2 and 3 stay empty.
    const QString brokenOff =
        u"U4711,ABC12,1.7,,3,TA_1,°C,-500,1000,TB_1,°C,x,998,TC_1,°C,100,1000#"_s;
    const QString complete = u"U4711,ABC12,1.7,,2,TA_1,°C,-500,1000,TB_1,°C,-600,998#"_s;
    // A reply arrives at the session while the workbench awaits the correction data.
    const auto read = [](LoopbackBench& b, const QString& reply) {
        b.session.awaitReply(u'U');
        b.session.receive(encodeAnsi(reply));
    };
    struct Case {
        const char* name;
        std::function<void(LoopbackBench&)> fill;
    };
    const Case cases[] = {
        {"a complete read", [&](LoopbackBench& b) { read(b, complete); }},
        {"an import",
         [&](LoopbackBench& b) {
             const QString path = b.dir.filePath(u"saved.csv"_s);
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(kCsv);
             file.close();
             b.dialogs.files.push_back(path);
             b.bench.importRecord();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackBench fresh;
        ScriptedDialogs& shown = fresh.dialogs;
        shown.standingAuthorisation = AuthorisationInput{u"abc-4711"_s, {}};
        read(fresh, brokenOff);
        ASSERT_EQ(fresh.state().table.cellText(Col::Name, 3), u""_s);

        for (int attempt = 0; attempt < 2; ++attempt) {
            shown.shown.clear();
            fresh.bench.upload();
            EXPECT_TRUE(fresh.sent().isEmpty());
            EXPECT_EQ(shown.shown, (std::vector{ScriptedDialogs::Shown{
                                       ScriptedDialogs::Kind::Warning, kReadBrokeOffWarning}}));
            EXPECT_FALSE(QFile::exists(fresh.configFile(u"Log_4711.log"_s)));
            EXPECT_FALSE(QFile::exists(fresh.configFile(u"Abgleich_4711.csv"_s)));
        }

        c.fill(fresh);
        fresh.bench.upload();
        EXPECT_EQ(fresh.sent(), QStringList{kRecord});
    }
}

TEST_F(Upload, RecordImportsAgainWhereTheListSeparatorIsAComma) {
    const RegionalSettings usSettings = RegionalSettings::fromLocale(QLocale(u"en_US"_s));
    ASSERT_EQ(usSettings.listSeparator, u',');
    LoopbackBench us(usSettings);
    setUpDevice(us.state());
    us.state().table.setCellText(Col::ANeu, 1, u"-0.5"_s);
    us.state().table.setCellText(Col::ANeu, 2, u"-0.6"_s);
    us.state().table.setCellText(Col::BNeu, 2, u"0.998"_s);
    us.dialogs.authorisations = dialogs.authorisations;
    us.bench.upload();
    ASSERT_EQ(us.sent().size(), 1);

    LoopbackBench freshBench(usSettings);
    freshBench.dialogs.files.push_back(us.configFile(u"Abgleich_4711.csv"_s));
    freshBench.bench.importRecord();
    const WorkingState& fresh = freshBench.state();
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
    importCSVLines(freshBench.state(),
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
    const QStringList records = sent();
    ASSERT_EQ(records.size(), 1);
    EXPECT_TRUE(records[0].endsWith(u",Offset Kraft 1,°C,-600,0;"_s)) << records[0].toStdString();
    EXPECT_EQ(state.coef.a(2), -0.6);
    EXPECT_EQ(state.coef.b(2), 1.25);
}

// The uploads as the upload itself writes them into the log: one comment on one line, one
// over three lines (one of them empty), and one without a comment.
TEST(UploadHistory, ReadsTheUploadsTheUploadWrote) {
    LoopbackBench b;
    WorkingState& state = b.state();
    state.device.geraeteId = u"4711"_s;
    state.device.geraetetyp = u"ABC12"_s;
    state.device.anzMS = u"2"_s;
    state.table.setRows(3);
    state.table.setCellText(Col::Name, 1, u" TA_1 "_s);
    state.table.setCellText(Col::Unit, 1, u" °C "_s);
    state.table.setCellText(Col::Name, 2, u" of Druck "_s);
    state.table.setCellText(Col::Unit, 2, u" bar "_s);
    const QString texts[] = {u"Sensor getauscht"_s, u"Prüfmittel 17\n\nneu kalibriert"_s, u""_s};
    const QDateTime times[] = {QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5)),
                               QDateTime(QDate(2022, 3, 16), QTime(8, 0, 0)),
                               QDateTime(QDate(2022, 3, 17), QTime(23, 59, 59))};
    const QString a[] = {u"-0,5"_s, u"0,0005"_s, u"12,25"_s};
    for (int i = 0; i < 3; ++i) {
        state.table.setCellText(Col::ANeu, 1, a[i]);
        state.table.setCellText(Col::BNeu, 1, u"1,002"_s);
        b.dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, texts[i]});
        b.clock = test::FixedClock(times[i]);
        b.bench.upload();
    }
    EXPECT_EQ(b.sent().size(), 3);

    // The change log and the records database tell the same uploads.
    RecordsDb& records = b.bench.records();
    QFile logFile(changeLogPath(state));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const ParsedLog log = parseChangeLog(decodeTextFile(logFile.readAll()).text, state.regional);
    EXPECT_TRUE(log.unreadable.empty());
    ASSERT_EQ(log.uploads.size(), 3u);
    const DeviceHistory history = records.history(records.benchId(), u"4711"_s);
    ASSERT_EQ(history.uploads.size(), 3u);
    // As the table shows them: "0,0005" shows as 0,001, and 0,001 is sent.
    const qint64 a1000[] = {-500, 1, 12250};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const UploadSummary& upload = history.uploads[std::size_t(i)];
        EXPECT_EQ(upload.when(), times[i]);
        EXPECT_EQ(upload.comment, texts[i]);
        EXPECT_EQ(upload.source, RowSource::Program);
        EXPECT_EQ(log.uploads[std::size_t(i)].when, times[i]);
        EXPECT_EQ(log.uploads[std::size_t(i)].comment, texts[i]);
        const LoggedRecord record = records.record(upload.id);
        EXPECT_EQ(record, log.uploads[std::size_t(i)].record);
        EXPECT_EQ(record.deviceId, u"4711"_s);
        EXPECT_EQ(record.deviceType, u"ABC12"_s);
        EXPECT_EQ(record.points, (std::vector<LoggedPoint>{{u"TA_1"_s, u"°C"_s, a1000[i], 1002},
                                                           {u"of Druck"_s, u"bar"_s, 0, 1000}}));
    }
    EXPECT_TRUE(records.verify(records.benchId(), u"4711"_s, state.configdir).ok);
}

// The coefficients of an old upload taken over from the history are listed as changed by
// the next upload (F2), and sent.
TEST(UploadHistory, TakenOverCoefficientsAreSentByTheNextUpload) {
    LoopbackBench b;
    WorkingState& state = b.state();
    test::fillPoints(state, u"4711"_s, u"ABC12"_s,
                     {{u" TA_1 "_s, u" °C "_s, u"0,1"_s, u"1"_s, u"0,2"_s, u"1,01"_s},
                      {u" TB_1 "_s, u" °C "_s, u"0"_s, u"1"_s, u"0,3"_s, u"0,99"_s},
                      {u" P_1 "_s, u" bar "_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s}});
    for (int r = 1; r <= 3; ++r)
        state.coef.setA(r, state.table.storedNumber(Col::ASps, r));
    // The old upload in another order, without P_1 and with a point the table lacks.
    const LoggedRecord old =
        *parseUploadRecord(u"U4711,ABC12,,,3,TB_1,°C,-600,998,X_9,V,5,1000,TA_1,°C,-1,1000;"_s);
    ASSERT_EQ(takeOverUpload(state, old).taken, 2);

    b.dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, u"zurück"_s});
    b.bench.upload();
    ASSERT_EQ(b.dialogs.shown.size(), 1u);
    EXPECT_EQ(b.dialogs.shown[0].text,
              u"geänderte Werte\n TA_1   Offset \n TB_1   Offset  Gain "_s);
    EXPECT_EQ(b.sent(), QStringList{u"U4711,ABC12,,,3,TA_1,°C,-1,1000,TB_1,°C,-600,998,P_1,bar,"
                                    "1000,1000;"_s});
}

// What only looks like a number never reaches the controller: the upload sends nothing,
// writes nothing and names every such cell with its text; a gain of 0 at the record's scale
// and a value the controller cannot hold are refused the same way.
TEST_F(Upload, ValuesThatAreNoNumberOrCannotBeSentAreRefusedAndNamed) {
    struct Case {
        int column;
        QString text;
        QString named;
    };
    const Case cases[] = {
        {Col::BNeu, u"abc"_s, u"Messstelle 2 (TB_1), b (NEU): „abc“ ist keine gültige Zahl"_s},
        {Col::ANeu, u"0.5"_s, u"Messstelle 2 (TB_1), a (NEU): „0.5“ ist keine gültige Zahl"_s},
        {Col::ANeu, u"1.234,5"_s,
         u"Messstelle 2 (TB_1), a (NEU): „1.234,5“ ist keine gültige Zahl"_s},
        {Col::ANeu, u"  "_s, u"Messstelle 2 (TB_1), a (NEU): „  “ ist keine gültige Zahl"_s},
        {Col::BNeu, u"0,0004"_s,
         u"Messstelle 2 (TB_1), b (NEU): „0,000“ ergibt auf drei Nachkommastellen die "
         "Verstärkung 0"_s},
        {Col::BNeu, u""_s,
         u"Messstelle 2 (TB_1), b (NEU): fehlt, die SPS erhielte die Verstärkung 0"_s},
        // A name or unit with the record's separators would shift every field after it.
        {Col::Name, u" P,1 "_s,
         u"Messstelle 2 (P,1), Name: „P,1“ enthält „,“ oder „;“, die die SPS als Trennzeichen "
         "liest"_s},
        {Col::Unit, u" m;V "_s,
         u"Messstelle 2 (TB_1), Einheit: „m;V“ enthält „,“ oder „;“, die die SPS als "
         "Trennzeichen liest"_s},
        {Col::ANeu, u"1E20"_s,
         u"Messstelle 2 (TB_1), a (NEU): „1E020“ ist zu groß, um an die SPS "
         "gesendet zu werden"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        setUpDevice(state);
        dialogs.shown.clear();
        dialogs.authorisations = {AuthorisationInput{u"abc-4711"_s, {}}};
        state.table.setCellText(c.column, 2, c.text);
        upload();
        ASSERT_FALSE(dialogs.shown.empty());
        const QString box = dialogs.shown.back().text;
        EXPECT_EQ(dialogs.shown.back().kind, ScriptedDialogs::Kind::ErrorBox);
        EXPECT_TRUE(box.startsWith(u"Es wurde nichts an die SPS gesendet.\n"_s))
            << box.toStdString();
        EXPECT_TRUE(box.contains(c.named)) << box.toStdString();
        EXPECT_EQ(dialogs.authorisations.size(), 1u); // refused before the password
        EXPECT_FALSE(QFile::exists(logPath()));
        EXPECT_FALSE(QFile::exists(csvPath()));
    }
    EXPECT_TRUE(sent().isEmpty());

    // Every such cell is named at once; an offset point needs no gain.
    setUpDevice(state);
    dialogs.authorisations = {AuthorisationInput{u"abc-4711"_s, {}}};
    state.table.setCellText(Col::BNeu, 1, u"x"_s);
    state.table.setCellText(Col::ANeu, 2, u"0.5"_s);
    upload();
    EXPECT_TRUE(dialogs.shown.back().text.contains(u"Messstelle 1 (TA_1), b (NEU)"_s));
    EXPECT_TRUE(dialogs.shown.back().text.contains(u"Messstelle 2 (TB_1), a (NEU)"_s));
    setUpDevice(state);
    state.table.setCellText(Col::Name, 2, u" of Druck "_s);
    state.table.setCellText(Col::BNeu, 2, QString());
    upload();
    EXPECT_EQ(sent(), QStringList{u"U4711,ABC12,,,2,TA_1,°C,-500,1000,of Druck,°C,-600,0;"_s});
}

// The number sent is the number shown: a typed value is rounded to three decimals as the
// table shows it (half away from zero), never read with "." as a thousands separator.
TEST_F(Upload, SendsWhatTheTableShows) {
    state.table.setCellText(Col::ANeu, 2, u"-0,0005"_s);
    state.table.setCellText(Col::BNeu, 2, u"1,0025"_s);
    upload();
    EXPECT_EQ(sent(), QStringList{u"U4711,ABC12,,,2,TA_1,°C,-500,1000,TB_1,°C,-1,1003;"_s});
    EXPECT_EQ(state.table.normaliseCell(Col::ANeu, 2), u"-0,001"_s);
    EXPECT_EQ(state.table.normaliseCell(Col::BNeu, 2), u"1,003"_s);
}
