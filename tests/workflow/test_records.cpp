// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The records database behind the upload and the history: what the upload writes into it,
// what the history takes from the change log, and an upload refused when the database
// cannot be written.
#include "records/logimport.h"
#include "records/textfile.h"
#include "support/qtprint.h"
#include "workflow/records_fixture.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::LoopbackBench;
using test::ScriptedDialogs;

namespace {

QDateTime at(int year, int month, int day, int hour) {
    return QDateTime(QDate(year, month, day), QTime(hour, 0, 0));
}

class Records : public ::testing::Test {
protected:
    Records() { test::fillRecordsDevice(b.state()); }

    // "Verlauf…" with the operator closing it; the history it showed.
    DeviceHistory openHistory() {
        b.dialogs.shownHistory.reset();
        b.bench.showHistory();
        EXPECT_TRUE(b.dialogs.shownHistory.has_value());
        return b.dialogs.shownHistory.value_or(DeviceHistory{});
    }
    QString logPath() const { return changeLogPath(b.state()); }

    LoopbackBench b;
};

} // namespace

// The upload's row holds what was sent, what the controller held, the pairs and the
// read-back, and hashes over them; the history lists it from the records.
TEST_F(Records, TheUploadWritesItsRowWithThePointsAsFoundAndAsSent) {
    b.state().table.setCellText(Col::ref(1), 1, u"100"_s);
    b.state().table.setCellText(Col::tm(1), 1, u"100,5"_s);
    test::uploadAt(b, at(2026, 12, 11, 9), u"Jahresprüfung\nPM-17"_s);
    ASSERT_EQ(b.sent().size(), 1);
    RecordsDb& db = b.bench.records();
    const DeviceHistory history = db.history(db.benchId(), u"4711"_s);
    ASSERT_EQ(history.uploads.size(), 1u);
    const UploadRow row = db.upload(history.uploads[0].id);
    EXPECT_EQ(row.record, b.sent()[0]);
    EXPECT_EQ(row.when, at(2026, 12, 11, 9));
    EXPECT_EQ(row.comment, u"Jahresprüfung\nPM-17"_s);
    EXPECT_EQ(row.deviceType, u"ABC12"_s);
    EXPECT_EQ(row.benchHost, u"127.0.0.1"_s);
    EXPECT_EQ(row.readBack, u"nicht geprüft (ausgeschaltet)"_s);
    EXPECT_EQ(row.source, RowSource::Program);
    ASSERT_EQ(row.points.size(), 2u);
    EXPECT_EQ(row.points[0].name, u"TA_1"_s);
    EXPECT_EQ(row.points[0].aFound1000, std::optional<qint64>(100));
    EXPECT_EQ(row.points[0].bFound1000, std::optional<qint64>(1000));
    EXPECT_EQ(row.points[0].aSent1000, 250);
    EXPECT_EQ(row.points[0].bSent1000, 1010);
    EXPECT_EQ(row.points[0].pairs.section(u' ', 0, 1), u"100 100.5"_s);
    // The offset point holds no gain, as found or as sent.
    EXPECT_EQ(row.points[1].bFound1000, std::nullopt);
    EXPECT_EQ(row.points[1].aSent1000, 300);
    EXPECT_EQ(row.hash, uploadHash(row));
    EXPECT_EQ(history.pointNames, (QStringList{u"TA_1"_s, u"of Druck"_s}));
    // The log was read as far as the tool wrote it: nothing is taken in twice.
    EXPECT_EQ(openHistory().uploads.size(), 1u);
}

