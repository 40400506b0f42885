// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/logimport.h"

#include "core/text.h"
#include "records/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace abgleich {

std::pair<qint64, qint64> logStamp(const QString& logPath) {
    const QFileInfo info(logPath);
    if (!info.exists())
        return {-1, -1};
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

LogImport importChangeLogText(RecordsDb& records, QStringView text, const QString& deviceId,
                              const RegionalSettings& rs) {
    LogImport result;
    // What the records hold, read once: the log may have thousands of entries.
    QSet<RecordsDb::HeldUpload> held = records.held(deviceId);
    const ParsedLog log = parseChangeLog(text, rs, [&](const QDateTime& when, QStringView record) {
        return held.contains({when.toMSecsSinceEpoch(), record.toString()});
    });
    for (const UnreadableEntry& entry : log.unreadable)
        result.unreadable << unreadableText(entry);
    std::vector<UploadRow> rows;
    for (const LoggedUpload& upload : log.uploads) {
        // An entry twice in the log is taken once.
        const RecordsDb::HeldUpload key{upload.when.toMSecsSinceEpoch(), upload.recordText};
        if (held.contains(key))
            continue;
        held.insert(key);
        UploadRow row;
        row.deviceId = deviceId;
        row.deviceType = upload.record.deviceType;
        row.when = upload.when;
        row.comment = upload.comment;
        row.record = upload.recordText;
        row.source = RowSource::ChangeLog;
        for (const LoggedPoint& p : upload.record.points) {
            RecordedPoint point;
            point.name = p.name;
            point.unit = p.unit;
            point.aSent1000 = p.a1000;
            point.bSent1000 = p.b1000;
            row.points.push_back(std::move(point));
        }
        rows.push_back(std::move(row));
    }
    result.imported = int(rows.size());
    if (!rows.empty())
        records.addUploads(std::move(rows));
    return result;
}

LogImport importChangeLog(RecordsDb& records, const QString& logPath, const QString& deviceId,
                          const RegionalSettings& rs) {
    const auto [size, modified] = logStamp(logPath);
    RecordsDb::LogState state = records.logState(deviceId);
    LogImport result;
    if (size < 0 || (state.size == size && state.modifiedMs == modified)) {
        result.unreadable = size < 0 ? QStringList() : state.unreadable;
        return result;
    }
    QFile file(logPath);
    const QString name = QDir::toNativeSeparators(logPath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.failure = QStringLiteral("Das Änderungsprotokoll '%1' kann nicht gelesen werden: %2")
                             .arg(name, file.errorString());
        return result;
    }
    if (file.size() > kMaxLogBytes) {
        result.failure =
            QStringLiteral("Das Änderungsprotokoll '%1' ist zu groß (%2 Bytes, höchstens %3).")
                .arg(name)
                .arg(file.size())
                .arg(kMaxLogBytes);
        return result;
    }
    const QString text = decodeTextFile(file.read(kMaxLogBytes + 1)).text;
    result = importChangeLogText(records, text, deviceId, rs);
    state.size = size;
    state.modifiedMs = modified;
    state.unreadable = result.unreadable;
    records.setLogState(deviceId, state);
    return result;
}

void noteOwnAppend(RecordsDb& records, const QString& logPath, const QString& deviceId,
                   qint64 sizeBefore, qint64 modifiedBefore) {
    RecordsDb::LogState state = records.logState(deviceId);
    // A log nobody had read, or one another program changed since, is read next time.
    const bool wasRead = (sizeBefore < 0 && state.size < 0) ||
                         (state.size == sizeBefore && state.modifiedMs == modifiedBefore);
    if (!wasRead)
        return;
    const auto [size, modified] = logStamp(logPath);
    state.size = size;
    state.modifiedMs = modified;
    records.setLogState(deviceId, state);
}

QString importNotice(const LogImport& import, const QString& logPath) {
    QStringList parts;
    if (!import.failure.isEmpty())
        parts << import.failure;
    if (!import.unreadable.isEmpty())
        parts << QStringLiteral("%1 Eintrag/Einträge des Änderungsprotokolls '%2' können nicht "
                                "gelesen werden und fehlen in der Liste:\n")
                         .arg(import.unreadable.size())
                         .arg(QDir::toNativeSeparators(logPath)) +
                     atMost(import.unreadable, kBoxLines,
                            QStringLiteral(" (die übrigen stehen in der Datei)"))
                         .join(u'\n');
    return parts.join(u'\n');
}

} // namespace abgleich
