// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/errors.h"
#include "workflow/operatordialogs.h"

#include <exception>
#include <utility>

namespace abgleich {

// Runs one operator action to its end. An error it does not handle itself ends it and is
// shown in the general error box; a silent abort ends it without a message. Nothing escapes
// into the event loop, and what the action changed before the error stays changed.
template <typename Action> void runGuarded(OperatorDialogs& dialogs, Action&& action) {
    try {
        std::forward<Action>(action)();
    } catch (const SilentAbort&) {
    } catch (const AppError& e) {
        dialogs.showErrorBox(e.message());
    } catch (const std::exception& e) {
        dialogs.showErrorBox(QString::fromUtf8(e.what()));
    }
}

} // namespace abgleich
