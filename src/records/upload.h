#pragma once

#include "core/clock.h"
#include "core/operatordialogs.h"
#include "records/adjustmentreport.h"
#include "state/workingstate.h"

#include <QString>
#include <QStringList>

#include <functional>
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
UploadContent buildUpload(const WorkingState& state, int count);

// a or b times 1000, rounded to the nearest integer (halves to the even one).
QString thousandths(double value);

// What the upload needs from the window: the command sender and the busy indicator, and
// the writer of the adjustment report (none: no report).
struct UploadLink {
    std::function<void(const QString& record)> send2SPS;
    std::function<void()> startIndicator;
    std::function<void(const AdjustmentReport& report)> writeReport = {};
};

// The two lines an upload appends to the change log: date, time and comment (its line breaks
// as CR LF), then the record.
QString changeLogEntry(const RegionalSettings& rs, const QDateTime& when, const QString& comment,
                       const QString& record);

// The file names of a device's change log and correction-data record.
QString changeLogPath(const WorkingState& state);
QString correctionRecordPath(const WorkingState& state);

// Shown instead of an upload while the table holds a point list that broke off part-way.
inline const QString kReadBrokeOffWarning =
    QStringLiteral("Die Abgleichwerte wurden nicht vollständig von der SPS gelesen. Bitte vor "
                   "dem Senden neu abfragen (F1) oder eine CSV-Datei importieren (F3).");

// The correction-data upload: a table whose point list broke off part-way is refused with a
// warning; then the device-ID check, change list (and the question when nothing
// changed), authorisation with the comment, the record sent to the controller, then the
// coefficient store updated, two lines appended to the change log, the correction-data
// record replaced and the adjustment report written (its time that of the change log's
// line). Any refusal stops it before anything is sent or written.
void sendCorrData(WorkingState& state, OperatorDialogs& dialogs, const Clock& clock,
                  const UploadLink& link);

} // namespace abgleich
