// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/recordsdb.h"

#include "core/errors.h"
#include "state/loadedrecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>

#include <atomic>

namespace abgleich {

namespace {

std::atomic<int> connections{0};

QString connectionName() {
    return QStringLiteral("abgleich-records-%1").arg(connections.fetch_add(1));
}

QString sourceText(RowSource source) {
    return source == RowSource::Program ? QStringLiteral("programm")
                                        : QStringLiteral("protokolldatei");
}

RowSource sourceOf(const QString& text) {
    return text == QStringLiteral("protokolldatei") ? RowSource::ChangeLog : RowSource::Program;
}

QVariant orNull(const std::optional<qint64>& value) {
    return value ? QVariant(*value) : QVariant();
}
QVariant orNull(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}
QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// A text column: an empty text is stored as "", never as NULL.
QVariant text(const QString& value) {
    return QVariant(value.isNull() ? QString(QLatin1String("")) : value);
}

std::optional<qint64> wholeOrNone(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional(v.toLongLong());
}
std::optional<double> numberOrNone(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional(v.toDouble());
}

// The hash input: each field as its UTF-8 length, ':' and its bytes.
class HashInput {
public:
    explicit HashInput(const char* tag) { add(QString::fromLatin1(tag)); }
    HashInput& add(const QString& text) {
        const QByteArray bytes = text.toUtf8();
        hash_.addData(QByteArray::number(bytes.size()));
        hash_.addData(QByteArrayView(":"));
        hash_.addData(bytes);
        return *this;
    }
    HashInput& add(qint64 value) { return add(QString::number(value)); }
    HashInput& add(const std::optional<qint64>& value) {
        return add(value ? QString::number(*value) : QString());
    }
    HashInput& add(const std::optional<double>& value) {
        return add(value ? QString::number(*value, 'g', 17) : QString());
    }
    QString hex() { return QString::fromLatin1(hash_.result().toHex()); }

private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};

// The driver's reason in German where it is one the operator can act on.
QString reasonOf(const QString& driverText) {
    const QString t = driverText.toLower();
    const auto has = [&t](const char* part) { return t.contains(QLatin1String(part)); };
    if (has("readonly") || has("read-only") || has("read only"))
        return QStringLiteral("Schreibgeschützt");
    if (has("disk is full") || has("no space"))
        return QStringLiteral("Kein Speicherplatz mehr auf dem Datenträger");
    if (has("not a database"))
        return QStringLiteral("Die Datei ist keine Datenbank");
    if (has("locked") || has("busy"))
        return QStringLiteral("Die Datenbank ist von einem anderen Programm gesperrt");
    if (has("unable to open") || has("out of memory"))
        return QStringLiteral("Die Datei lässt sich nicht öffnen");
    if (has("password") || has("authentication"))
        return QStringLiteral("Anmeldung abgelehnt (Benutzer und Passwort in der Passwortdatei "
                              "des PostgreSQL-Clients prüfen)");
    if (has("could not connect") || has("connection refused") || has("timeout") ||
        has("could not translate host") || has("server closed") || has("no connection"))
        return QStringLiteral("Der Server ist nicht erreichbar");
    return driverText.trimmed();
}

const char* const kSchema[] = {
    "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    ("CREATE TABLE uploads (id %ID%, bench_id TEXT NOT NULL, bench_name TEXT NOT NULL, "
     "local_id BIGINT NOT NULL, device_id TEXT NOT NULL, device_type TEXT NOT NULL, "
     "controller_version TEXT NOT NULL, bench_host TEXT NOT NULL, uploaded_ms BIGINT NOT NULL, "
     "comment TEXT NOT NULL, record TEXT NOT NULL, read_back TEXT NOT NULL, source TEXT NOT NULL, "
     "largest_before DOUBLE PRECISION, largest_after DOUBLE PRECISION, "
     "point_count INTEGER NOT NULL, prev_hash TEXT NOT NULL, hash TEXT NOT NULL, "
     "report_file TEXT, report_sha256 TEXT, report_hash TEXT, "
     "push_state INTEGER NOT NULL DEFAULT 0, UNIQUE (bench_id, local_id))"),
    "CREATE INDEX uploads_device ON uploads (device_id, bench_id, uploaded_ms)",
    ("CREATE TABLE points (upload_id BIGINT NOT NULL REFERENCES uploads (id), "
     "position INTEGER NOT NULL, device_id TEXT NOT NULL, name TEXT NOT NULL, "
     "unit TEXT NOT NULL, a_found BIGINT, b_found BIGINT, a_sent BIGINT NOT NULL, "
     "b_sent BIGINT NOT NULL, pairs TEXT NOT NULL, largest_before DOUBLE PRECISION, "
     "largest_after DOUBLE PRECISION, PRIMARY KEY (upload_id, position))"),
    "CREATE INDEX points_drift ON points (device_id, name, upload_id, position, a_sent, b_sent)",
    ("CREATE TABLE device_points (bench_id TEXT NOT NULL, device_id TEXT NOT NULL, "
     "name TEXT NOT NULL, first_id BIGINT NOT NULL, position INTEGER NOT NULL, "
     "PRIMARY KEY (bench_id, device_id, name))"),
    ("CREATE TABLE log_files (device_id TEXT PRIMARY KEY, size BIGINT NOT NULL, "
     "modified_ms BIGINT NOT NULL, unreadable TEXT NOT NULL)"),
};

// Added in schema 2: tolerances, reference standards and report numbers.
const char* const kSchema2[] = {
    ("CREATE TABLE tolerances (device_type TEXT NOT NULL, point_name TEXT NOT NULL, "
     "tolerance DOUBLE PRECISION NOT NULL, PRIMARY KEY (device_type, point_name))"),
    ("CREATE TABLE standards (id TEXT PRIMARY KEY, description TEXT NOT NULL, "
     "certificate TEXT NOT NULL, valid_until TEXT NOT NULL)"),
    ("CREATE TABLE reports (series TEXT NOT NULL, number BIGINT NOT NULL, upload_id BIGINT, "
     "made_ms BIGINT NOT NULL, PRIMARY KEY (series, number))"),
};

const QString kUploadColumns = QStringLiteral(
    "id, bench_id, bench_name, local_id, device_id, device_type, controller_version, "
    "bench_host, uploaded_ms, comment, record, read_back, source, largest_before, "
    "largest_after, prev_hash, hash, report_file, report_sha256, report_hash, point_count, "
    "push_state");

} // namespace

QString uploadHash(const UploadRow& row) {
    HashInput in("abgleich-upload-1");
    in.add(row.benchId)
        .add(row.localId)
        .add(row.deviceId)
        .add(row.deviceType)
        .add(row.controllerVersion)
        .add(row.benchHost)
        .add(row.when.toMSecsSinceEpoch())
        .add(row.comment)
        .add(row.record)
        .add(row.readBack)
        .add(sourceText(row.source))
        .add(row.largestBefore)
        .add(row.largestAfter)
        .add(qint64(row.points.size()));
    for (const RecordedPoint& p : row.points)
        in.add(p.name)
            .add(p.unit)
            .add(p.aFound1000)
            .add(p.bFound1000)
            .add(p.aSent1000)
            .add(p.bSent1000)
            .add(p.pairs)
            .add(p.largestBefore)
            .add(p.largestAfter);
    return in.add(row.prevHash).hex();
}

QString reportHash(const UploadRow& row) {
    return HashInput("abgleich-report-1")
        .add(row.hash)
        .add(row.reportFile)
        .add(row.reportSha256)
        .hex();
}

QString fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

RecordsDb::RecordsDb(QString name, bool server)
    : connection_(connectionName()), name_(std::move(name)), server_(server) {}

RecordsDb::~RecordsDb() {
    {
        QSqlDatabase d = QSqlDatabase::database(connection_, false);
        if (d.isValid())
            d.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase RecordsDb::db() const {
    return QSqlDatabase::database(connection_, false);
}

void RecordsDb::fail(const QString& what, const QString& driverText) const {
    throw AppError(QStringLiteral("%1 '%2' %3: %4")
                       .arg(server_ ? QStringLiteral("Die zentrale Datenbank")
                                    : QStringLiteral("Die Datenbank"),
                            name_, what, reasonOf(driverText)));
}

QSqlQuery RecordsDb::prepare(const QString& sql) {
    QSqlQuery query(db());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(QStringLiteral("kann nicht gelesen werden"), query.lastError().text());
    return query;
}

void RecordsDb::exec(QSqlQuery& query) {
    if (!query.exec())
        fail(QStringLiteral("kann nicht gelesen oder geschrieben werden"),
             query.lastError().text());
}

std::unique_ptr<RecordsDb> RecordsDb::openLocal(const QString& path) {
    std::unique_ptr<RecordsDb> records(new RecordsDb(QDir::toNativeSeparators(path), false));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        records->fail(QStringLiteral("kann nicht geöffnet werden"),
                      QStringLiteral("Der SQLite-Treiber von Qt (libqt6sql6-sqlite) fehlt"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (QFileInfo(path).isDir())
        records->fail(QStringLiteral("kann nicht geöffnet werden"),
                      QStringLiteral("An ihrer Stelle steht ein Ordner"));
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), records->connection_);
    d.setDatabaseName(path);
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!d.open())
        records->fail(QStringLiteral("kann nicht geöffnet werden"), d.lastError().text());
    // Histories of thousands of uploads are read from memory-mapped pages and a cache that
    // holds them, not page by page from the file.
    for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL",
                               "PRAGMA cache_size = -65536", "PRAGMA mmap_size = 268435456"}) {
        QSqlQuery q = records->prepare(QString::fromLatin1(pragma));
        records->exec(q);
    }
    records->createSchema();
    return records;
}

