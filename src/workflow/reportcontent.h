// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/adjustmentreport.h"
#include "state/workingstate.h"

#include <QHash>

namespace abgleich {

class IniFile;

// Who signs the reports and which reference standard is in use, kept in the settings file
// ("[Protokoll]" Bearbeiter, Pruefmittel).
struct ReportSettings {
    QString operatorName; // empty: the system user's full name
    QString standardId;   // empty: none chosen
    bool operator==(const ReportSettings&) const = default;
};
ReportSettings reportSettingsIn(const IniFile& file);
void storeReportSettings(IniFile& file, const ReportSettings& settings);
// The full name of the user the tool runs as (its login name where none is kept).
QString systemUserFullName();

// The report of points 1..count of the table as it stands. As found are the coefficients
// the controller holds (the store) and the deviations tm - Ref; as left the new
// coefficients as the upload sends them and the deviations they leave, computed with the
// same function as the table's diff columns, so never stale. The raw values use the
// coefficients of the store, as the recalculation does (so the report of an upload is built
// before the upload changes the store). A check report documents the coefficients in force
// and its pairs' tm - Ref as measured. Tolerances are by point name. Never raises for a
// point whose values cannot be converted: that part of its chart stays empty.
// Point n of such a report.
ReportPoint reportPoint(WorkingState& state, int n, ReportKind kind,
                        const QHash<QString, double>& tolerances);
// What the view tells of a point's verdicts: as found and as left (computed), each with its
// largest deviation and the tolerance, and the rule.
QString verdictsToolTip(const ReportPoint& point, const RegionalSettings& rs);
AdjustmentReport buildAdjustmentReport(WorkingState& state, int count, ReportKind kind,
                                       const QHash<QString, double>& tolerances = {});

} // namespace abgleich
