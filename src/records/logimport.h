// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "records/recordsdb.h"

#include <QString>
#include <QStringList>

namespace abgleich {

// What bringing a change log into the records gave.
struct LogImport {
    int imported = 0;
    // The entries that could not be read ("Zeile N: …"), from this reading or the last one.
    QStringList unreadable;
    // Why the log could not be read at all; empty when it could (or there is none).
    QString failure;
};

// Larger change logs are not read: far beyond 10,000 uploads of 256 points.
inline constexpr qint64 kMaxLogBytes = 256 * 1024 * 1024;

// Takes the uploads of a device's change log that the records do not hold yet into them,
// marked as taken from the change log, in the log's order. The log is read again only when
// its size or time stamp changed since its last reading; what could not be read is kept
// with the records and listed each time.
LogImport importChangeLog(RecordsDb& records, const QString& logPath, const QString& deviceId,
                          const RegionalSettings& rs);

// The same from the log's text, whatever the records know of the file.
LogImport importChangeLogText(RecordsDb& records, QStringView text, const QString& deviceId,
                              const RegionalSettings& rs);

// After the tool appended an upload it also wrote into the records: a log that was read in
// full before the append is taken as read now. `sizeBefore` and `modifiedBefore` are the
// log's size and time stamp before the append (-1 when it did not exist).
void noteOwnAppend(RecordsDb& records, const QString& logPath, const QString& deviceId,
                   qint64 sizeBefore, qint64 modifiedBefore);

// The log's size and time stamp (ms since the epoch), -1 for a missing file.
std::pair<qint64, qint64> logStamp(const QString& logPath);

// For the history's notice: the entries that could not be read and why the log could not
// be read; empty when everything was.
QString importNotice(const LogImport& import, const QString& logPath);

} // namespace abgleich