std::unique_ptr<RecordsDb> RecordsDb::openServer(const ServerSettings& server, int connectSeconds) {
    std::unique_ptr<RecordsDb> records(new RecordsDb(
        QStringLiteral("%1@%2:%3").arg(server.database, server.host).arg(server.port), true));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        records->fail(QStringLiteral("kann nicht geöffnet werden"),
                      QStringLiteral("Der PostgreSQL-Treiber von Qt (libqt6sql6-psql) fehlt"));
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), records->connection_);
    d.setHostName(server.host.trimmed());
    d.setPort(server.port);
    d.setDatabaseName(server.database.trimmed());
    d.setUserName(server.user.trimmed());
    d.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(std::max(1, connectSeconds)));
    if (!d.open())
        records->fail(QStringLiteral("ist nicht erreichbar"), d.lastError().text());
    records->createSchema();
    return records;
}

QString RecordsDb::metaValue(const QString& key) {
    QSqlQuery q = prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"));
    q.addBindValue(key);
    exec(q);
    return q.next() ? q.value(0).toString() : QString();
}

void RecordsDb::setMetaValue(const QString& key, const QString& value) {
    QSqlQuery q =
        prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES (?, ?) ON CONFLICT (key) DO "
                               "UPDATE SET value = excluded.value"));
    q.addBindValue(key);
    q.addBindValue(value);
    exec(q);
}

