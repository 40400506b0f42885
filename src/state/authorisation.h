#pragma once

#include "core/operatordialogs.h"
#include "state/workingstate.h"

#include <QString>

namespace abgleich {

// The character between the type letters and the device ID in the expected password.
inline constexpr char16_t kPasswordSeparator = u'-';

// Which type letters the expected password takes: the upload takes the upper-case letters
// at the start of the device type but never its last character; the EA command takes every
// letter at the start.
enum class PasswordRule { Upload, EA };

// Type letters, separator and trimmed device ID, lower-cased (A-Z only).
QString expectedPassword(PasswordRule rule, const QString& deviceType, const QString& deviceId);

// A device ID must be given and not 0 before an authorisation is attempted; otherwise the
// warning "Geräte-ID muss angegeben werden". An ID that is no whole number raises the
// conversion error.
bool checkDeviceId(const QString& deviceId, OperatorDialogs& dialogs);

// Shows the authorisation dialog and compares the password typed (case of A-Z ignored) with
// the expected one; a wrong one gets the warning "Falsches Passwort". The comment of a
// confirmed full dialog is returned through comment.
bool askAuthorisation(AuthorisationForm form, const QString& changeList, PasswordRule rule,
                      const DeviceFields& device, OperatorDialogs& dialogs,
                      QString* comment = nullptr);

} // namespace abgleich
