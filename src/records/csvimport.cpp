#include "records/csvimport.h"

#include "bench/fields.h"
#include "core/errors.h"
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

void setNewCoefficientText(PointTable& table, int column, int row, QString field) {
    table.setCellText(column, row, field.replace(u'.', table.regional().decimalSeparator));
}

void importCSV(WorkingState& state, OperatorDialogs& dialogs) {
    const auto path = dialogs.chooseFileToOpen(state.configdir, kCsvFilter);
    if (!path || !QFileInfo::exists(*path))
        return;
    importCSVFile(state, *path);
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

void importCSVLines(WorkingState& state, QStringList lines) {
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

    state.dList = lines;
    if (state.dList.isEmpty())
        throw AppError::listIndexOutOfBounds(0);
    const RegionalSettings& rs = state.regional;
    const QString& header = state.dList.front();
    const QChar separator = recordSeparator(header, rs);
    const QString when = getField(separator, 1, header);
    const auto parsed = rs.parseDateTime(when);
    if (!parsed)
        throw AppError::invalidDateTime(when);
    state.device.lastCorrection = LastCorrection::known(*parsed);
    state.device.geraeteId = getField(separator, 2, header);
    state.device.geraetetyp = getField(separator, 3, header);
    state.notifyDeviceFieldsChanged();

    for (qsizetype i = 0; i < first; ++i) {
        if (state.dList.isEmpty())
            throw AppError::listIndexOutOfBounds(0);
        state.dList.removeFirst();
    }

    state.anzMS = int(count);
    state.device.anzMS = QString::number(count);
    state.notifyDeviceFieldsChanged();
    PointTable& table = state.table;
    BatchUpdate batch(table);
    table.setRows(int(count) + 1);
    state.readBrokeOff = false; // every row now comes from the file
    const int columns[] = {Col::Name, Col::Unit, Col::ANeu, Col::BNeu};
    for (int k = 1; k <= count; ++k) {
        const QStringList fields = pointLineFields(state.dList[k - 1], separator);
        for (qsizetype f = 0; f < fields.size(); ++f) {
            // Names and units are taken as they are.
            if (columns[f] == Col::ANeu || columns[f] == Col::BNeu)
                setNewCoefficientText(table, columns[f], k, fields[f]);
            else
                table.setCellText(columns[f], k, fields[f]);
        }
        const bool noA = trimBlanksAndControls(table.cellText(Col::ANeu, k)).isEmpty();
        const bool noB = trimBlanksAndControls(table.cellText(Col::BNeu, k)).isEmpty();
        state.coef.setA(k, noA ? 0.0 : table.shownNumber(Col::ANeu, k));
        state.coef.setB(k, noB ? 1.0 : table.shownNumber(Col::BNeu, k));
    }
}

} // namespace abgleich