void RecordsDb::createSchema() {
    const bool exists = db().tables().contains(QStringLiteral("meta"));
    if (exists) {
        const int version = metaValue(QStringLiteral("schema_version")).toInt();
        if (version > kSchemaVersion)
            fail(QStringLiteral("kann nicht verwendet werden"),
                 QStringLiteral("Sie wurde von einer neueren Programmversion angelegt (Schema "
                                "%1, dieses Programm kennt Schema %2)")
                     .arg(version)
                     .arg(kSchemaVersion));
        if (version == kSchemaVersion)
            return;
    }
    // A new database gets every step; an older one the steps it lacks.
    std::vector<const char*> statements;
    if (!exists)
        statements.assign(std::begin(kSchema), std::end(kSchema));
    statements.insert(statements.end(), std::begin(kSchema2), std::end(kSchema2));
    QSqlDatabase d = db();
    if (!d.transaction())
        fail(QStringLiteral("kann nicht angelegt werden"), d.lastError().text());
    try {
        for (const char* statement : statements) {
            QString sql = QString::fromLatin1(statement);
            sql.replace(QStringLiteral("%ID%"), server_ ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                                        : QStringLiteral("INTEGER PRIMARY KEY"));
            QSqlQuery q(d);
            if (!q.exec(sql)) {
                // Two benches may create or bring up the server's tables at once.
                if (server_ && d.tables().contains(QStringLiteral("reports")))
                    break;
                fail(QStringLiteral("kann nicht angelegt werden"), q.lastError().text());
            }
        }
        setMetaValue(QStringLiteral("schema_version"), QString::number(kSchemaVersion));
        if (!server_ && !exists) {
            setMetaValue(QStringLiteral("bench_id"),
                         QUuid::createUuid().toString(QUuid::WithoutBraces));
            setMetaValue(QStringLiteral("bench_name"), QSysInfo::machineHostName());
        }
        if (!d.commit())
            fail(QStringLiteral("kann nicht angelegt werden"), d.lastError().text());
    } catch (...) {
        d.rollback();
        throw;
    }
}

QString RecordsDb::benchId() {
    return metaValue(QStringLiteral("bench_id"));
}

QString RecordsDb::benchName() {
    return metaValue(QStringLiteral("bench_name"));
}

void RecordsDb::setBenchName(const QString& name) {
    if (!name.trimmed().isEmpty() && name.trimmed() != benchName())
        setMetaValue(QStringLiteral("bench_name"), name.trimmed());
}

