// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/workingstate.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace abgleich {

// A point whose name begins with "of" in any letter case: the controller keeps no gain b
// for it.
bool isOffsetPoint(QStringView name);

// A correction-data record from the controller, read into values. When a coefficient
// field cannot be read, the points end with the one that holds it (its unreadable
// coefficient left empty) and the record is marked as broken off.
struct ControllerRecord {
    struct Point {
        QString name; // name and unit as the table shows them, a blank on either side
        QString unit;
        bool offset = false; // an offset point has no gain b
        std::optional<double> a;
        std::optional<double> b;
    };
    QString geraeteId;
    QString geraetetyp;
    QString spsVersion;
    std::optional<LastCorrection> lastCorrection; // nothing: the field keeps its content
    QString countText;                            // as received, shown in ED_AnzMS
    int count = 0;
    std::vector<Point> points;
    bool brokeOff = false;
};

// A correction-data record file (as the upload writes it), read into values: the device
// fields of its first line and up to four texts per point line (name, unit, new a, new b).
struct FileRecord {
    LastCorrection lastCorrection;
    QString geraeteId;
    QString geraetetyp;
    std::vector<QStringList> points;
    bool endsAfterFirstLine = false; // no heading and no points: only the device fields
};

// The one writer of loaded records into the table, the coefficient store and the device
// fields. A controller record replaces the table; a record file fills names, units and the
// new coefficients and leaves the other columns as they are (one that ends after its first
// line sets the device fields and then fails with the list-index error).
void applyRecord(WorkingState& state, ControllerRecord&& record); // its texts move into the table
void applyRecord(WorkingState& state, const FileRecord& record);

} // namespace abgleich