// A comment line that begins with a date and time: the tool's own upload keeps its time and
// its whole comment; with the records gone, the log alone still gives it (an earlier date
// inside an entry is a comment line), marked as taken from the log.
TEST_F(Records, ACommentLineThatLooksLikeADateStaysAComment) {
    test::uploadAt(b, at(2026, 12, 11, 9),
                   u"Jahresprüfung\n14.03.2025 10:00:00 Nachmessung vereinbart"_s);
    // A date later than the upload: only the records can tell it is a comment.
    test::uploadAt(b, at(2026, 12, 11, 10), u"Termin\n20.01.2027 08:00:00 nächste Prüfung"_s, 0.5);
    DeviceHistory history = openHistory();
    ASSERT_EQ(history.uploads.size(), 2u);
    EXPECT_EQ(history.uploads[0].when(), at(2026, 12, 11, 9));
    EXPECT_EQ(history.uploads[0].comment,
              u"Jahresprüfung\n14.03.2025 10:00:00 Nachmessung vereinbart"_s);
    EXPECT_EQ(history.uploads[1].when(), at(2026, 12, 11, 10));
    EXPECT_EQ(history.uploads[1].comment, u"Termin\n20.01.2027 08:00:00 nächste Prüfung"_s);
    EXPECT_TRUE(history.notice.isEmpty()) << history.notice.toStdString();

    // The log changed behind the tool's back: it is read again, and what it holds that the
    // records do not is taken in once.
    appendTextFile(logPath(),
                   u"12.12.2026 07:00:00 von Hand\r\nU4711,ABC12,,,1,TA_1,°C,1,1000;\r\n"_s);
    history = openHistory();
    ASSERT_EQ(history.uploads.size(), 3u);
    EXPECT_EQ(history.uploads[2].source, RowSource::ChangeLog);
    EXPECT_EQ(openHistory().uploads.size(), 3u);

    // First use with an old log: the records are made from it.
    b.bench.close();
    LoopbackBench fresh;
    test::fillRecordsDevice(fresh.state());
    QDir().mkpath(fresh.state().configdir);
    ASSERT_TRUE(QFile::copy(logPath(), changeLogPath(fresh.state())));
    fresh.bench.showHistory();
    ASSERT_TRUE(fresh.dialogs.shownHistory);
    const DeviceHistory fromLog = *fresh.dialogs.shownHistory;
    ASSERT_EQ(fromLog.uploads.size(), 3u); // in time order
    EXPECT_EQ(fromLog.uploads[0].when(), at(2026, 12, 11, 9));
    EXPECT_EQ(fromLog.uploads[0].comment,
              u"Jahresprüfung\n14.03.2025 10:00:00 Nachmessung vereinbart"_s);
    EXPECT_EQ(fromLog.uploads[0].source, RowSource::ChangeLog);
    // The later date line cannot be told from a new entry without the records: the entry
    // before it is named, not passed over.
    EXPECT_EQ(fromLog.uploads[1].comment, u"von Hand"_s);
    EXPECT_EQ(fromLog.uploads[2].when(), at(2027, 1, 20, 8));
    EXPECT_TRUE(fromLog.notice.contains(
        u"Zeile 4: „11.12.2026 10:00:00 Termin“ (Eintrag ohne Datensatz, abgebrochen)"_s))
        << fromLog.notice.toStdString();
}

// A truncated entry is listed by its line and first line in the history's notice.
TEST_F(Records, ATruncatedEntryOfTheLogIsNamed) {
    QDir().mkpath(b.state().configdir);
    appendTextFile(logPath(), u"01.02.2024 10:00:00 erste\r\nU4711,ABC12,,,1,TA_1,°C,5,990;\r\n"
                              "02.02.2024 11:00:00 zweite\r\nU4711,ABC12,,,2,TA_1,°C,5"_s);
    const DeviceHistory history = openHistory();
    ASSERT_EQ(history.uploads.size(), 1u);
    EXPECT_EQ(history.uploads[0].comment, u"erste"_s);
    EXPECT_TRUE(history.notice.contains(u"1 Eintrag/Einträge des Änderungsprotokolls"_s));
    EXPECT_TRUE(history.notice.contains(
        u"Zeilen 3–4: „02.02.2024 11:00:00 zweite“ (Eintrag ohne Datensatz, abgebrochen)"_s))
        << history.notice.toStdString();
}

