// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "state/loadedrecord.h"

#include "core/errors.h"
#include "core/text.h"

namespace abgleich {

bool isOffsetPoint(QStringView name) {
    return name.first(qMin<qsizetype>(2, name.size())).compare(u"of", Qt::CaseInsensitive) == 0;
}

void applyRecord(WorkingState& state, ControllerRecord&& record) {
    DeviceFields& device = state.device;
    device.geraeteId = record.geraeteId;
    device.geraetetyp = record.geraetetyp;
    device.spsVersion = record.spsVersion;
    if (record.lastCorrection)
        device.lastCorrection = *record.lastCorrection;
    device.anzMS = record.countText;
    state.anzMS = record.count;
    state.msUpperBound = record.count;

    {
        PointTable& table = state.table;
        BatchUpdate batch(table);
        // Until the last point has been written, the table holds a broken-off list.
        state.readBrokeOff = true;
        table.clear();
        table.setRows(record.count + 1);
        table.writeHeaderRow();
        table.writeRowNumbers();
        int k = 0;
        for (ControllerRecord::Point& point : record.points) {
            ++k;
            table.setCellText(Col::Name, k, std::move(point.name));
            if (point.offset) {
                table.setCellText(Col::ANeu, k, QString());
                table.setCellText(Col::BNeu, k, QString());
            }
            table.setCellText(Col::Unit, k, std::move(point.unit));
            if (!point.a)
                break;
            state.coef.setA(k, *point.a);
            if (!point.offset) {
                if (!point.b)
                    break;
                state.coef.setB(k, *point.b);
            }
            table.setCellNumber(Col::ASps, k, state.coef.a(k));
            table.setCellNumber(Col::ANeu, k, state.coef.a(k));
            if (point.offset) {
                table.setCellText(Col::BSps, k, QString());
                table.setCellText(Col::BNeu, k, QString());
            } else {
                table.setCellNumber(Col::BSps, k, state.coef.b(k));
                table.setCellNumber(Col::BNeu, k, state.coef.b(k));
            }
        }
        state.readBrokeOff = record.brokeOff;
    }
    if (!record.brokeOff)
        state.clearChartSeries();
    state.notifyDeviceFieldsChanged();
}

void applyRecord(WorkingState& state, const FileRecord& record) {
    state.device.lastCorrection = record.lastCorrection;
    state.device.geraeteId = record.geraeteId;
    state.device.geraetetyp = record.geraetetyp;
    if (record.endsAfterFirstLine) {
        state.notifyDeviceFieldsChanged();
        throw AppError::listIndexOutOfBounds(0);
    }
    const int count = int(record.points.size());
    state.anzMS = count;
    state.device.anzMS = QString::number(count);
    state.notifyDeviceFieldsChanged();

    PointTable& table = state.table;
    BatchUpdate batch(table);
    table.setRows(count + 1);
    state.readBrokeOff = false; // every row now comes from the file
    const int columns[] = {Col::Name, Col::Unit, Col::ANeu, Col::BNeu};
    for (int k = 1; k <= count; ++k) {
        const QStringList& fields = record.points[std::size_t(k - 1)];
        for (qsizetype f = 0; f < fields.size() && f < 4; ++f)
            table.setCellText(columns[f], k, fields[f]);
        // The cells show their numbers with three decimals from now on; a field that is no
        // number gives the neutral correction, as an empty one does.
        table.normaliseCell(Col::ANeu, k);
        table.normaliseCell(Col::BNeu, k);
        const CellReading a = table.readCell(Col::ANeu, k);
        const CellReading b = table.readCell(Col::BNeu, k);
        state.coef.setA(k, a.isNumber() ? a.value : 0.0);
        state.coef.setB(k, b.isNumber() ? b.value : 1.0);
    }
}

} // namespace abgleich
