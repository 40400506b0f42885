// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/loadedrecord.h"

#include <QString>
#include <QStringList>

namespace abgleich {

// The filter of the file-open dialog.
inline const QString kCsvFilter = QStringLiteral("CSV-Dateien (*.csv)");
// The separator the upload writes into a correction-data record, whatever the list
// separator of the system.
inline constexpr QChar kCsvSeparator = u';';
// The column heading of a correction-data record, its second line.
inline const QString kCsvHeading = QStringLiteral("Messstelle; Einheit; a; b;");
// Larger files are refused before they are read.
inline constexpr qint64 kMaxCsvBytes = 4 * 1024 * 1024;

// The fields of a line of a record file, at most `most`: cut at the separator; a field that
// begins with a quote is read as spreadsheets save text, without its quotes, "" inside as
// one quote and a separator inside as part of the field. An empty line has none.
QStringList csvLineFields(QStringView line, QChar separator, qsizetype most);
// The fields of one point line: at most four.
QStringList pointLineFields(QStringView line, QChar separator);
// The separator a record's fields are cut at: the list separator; when line 1 holds none
// but holds ";", the record was written on a system with another list separator (the
// upload always writes ";"), and ";" is taken.
QChar recordSeparator(QStringView firstLine, const RegionalSettings& rs);

// Writes a record's a or b field into column 17 or 18 of a row as the import does: a number
// with "." or "," as its decimal separator (in every locale) with the regional one; any other
// text as it stands.
QString newCoefficientText(QString field, const RegionalSettings& rs);
void setNewCoefficientText(PointTable& table, int column, int row, const QString& field);

// Loads a correction-data record file (as the upload writes it) back: date, time, device ID and
// type into the device fields; names, units and the new a and b into the table rows 1..N and
// the coefficient store; N is the number of point lines after the column heading (also when
// a comment with line breaks comes before it) that are not empty. A file with more points
// than the store holds is refused before anything changes.
void importCSVFile(WorkingState& state, const QString& path);
void importCSVLines(WorkingState& state, QStringList lines);
// The lines of a record file read into a value; nothing changes on an error.
FileRecord parseCsvRecord(const QStringList& lines, const RegionalSettings& rs);

} // namespace abgleich
