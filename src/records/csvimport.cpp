#include "records/csvimport.h"

#include "core/errors.h"
#include "core/fields.h"
#include "core/text.h"
#include "records/textfile.h"

#include <QFileInfo>

namespace abgleich {

QStringList pointLineFields(QStringView line, QChar separator) {
    QStringList fields;
    while (!line.isEmpty() && fields.size() < 4) {
        const qsizetype end = line.indexOf(separator);
        if (end < 0) {
            fields << line.toString();
            break;
        }
        fields << line.first(end).toString();
        line = line.sliced(end + 1);
    }
    return fields;
}

QChar recordSeparator(QStringView firstLine, const RegionalSettings& rs) {
    if (!firstLine.contains(rs.listSeparator) && firstLine.contains(kCsvSeparator))
        return kCsvSeparator;
    return rs.listSeparator;
}

QString newCoefficientText(QString field, const RegionalSettings& rs) {
    return field.replace(u'.', rs.decimalSeparator);
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

FileRecord parseCsvRecord(const QStringList& lines, const RegionalSettings& rs) {
    const qsizetype first = firstPointLine(lines);
    qsizetype last = lines.size();
    while (last > first && lines[last - 1].isEmpty())
        --last;
    const qsizetype count = std::max<qsizetype>(0, last - first);
    if (count > CoefficientStore::kSlots)
        throw AppError(QStringLiteral("Die Datei enthält %1 Messstellen; importiert werden "
                                      "können höchstens %2. Es wurde nichts geändert.")
                           .arg(count)
                           .arg(CoefficientStore::kSlots));
    if (lines.isEmpty())
        throw AppError::listIndexOutOfBounds(0);
    const QString& header = lines.front();
    const QChar separator = recordSeparator(header, rs);
    const QString when = getField(separator, 1, header);
    const auto parsed = rs.parseDateTime(when);
    if (!parsed)
        throw AppError::invalidDateTime(when);
    FileRecord record{LastCorrection::known(*parsed),
                      getField(separator, 2, header),
                      getField(separator, 3, header),
                      {}};
    record.endsAfterFirstLine = lines.size() < first;
    for (qsizetype i = first; i < first + count; ++i) {
        QStringList fields = pointLineFields(lines[i], separator);
        // A decimal point in a or b becomes the regional separator; names and units are
        // taken as they are.
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