void RecordsDb::checkWritable() {
    QSqlDatabase d = db();
    QSqlQuery q(d);
    const QString what = QStringLiteral("kann nicht geschrieben werden");
    if (!q.exec(server_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        fail(what, q.lastError().text());
    const bool wrote =
        q.exec(QStringLiteral("INSERT INTO meta (key, value) VALUES ('schreibprobe', '1') ON "
                              "CONFLICT (key) DO UPDATE SET value = excluded.value"));
    const QString error = q.lastError().text();
    q.exec(QStringLiteral("ROLLBACK"));
    if (!wrote)
        fail(what, error);
}

qint64 RecordsDb::insertRow(const UploadRow& row) {
    QSqlQuery q = prepare(
        QStringLiteral("INSERT INTO uploads (%1) VALUES (%2) ON CONFLICT (bench_id, local_id) DO "
                       "NOTHING RETURNING id")
            .arg(server_ ? QString(kUploadColumns).remove(0, 4) : kUploadColumns,
                 server_ ? QStringLiteral("?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                          "?, ?, ?, 0")
                         : QStringLiteral("?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                          "?, ?, ?, ?, 0")));
    if (!server_)
        q.addBindValue(row.localId);
    for (const QVariant& v : {text(row.benchId),         text(row.benchName),
                              QVariant(row.localId),     text(row.deviceId),
                              text(row.deviceType),      text(row.controllerVersion),
                              text(row.benchHost),       QVariant(row.when.toMSecsSinceEpoch()),
                              text(row.comment),         text(row.record),
                              text(row.readBack),        text(sourceText(row.source)),
                              orNull(row.largestBefore), orNull(row.largestAfter),
                              text(row.prevHash),        text(row.hash),
                              orNull(row.reportFile),    orNull(row.reportSha256),
                              orNull(row.reportHash),    QVariant(qint64(row.points.size()))})
        q.addBindValue(v);
    exec(q);
    if (!q.next())
        return 0; // held already
    const qint64 id = q.value(0).toLongLong();
    q.finish();

    QSqlQuery p = prepare(QStringLiteral(
        "INSERT INTO points (upload_id, position, device_id, name, unit, a_found, b_found, "
        "a_sent, b_sent, pairs, largest_before, largest_after) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?)"));
    QSqlQuery names = prepare(QStringLiteral(
        "INSERT INTO device_points (bench_id, device_id, name, first_id, position) VALUES (?, "
        "?, ?, ?, ?) ON CONFLICT (bench_id, device_id, name) DO NOTHING"));
    for (std::size_t k = 0; k < row.points.size(); ++k) {
        const RecordedPoint& point = row.points[k];
        for (const QVariant& v :
             {QVariant(id), QVariant(qint64(k)), text(row.deviceId), text(point.name),
              text(point.unit), orNull(point.aFound1000), orNull(point.bFound1000),
              QVariant(point.aSent1000), QVariant(point.bSent1000), text(point.pairs),
              orNull(point.largestBefore), orNull(point.largestAfter)})
            p.addBindValue(v);
        exec(p);
        for (const QVariant& v : {text(row.benchId), text(row.deviceId), text(point.name),
                                  QVariant(id), QVariant(qint64(k))})
            names.addBindValue(v);
        exec(names);
    }
    return id;
}

template <typename Work> auto RecordsDb::inTransaction(Work&& work) {
    QSqlDatabase d = db();
    const QString what = QStringLiteral("kann nicht geschrieben werden");
    {
        QSqlQuery begin(d);
        if (!begin.exec(server_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
            fail(what, begin.lastError().text());
    }
    try {
        auto result = work();
        QSqlQuery commit(d);
        if (!commit.exec(QStringLiteral("COMMIT")))
            fail(what, commit.lastError().text());
        return result;
    } catch (...) {
        QSqlQuery(d).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

qint64 RecordsDb::addUpload(UploadRow row, QString* reportNumber) {
    std::vector<UploadRow> rows;
    rows.push_back(std::move(row));
    if (!reportNumber)
        return addUploads(std::move(rows)).front();
    const qint64 ms = rows.front().when.toMSecsSinceEpoch();
    return inTransaction([&] {
        const qint64 id = insertUploads(std::move(rows)).front();
        *reportNumber = nextReportNumber(ReportSeries::Upload, id, ms);
        return id;
    });
}

QString RecordsDb::nextReportNumber(ReportSeries series, qint64 uploadId, qint64 ms) {
    const QString seriesText{QChar(char(series))};
    QSqlQuery last = prepare(
        QStringLiteral("SELECT COALESCE(MAX(number), 0) + 1 FROM reports WHERE series = ?"));
    last.addBindValue(seriesText);
    exec(last);
    last.next();
    const qint64 number = last.value(0).toLongLong();
    last.finish();
    QSqlQuery q = prepare(QStringLiteral(
        "INSERT INTO reports (series, number, upload_id, made_ms) VALUES (?, ?, ?, ?)"));
    for (const QVariant& v : {text(seriesText), QVariant(number),
                              uploadId > 0 ? QVariant(uploadId) : QVariant(), QVariant(ms)})
        q.addBindValue(v);
    exec(q);
    return reportNumberText(series, number);
}

QString RecordsDb::drawReportNumber(ReportSeries series, qint64 uploadId, qint64 ms) {
    return inTransaction([&] { return nextReportNumber(series, uploadId, ms); });
}

QHash<QString, double> RecordsDb::tolerances(const QString& deviceType) {
    QSqlQuery q = prepare(
        QStringLiteral("SELECT point_name, tolerance FROM tolerances WHERE device_type = ?"));
    q.addBindValue(text(deviceType));
    exec(q);
    QHash<QString, double> result;
    while (q.next())
        result.insert(q.value(0).toString(), q.value(1).toDouble());
    return result;
}

void RecordsDb::setTolerances(const QString& deviceType,
                              const QHash<QString, std::optional<double>>& changes) {
    inTransaction([&] {
        for (auto it = changes.begin(); it != changes.end(); ++it) {
            QSqlQuery q = prepare(
                it.value() ? QStringLiteral("INSERT INTO tolerances (device_type, point_name, "
                                            "tolerance) VALUES (?, ?, ?) ON CONFLICT "
                                            "(device_type, point_name) DO UPDATE SET tolerance "
                                            "= excluded.tolerance")
                           : QStringLiteral("DELETE FROM tolerances WHERE device_type = ? AND "
                                            "point_name = ?"));
            q.addBindValue(text(deviceType));
            q.addBindValue(text(it.key()));
            if (it.value())
                q.addBindValue(*it.value());
            exec(q);
        }
        return true;
    });
}

std::vector<ReferenceStandard> RecordsDb::standards() {
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT id, description, certificate, valid_until FROM standards ORDER BY id"));
    exec(q);
    std::vector<ReferenceStandard> result;
    while (q.next())
        result.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          QDate::fromString(q.value(3).toString(), Qt::ISODate)});
    return result;
}

void RecordsDb::setStandards(const std::vector<ReferenceStandard>& standards) {
    inTransaction([&] {
        QSqlQuery clear = prepare(QStringLiteral("DELETE FROM standards"));
        exec(clear);
        QSqlQuery q = prepare(QStringLiteral("INSERT INTO standards (id, description, "
                                             "certificate, valid_until) VALUES (?, ?, ?, ?)"));
        for (const ReferenceStandard& s : standards) {
            for (const QVariant& v : {text(s.id), text(s.description), text(s.certificate),
                                      text(s.validUntil.toString(Qt::ISODate))})
                q.addBindValue(v);
            exec(q);
        }
        return true;
    });
}

std::vector<qint64> RecordsDb::addUploads(std::vector<UploadRow> rows) {
    return inTransaction([&] { return insertUploads(std::move(rows)); });
}

std::vector<qint64> RecordsDb::insertUploads(std::vector<UploadRow> rows) {
    const QString what = QStringLiteral("kann nicht geschrieben werden");
    {
        std::vector<qint64> ids;
        const QString bench = metaValue(QStringLiteral("bench_id"));
        const QString benchLabel = metaValue(QStringLiteral("bench_name"));
        for (UploadRow& row : rows) {
            if (!server_) {
                row.benchId = bench;
                row.benchName = benchLabel;
                QSqlQuery next =
                    prepare(QStringLiteral("SELECT COALESCE(MAX(id), 0) + 1 FROM uploads"));
                exec(next);
                next.next();
                row.localId = next.value(0).toLongLong();
            }
            QSqlQuery last = prepare(QStringLiteral(
                "SELECT hash FROM uploads WHERE bench_id = ? AND device_id = ? ORDER BY "
                "local_id DESC LIMIT 1"));
            last.addBindValue(row.benchId);
            last.addBindValue(row.deviceId);
            exec(last);
            row.prevHash = last.next() ? last.value(0).toString() : QString();
            last.finish();
            row.reportFile.clear();
            row.reportSha256.clear();
            row.reportHash.clear();
            row.hash = uploadHash(row);
            const qint64 id = insertRow(row);
            if (id == 0)
                fail(what, QStringLiteral("Der Eintrag ist schon vorhanden"));
            ids.push_back(id);
        }
        return ids;
    }
}

void RecordsDb::setReport(qint64 id, const QString& fileName, const QString& sha256) {
    UploadRow row = upload(id);
    row.reportFile = fileName;
    row.reportSha256 = sha256;
    row.reportHash = reportHash(row);
    QSqlQuery q = prepare(QStringLiteral(
        "UPDATE uploads SET report_file = ?, report_sha256 = ?, report_hash = ? WHERE id = ?"));
    q.addBindValue(row.reportFile);
    q.addBindValue(row.reportSha256);
    q.addBindValue(row.reportHash);
    q.addBindValue(id);
    exec(q);
}

std::vector<RecordedPoint> RecordsDb::points(qint64 id) {
    QSqlQuery q = prepare(
        QStringLiteral("SELECT name, unit, a_found, b_found, a_sent, b_sent, pairs, "
                       "largest_before, largest_after FROM points WHERE upload_id = ? ORDER BY "
                       "position"));
    q.addBindValue(id);
    exec(q);
    std::vector<RecordedPoint> points;
    while (q.next())
        points.push_back({q.value(0).toString(), q.value(1).toString(), wholeOrNone(q.value(2)),
                          wholeOrNone(q.value(3)), q.value(4).toLongLong(), q.value(5).toLongLong(),
                          q.value(6).toString(), numberOrNone(q.value(7)),
                          numberOrNone(q.value(8))});
    return points;
}

UploadRow RecordsDb::upload(qint64 id) {
    QSqlQuery q =
        prepare(QStringLiteral("SELECT %1 FROM uploads WHERE id = ?").arg(kUploadColumns));
    q.addBindValue(id);
    exec(q);
    if (!q.next())
        fail(QStringLiteral("kann nicht gelesen werden"),
             QStringLiteral("Der Eintrag Nr. %1 fehlt").arg(id));
    UploadRow row;
    row.id = q.value(0).toLongLong();
    row.benchId = q.value(1).toString();
    row.benchName = q.value(2).toString();
    row.localId = q.value(3).toLongLong();
    row.deviceId = q.value(4).toString();
    row.deviceType = q.value(5).toString();
    row.controllerVersion = q.value(6).toString();
    row.benchHost = q.value(7).toString();
    row.when = QDateTime::fromMSecsSinceEpoch(q.value(8).toLongLong());
    row.comment = q.value(9).toString();
    row.record = q.value(10).toString();
    row.readBack = q.value(11).toString();
    row.source = sourceOf(q.value(12).toString());
    row.largestBefore = numberOrNone(q.value(13));
    row.largestAfter = numberOrNone(q.value(14));
    row.prevHash = q.value(15).toString();
    row.hash = q.value(16).toString();
    row.reportFile = q.value(17).toString();
    row.reportSha256 = q.value(18).toString();
    row.reportHash = q.value(19).toString();
    q.finish();
    row.points = points(id);
    return row;
}

LoggedRecord RecordsDb::record(qint64 id) {
    QSqlQuery q =
        prepare(QStringLiteral("SELECT device_id, device_type FROM uploads WHERE id = ?"));
    q.addBindValue(id);
    exec(q);
    LoggedRecord record;
    if (q.next()) {
        record.deviceId = q.value(0).toString();
        record.deviceType = q.value(1).toString();
    }
    q.finish();
    QSqlQuery p = prepare(QStringLiteral(
        "SELECT name, unit, a_sent, b_sent FROM points WHERE upload_id = ? ORDER BY position"));
    p.addBindValue(id);
    exec(p);
    while (p.next())
        record.points.push_back({p.value(0).toString(), p.value(1).toString(),
                                 p.value(2).toLongLong(), p.value(3).toLongLong()});
    return record;
}

DeviceHistory RecordsDb::history(const QString& benchId, const QString& deviceId) {
    DeviceHistory history;
    history.benchId = benchId;
    history.deviceId = deviceId;
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT id, uploaded_ms, comment, point_count, source, bench_name FROM uploads WHERE "
        "device_id = ? AND bench_id = ? ORDER BY uploaded_ms, local_id"));
    q.addBindValue(deviceId);
    q.addBindValue(benchId);
    exec(q);
    while (q.next()) {
        history.uploads.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(),
                                   q.value(2).toString(), q.value(3).toInt(),
                                   sourceOf(q.value(4).toString())});
        history.benchName = q.value(5).toString();
    }
    q.finish();
    QSqlQuery n = prepare(QStringLiteral("SELECT name FROM device_points WHERE bench_id = ? AND "
                                         "device_id = ? ORDER BY first_id, position"));
    n.addBindValue(benchId);
    n.addBindValue(deviceId);
    exec(n);
    while (n.next())
        history.pointNames << n.value(0).toString();
    return history;
}

std::vector<DriftValue> RecordsDb::drift(const DeviceHistory& history, const QString& pointName) {
    // The points come from the covering index alone; the history knows each upload's moment
    // and order, and which uploads are of its bench.
    QHash<qint64, std::size_t> order;
    order.reserve(qsizetype(history.uploads.size()));
    for (std::size_t k = 0; k < history.uploads.size(); ++k)
        order.insert(history.uploads[k].id, k);
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT upload_id, a_sent, b_sent FROM points WHERE device_id = ? AND name = ? ORDER BY "
        "upload_id, position"));
    q.addBindValue(history.deviceId);
    q.addBindValue(pointName);
    exec(q);
    const bool offset = isOffsetPoint(pointName);
    std::vector<std::optional<DriftValue>> byUpload(history.uploads.size());
    while (q.next()) {
        const auto at = order.constFind(q.value(0).toLongLong());
        // Another bench's upload, or a name twice in one upload (its first point counts).
        if (at == order.cend() || byUpload[*at])
            continue;
        const UploadSummary& upload = history.uploads[*at];
        byUpload[*at] = DriftValue{upload.id, upload.ms, q.value(1).toLongLong(),
                                   offset ? std::nullopt : std::optional(q.value(2).toLongLong())};
    }
    std::vector<DriftValue> values;
    values.reserve(history.uploads.size());
    for (const std::optional<DriftValue>& value : byUpload)
        if (value)
            values.push_back(*value);
    return values;
}

std::vector<PlantDevice> RecordsDb::plant() {
    // The newest upload in time of each device on each bench.
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT u.bench_id, u.bench_name, u.device_id, u.device_type, u.uploaded_ms, c.n, "
        "u.largest_before, u.largest_after FROM uploads u JOIN (SELECT bench_id, device_id, "
        "MAX(uploaded_ms) AS newest, COUNT(*) AS n FROM uploads GROUP BY bench_id, device_id) c "
        "ON u.bench_id = c.bench_id AND u.device_id = c.device_id AND u.uploaded_ms = c.newest "
        "ORDER BY u.device_id, u.bench_name, u.bench_id, u.local_id DESC"));
    exec(q);
    std::vector<PlantDevice> devices;
    while (q.next()) {
        const QString bench = q.value(0).toString();
        const QString device = q.value(2).toString();
        // Two uploads of the same second: the one written last.
        if (!devices.empty() && devices.back().benchId == bench &&
            devices.back().deviceId == device)
            continue;
        devices.push_back({bench, q.value(1).toString(), device, q.value(3).toString(),
                           QDateTime::fromMSecsSinceEpoch(q.value(4).toLongLong()),
                           q.value(5).toInt(), numberOrNone(q.value(6)), numberOrNone(q.value(7))});
    }
    return devices;
}

