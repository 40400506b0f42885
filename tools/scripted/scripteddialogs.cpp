// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
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

std::optional<qint64> ScriptedDialogs::chooseUpload(const DeviceHistory& history,
                                                    HistoryReader& reader,
                                                    const HistoryCheck& check, WorkingState&) {
    note(Kind::History, history.deviceId);
    shownHistory = history;
    shownRecords.clear();
    for (const UploadSummary& upload : history.uploads)
        shownRecords.push_back(reader.record(upload.id));
    if (checkHistory)
        checkResult = check();
    const std::optional<std::size_t> choice =
        takeFront(uploadChoices, std::optional<std::size_t>());
    if (!choice || *choice >= history.uploads.size())
        return std::nullopt;
    return history.uploads[*choice].id;
}

void ScriptedDialogs::showPlant(const QString& where,
                                const std::function<std::vector<PlantDevice>()>& load,
                                const std::function<void(const PlantDevice&)>& open) {
    note(Kind::Plant, where);
    plantDevices.clear();
    plantError.clear();
    try {
        plantDevices = load();
    } catch (const AppError& e) {
        plantError = e.message();
    }
    while (!plantOpens.empty()) {
        const std::size_t k = plantOpens.front();
        plantOpens.pop_front();
        if (k < plantDevices.size())
            open(plantDevices[k]);
    }
}

std::optional<PlantSettings> ScriptedDialogs::editPlantSettings(const PlantSettings& current) {
    note(Kind::PlantSettings, current.server.host);
    return takeFront(plantSettings, std::optional<PlantSettings>());
}

std::optional<std::vector<ToleranceRow>>
ScriptedDialogs::editTolerances(const QString& deviceType, const std::vector<ToleranceRow>& rows) {
    note(Kind::Tolerances, deviceType);
    toleranceRows = rows;
    return takeFront(toleranceEdits, std::optional<std::vector<ToleranceRow>>());
}

std::optional<StandardsChoice> ScriptedDialogs::editStandards(const StandardsChoice& current) {
    note(Kind::Standards, current.inUse);
    return takeFront(standardsEdits, std::optional<StandardsChoice>());
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
