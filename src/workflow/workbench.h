// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "bench/benchsession.h"
#include "core/clock.h"
#include "records/adjustmentreport.h"
#include "records/recordsdb.h"
#include "state/workingstate.h"
#include "workflow/guard.h"
#include "workflow/operatordialogs.h"
#include "workflow/plantsync.h"
#include "workflow/reportcontent.h"
#include "workflow/reportqueue.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace abgleich {

// What the operations work with, made by the program entry (or a test): the operator
// dialogs, the session with the bench controller, the clock and the writer of adjustment
// reports (none: no report is written).
struct WorkbenchServices {
    OperatorDialogs& dialogs;
    BenchSession& session;
    const Clock& clock;
    ReportWriter* reports = nullptr;
};

// Where an operation was started: the function key and its button differ in a few details.
// Reading the correction data: the button starts the busy indicator, the key does not.
// Recalculating all points: the key takes the count from the device fields' point count and
// then chooses the point after the last; the button takes the count of the last read or
// import and leaves the chosen point alone.
enum class Trigger { FunctionKey, Button };

// The operator's operations, without a widget: it owns the working state (the table, the
// coefficient store, the device fields, the chart) and routes the bench's replies into it.
// Each operation runs to its end under the error wrapper: an error is shown in the general
// error box and never leaves the call. What changed is told by signals; the window mirrors it.
class Workbench : public QObject {
    Q_OBJECT

public:
    // The working directory is where the tool keeps its files: "config" below it is created.
    Workbench(WorkbenchServices services, const RegionalSettings& regional,
              const QString& workingDir, QObject* parent = nullptr);

    const WorkingState& state() const { return state_; }
    const RegionalSettings& regional() const { return state_.regional; }
    // The point table is the model of the table views, which edit it.
    PointTable& table() { return state_.table; }
    // The bench address the commands go to, and whether the link to it is open.
    const QString& host() const { return host_; }
    bool linkOpen() const { return session_.isOpen(); }
    // How long an upload waits for each answer of the controller (its acknowledgement, then
    // the values read back); 0: the upload is not read back.
    static constexpr int kDefaultReadBackWaitMs = 3000;
    void setReadBackWait(int ms) { readBackWaitMs_ = ms; }
    // How long opening the link waits for the controller ("[Verbindung] Timeout_ms").
    void setConnectTimeout(int ms) { session_.client().setConnectTimeout(ms); }
    // A connection made within this time is made without showing a wait.
    static constexpr int kQuietConnectMs = 200;

    // Runs an action of the operator to its end under the error wrapper.
    template <typename Action> void guarded(Action&& action) {
        runGuarded(dialogs_, std::forward<Action>(action));
    }

    // The device fields as the operator types them.
    void setDeviceId(const QString& text);
    void setDeviceType(const QString& text);

    // Bench link
    void connectOrDisconnect();
    void changeHost(const QString& host);
    void readCorrectionData(Trigger trigger);
    void sendTime();
    void sendZ();
    void sendA();
    // The EA command with the chosen number of power supplies (the combo box's index).
    void setPowerSupplies(int choice);
    void sendFreeText(const QString& text);

    // Calculation
    void recalculatePoint(int n);
    void recalculateAll(Trigger trigger);
    void resetTable();

    // Records
    void upload();
    void importRecord();
    void showHistory();
    // Every device the records know (the plant server's when one is set), each openable.
    void showPlant();
    // The operator edits the plant server's settings; the window keeps them.
    void configurePlantServer();
    // The plant server the records go to (no host: none), and the name of this bench.
    void setPlantServer(const ServerSettings& server, const QString& benchName);
    PlantSync& plantSync() { return plant_; }
    // The bench's records database, opened (and created) on first use.
    RecordsDb& records();
    QString recordsPath() const;
    void writeTableReport();
    // "Nachmessung protokollieren": the pairs typed again after an upload, with its
    // coefficients in force, as a check report linked to that upload.
    void recordCheck();
    // "Toleranzen…" for the device type in the fields, and "Prüfmittel…".
    void editTolerances();
    void editStandards();
    // Who signs the reports and the reference standard in use, from the settings file.
    void setReportSettings(const ReportSettings& settings) { reportSettings_ = settings; }
    const ReportSettings& reportSettings() const { return reportSettings_; }
    // The tolerances of the device type in the fields by point name; none when the records
    // cannot be read. Kept until the device type or the tolerances change.
    const QHash<QString, double>& tolerances();
    // How point n of the table would be judged now, as found and as left (computed), with
    // a tooltip that says why; nothing for a row without values.
    struct PointJudgement {
        Verdict asFound = Verdict::NoValues;
        Verdict asLeft = Verdict::NoValues;
        QString toolTip;
    };
    std::optional<PointJudgement> judgePoint(int n);
    // Reports are written off the window's thread; this waits for those still being written
    // and tells how each ended (a protocol line, or the error box).
    void finishReports();
    bool writingReports() const { return reports_.busy(); }