ChainCheck RecordsDb::verify(const QString& benchId, const QString& deviceId,
                             const QString& reportDir) {
    QSqlQuery q = prepare(QStringLiteral("SELECT id FROM uploads WHERE bench_id = ? AND "
                                         "device_id = ? ORDER BY local_id"));
    q.addBindValue(benchId);
    q.addBindValue(deviceId);
    exec(q);
    std::vector<qint64> ids;
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    q.finish();
    ChainCheck check;
    QString previous;
    for (const qint64 id : ids) {
        const UploadRow row = upload(id);
        ++check.rows;
        const auto stop = [&](const QString& why) {
            check.ok = false;
            check.finding = QStringLiteral("Eintrag Nr. %1 vom %2: %3")
                                .arg(row.localId)
                                .arg(row.when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), why);
            return check;
        };
        if (row.prevHash != previous)
            return stop(QStringLiteral("Die Verkettung mit dem Eintrag davor ist unterbrochen (ein "
                                       "Eintrag wurde entfernt, eingefügt oder verändert)."));
        if (uploadHash(row) != row.hash)
            return stop(QStringLiteral("Der Inhalt passt nicht zu seinem Hash (der Eintrag wurde "
                                       "nachträglich verändert)."));
        if (!row.reportHash.isEmpty() || !row.reportFile.isEmpty()) {
            if (reportHash(row) != row.reportHash)
                return stop(QStringLiteral("Die Angaben zum Abgleichprotokoll passen nicht zu "
                                           "ihrem Hash."));
            if (!reportDir.isEmpty()) {
                const QString path = reportDir + QDir::separator() + row.reportFile;
                if (!QFileInfo::exists(path))
                    return stop(
                        QStringLiteral("Das Abgleichprotokoll '%1' fehlt.").arg(row.reportFile));
                if (fileSha256(path) != row.reportSha256)
                    return stop(QStringLiteral("Das Abgleichprotokoll '%1' wurde verändert (sein "
                                               "SHA-256 weicht ab).")
                                    .arg(row.reportFile));
            }
        }
        previous = row.hash;
    }
    return check;
}

