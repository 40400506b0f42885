#include "support/scripteddialogs.h"

#include "core/errors.h"

namespace abgleich::test {

void ScriptedDialogs::showErrorBox(const QString& message) {
    shown.push_back({Kind::ErrorBox, errorBoxText(message)});
}

void ScriptedDialogs::showMessage(const QString& text) {
    shown.push_back({Kind::Message, text});
}

void ScriptedDialogs::showWarning(const QString& text) {
    shown.push_back({Kind::Warning, text});
}

} // namespace abgleich::test
