// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "state/workingstate.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
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
// several lines) and the record that follows it, with the number of its first line.
struct LoggedUpload {
    QDateTime when;
    QString comment; // line breaks as "\n"
    LoggedRecord record;
    QString recordText; // the record's line as it stands
    int line = 0;
    bool operator==(const LoggedUpload&) const = default;
};

// Lines of a change log that make no readable upload: where they start, how many they are,
// the first of them and why they were not read.
struct UnreadableEntry {
    int line = 0;
    int lines = 1;
    QString firstLine;
    QString why;
    bool operator==(const UnreadableEntry&) const = default;
};
// For the operator: "Zeile 12: „…“ (why)" or "Zeilen 12–14: …".
QString unreadableText(const UnreadableEntry& entry);

// What a change log holds: its uploads in file order and what could not be read.
struct ParsedLog {
    std::vector<LoggedUpload> uploads;
    std::vector<UnreadableEntry> unreadable;
};

// Whether the records already hold an upload with this time and record line.
using KnownUpload = std::function<bool(const QDateTime& when, QStringView record)>;

// An upload record as the upload writes it ("U<ID>,<type>,,,<N>,name,unit,a,b,...;" with
// a and b times 1000); nothing for any other line.
std::optional<LoggedRecord> parseUploadRecord(QStringView line);

// Reads the text of a change log. A date-and-time line of the regional format, followed by
// any comment lines and then a record, makes one upload. A comment line may itself begin
// with a date and time: when its time lies before that of the date line above it (a log
// grows in time order) it is a comment line, otherwise the entry above broke off; where the
// records hold the upload under another of the entry's date lines (and not under the one
// time order gives), that one begins it. An entry that broke off is listed as unreadable, as
// are a record without a date line, an entry without its record and lines outside any entry.
ParsedLog parseChangeLog(QStringView text, const RegionalSettings& rs,
                         const KnownUpload& known = {});

// a or b times 1000 as the text of a correction-data record ("-0.500", "1.002").
QString thousandthsText(qint64 value);

// For each point of an upload, the table row of the point of the same name (trimmed): the
// n-th point of a name in the upload belongs to the n-th row of that name; 0 where the
// table has none.
std::vector<int> matchingRows(const PointTable& table, const LoggedRecord& record);

// What taking over an upload's coefficients did.
struct TakeOverResult {
    int taken = 0;
    QStringList notInUpload;  // table points the upload does not hold
    QStringList notInTable;   // upload points the table does not hold
    QStringList pairsEmptied; // taken points whose value pairs were emptied
};

// Puts an upload's a and b into the new-coefficient columns (17, 18) of the table's points
// of the same name (matchingRows), as the CSV import writes a record's fields. The value
// pairs and deviations of those points are emptied: they were measured for other
// coefficients, and a report of the taken values must not show them. Nothing else changes:
// the next upload sends them through the usual change list and authorisation.
TakeOverResult takeOverUpload(WorkingState& state, const LoggedRecord& upload);

// For the operator after a take-over: empty when every point matched.
QString takeOverNotice(const TakeOverResult& result);

} // namespace abgleich
