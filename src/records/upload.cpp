// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/upload.h"

#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/csvimport.h"
#include "state/loadedrecord.h"

#include <QDir>

#include <cmath>

namespace abgleich {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString trimmed(const QString& text) {
    return trimBlanksAndControls(text).toString();
}

QString withCrLf(const QString& text) {
    return withLf(text).replace(QStringLiteral("\n"), kCrLf);
}

} // namespace

QString withLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.replace(u'\r', u'\n');
}

QString thousandths(double value) {
    const auto scaled = recordThousandths(value);
    if (!scaled)
        throw AppError::invalidOperation();
    return QString::number(*scaled);
}

ChangeList buildChangeList(PointTable& table, int count) {
    ChangeList list;
    list.lines << QStringLiteral("geänderte Werte");
    for (int n = 1; n <= count; ++n) {
        QString mark;
        if (table.shownNumber(Col::ASps, n) != table.readCell(Col::ANeu, n).value)
            mark = QStringLiteral("  Offset ");
        if (table.shownNumber(Col::BSps, n) != table.readCell(Col::BNeu, n).value)
            mark += QStringLiteral(" Gain ");
        if (!mark.isEmpty()) {
            ++list.changed;
            list.lines << table.cellText(Col::Name, n) + mark;
        }
    }
    return list;
}

QStringList uploadRefusals(const PointTable& table, int count) {
    QStringList refusals;
    const auto quoted = [](const QString& text) {
        return QStringLiteral("„") + text + QStringLiteral("“");
    };
    for (int n = 1; n <= count; ++n) {
        const bool offset = isOffsetPoint(trimmed(table.cellText(Col::Name, n)));
        // The record's fields are cut at "," and the record ends at ";".
        for (const int column : {Col::Name, Col::Unit}) {
            const QString text = trimmed(table.cellText(column, n));
            if (text.contains(u',') || text.contains(u';'))
                refusals << table.cellName(column, n) + QStringLiteral(": ") + quoted(text) +
                                QStringLiteral(" enthält „,“ oder „;“, die die SPS als "
                                               "Trennzeichen liest");
        }
        const CellReading a = table.readCell(Col::ANeu, n);
        const CellReading b = table.readCell(Col::BNeu, n);
        for (const auto& [column, reading] : {std::pair{Col::ANeu, a}, std::pair{Col::BNeu, b}}) {
            if (reading.kind == CellReading::Kind::NotANumber)
                refusals << table.cellName(column, n) + QStringLiteral(": ") +
                                quoted(reading.shown) + QStringLiteral(" ist keine gültige Zahl");
            else if (reading.isNumber() && !recordThousandths(reading.value))
                refusals << table.cellName(column, n) + QStringLiteral(": ") +
                                quoted(reading.shown) +
                                QStringLiteral(" ist zu groß, um an die SPS gesendet zu werden");
        }
        // Without a new a the point goes out with the neutral correction; an offset point
        // has no gain in the controller.
        if (a.isEmpty() || offset)
            continue;
        if (b.isEmpty())
            refusals << table.cellName(Col::BNeu, n) +
                            QStringLiteral(": fehlt, die SPS erhielte die Verstärkung 0");
        else if (b.isNumber() && recordThousandths(b.value) == 0)
            refusals << table.cellName(Col::BNeu, n) + QStringLiteral(": ") + quoted(b.shown) +
                            QStringLiteral(" ergibt auf drei Nachkommastellen die Verstärkung 0");
    }
    return refusals;
}

UploadContent buildUpload(const WorkingState& state, int count) {
    const PointTable& table = state.table;
    UploadContent content;
    QStringList fields = {u'U' + state.device.geraeteId, state.device.geraetetyp, QString(),
                          QString(), QString::number(count)};
    for (int n = 1; n <= count; ++n) {
        const QString name = trimmed(table.cellText(Col::Name, n));
        const QString unit = trimmed(table.cellText(Col::Unit, n));
        fields << name << unit;
        QString aText = QStringLiteral("0");
        QString bText = QStringLiteral("1");
        if (!table.cellText(Col::ANeu, n).isEmpty()) {
            const double a = table.readCell(Col::ANeu, n).value;
            const double b = table.readCell(Col::BNeu, n).value;
            fields << thousandths(a) << thousandths(b);
            aText = table.cellText(Col::ANeu, n);
            bText = table.cellText(Col::BNeu, n);
            if (CoefficientStore::hasSlot(n))
                content.storeUpdates.push_back(
                    {n, a, isOffsetPoint(name) ? std::nullopt : std::optional<double>(b)});
        } else {
            fields << QStringLiteral("0") << QStringLiteral("1000");
            // The controller takes the neutral correction for such a point: the store must
            // say so, or the next report would find what the point held before.
            if (CoefficientStore::hasSlot(n))
                content.storeUpdates.push_back(
                    {n, 0.0, isOffsetPoint(name) ? std::nullopt : std::optional<double>(1.0)});
        }
        content.csvBody +=
            name + kCsvSeparator + unit + kCsvSeparator + aText + kCsvSeparator + bText + kCrLf;
    }
    content.record = fields.join(u',') + u';';
    return content;
}

QString changeLogEntry(const RegionalSettings& rs, const QDateTime& when, const QString& comment,
                       const QString& record) {
    return rs.formatDateTime(when) + u' ' + withCrLf(comment) + kCrLf + record + kCrLf;
}

QString changeLogPath(const WorkingState& state) {
    return state.configdir + QDir::separator() + QStringLiteral("Log_") + state.device.geraeteId +
           QStringLiteral(".log");
}

QString correctionRecordPath(const WorkingState& state) {
    return state.configdir + QDir::separator() + QStringLiteral("Abgleich_") +
           state.device.geraeteId + QStringLiteral(".csv");
}

QString correctionRecordText(const RegionalSettings& rs, const QDateTime& when,
                             const DeviceFields& device, const QString& comment,
                             const QString& csvBody) {
    const QString header = rs.formatDateTime(when) + kCsvSeparator + device.geraeteId +
                           kCsvSeparator + device.geraetetyp + kCsvSeparator + withCrLf(comment) +
                           kCrLf;
    return header + kCsvHeading + kCrLf + csvBody + kCrLf;
}

} // namespace abgleich
