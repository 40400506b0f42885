// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/adjustmentreport.h"

#include <QByteArray>
#include <QString>

namespace abgleich {

// The adjustment report as a German PDF document on A4: device, time and comment, a table
// of every point's coefficients before and after, then for each point with value pairs its
// pairs with the deviations before and after and its deviation chart, scaled to its values.
// Needs no widget: it may be written off the window's thread. A report of a table that was not
// uploaded says so on every page.
QByteArray adjustmentReportPdf(const AdjustmentReport& report);

// Writes the report into the configuration directory as
// Abgleichprotokoll_<ID>_<yyyyMMdd-HHmmss>.pdf, a new file that never replaces an earlier
// one; returns its path. Raises the write error when it cannot be written.
QString writeAdjustmentReport(const AdjustmentReport& report, const QString& configdir);

// The report writer of the program: the PDF document above.
class PdfReportWriter : public ReportWriter {
public:
    QString write(const AdjustmentReport& report, const QString& configdir) override {
        return writeAdjustmentReport(report, configdir);
    }
};

} // namespace abgleich
