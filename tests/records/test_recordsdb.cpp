// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The records database: rows and points as written, the chain of hashes per device and
// bench, and what "Verlauf prüfen" finds when a row, the chain or a report file changed.
#include "core/errors.h"
#include "records/recordsdb.h"
#include "support/qtprint.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

UploadRow row(const QString& device, int day, qint64 a1000) {
    UploadRow r;
    r.deviceId = device;
    r.deviceType = u"ABC12"_s;
    r.controllerVersion = u"2.1"_s;
    r.benchHost = u"127.0.0.1"_s;
    r.when = QDateTime(QDate(2026, 12, day), QTime(9, 0));
    r.comment = u"Abgleich\nzweite Zeile"_s;
    r.record = u"U%1,ABC12,,,1,TA_1,°C,%2,1000;"_s.arg(device).arg(a1000);
    r.readBack = u"alle 1 Messstellen bestätigt"_s;
    r.largestBefore = 0.5;
    r.largestAfter = -0.001;
    r.points.push_back(
        {u"TA_1"_s, u"°C"_s, 100, 1000, a1000, 1000, u"100 100.5 0.5 -0.001"_s, 0.5, -0.001});
    return r;
}

// A bench's records with three uploads of device 4711 and one of 4712.
struct ChainedRecords {
    ChainedRecords() : path(recordsFilePath(dir.path())), db(RecordsDb::openLocal(path)) {
        for (int day = 1; day <= 3; ++day)
            db->addUpload(row(u"4711"_s, day, 100 * day));
        db->addUpload(row(u"4712"_s, 2, 7));
    }
    // Changes the file behind the program's back.
    void tamper(const QString& sql) {
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"tamper"_s);
            raw.setDatabaseName(path);
            ASSERT_TRUE(raw.open());
            QSqlQuery q(raw);
            ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
            raw.close();
        }
        QSqlDatabase::removeDatabase(u"tamper"_s);
    }
    ChainCheck check() { return db->verify(db->benchId(), u"4711"_s, dir.path()); }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<RecordsDb> db;
};

} // namespace

TEST(Chain, RowsReadBackAsWrittenAndChainPerDevice) {
    ChainedRecords r;
    auto& db = r.db;
    const auto check = [&r] { return r.check(); };
    const DeviceHistory history = db->history(db->benchId(), u"4711"_s);
    ASSERT_EQ(history.uploads.size(), 3u);
    const UploadRow first = db->upload(history.uploads[0].id);
    const UploadRow second = db->upload(history.uploads[1].id);
    UploadRow expected = row(u"4711"_s, 1, 100);
    EXPECT_EQ(first.record, expected.record);
    EXPECT_EQ(first.points, expected.points);
    EXPECT_EQ(first.largestBefore, expected.largestBefore);
    EXPECT_TRUE(first.prevHash.isEmpty());
    EXPECT_EQ(second.prevHash, first.hash);
    // The other device's chain starts on its own.
    const DeviceHistory other = db->history(db->benchId(), u"4712"_s);
    ASSERT_EQ(other.uploads.size(), 1u);
    EXPECT_TRUE(db->upload(other.uploads[0].id).prevHash.isEmpty());
    // An independent reading of the hash rule: SHA-256 over length-prefixed fields.
    EXPECT_EQ(first.hash.size(), 64);
    EXPECT_EQ(first.hash, uploadHash(first));
    UploadRow changed = first;
    changed.points[0].aSent1000 += 1;
    EXPECT_NE(uploadHash(changed), first.hash);
    changed = first;
    changed.comment = u"Abgleich"_s;
    changed.readBack = u"\nzweite Zeilealle 1 Messstellen bestätigt"_s; // same bytes joined
    EXPECT_NE(uploadHash(changed), first.hash);
    const ChainCheck ok = check();
    EXPECT_TRUE(ok.ok) << ok.finding.toStdString();
    EXPECT_EQ(ok.rows, 3);
}

