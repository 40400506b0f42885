// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/upload.h"
#include "bench/replyparser.h"
#include "core/ansicodec.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/history.h"
#include "records/logimport.h"
#include "records/textfile.h"
#include "state/loadedrecord.h"
#include "workflow/authorisation.h"
#include "workflow/reportcontent.h"
#include "workflow/workbench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cmath>
#include <optional>

namespace abgleich {

namespace {

// Shown instead of an upload while the table holds a point list that broke off part-way.
const QString kReadBrokeOffWarning =
    QStringLiteral("Die Abgleichwerte wurden nicht vollständig von der SPS gelesen. Bitte vor "
                   "dem Senden neu abfragen (F1) oder eine CSV-Datei importieren (F3).");
const QString kChangedWhileAsked = QStringLiteral(
    "Die Tabelle oder die Gerätedaten haben sich geändert, während die Freigabe offen war (zum "
    "Beispiel durch eine Antwort der SPS). Es wurde nichts gesendet. Bitte die Werte prüfen und "
    "erneut übertragen (F2).");
const QString kNothingSent = QStringLiteral("Es wurde nichts an die SPS gesendet.\n");
const QString kAlreadySent =
    QStringLiteral("Die Abgleichwerte wurden bereits an die SPS übertragen.\n");
// Room kept free beyond the change log's entry for the report and what follows it.
constexpr qint64 kRoomForReport = 4 * 1024 * 1024;

// What the upload sends, records and reports, taken from the table, the device fields and the
// point count at once when the upload starts.
struct UploadSnapshot {
    DeviceFields device;
    int count = 0;
    ChangeList changes;
    UploadContent content;
    std::optional<AdjustmentReport> report;

