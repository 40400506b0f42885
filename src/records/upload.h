// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/workingstate.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace abgleich {

// The points whose new a or b differs from what the controller holds.
struct ChangeList {
    QStringList lines; // "geänderte Werte", then one line per changed point
    int changed = 0;
};
ChangeList buildChangeList(PointTable& table, int count);

// What an upload sends and records, built from the table.
struct UploadContent {
    QString record;  // "U<ID>,<type>,,,<N>,name,unit,a*1000,b*1000,...;"
    QString csvBody; // one "name;unit;a;b" line per point, each ending in CR LF
    struct StoreUpdate {
        int slot;
        double a;
        std::optional<double> b; // nothing for an offset point: the controller keeps no gain
    };
    std::vector<StoreUpdate> storeUpdates; // for points with a new a, slots 1..256 only
};
// The table's cells, read as the table shows them; an empty b (NEU) goes out as 0.
UploadContent buildUpload(const WorkingState& state, int count);

// Why an upload of points 1..count cannot go, one line per cell: a name or unit holding the
// record's separators "," or ";", a new a or b that is no number or too large for the
// controller, and for a point with a new a that is not an offset
// point a gain that is missing or 0 at the record's scale. Empty: the upload may go.
QStringList uploadRefusals(const PointTable& table, int count);

// A comment's line breaks as "\n" (the files carry them as CR LF).
QString withLf(QString text);

// a or b as the record carries it (see recordThousandths); raises the run-time error for a
// value that cannot be scaled.
QString thousandths(double value);

// The two lines an upload appends to the change log: date, time and comment (its line breaks
// as CR LF), then the record.
QString changeLogEntry(const RegionalSettings& rs, const QDateTime& when, const QString& comment,
                       const QString& record);

// The file names of a device's change log and correction-data record.
QString changeLogPath(const WorkingState& state);
QString correctionRecordPath(const WorkingState& state);

// The text of a correction-data record: the line with the upload's time, device ID, type and
// comment (its line breaks as CR LF), the column heading, the points' lines and an empty line.
QString correctionRecordText(const RegionalSettings& rs, const QDateTime& when,
                             const DeviceFields& device, const QString& comment,
                             const QString& csvBody);

} // namespace abgleich
