// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/authorisation.h"
#include "state/workingstate.h"
#include "workflow/operatordialogs.h"

#include <QString>

namespace abgleich {

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