// A records database that cannot take the row stops the upload before anything is sent,
// with the reason in German; the files stay as they were.
TEST_F(Records, AnUnwritableDatabaseStopsTheUploadBeforeTheSend) {
    struct Case {
        const char* name;
        std::function<void(const QString& path)> spoil;
        QString reason;
    };
    const Case cases[] = {
        {"a folder in its place", [](const QString& path) { QDir().mkpath(path); },
         u"kann nicht geöffnet werden: An ihrer Stelle steht ein Ordner"_s},
        {"no database",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(4096, 'x'));
         },
         u"Die Datei ist keine Datenbank"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackBench bench;
        test::fillRecordsDevice(bench.state());
        QDir().mkpath(bench.state().configdir);
        const QString path = recordsFilePath(bench.state().configdir);
        c.spoil(path);
        test::uploadAt(bench, at(2026, 12, 11, 9), u"x"_s);
        EXPECT_TRUE(bench.sent().isEmpty());
        ASSERT_EQ(bench.dialogs.shown.size(), 2u);
        const QString error = bench.dialogs.shown[1].text;
        EXPECT_TRUE(error.startsWith(u"Es wurde nichts an die SPS gesendet.\nDie Datenbank '"_s +
                                     QDir::toNativeSeparators(path)))
            << error.toStdString();
        EXPECT_TRUE(error.contains(c.reason)) << error.toStdString();
        EXPECT_FALSE(QFile::exists(changeLogPath(bench.state())));
        EXPECT_FALSE(QFile::exists(correctionRecordPath(bench.state())));
    }
}

// A database file taken away and put back while the tool runs: the upload in between is
// refused, and the next one, the file back in place, goes into it.
TEST_F(Records, ADatabaseMendedWhileTheToolRunsTakesTheNextUpload) {
    test::uploadAt(b, at(2026, 12, 11, 9), u"erste"_s);
    const QString path = recordsFilePath(b.state().configdir);
    ASSERT_TRUE(QFile::rename(path, path + u".weg"_s));
    ASSERT_TRUE(QDir().mkpath(path));
    test::uploadAt(b, at(2026, 12, 11, 10), u"zweite"_s, 0.5);
    ASSERT_EQ(b.sent().size(), 1);
    ASSERT_EQ(b.dialogs.shown.size(), 3u);
    EXPECT_TRUE(b.dialogs.shown[2].text.contains(
        u"kann nicht geöffnet werden: An ihrer Stelle steht ein Ordner"_s))
        << b.dialogs.shown[2].text.toStdString();

    ASSERT_TRUE(QDir().rmdir(path));
    ASSERT_TRUE(QFile::rename(path + u".weg"_s, path));
    test::uploadAt(b, at(2026, 12, 11, 11), u"dritte"_s, 0.75);
    EXPECT_EQ(b.sent().size(), 2);
    RecordsDb& db = b.bench.records();
    const DeviceHistory history = db.history(db.benchId(), u"4711"_s);
    ASSERT_EQ(history.uploads.size(), 2u);
    EXPECT_EQ(history.uploads[1].comment, u"dritte"_s);
    EXPECT_TRUE(db.verify(db.benchId(), u"4711"_s, QString()).ok);
}

// A database made by a newer program is not written over.
TEST_F(Records, ANewerSchemaIsRefused) {
    const QString path = recordsFilePath(b.state().configdir);
    RecordsDb::openLocal(path).reset();
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"raw"_s);
        raw.setDatabaseName(path);
        ASSERT_TRUE(raw.open());
        QSqlQuery(raw).exec(u"UPDATE meta SET value = '99' WHERE key = 'schema_version'"_s);
        raw.close();
    }
    QSqlDatabase::removeDatabase(u"raw"_s);
    try {
        RecordsDb::openLocal(path);
        ADD_FAILURE() << "opened";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.message().contains(u"neueren Programmversion angelegt (Schema 99"_s))
            << e.message().toStdString();
    }
}
