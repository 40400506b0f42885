#pragma once

#include "records/history.h"

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
    // The device's history beside the table; the upload taken with "Übernehmen", nothing
    // when the dialog was closed otherwise.
    virtual std::optional<LoggedUpload>
    chooseUpload(const DeviceHistory& history, const QString& deviceId, PointTable& table) = 0;
};

} // namespace abgleich
