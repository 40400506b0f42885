// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/csvimport.h"

#include "core/errors.h"
#include "core/fields.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/textfile.h"

#include <QFileInfo>

namespace abgleich {

QStringList csvLineFields(QStringView line, QChar separator, qsizetype most) {
    QStringList fields;
    while (!line.isEmpty() && fields.size() < most) {
        QString field;
        qsizetype at = 0;
        if (line.front() == u'"') {
            // Quoted as spreadsheets save text: up to the closing quote, "" for one quote;
            // a separator inside belongs to the field.
            at = 1;
            while (at < line.size()) {
                if (line[at] == u'"') {
                    if (at + 1 < line.size() && line[at + 1] == u'"') {
                        field += u'"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += line[at++];
            }
            // Anything between the closing quote and the separator stays with the field.
            const qsizetype end = line.indexOf(separator, at);
            field += line.sliced(at, (end < 0 ? line.size() : end) - at);
            at = end < 0 ? line.size() : end;
        } else {
            const qsizetype end = line.indexOf(separator);
            at = end < 0 ? line.size() : end;
            field = line.first(at).toString();
        }
        fields << field;
        if (at >= line.size())
            break;
        line = line.sliced(at + 1);
    }
    return fields;
}

QStringList pointLineFields(QStringView line, QChar separator) {
    return csvLineFields(line, separator, 4);
}

QChar recordSeparator(QStringView firstLine, const RegionalSettings& rs) {
    if (!firstLine.contains(rs.listSeparator) && firstLine.contains(kCsvSeparator))
        return kCsvSeparator;
    return rs.listSeparator;
}

QString newCoefficientText(QString field, const RegionalSettings& rs) {
    // "." or "," as the decimal separator, whatever the system's; never as a thousands
    // separator. Anything else stays as it is, for the operator to see.
    for (const QChar separator : {u'.', u','})
        if (parseDecimal(field, separator, true))
            return field.replace(separator, rs.decimalSeparator);
    return field;
}

void setNewCoefficientText(PointTable& table, int column, int row, const QString& field) {
    table.setCellText(column, row, newCoefficientText(field, table.regional()));
}

// Where the point lines begin: after the column heading. A comment with line breaks makes
// line 1 span several lines, so the heading is looked for; without one, line 2 is taken as
// the heading.
qsizetype firstPointLine(const QStringList& lines) {
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (trimBlanksAndControls(lines[i]) == kCsvHeading)
            return i + 1;
    }
    return 2;
}

void importCSVFile(WorkingState& state, const QString& path) {
    importCSVLines(state, readTextLines(path, kMaxCsvBytes));
}

namespace {

// An empty line, or one of separators and blanks alone (as spreadsheets save an empty row).
bool isEmptyLine(QStringView line, QChar separator) {
    for (const QChar c : line)
        if (c != separator && !trimBlanksAndControls(QStringView(&c, 1)).isEmpty())
            return false;
    return true;
}

} // namespace

FileRecord parseCsvRecord(const QStringList& lines, const RegionalSettings& rs) {
    if (lines.isEmpty())
        throw AppError::listIndexOutOfBounds(0);
    const QString& header = lines.front();
    const QChar separator = recordSeparator(header, rs);
    const qsizetype first = firstPointLine(lines);
    // Empty lines are no points: the points after one keep their places.
    std::vector<qsizetype> pointLines;
    for (qsizetype i = first; i < lines.size(); ++i)
        if (!isEmptyLine(lines[i], separator))
            pointLines.push_back(i);
    if (pointLines.size() > std::size_t(CoefficientStore::kSlots))
        throw AppError(QStringLiteral("Die Datei enthält %1 Messstellen; importiert werden "
                                      "können höchstens %2. Es wurde nichts geändert.")
                           .arg(pointLines.size())
                           .arg(CoefficientStore::kSlots));
    const QStringList headerFields = csvLineFields(header, separator, 4);
    const QString when = headerFields.value(0);
    const auto parsed = rs.parseDateTime(when);
    if (!parsed)
        throw AppError::invalidDateTime(when);
    FileRecord record{
        LastCorrection::known(*parsed), headerFields.value(1), headerFields.value(2), {}};
    record.endsAfterFirstLine = lines.size() < first;
    for (const qsizetype i : pointLines) {
        QStringList fields = pointLineFields(lines[i], separator);
        // A decimal point or comma in a or b becomes the regional separator; names and
        // units are taken as they are.
        for (qsizetype f = 2; f < fields.size(); ++f)
            fields[f] = newCoefficientText(fields[f], rs);
        record.points.push_back(std::move(fields));
    }
    return record;
}

void importCSVLines(WorkingState& state, QStringList lines) {
    const FileRecord record = parseCsvRecord(lines, state.regional);
    state.dList = lines.mid(firstPointLine(lines));
    applyRecord(state, record);
}

} // namespace abgleich
