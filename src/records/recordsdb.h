// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/adjustmentreport.h"
#include "records/history.h"

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace abgleich {

// One point of an upload as the records database keeps it: a and b times 1000 as the
// controller held them before (nothing where it held none) and as sent, the value pairs with
// their deviations, and the deviations of largest magnitude before and after (signed).
struct RecordedPoint {
    QString name;
    QString unit;
    std::optional<qint64> aFound1000;
    std::optional<qint64> bFound1000;
    qint64 aSent1000 = 0;
    qint64 bSent1000 = 1000;
    QString pairs; // "ref tm before after" per pair, pairs joined by ";", empty: none
    std::optional<double> largestBefore;
    std::optional<double> largestAfter;
    bool operator==(const RecordedPoint&) const = default;
};

// Where an upload's row came from.
enum class RowSource { Program, ChangeLog };

// One upload as the records database keeps it. The bench is the PC's records database (its
// own ID, made when the database was created, and a name for people); benchHost is the
// controller's address.
struct UploadRow {
    qint64 id = 0; // the row's number in the database it was read from
    QString benchId;
    QString benchName;
    qint64 localId = 0; // the row's number in the bench's own database
    QString deviceId;
    QString deviceType;
    QString controllerVersion;
    QString benchHost;
    QDateTime when;  // to the second, as the change log shows it
    QString comment; // line breaks as "\n"
    QString record;  // exactly as sent
    QString readBack;
    RowSource source = RowSource::Program;
    std::optional<double> largestBefore;
    std::optional<double> largestAfter;
    std::vector<RecordedPoint> points;
    QString prevHash;
    QString hash;
    QString reportFile; // the report's file name, without its folder
    QString reportSha256;
    QString reportHash;
};

// The hash of an upload row over its content and the previous row's hash of the same device
// and bench: SHA-256, lower-case hex. Each field goes in as its UTF-8 length, ':' and its
// UTF-8 bytes, in a fixed order, behind a version tag.
QString uploadHash(const UploadRow& row);
// The hash that ties a report file to its upload row.
QString reportHash(const UploadRow& row);
// SHA-256 of a file's bytes, lower-case hex; empty when it cannot be read.
QString fileSha256(const QString& path);

// An upload as the history lists it.
struct UploadSummary {
    qint64 id = 0;
    qint64 ms = 0; // the moment, ms since the epoch; local time is worked out when shown
    QDateTime when() const { return QDateTime::fromMSecsSinceEpoch(ms); }
    QString comment;
    int points = 0;
    RowSource source = RowSource::Program;
    bool operator==(const UploadSummary&) const = default;
};

// A point's a and b in one upload; no b for an offset point.
struct DriftValue {
    qint64 uploadId = 0;
    qint64 ms = 0; // the upload's moment, ms since the epoch
    qint64 a1000 = 0;
    std::optional<qint64> b1000;
};

// What the history of a device on one bench shows first: its uploads in time order and the
// names of its points; a notice for the operator (entries of the change log that could not
// be read, a log that cannot be read).
struct DeviceHistory {
    QString benchId;
    QString benchName;
    QString deviceId;
    std::vector<UploadSummary> uploads;
    QStringList pointNames;
    QString notice;
};

// A device's last adjustment on a bench, as the plant view lists it.
struct PlantDevice {
    QString benchId;
    QString benchName;
    QString deviceId;
    QString deviceType;
    QDateTime last;
    int uploads = 0;
    std::optional<double> largestBefore;
    std::optional<double> largestAfter;
};

// Where a chain check stopped.
struct ChainCheck {
    bool ok = true;
    int rows = 0;
    QString finding; // the first row that does not match, and why
};

// The connection settings of a PostgreSQL server; the password comes from the PostgreSQL
// client library's own password file, never from here.
struct ServerSettings {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    bool configured() const { return !host.trimmed().isEmpty(); }
    bool operator==(const ServerSettings&) const = default;
};

// The records database: every upload with its points, chained by hashes per device and
// bench. The same schema serves the bench's own SQLite file and the plant's PostgreSQL
// server. Opened on the calling thread and used there only. Every failure raises an AppError
// with a German text that names the database.
class RecordsDb {
public:
    // The bench's own database file, created (with its folder) when missing; an older
    // schema is brought up to date.
    static std::unique_ptr<RecordsDb> openLocal(const QString& path);
    // The plant's server; waits at most connectSeconds for it.
    static std::unique_ptr<RecordsDb> openServer(const ServerSettings& server,
                                                 int connectSeconds = 3);
    ~RecordsDb();
    RecordsDb(const RecordsDb&) = delete;
    RecordsDb& operator=(const RecordsDb&) = delete;

    static constexpr int kSchemaVersion = 2;
    const QString& name() const { return name_; }
    // The bench's own ID and name (a local database only).
    QString benchId();
    QString benchName();
    void setBenchName(const QString& name);

    // That a row can be written now: raises the error the write would give.
    void checkWritable();
    // Writes an upload row with its points in one transaction, chained to the device's last
    // row of the same bench; a local row gets the bench's ID and name and its local number.
    // Returns the row's number. With reportNumber, the same transaction draws the upload's
    // report number, so that only uploads that were recorded take one.
    qint64 addUpload(UploadRow row, QString* reportNumber = nullptr);
    // The same for several rows, in one transaction; their numbers in the same order.
    std::vector<qint64> addUploads(std::vector<UploadRow> rows);
    // The next number of a report series, drawn for good (uploadId: the upload it belongs
    // to, 0: none), as "A-00017".
    QString drawReportNumber(ReportSeries series, qint64 uploadId, qint64 ms);

    // The tolerances of a device type's points by point name (absolute, in the point's unit).
    QHash<QString, double> tolerances(const QString& deviceType);
    // Sets or (nothing) removes tolerances of a device type's points, in one transaction.
    void setTolerances(const QString& deviceType,
                       const QHash<QString, std::optional<double>>& changes);
    // The register of reference standards, by ID; replaced as a whole.
    std::vector<ReferenceStandard> standards();
    void setStandards(const std::vector<ReferenceStandard>& standards);

    // Ties a written report file to an upload row.
    void setReport(qint64 id, const QString& fileName, const QString& sha256);

    UploadRow upload(qint64 id);
    LoggedRecord record(qint64 id);
    DeviceHistory history(const QString& benchId, const QString& deviceId);
    // A point's a and b over the uploads of a history, in the history's order.
    std::vector<DriftValue> drift(const DeviceHistory& history, const QString& pointName);
    std::vector<PlantDevice> plant();
    // Checks the chain of a device's rows on a bench, oldest first: each row's hash over
    // its content, its link to the row before, and the report file's hash (reports in
    // reportDir; empty: not checked).
    ChainCheck verify(const QString& benchId, const QString& deviceId, const QString& reportDir);
    // The hashes of a device's rows on a bench by local number.
    std::vector<std::pair<qint64, QString>> hashes(const QString& benchId, const QString& deviceId);

    // The uploads of a device held, each as its moment (ms since the epoch) and record.
    using HeldUpload = QPair<qint64, QString>;
    QSet<HeldUpload> held(const QString& deviceId);

    // The change log's size and time stamp at its last import, and what of it could not be
    // read ("Zeile N: …" lines).
    struct LogState {
        qint64 size = -1;
        qint64 modifiedMs = -1;
        QStringList unreadable;
    };
    LogState logState(const QString& deviceId);
    void setLogState(const QString& deviceId, const LogState& state);

    // Uploads not yet on the plant server: rows never pushed, and pushed rows whose report
    // came after them.
    int pendingCount();
    // Sends pending rows to the server, oldest first, each in one server transaction; a row
    // the server already holds (same bench and local number) is not written twice. Returns
    // how many were sent; raises when the server fails (what was sent stays sent).
    int pushTo(RecordsDb& server, int atMost = 100);

private:
    RecordsDb(QString name, bool server);
    void createSchema();
    QSqlDatabase db() const;
    QSqlQuery prepare(const QString& sql);
    void exec(QSqlQuery& query);
    [[noreturn]] void fail(const QString& what, const QString& driverText) const;
    QString metaValue(const QString& key);
    void setMetaValue(const QString& key, const QString& value);
    std::vector<RecordedPoint> points(qint64 id);
    qint64 insertRow(const UploadRow& row);
    // addUploads within a transaction already begun.
    std::vector<qint64> insertUploads(std::vector<UploadRow> rows);
    QString nextReportNumber(ReportSeries series, qint64 uploadId, qint64 ms);
    // Runs `work` between BEGIN (IMMEDIATE on a local file) and COMMIT; ROLLBACK when it
    // raises.
    template <typename Work> auto inTransaction(Work&& work);

    QString connection_;
    QString name_; // for messages: the file or the server
    bool server_ = false;
};

// The bench's records database file in its configuration directory.
QString recordsFilePath(const QString& configdir);

// Where records are read from: the plant's server when one is set, else the bench's own
// file. Each open() makes a connection for the calling thread.
struct RecordsSource {
    QString localPath;
    ServerSettings server;
    std::unique_ptr<RecordsDb> open() const {
        return server.configured() ? RecordsDb::openServer(server)
                                   : RecordsDb::openLocal(localPath);
    }
    // "zentrale Datenbank db@host:port" or "lokale Datenbank <Pfad>".
    QString describe() const;
};

} // namespace abgleich