std::vector<std::pair<qint64, QString>> RecordsDb::hashes(const QString& benchId,
                                                          const QString& deviceId) {
    QSqlQuery q = prepare(QStringLiteral("SELECT local_id, hash FROM uploads WHERE bench_id = ? "
                                         "AND device_id = ? ORDER BY local_id"));
    q.addBindValue(benchId);
    q.addBindValue(deviceId);
    exec(q);
    std::vector<std::pair<qint64, QString>> result;
    while (q.next())
        result.emplace_back(q.value(0).toLongLong(), q.value(1).toString());
    return result;
}

QSet<RecordsDb::HeldUpload> RecordsDb::held(const QString& deviceId) {
    QSqlQuery q = prepare(QStringLiteral("SELECT uploaded_ms, record FROM uploads WHERE "
                                         "device_id = ?"));
    q.addBindValue(deviceId);
    exec(q);
    QSet<HeldUpload> result;
    while (q.next())
        result.insert({q.value(0).toLongLong(), q.value(1).toString()});
    return result;
}

RecordsDb::LogState RecordsDb::logState(const QString& deviceId) {
    QSqlQuery q = prepare(
        QStringLiteral("SELECT size, modified_ms, unreadable FROM log_files WHERE device_id = ?"));
    q.addBindValue(deviceId);
    exec(q);
    LogState state;
    if (q.next()) {
        state.size = q.value(0).toLongLong();
        state.modifiedMs = q.value(1).toLongLong();
        const QString unreadable = q.value(2).toString();
        if (!unreadable.isEmpty())
            state.unreadable = unreadable.split(u'\n');
    }
    return state;
}

