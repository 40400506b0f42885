// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "core/numbers.h"
#include "records/logimport.h"
#include "records/upload.h"
#include "state/loadedrecord.h"
#include "workflow/authorisation.h"
#include "workflow/workbench.h"

#include <QDir>
#include <QScopeGuard>

#include <exception>

namespace abgleich {

namespace {

QString pairsText(const std::vector<ReportPair>& pairs) {
    QStringList parts;
    const auto number = [](double v) { return QString::number(v, 'g', 17); };
    for (const ReportPair& p : pairs)
        parts << QStringLiteral("%1 %2 %3 %4")
                     .arg(number(p.ref), number(p.tm), number(p.before),
                          p.after ? number(*p.after) : QStringLiteral("-"));
    return parts.join(u';');
}

std::optional<qint64> thousandthsOf(const std::optional<double>& value) {
    if (!value)
        return std::nullopt;
    const std::optional<qint32> scaled = recordThousandths(*value);
    return scaled ? std::optional<qint64>(*scaled) : std::nullopt;
}

// The chain of a device's rows: checked where they are read from, and, for the bench's own
// records with a plant server set, compared with the server's copy, which an edit of the
// local file cannot reach.
QString checkHistory(const RecordsSource& source, const ServerSettings& plant,
                     const QString& benchId, const QString& deviceId, const QString& reportDir) {
    const std::unique_ptr<RecordsDb> db = source.open();
    const ChainCheck chain =
        db->verify(benchId, deviceId, source.server.configured() ? QString() : reportDir);
    if (!chain.ok)
        return QStringLiteral("Abweichung gefunden (%1):\n%2")
            .arg(source.describe(), chain.finding);
    QString text =
        QStringLiteral("Alle %1 Einträge von Gerät %2 passen zu ihren Hashes, ihrer "
                       "Verkettung%3 (%4).")
            .arg(chain.rows)
            .arg(deviceId,
                 source.server.configured() ? QString()
                                            : QStringLiteral(" und ihren Abgleichprotokollen"),
                 source.describe());
    if (source.server.configured())
        return text;
    if (!plant.configured())
        return text + QStringLiteral(
                          "\nDie lokale Kette erkennt versehentliche und einfache Änderungen; wer "
                          "die Datei hat, kann sie neu berechnen. Ohne zentrale Datenbank gibt es "
                          "keinen Vergleich mit einer zweiten Kopie.");
    std::unique_ptr<RecordsDb> server;
    try {
        server = RecordsDb::openServer(plant);
    } catch (const AppError& e) {
        return text +
               QStringLiteral("\nMit der zentralen Datenbank verglichen werden konnte "
                              "nicht: ") +
               e.message();
    }
    const auto local = db->hashes(benchId, deviceId);
    const auto copy = server->hashes(benchId, deviceId);
    std::size_t k = 0;
    for (const auto& [number, hash] : copy) {
        while (k < local.size() && local[k].first < number)
            ++k;
        if (k == local.size() || local[k].first != number)
            return text + QStringLiteral("\nAbweichung zur zentralen Datenbank: Eintrag Nr. %1 "
                                         "fehlt in der lokalen Datenbank.")
                              .arg(number);
        if (local[k].second != hash)
            return text + QStringLiteral("\nAbweichung zur zentralen Datenbank: Eintrag Nr. %1 "
                                         "wurde lokal verändert (sein Hash weicht vom Stand der "
                                         "zentralen Datenbank ab).")
                              .arg(number);
    }
    const std::size_t waiting = local.size() > copy.size() ? local.size() - copy.size() : 0;
    return text + QStringLiteral("\nDie zentrale Datenbank hält dieselben %1 Einträge%2.")
                      .arg(copy.size())
                      .arg(waiting > 0 ? QStringLiteral(" (%1 noch nicht übertragen)").arg(waiting)
                                       : QString());
}

} // namespace

QString Workbench::recordsPath() const {
    return recordsFilePath(state_.configdir);
}

RecordsDb& Workbench::records() {
    if (!records_)
        records_ = RecordsDb::openLocal(recordsPath());
    if (!benchName_.isEmpty())
        records_->setBenchName(benchName_);
    return *records_;
}

void Workbench::setPlantServer(const ServerSettings& server, const QString& benchName) {
    benchName_ = benchName.trimmed();
    plant_.configure(server);
}

UploadRow Workbench::uploadRow(const AdjustmentReport& report, const QString& record,
                               const QDateTime& when, const QString& comment,
                               const QString& readBack) const {
    UploadRow row;
    row.deviceId = report.device.geraeteId;
    row.deviceType = report.device.geraetetyp;
    row.controllerVersion = report.device.spsVersion;
    row.benchHost = host_;
    // To the second, as the change log has it.
    row.when = when.addMSecs(-when.time().msec());
    row.comment = withLf(comment);
    row.record = record;
    row.readBack = readBack;
    if (const ReportPoint* largest = report.largestBefore())
        row.largestBefore = largest->largestBefore;
    if (const ReportPoint* largest = report.largestAfter())
        row.largestAfter = largest->largestAfter;
    const std::optional<LoggedRecord> sent = parseUploadRecord(record);
    for (std::size_t k = 0; sent && k < sent->points.size(); ++k) {
        const LoggedPoint& out = sent->points[k];
        RecordedPoint point;
        point.name = out.name;
        point.unit = out.unit;
        point.aSent1000 = out.a1000;
        point.bSent1000 = out.b1000;
        if (k < report.points.size()) {
            const ReportPoint& p = report.points[k];
            point.aFound1000 = thousandthsOf(p.aBefore);
            point.bFound1000 = isOffsetPoint(out.name) ? std::nullopt : thousandthsOf(p.bBefore);
            point.pairs = pairsText(p.pairs);
            point.largestBefore = p.largestBefore;
            point.largestAfter = p.largestAfter;
        }
        row.points.push_back(std::move(point));
    }
    return row;
}

void Workbench::showHistory() {
    guarded([this] {
        if (!checkDeviceId(state_.device.geraeteId, dialogs_))
            return;
        // A database that fails is opened afresh next time (it may be mended meanwhile).
        const auto reopen = qScopeGuard([this] {
            if (std::uncaught_exceptions() > 0)
                records_.reset();
        });
        RecordsDb& db = records();
        const QString deviceId = state_.device.geraeteId;
        const QString logPath = changeLogPath(state_);
        const LogImport imported = importChangeLog(db, logPath, deviceId, state_.regional);
        if (imported.imported > 0)
            emit logLine(QStringLiteral("Verlauf: %1 Übertragung(en) aus dem Änderungsprotokoll "
                                        "übernommen")
                             .arg(imported.imported));
        DeviceHistory history = db.history(db.benchId(), deviceId);
        history.benchName.clear(); // this bench: its name goes without saying
        history.notice = importNotice(imported, logPath);
        if (history.uploads.empty() && history.notice.isEmpty())
            history.notice = QStringLiteral("Für Gerät %1 gibt es noch keine Übertragung: weder "
                                            "in der Datenbank noch im Änderungsprotokoll '%2'.")
                                 .arg(deviceId, QDir::toNativeSeparators(logPath));
        browseHistory(db, std::move(history), {recordsPath(), {}}, true);
    });
}

void Workbench::browseHistory(RecordsDb& db, DeviceHistory history, const RecordsSource& source,
                              bool mayTakeOver) {
    DbHistoryReader reader(db, history);
    const HistoryCheck check = [source, plant = plant_.server(), bench = history.benchId,
                                device = history.deviceId, dir = state_.configdir] {
        try {
            return checkHistory(source, plant, bench, device, dir);
        } catch (const AppError& e) {
            return e.message();
        }
    };
    const std::optional<qint64> chosen = dialogs_.chooseUpload(history, reader, check, state_);
    if (!chosen)
        return;
    if (!mayTakeOver) {
        dialogs_.showNotice(QStringLiteral("Übernehmen geht nur aus dem Verlauf des Geräts in "
                                           "der Tabelle (%1) auf diesem Prüfstand.")
                                .arg(state_.device.geraeteId));
        return;
    }
    const QString notice = takeOverNotice(takeOverUpload(state_, db.record(*chosen)));
    if (!notice.isEmpty())
        dialogs_.showNotice(notice);
}

void Workbench::showPlant() {
    guarded([this] {
        const RecordsSource source{recordsPath(), plant_.server()};
        // The bench's own file is created here when it does not exist yet.
        if (!source.server.configured())
            records();
        dialogs_.showPlant(
            source.describe(), [source] { return source.open()->plant(); },
            [this, source](const PlantDevice& device) {
                guarded([&] {
                    const bool own = !source.server.configured();
                    std::unique_ptr<RecordsDb> server = own ? nullptr : source.open();
                    RecordsDb& db = own ? records() : *server;
                    DeviceHistory history = db.history(device.benchId, device.deviceId);
                    const bool here = device.benchId == records().benchId() &&
                                      device.deviceId == state_.device.geraeteId;
                    browseHistory(db, std::move(history), source, here);
                });
            });
    });
}

void Workbench::configurePlantServer() {
    guarded([this] {
        const std::optional<PlantSettings> edited =
            dialogs_.editPlantSettings({plant_.server(), benchName_});
        if (!edited)
            return;
        setPlantServer(edited->server, edited->benchName);
        emit plantSettingsChanged(*edited);
    });
}

} // namespace abgleich
