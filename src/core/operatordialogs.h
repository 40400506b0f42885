#pragma once

#include <QString>

namespace abgleich {

// Everything the operator must read or answer goes through this interface: the window
// shows Qt dialogs, tests script the answers.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    // The general error box: application title, OK, the message as errorBoxText gives it.
    virtual void showErrorBox(const QString& message) = 0;
    // A message box with an OK button (an error reply of the controller).
    virtual void showMessage(const QString& text) = 0;
    // A warning the operator must acknowledge ("Falsches Passwort").
    virtual void showWarning(const QString& text) = 0;
};

} // namespace abgleich
