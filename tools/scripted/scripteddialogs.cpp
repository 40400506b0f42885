#include "scripted/scripteddialogs.h"

#include "core/errors.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace abgleich::test {

void ScriptedDialogs::note(Kind kind, const QString& text) {
    if (record)
        shown.push_back({kind, text});
    if (onShown)
        onShown({kind, text});
}

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
    note(Kind::ErrorBox, errorBoxText(message));
}

void ScriptedDialogs::showNotice(const QString& text) {
    note(Kind::Message, text);
}

void ScriptedDialogs::showMessage(const QString& text) {
    note(Kind::Message, text);
}

void ScriptedDialogs::showWarning(const QString& text) {
    note(Kind::Warning, text);
}

bool ScriptedDialogs::askYesNo(const QString& text) {
    note(Kind::Question, text);
    return takeFront(answers, true);
}

std::optional<AuthorisationInput> ScriptedDialogs::authorise(AuthorisationForm form,
                                                             const QString& changeList) {
    note(Kind::Authorisation, changeList);
    authorisationForms.push_back(form);
    if (whileAuthorising)
        whileAuthorising();
    return takeFront(authorisations, standingAuthorisation);
}

std::optional<QString> ScriptedDialogs::chooseFileToOpen(const QString& directory,
                                                         const QString& filter) {
    note(Kind::FileOpen, directory + u'|' + filter);
    return takeFront(files, std::optional<QString>());
}

std::optional<LoggedUpload> ScriptedDialogs::chooseUpload(const DeviceHistory& history,
                                                          const QString& deviceId, PointTable&) {
    note(Kind::History, deviceId);
    shownHistory = history;
    const std::optional<std::size_t> choice =
        takeFront(uploadChoices, std::optional<std::size_t>());
    if (!choice || *choice >= history.uploads.size())
        return std::nullopt;
    return history.uploads[*choice];
}

WaitEnd ScriptedDialogs::waitForBench(const QString& text, int timeoutMs,
                                      const std::function<bool()>& arrived) {
    note(Kind::Wait, text);
    if (cancelWaits)
        return arrived() ? WaitEnd::Arrived : WaitEnd::Cancelled;
    QDeadlineTimer deadline(timeoutMs);
    while (!arrived() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return arrived() ? WaitEnd::Arrived : WaitEnd::TimedOut;
}

} // namespace abgleich::test
