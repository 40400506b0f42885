#pragma once

#include "core/regionalsettings.h"
#include "state/workingstate.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace abgleich {

// One point of an upload as the change log holds it: name and unit as sent, a and b as the
// record carried them, times 1000.
struct LoggedPoint {
    QString name;
    QString unit;
    qint64 a1000 = 0;
    qint64 b1000 = 1000;

    double a() const { return double(a1000) / 1000.0; }
    double b() const { return double(b1000) / 1000.0; }
    bool operator==(const LoggedPoint&) const = default;
};

// An upload record read back from the change log.
struct LoggedRecord {
    QString deviceId;
    QString deviceType;
    std::vector<LoggedPoint> points;
    bool operator==(const LoggedRecord&) const = default;
};

// One upload of the change log: the date-and-comment line (a comment with line breaks spans
// several lines) and the record that follows it.
struct LoggedUpload {
    QDateTime when;
    QString comment; // line breaks as "\n"
    LoggedRecord record;
    bool operator==(const LoggedUpload&) const = default;
};

// What the change log of a device tells of its uploads, oldest first.
struct DeviceHistory {
    std::vector<LoggedUpload> uploads;
    // Non-empty lines that belong to no readable upload, those of an unfinished last
    // upload included.
    int skippedLines = 0;
    // The log ends in a date-and-comment line whose record is missing or cut off.
    bool unfinishedEnd = false;
    // For the operator when the log is missing, empty, unreadable or partly garbled.
    QString notice;
};

// An upload record as the upload writes it ("U<ID>,<type>,,,<N>,name,unit,a,b,...;" with
// a and b times 1000); nothing for any other line.
std::optional<LoggedRecord> parseUploadRecord(QStringView line);

// Reads the text of a change log. A date-and-time line of the regional format, followed by
// any comment lines and then a record, makes one upload; a record without such a line
// before it and lines outside an upload are counted as skipped. When a second date-and-time
// line comes before the record, the entry before it broke off and is skipped.
DeviceHistory parseChangeLog(QStringView text, const RegionalSettings& rs);

// The change log of a file. Never raises: a missing, empty, unreadable or garbled log
// gives a German notice and the uploads that could be read (maybe none).
DeviceHistory readDeviceHistory(const QString& path, const RegionalSettings& rs);

// a or b times 1000 as the text of a correction-data record ("-0.500", "1.002").
QString thousandthsText(qint64 value);

// For each point of an upload, the table row of the point of the same name (trimmed): the
// n-th point of a name in the upload belongs to the n-th row of that name; 0 where the
// table has none.
std::vector<int> matchingRows(const PointTable& table, const LoggedRecord& record);

// What taking over an upload's coefficients did.
struct TakeOverResult {
    int taken = 0;
    QStringList notInUpload; // table points the upload does not hold
    QStringList notInTable;  // upload points the table does not hold
};

// Puts an upload's a and b into the new-coefficient columns (17, 18) of the table's points
// of the same name (matchingRows), as the CSV import writes a record's fields. Nothing else
// changes: the next upload sends them through the usual change list and authorisation.
TakeOverResult takeOverUpload(WorkingState& state, const LoggedUpload& upload);

// For the operator after a take-over: empty when every point matched.
QString takeOverNotice(const TakeOverResult& result);

} // namespace abgleich