    // The same upload: what the controller would get and what the operator was shown.
    bool sameAs(const UploadSnapshot& other) const {
        return device == other.device && count == other.count &&
               changes.lines == other.changes.lines && content.record == other.content.record;
    }
};

// With tolerances, the report is built too.
UploadSnapshot snapshotOf(WorkingState& state, const QHash<QString, double>* tolerances) {
    UploadSnapshot s;
    s.device = state.device;
    s.count = strToInt(state.device.anzMS);
    // The record never names more points than the table holds.
    if (s.count > state.table.rows() - 1)
        throw AppError(kNothingSent +
                       QStringLiteral("Die Gerätedaten nennen %1 Messstellen, die Tabelle enthält "
                                      "nur %2.")
                           .arg(s.count)
                           .arg(std::max(0, state.table.rows() - 1)));
    if (const QStringList refusals = uploadRefusals(state.table, s.count); !refusals.isEmpty())
        throw AppError(kNothingSent + QStringLiteral("Diese Zellen lassen sich nicht senden:\n") +
                       atMost(refusals).join(u'\n'));
    s.changes = buildChangeList(state.table, s.count);
    s.content = buildUpload(state, s.count);
    // The report shows the deviations as the bench displayed them, with the coefficients
    // the store holds until the upload.
    if (tolerances)
        s.report = buildAdjustmentReport(state, s.count, ReportKind::Upload, *tolerances);
    return s;
}

// Everything the upload will write can be written: the configuration directory takes a
// file, the new correction-data record is ready beside the old one, and the disk has room
// for the change log's entry and the report. Otherwise the error names the file and why.
FileReplacement prepareRecords(const QString& configdir, const QString& logPath,
                               const QString& logEntry, const QString& csvPath,
                               const QString& csvText) {
    const auto refuse = [](const QString& path, const QString& reason) {
        throw AppError(kNothingSent + QStringLiteral("Die Datei '%1' kann nicht geschrieben "
                                                     "werden: %2")
                                          .arg(QDir::toNativeSeparators(path), reason));
    };
    if (!QDir().mkpath(configdir))
        refuse(logPath, fileErrorReason(errno));
    const QString probePath = configdir + QDir::separator() + QStringLiteral(".schreibprobe");
    {
        QFile probe(probePath);
        errno = 0;
        if (!probe.open(QIODevice::WriteOnly))
            refuse(logPath, fileErrorReason(errno));
    }
    QFile::remove(probePath);
    FileReplacement csv;
    QString reason;
    if (!csv.prepare(csvPath, encodeAnsi(csvText), &reason))
        refuse(csvPath, reason);
    const QStorageInfo disk(configdir);
    const qint64 needed = encodeAnsi(logEntry).size() + kRoomForReport;
    if (disk.isValid() && disk.bytesAvailable() < needed)
        refuse(logPath,
               fileErrorReason(ENOSPC) + QStringLiteral(" (frei: %1 KB; für Änderungsprotokoll und "
                                                        "Abgleichprotokoll nötig: %2 KB)")
                                             .arg(disk.bytesAvailable() / 1024)
                                             .arg((needed + 1023) / 1024));
    return csv;
}

} // namespace

// The correction-data upload as one transaction: a snapshot when it starts; the device-ID
// check, the change list (and the question when nothing changed) and the authorisation with
// the comment; the snapshot taken again, and nothing sent when the table changed meanwhile;
// every record checked to be writable before anything is sent; the record sent, the
// controller's acknowledgement and its values read back; then the coefficient store, the
// change log, the correction-data record and the report. A refusal or a failed check sends
// and writes nothing; a failure after the send says that the values went out.
void Workbench::uploadCorrectionData() {
    // The rows after a break-off hold no name and no coefficients; sent, they would give
    // those points the neutral correction in the controller.
    if (state_.readBrokeOff) {
        dialogs_.showWarning(kReadBrokeOffWarning);
        return;
    }
    if (!checkDeviceId(state_.device.geraeteId, dialogs_))
        return;
    // The report's content also gives the records' row, so it is built with or without a
    // report writer.
    tolerances_.reset(); // read afresh for the record of this upload
    const QHash<QString, double> pointTolerances = tolerances();
    UploadSnapshot snapshot = snapshotOf(state_, &pointTolerances);
    if (!acceptStandard())
        return;
    if (snapshot.changes.changed == 0 &&
        !dialogs_.askYesNo(
            QStringLiteral("Es wurden keine Änderungen vorgenommen. Trotzdem senden")))
        return;
    QString comment;
    if (!askAuthorisation(AuthorisationForm::Full, snapshot.changes.lines.join(u'\n'),
                          PasswordRule::Upload, snapshot.device, dialogs_, &comment))
        return;
    // While a dialog is open the link still delivers: a reply may have rebuilt the table.
    const UploadSnapshot afterwards = snapshotOf(state_, nullptr);
    if (!snapshot.sameAs(afterwards)) {
        dialogs_.showWarning(kChangedWhileAsked);
        return;
    }
    // The same numbers; the record file takes their texts as the table shows them now (a
    // cell shown meanwhile holds its number with three decimals).
    snapshot.content.csvBody = afterwards.content.csvBody;

    const QDateTime when = clock_.now();
    const QString logPath = changeLogPath(state_);
    const QString csvPath = correctionRecordPath(state_);
    const QString logEntry =
        changeLogEntry(state_.regional, when, comment, snapshot.content.record);
    FileReplacement csv =
        prepareRecords(state_.configdir, logPath, logEntry, csvPath,
                       correctionRecordText(state_.regional, when, snapshot.device, comment,
                                            snapshot.content.csvBody));
    // The records database takes the row, too. A connection that fails is tried once more
    // afresh: its file may have been moved, mended or replaced while the tool ran.
    for (int attempt = 0;; ++attempt) {
        try {
            records().checkWritable();
            break;
        } catch (const AppError& e) {
            records_.reset();
            if (attempt > 0)
                throw AppError(kNothingSent + e.message());
        }
    }

    emit busyStarted();
    send2SPS(snapshot.content.record);
    // Only a record handed to the link changes what the store says the controller holds.
    const CoefficientStore storeBefore = state_.coef;
    for (const UploadContent::StoreUpdate& update : snapshot.content.storeUpdates) {
        state_.coef.setA(update.slot, update.a);
        if (update.b)
            state_.coef.setB(update.slot, *update.b);
    }
    QString readBackWarning;
    std::optional<QString> rejected;
    const QString readBackResult = readBack(snapshot.content.record, &readBackWarning, &rejected);
    // Nothing more comes from the controller for this upload, answered or not.
    emit busyEnded();
    if (rejected) {
        // The controller answered the record with an error: it holds what it held, and no
        // record may say otherwise.
        state_.coef = storeBefore;
        throw AppError(QStringLiteral("Die SPS hat die Abgleichwerte nicht übernommen: Fehler ") +
                       *rejected +
                       QStringLiteral("\nÄnderungsprotokoll, CSV-Datei und Abgleichprotokoll "
                                      "wurden nicht geschrieben. Bitte mit F1 prüfen, was die "
                                      "SPS hält."));
    }

    // The value pairs were read with the coefficients held before: recalculated or reported
    // with the new ones they would mislead, so they go (the upload's report and records keep
    // them). Pairs typed from now on are read with the new ones.
    emptyPairs(snapshot.count);

    // The records are written before any box waits for the operator: the controller holds
    // the values, so the files must say so whatever happens next.
    QString failure;
    try {
        const auto [logSize, logModified] = logStamp(logPath);
        appendTextFile(logPath, logEntry);
        QString reason;
        if (!csv.commit(&reason))
            throwFileError(csvPath, reason);
        qint64 uploadId = 0;
        AdjustmentReport& report = *snapshot.report;
        report.when = when;
        report.comment = withLf(comment);
        report.readBack = readBackResult;
        try {
            RecordsDb& db = records();
            uploadId = db.addUpload(
                uploadRow(report, snapshot.content.record, when, comment, readBackResult),
                &report.number);
            plant_.pushSoon();
            try {
                noteOwnAppend(db, logPath, snapshot.device.geraeteId, logSize, logModified);
            } catch (const AppError&) {
                // Nothing lost: the log is read again next time, and its entry is held.
            }
        } catch (const AppError& e) {
            records_.reset();
            // The change log has the entry: the history takes it from there next time.
            failure = kAlreadySent + e.message() +
                      QStringLiteral("\nDie Übertragung steht im Änderungsprotokoll und wird "
                                     "beim nächsten Öffnen des Verlaufs von dort übernommen.");
        }
        noteUpload(report, uploadId, snapshot.content.record);
        if (reports_.enabled()) {
            reports_.start(std::move(report), state_.configdir,
                           [this, uploadId](const ReportOutcome& outcome) {
                               reportEnded(outcome, true, uploadId);
                           });
        }
    } catch (const AppError& e) {
        failure = kAlreadySent + e.message();
    }
    if (!readBackWarning.isEmpty())
        dialogs_.showWarning(readBackWarning);
    if (!failure.isEmpty())
        throw AppError(failure);
}

void Workbench::emptyPairs(int count) {
    PointTable& table = state_.table;
    bool emptied = false;
    for (int n = 1; n <= count && n < table.rows(); ++n)
        for (int column = Col::Ref1; column <= Col::Diff4; ++column) {
            emptied = emptied || (column < Col::Diff1 && !table.cellText(column, n).isEmpty());
            table.setCellText(column, n, QString());
        }
    if (emptied)
        emit logLine(QStringLiteral("Wertepaare geleert: gelesen mit den Koeffizienten vor der "
                                    "Übertragung, festgehalten mit ihr. Neue Paare für eine "
                                    "Nachmessung jetzt eingeben."));
}

std::optional<QString> Workbench::awaitUploadFrame(const QString& text, WaitEnd* end) {
    awaitedFrame_.reset();
    awaitingFrame_ = true;
    *end =
        dialogs_.waitForBench(text, readBackWaitMs_, [this] { return awaitedFrame_.has_value(); });
    awaitingFrame_ = false;
    std::optional<QString> frame = std::move(awaitedFrame_);
    awaitedFrame_.reset();
    return frame;
}

// The controller's acknowledgement of the upload, then its values read back and compared
// with those sent (a and b times 1000; only a for an offset point). The values read back go
// nowhere else: the table, the store and the device fields stay as they are. Returns the
// result for the protocol and the report; a difference also gives the warning for the
// operator, which the caller shows once the records are written; an error the controller
// answers the record with is handed back in `rejected`.
QString Workbench::readBack(const QString& sentRecord, QString* warning,
                            std::optional<QString>* rejected) {
    if (readBackWaitMs_ <= 0)
        return QStringLiteral("nicht geprüft (ausgeschaltet)");
    WaitEnd end = WaitEnd::Arrived;
    QString result;
    const auto notConfirmed = [&](const QString& why) {
        result = QStringLiteral("nicht bestätigt (%1)").arg(why);
        emit logLine(QStringLiteral("Rücklesen: ") + result);
        return result;
    };
    const auto noAnswer = [&] {
        return notConfirmed(end == WaitEnd::Cancelled ? QStringLiteral("abgebrochen")
                                                      : QStringLiteral("keine Antwort der SPS"));
    };
    const std::optional<QString> ack =
        awaitUploadFrame(QStringLiteral("Die SPS übernimmt die Abgleichwerte …"), &end);
    if (!ack)
        return noAnswer();
    const CorrectionReply acknowledged = parseCorrectionReply(*ack, state_.regional);
    if (const auto* error = std::get_if<ControllerError>(&acknowledged)) {
        *rejected = error->text;
        return notConfirmed(QStringLiteral("die SPS meldet den Fehler ") + error->text);
    }
    if (!std::holds_alternative<UploadAcknowledged>(acknowledged))
        return notConfirmed(QStringLiteral("unerwartete Antwort der SPS"));

    send2SPS(QStringLiteral("U;"));
    const std::optional<QString> answer = awaitUploadFrame(
        QStringLiteral("Die Abgleichwerte werden von der SPS zurückgelesen …"), &end);
    if (!answer) {
        lateReadBack_ = true;
        return noAnswer();
    }
    const CorrectionReply held = parseCorrectionReply(*answer, state_.regional);
    const auto* record = std::get_if<ControllerRecord>(&held);
    const std::optional<LoggedRecord> sent = parseUploadRecord(sentRecord);
    if (!record || !sent)
        return notConfirmed(QStringLiteral("die SPS sendet keine lesbare Liste"));

    QStringList differences;
    const auto thousandthsOf = [](const std::optional<double>& value) {
        return value ? QString::number(std::llround(*value * 1000.0)) : QStringLiteral("–");
    };
    for (std::size_t k = 0; k < sent->points.size(); ++k) {
        const LoggedPoint& out = sent->points[k];
        const ControllerRecord::Point* in =
            k < record->points.size() ? &record->points[k] : nullptr;
        const bool offset = isOffsetPoint(out.name);
        const bool same = in && in->a && std::llround(*in->a * 1000.0) == out.a1000 &&
                          (offset || (in->b && std::llround(*in->b * 1000.0) == out.b1000));
        if (same)
            continue;
        QString line =
            QStringLiteral("MS %1 %2: gesendet a = %3").arg(k + 1).arg(out.name).arg(out.a1000);
        if (!offset)
            line += QStringLiteral(", b = %1").arg(out.b1000);
        line += in ? QStringLiteral("; gelesen a = %1").arg(thousandthsOf(in->a))
                   : QStringLiteral("; nicht in der Antwort");
        if (in && !offset)
            line += QStringLiteral(", b = %1").arg(thousandthsOf(in->b));
        differences << line;
    }
    if (differences.isEmpty()) {
        result = QStringLiteral("alle %1 Messstellen bestätigt").arg(sent->points.size());
        emit logLine(QStringLiteral("Rücklesen: ") + result);
        return result;
    }
    result = QStringLiteral("%1 von %2 Messstellen weichen ab: ")
                 .arg(differences.size())
                 .arg(sent->points.size()) +
             differences.join(QStringLiteral("; "));
    emit logLine(QStringLiteral("Rücklesen: ") + result);
    // The box stays on the screen however many points differ; the protocol has them all.
    *warning = QStringLiteral("Die SPS hält nach dem Übertragen andere Werte als "
                              "gesendet (Werte mal 1000):\n") +
               atMost(differences, kBoxLines, QStringLiteral(" (alle im Protokoll)")).join(u'\n');
    return result;
}

// A report written after an upload goes into the protocol; one of the table as it stands is
// shown in a box. A report that could not be written is an error, after an upload one that
// says the values went out.
void Workbench::reportEnded(const ReportOutcome& outcome, bool uploaded, qint64 uploadId,
                            const QString& saved) {
    if (!outcome.error.isEmpty()) {
        dialogs_.showErrorBox(uploaded ? kAlreadySent + outcome.error : outcome.error);
    } else if (uploaded) {
        emit logLine(QStringLiteral("Abgleichprotokoll gespeichert: ") +
                     QDir::toNativeSeparators(outcome.path));
        if (uploadId > 0) {
            // The report's hash goes with the upload's row.
            try {
                records().setReport(uploadId, QFileInfo(outcome.path).fileName(),
                                    fileSha256(outcome.path));
                plant_.pushSoon();
            } catch (const AppError& e) {
                dialogs_.showErrorBox(kAlreadySent + e.message());
            }
        }
    } else
        dialogs_.showNotice(saved + QDir::toNativeSeparators(outcome.path));
}

} // namespace abgleich
