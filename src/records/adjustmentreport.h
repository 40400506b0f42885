#pragma once

#include "state/workingstate.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace abgleich {

// A value pair of a point with its deviation before the adjustment (tm - Ref, as the bench
// displayed it) and the one left after it (the row's diff column, when it holds one).
struct ReportPair {
    double ref = 0;
    double tm = 0;
    double before = 0;
    std::optional<double> after;
    bool operator==(const ReportPair&) const = default;
};

// One measuring point of an adjustment: as found and as left.
struct ReportPoint {
    int number = 0;
    QString name; // trimmed
    QString unit; // trimmed
    // a and b as read from the controller; nothing where the table holds none (the b of an
    // offset point).
    std::optional<double> aBefore;
    std::optional<double> bBefore;
    // a and b as the upload sends them: to the thousandth, 0 and 1 for a point without a new a.
    double aAfter = 0;
    double bAfter = 1;
    std::vector<ReportPair> pairs;
    // The deviation of largest magnitude, signed; nothing without pairs (or without diffs).
    std::optional<double> largestBefore;
    std::optional<double> largestAfter;
    // The deviation chart as the window draws it, for a point with pairs.
    DeviationChartData chart;

    bool aChanged() const;
    bool bChanged() const;
    bool operator==(const ReportPoint&) const = default;
};

// What an adjustment report documents: the device, when and why, and every point.
struct AdjustmentReport {
    RegionalSettings regional;
    bool uploaded = true; // false: a report of the table as it stands, nothing sent
    QDateTime when;       // the upload's time, or when the report was made
    QString comment;      // the upload's comment, line breaks as "\n"
    QString readBack;     // what reading the controller back after the upload found
    DeviceFields device;
    std::vector<ReportPoint> points;

    // The point with the largest deviation before / after, among all points.
    const ReportPoint* largestBefore() const;
    const ReportPoint* largestAfter() const;
};

// The report's file name in the configuration directory, without ".pdf" and without the
// "_2", "_3", ... that keeps an earlier report of the same second.
QString adjustmentReportStem(const QString& configdir, const QString& deviceId,
                             const QDateTime& when);
inline const QString kReportSuffix = QStringLiteral(".pdf");

// Writes an adjustment report as a document into the configuration directory, as a new file
// that never replaces an earlier one, and returns its path; raises the write error when it
// cannot be written.
class ReportWriter {
public:
    virtual ~ReportWriter() = default;
    virtual QString write(const AdjustmentReport& report, const QString& configdir) = 0;
};

} // namespace abgleich
