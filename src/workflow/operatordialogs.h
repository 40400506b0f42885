// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/recordsdb.h"

#include <QString>

#include <functional>
#include <optional>

namespace abgleich {

// The two forms of the change-authorisation dialog: full with the change list and the
// comment (upload), compact with the password prompt alone (EA command).
enum class AuthorisationForm { Full, Compact };

// What the operator entered in a confirmed authorisation dialog.
struct AuthorisationInput {
    QString password;
    QString comment; // the dialog's comment, kept between uses
};

// How a wait for the bench ended.
enum class WaitEnd { Arrived, TimedOut, Cancelled };

// What a history dialog reads while it is open: an upload's coefficients and a point's a and
// b over the uploads, in time order.
class HistoryReader {
public:
    virtual ~HistoryReader() = default;
    virtual LoggedRecord record(qint64 uploadId) = 0;
    virtual std::vector<DriftValue> drift(const QString& pointName) = 0;
};

// A history read from one records database (used on the thread that opened it).
class DbHistoryReader : public HistoryReader {
public:
    DbHistoryReader(RecordsDb& db, const DeviceHistory& history) : db_(db), history_(history) {}
    LoggedRecord record(qint64 uploadId) override { return db_.record(uploadId); }
    std::vector<DriftValue> drift(const QString& pointName) override {
        return db_.drift(history_, pointName);
    }

private:
    RecordsDb& db_;
    DeviceHistory history_;
};

// "Verlauf prüfen": runs off the window's thread and gives the text for the operator.
using HistoryCheck = std::function<QString()>;

// The plant server's settings and this bench's name, as the operator edits them.
struct PlantSettings {
    ServerSettings server;
    QString benchName;
};

// A point of the tolerance dialog: its name and unit, and its tolerance (nothing: none).
struct ToleranceRow {
    QString name;
    QString unit;
    std::optional<double> tolerance;
    bool operator==(const ToleranceRow&) const = default;
};

// The register of reference standards and the one in use (its ID; empty: none).
struct StandardsChoice {
    std::vector<ReferenceStandard> standards;
    QString inUse;
    bool operator==(const StandardsChoice&) const = default;
};

// Everything the operator must read or answer goes through this interface: the window
// shows Qt dialogs, tests script the answers.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    // The general error box: application title, OK, the message as errorBoxText gives it.
    virtual void showErrorBox(const QString& message) = 0;
    // A message box with an OK button (an error reply of the controller).
    virtual void showMessage(const QString& text) = 0;
    // A notice with an OK button that something was done (a report written, coefficients
    // taken over).
    virtual void showNotice(const QString& text) = 0;
    // A warning the operator must acknowledge ("Falsches Passwort").
    virtual void showWarning(const QString& text) = 0;
    // A question with Yes (pre-selected) and No; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // The change-authorisation dialog; nothing when it was closed other than by OK.
    virtual std::optional<AuthorisationInput> authorise(AuthorisationForm form,
                                                        const QString& changeList) = 0;
    // The file-open dialog; nothing when cancelled.
    virtual std::optional<QString> chooseFileToOpen(const QString& directory,
                                                    const QString& filter) = 0;
    // Waits for the bench at most timeoutMs, until `arrived` says so; the window stays live
    // (it repaints, replies are taken) but takes no input meanwhile, and Esc ends the wait.
    virtual WaitEnd waitForBench(const QString& text, int timeoutMs,
                                 const std::function<bool()>& arrived) = 0;
    // The device's history beside the table; the upload (its row number) taken with
    // "Übernehmen", nothing when the dialog was closed otherwise.
    virtual std::optional<qint64> chooseUpload(const DeviceHistory& history, HistoryReader& reader,
                                               const HistoryCheck& check, WorkingState& state) = 0;
    // The plant view: lists what `load` gives (called off the window's thread; an AppError
    // it raises is shown in the view); `open` shows a listed device's history.
    virtual void showPlant(const QString& where,
                           const std::function<std::vector<PlantDevice>()>& load,
                           const std::function<void(const PlantDevice&)>& open) = 0;
    // The plant server's settings; nothing when cancelled.
    virtual std::optional<PlantSettings> editPlantSettings(const PlantSettings& current) = 0;
    // The tolerances of a device type's points; the rows as edited, nothing when cancelled.
    virtual std::optional<std::vector<ToleranceRow>>
    editTolerances(const QString& deviceType, const std::vector<ToleranceRow>& rows) = 0;
    // The register of reference standards and the one in use; nothing when cancelled.
    virtual std::optional<StandardsChoice> editStandards(const StandardsChoice& current) = 0;
};

} // namespace abgleich
