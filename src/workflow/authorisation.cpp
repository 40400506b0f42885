// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "workflow/authorisation.h"

#include "core/numbers.h"
#include "core/text.h"

namespace abgleich {

bool checkDeviceId(const QString& deviceId, OperatorDialogs& dialogs) {
    if (trimBlanksAndControls(deviceId).isEmpty() || strToInt(deviceId) == 0) {
        dialogs.showWarning(QStringLiteral("Geräte-ID muss angegeben werden"));
        return false;
    }
    return true;
}

bool askAuthorisation(AuthorisationForm form, const QString& changeList, PasswordRule rule,
                      const DeviceFields& device, OperatorDialogs& dialogs, QString* comment) {
    const auto input = dialogs.authorise(form, changeList);
    if (!input)
        return false;
    if (!passwordMatches(input->password, rule, device.geraetetyp, device.geraeteId)) {
        dialogs.showWarning(QStringLiteral("Falsches Passwort"));
        return false;
    }
    if (comment)
        *comment = input->comment;
    return true;
}

} // namespace abgleich