void RecordsDb::setLogState(const QString& deviceId, const LogState& state) {
    QSqlQuery q = prepare(QStringLiteral(
        "INSERT INTO log_files (device_id, size, modified_ms, unreadable) VALUES (?, ?, ?, ?) ON "
        "CONFLICT (device_id) DO UPDATE SET size = excluded.size, modified_ms = "
        "excluded.modified_ms, unreadable = excluded.unreadable"));
    q.addBindValue(deviceId);
    q.addBindValue(state.size);
    q.addBindValue(state.modifiedMs);
    q.addBindValue(text(state.unreadable.join(u'\n')));
    exec(q);
}

int RecordsDb::pendingCount() {
    QSqlQuery q = prepare(QStringLiteral("SELECT COUNT(*) FROM uploads WHERE push_state = 0 OR "
                                         "(push_state = 1 AND report_hash IS NOT NULL)"));
    exec(q);
    return q.next() ? q.value(0).toInt() : 0;
}

int RecordsDb::pushTo(RecordsDb& server, int atMost) {
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT id, push_state FROM uploads WHERE push_state = 0 OR (push_state = 1 AND "
        "report_hash IS NOT NULL) ORDER BY id LIMIT ?"));
    q.addBindValue(atMost);
    exec(q);
    std::vector<std::pair<qint64, int>> pending;
    while (q.next())
        pending.emplace_back(q.value(0).toLongLong(), q.value(1).toInt());
    q.finish();
    int sent = 0;
    const QString what = QStringLiteral("kann nicht geschrieben werden");
    for (const auto& [id, state] : pending) {
        const UploadRow row = upload(id);
        QSqlDatabase s = server.db();
        if (!s.transaction())
            server.fail(what, s.lastError().text());
        try {
            if (state == 0)
                server.insertRow(row);
            if (!row.reportHash.isEmpty()) {
                QSqlQuery r = server.prepare(
                    QStringLiteral("UPDATE uploads SET report_file = ?, report_sha256 = ?, "
                                   "report_hash = ? WHERE bench_id = ? AND local_id = ?"));
                for (const QVariant& v :
                     {QVariant(row.reportFile), QVariant(row.reportSha256),
                      QVariant(row.reportHash), text(row.benchId), QVariant(row.localId)})
                    r.addBindValue(v);
                server.exec(r);
            }
            if (!s.commit())
                server.fail(what, s.lastError().text());
        } catch (...) {
            s.rollback();
            throw;
        }
        // Sent twice at worst (the server keeps one): the row is marked after the server
        // has it.
        QSqlQuery done = prepare(QStringLiteral("UPDATE uploads SET push_state = ? WHERE id = ?"));
        done.addBindValue(row.reportHash.isEmpty() ? 1 : 2);
        done.addBindValue(id);
        exec(done);
        ++sent;
    }
    return sent;
}

QString recordsFilePath(const QString& configdir) {
    return configdir + QDir::separator() + QStringLiteral("Abgleich.sqlite");
}

QString RecordsSource::describe() const {
    return server.configured()
               ? QStringLiteral("zentrale Datenbank %1@%2:%3")
                     .arg(server.database, server.host)
                     .arg(server.port)
               : QStringLiteral("lokale Datenbank %1").arg(QDir::toNativeSeparators(localPath));
}

} // namespace abgleich