    // The end of the run: the reports finished, the link closed, the table emptied.
    void close();

signals:
    void deviceFieldsChanged();
    void chartChanged();
    void logLine(const QString& line);
    void connectionChanged(bool open);
    // Something now waits for the bench, or no longer does.
    void busyStarted();
    void busyEnded();
    // The operator changed the plant server's settings.
    void plantSettingsChanged(const PlantSettings& settings);
    // The standard in use was changed; to be kept in the settings file.
    void reportSettingsChanged(const ReportSettings& settings);
    // Tolerances were edited: verdicts shown in the table may differ.
    void tolerancesChanged();
    // An operation chose the point the selector names.
    void pointChosen(int n);

protected:
    // The working state itself, for a test that sets up what no operation can reach.
    WorkingState& workingState() { return state_; }

private:
    void send2SPS(const QString& text);
    void takeFrame(QChar letter, const QString& body);
    void loadCorrectionReply(QStringView body);
    void uploadCorrectionData();
    // The body of the next "U" frame, taken for the upload instead of being loaded; nothing
    // when none came within the wait or the operator ended it.
    std::optional<QString> awaitUploadFrame(const QString& text, WaitEnd* end);
    QString readBack(const QString& sentRecord, QString* warning, std::optional<QString>* rejected);
    // uploadId: the records' row of the upload the report belongs to (0: none).
    // saved: the notice that a report other than an upload's was saved (its path follows).
    void reportEnded(const ReportOutcome& outcome, bool uploaded, qint64 uploadId = 0,
                     const QString& saved = {});
    // Signs a report: its operator, bench and reference standard.
    void identify(AdjustmentReport& report);
    // The reference standard in use, from the register; nothing when none is chosen or the
    // register cannot be read.
    std::optional<ReferenceStandard> standardInUse();
    // Whether the operator goes on with a reference standard past its date (asked once per
    // upload); true when it is within its date or none is chosen.
    bool acceptStandard();
    // After an upload the controller took: the pairs and deviations of points 1..count
    // emptied.
    void emptyPairs(int count);
    // Signs and keeps the upload's report (row uploadId, 0: not recorded) with the SHA-256
    // of the record as sent, and the table as it stands after the upload.
    void noteUpload(AdjustmentReport& report, qint64 uploadId, const QString& record);
    // The upload's row for the records: the report's points, the record as sent.
    UploadRow uploadRow(const AdjustmentReport& report, const QString& record,
                        const QDateTime& when, const QString& comment,
                        const QString& readBack) const;
    // Shows a device's history from a records database and takes over a chosen upload.
    void browseHistory(RecordsDb& db, DeviceHistory history, const RecordsSource& source,
                       bool mayTakeOver);
    // Where a record file of the device the controller last listed differs from that list
    // (the first differing name, else the count); empty where it does not, or for another
    // device.
    QString differenceFromController(const FileRecord& file) const;

    OperatorDialogs& dialogs_;
    BenchSession& session_;
    const Clock& clock_;
    WorkingState state_;
    QString host_;
    int readBackWaitMs_ = kDefaultReadBackWaitMs;
    // An upload waits for a frame of the controller, and what came.
    bool awaitingFrame_ = false;
    std::optional<QString> awaitedFrame_;
    // A read-back whose answer did not come in time: the answer, should it still come, is
    // not loaded into the table.
    bool lateReadBack_ = false;
    // The device and its point names in the last complete list the controller sent.
    struct ControllerPoints {
        QString deviceId;
        QStringList names;
    };
    std::optional<ControllerPoints> lastReply_;
    std::unique_ptr<RecordsDb> records_;
    QString benchName_;
    PlantSync plant_;
    ReportSettings reportSettings_;
    // The tolerances last read, and the device type they belong to.
    std::optional<std::pair<QString, QHash<QString, double>>> tolerances_;
    // The last upload of this run: its report as written, its row and number, and the
    // table's texts right after it (what a later report compares the table with).
    struct LastUpload {
        AdjustmentReport report;
        qint64 id = 0;
        std::vector<QString> rows; // each point's row text, index 0 unused
    };
    std::optional<LastUpload> lastUpload_;
    // Last, so that it is gone, its workers waited for, before anything its reports tell.
    ReportQueue reports_;
};

} // namespace abgleich
