#include "support/scripteddialogs.h"

#include "core/errors.h"

namespace abgleich::test {

namespace {

// The next scripted answer; the fallback when none is left.
template <typename T> T takeFront(std::deque<T>& queue, T fallback) {
    if (!queue.empty()) {
        fallback = std::move(queue.front());
        queue.pop_front();
    }
    return fallback;
}

} // namespace

void ScriptedDialogs::showErrorBox(const QString& message) {
    shown.push_back({Kind::ErrorBox, errorBoxText(message)});
}

void ScriptedDialogs::showMessage(const QString& text) {
    shown.push_back({Kind::Message, text});
}

void ScriptedDialogs::showWarning(const QString& text) {
    shown.push_back({Kind::Warning, text});
}

bool ScriptedDialogs::askYesNo(const QString& text) {
    shown.push_back({Kind::Question, text});
    return takeFront(answers, true);
}

std::optional<AuthorisationInput> ScriptedDialogs::authorise(AuthorisationForm form,
                                                             const QString& changeList) {
    shown.push_back({Kind::Authorisation, changeList});
    authorisationForms.push_back(form);
    return takeFront(authorisations, std::optional<AuthorisationInput>());
}

std::optional<QString> ScriptedDialogs::chooseFileToOpen(const QString& directory,
                                                         const QString& filter) {
    shown.push_back({Kind::FileOpen, directory + u'|' + filter});
    return takeFront(files, std::optional<QString>());
}

} // namespace abgleich::test
