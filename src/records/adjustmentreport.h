// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/workingstate.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace abgleich {

// Whether a point is within its tolerance, by simple acceptance (ILAC G8): the deviation of
// largest magnitude, to the thousandth as printed, is at most the tolerance. A point without
// a tolerance is never passed; one without values gets no verdict.
enum class Verdict { Pass, Fail, NoTolerance, NoValues };
Verdict judge(const std::optional<double>& largest, const std::optional<double>& tolerance);
// "i. O.", "n. i. O.", "keine Toleranz festgelegt", "keine Messwerte".
QString verdictText(Verdict verdict);
// The decision rule as the report and the view state it.
extern const QString kDecisionRule;

// A reference standard of the bench's register: the instrument the reference values were
// taken with.
struct ReferenceStandard {
    QString id;
    QString description;
    QString certificate; // the calibration certificate's number
    QDate validUntil;    // calibrated until
    // Past its date on that day.
    bool expiredOn(const QDate& day) const { return validUntil.isValid() && validUntil < day; }
    bool operator==(const ReferenceStandard&) const = default;
};

// The report series of a bench: upload reports, reports of the table as it stands, and
// measured checks after an upload; each numbered on its own ("A-00017").
enum class ReportSeries : char { Upload = 'A', Table = 'P', Check = 'N' };
QString reportNumberText(ReportSeries series, qint64 number);

// A value pair of a point with its deviation before the adjustment (tm - Ref, as the bench
// displayed it) and the one left after it (the row's diff column, when it holds one).
struct ReportPair {
    int number = 0; // the pair's place in the row, 1..4
    double ref = 0;
    double tm = 0;
    double before = 0;
    std::optional<double> after;
    bool operator==(const ReportPair&) const = default;
};

// One measuring point of an adjustment: as found and as left.
struct ReportPoint {
    int number = 0;
    QString name;        // trimmed
    QString unit;        // trimmed
    bool offset = false; // an offset point: a alone, no gain
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
    // The point's tolerance (absolute, in its unit); nothing: none set.
    std::optional<double> tolerance;
    // The deviation chart as the window draws it, for a point with pairs.
    DeviationChartData chart;

    bool aChanged() const;
    bool bChanged() const;
    // As found: the deviations before the adjustment; as left: those with the coefficients
    // as sent (computed, or measured in a check report).
    Verdict asFound() const { return judge(largestBefore, tolerance); }
    Verdict asLeft() const { return judge(largestAfter, tolerance); }
    bool operator==(const ReportPoint&) const = default;
};

// What a report documents: an upload; the table as it stands, nothing sent; or a measured
// check after an upload, whose pairs were typed with the uploaded coefficients in force.
enum class ReportKind { Upload, Table, Check };

// What an adjustment report documents: the device, when and why, and every point.
struct AdjustmentReport {
    RegionalSettings regional;
    ReportKind kind = ReportKind::Upload;
    QString number;   // "A-00017"; empty: none could be drawn
    QDateTime when;   // the upload's time, or when the report was made
    QString comment;  // the upload's comment, line breaks as "\n"
    QString readBack; // what reading the controller back after the upload found
    DeviceFields device;
    std::vector<ReportPoint> points;
    // Who and where: the operator, the bench, the controller's address.
    QString operatorName;
    QString benchName;
    // The reference standard in use; and whether it was past its date on the report's day.
    std::optional<ReferenceStandard> standard;
    // The upload this report follows: a check's upload, or the upload a table report of the
    // unchanged table repeats. Its report number and time.
    QString uploadNumber;
    QDateTime uploadedAt;
    // SHA-256 of the record as sent (an upload's), lower-case hex.
    QString recordSha256;

    bool uploaded() const { return kind == ReportKind::Upload; }
    bool standardExpired() const { return standard && standard->expiredOn(when.date()); }
    // The point with the largest deviation before / after, among all points.
    const ReportPoint* largestBefore() const;
    const ReportPoint* largestAfter() const;
    // The device's verdict: failed when a point failed; without a verdict when a point with
    // values has no tolerance; passed when every point with values passed.
    Verdict asFound() const;
    Verdict asLeft() const;
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