TEST(Chain, VerifyNamesTheFirstRowThatDoesNotMatch) {
    ChainedRecords r;
    struct Case {
        const char* name;
        QString sql;
        QString finding;
    };
    const Case cases[] = {
        {"a coefficient as sent", u"UPDATE points SET a_sent = 999 WHERE upload_id = 2"_s,
         u"Eintrag Nr. 2 vom 02.12.2026 09:00:00: Der Inhalt passt nicht zu seinem Hash"_s},
        {"the comment", u"UPDATE uploads SET comment = 'anders' WHERE id = 1"_s,
         u"Eintrag Nr. 1 vom 01.12.2026 09:00:00: Der Inhalt passt nicht"_s},
        {"the time", u"UPDATE uploads SET uploaded_ms = uploaded_ms + 1000 WHERE id = 3"_s,
         u"Eintrag Nr. 3 vom 03.12.2026 09:00:01: Der Inhalt passt nicht"_s},
        {"a point removed", u"DELETE FROM points WHERE upload_id = 2"_s,
         u"Eintrag Nr. 2 vom 02.12.2026 09:00:00: Der Inhalt passt nicht"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChainedRecords fresh;
        fresh.tamper(c.sql);
        const ChainCheck found = fresh.check();
        EXPECT_FALSE(found.ok);
        EXPECT_TRUE(found.finding.startsWith(c.finding)) << found.finding.toStdString();
    }
    // A whole row taken out breaks the link of the one after it.
    r.tamper(u"DELETE FROM points WHERE upload_id = 2"_s);
    r.tamper(u"DELETE FROM uploads WHERE id = 2"_s);
    const ChainCheck gap = r.check();
    EXPECT_FALSE(gap.ok);
    EXPECT_TRUE(gap.finding.startsWith(
        u"Eintrag Nr. 3 vom 03.12.2026 09:00:00: Die Verkettung mit dem Eintrag davor ist "
        "unterbrochen"_s))
        << gap.finding.toStdString();
}

TEST(Chain, VerifyChecksTheReportFiles) {
    ChainedRecords r;
    auto& db = r.db;
    const auto check = [&r] { return r.check(); };
    const auto tamper = [&r](const QString& sql) { r.tamper(sql); };
    const QString report = r.dir.filePath(u"Abgleichprotokoll_4711.pdf"_s);
    {
        QFile f(report);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4 report");
    }
    db->setReport(2, u"Abgleichprotokoll_4711.pdf"_s, fileSha256(report));
    EXPECT_EQ(fileSha256(report),
              QString::fromLatin1(
                  QCryptographicHash::hash("%PDF-1.4 report", QCryptographicHash::Sha256).toHex()));
    EXPECT_TRUE(check().ok) << check().finding.toStdString();

    {
        QFile f(report);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(" geändert");
    }
    ChainCheck found = check();
    EXPECT_FALSE(found.ok);
    EXPECT_EQ(found.finding, u"Eintrag Nr. 2 vom 02.12.2026 09:00:00: Das Abgleichprotokoll "
                             "'Abgleichprotokoll_4711.pdf' wurde verändert (sein SHA-256 weicht "
                             "ab)."_s);
    QFile::remove(report);
    found = check();
    EXPECT_TRUE(
        found.finding.endsWith(u"Das Abgleichprotokoll 'Abgleichprotokoll_4711.pdf' fehlt."_s));
    // The stored hash of the report changed to match another file: its own hash tells.
    tamper(u"UPDATE uploads SET report_sha256 = 'abc' WHERE id = 2"_s);
    EXPECT_TRUE(check().finding.contains(u"Die Angaben zum Abgleichprotokoll passen nicht"_s));
}

// A file of the first schema gains tolerances, standards and report numbers and keeps its
// rows, its bench ID and its chain; report numbers count per series, in the records.
TEST(Chain, AnOlderFileIsBroughtUpToDateAndNumbersReports) {
    ChainedRecords records;
    const QString bench = records.db->benchId();
    records.db.reset();
    for (const char* sql : {"DROP TABLE tolerances", "DROP TABLE standards", "DROP TABLE reports",
                            "UPDATE meta SET value = '1' WHERE key = 'schema_version'"})
        records.tamper(QString::fromLatin1(sql));
    records.db = RecordsDb::openLocal(records.path);
    EXPECT_EQ(records.db->benchId(), bench);
    EXPECT_TRUE(records.check().ok) << records.check().finding.toStdString();
    EXPECT_EQ(records.db->history(bench, u"4711"_s).uploads.size(), 3u);

    records.db->setTolerances(u"ABC12"_s, {{u"TA_1"_s, 0.5}, {u"TB_1"_s, 1.25}});
    records.db->setTolerances(u"ABC12"_s, {{u"TB_1"_s, std::nullopt}});
    records.db->setTolerances(u"XYZ"_s, {{u"TA_1"_s, 9.0}});
    EXPECT_EQ(records.db->tolerances(u"ABC12"_s), (QHash<QString, double>{{u"TA_1"_s, 0.5}}));

    const std::vector<ReferenceStandard> register_ = {
        {u"PM-1"_s, u"Druckwaage"_s, u"K-1"_s, QDate(2027, 1, 31)},
        {u"PM-2"_s, QString(), QString(), QDate(2026, 1, 1)}};
    records.db->setStandards(register_);
    EXPECT_EQ(records.db->standards(), register_);

    QString number;
    records.db->addUpload(row(u"4711"_s, 4, 400), &number);
    EXPECT_EQ(number, u"A-00001"_s);
    EXPECT_EQ(records.db->drawReportNumber(ReportSeries::Table, 0, 0), u"P-00001"_s);
    EXPECT_EQ(records.db->drawReportNumber(ReportSeries::Table, 0, 0), u"P-00002"_s);
    records.db->addUpload(row(u"4711"_s, 5, 500), &number);
    EXPECT_EQ(number, u"A-00002"_s);
    // A row that cannot be written takes no number.
    UploadRow broken = row(u"4711"_s, 6, 600);
    records.tamper(u"CREATE TRIGGER refuse BEFORE INSERT ON uploads BEGIN SELECT "
                   "RAISE(ABORT, 'voll'); END"_s);
    EXPECT_THROW(records.db->addUpload(broken, &number), AppError);
    records.tamper(u"DROP TRIGGER refuse"_s);
    records.db->addUpload(row(u"4711"_s, 7, 700), &number);
    EXPECT_EQ(number, u"A-00003"_s);
}
