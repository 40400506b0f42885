// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "workflow/operatordialogs.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace abgleich::test {

// Records what the operator would have been shown, in order, and answers from scripts, for
// tests, benchmarks and fuzz targets. An unscripted question is answered Yes; an unscripted
// authorisation gives the standing answer (none: cancelled); an unscripted file dialog is
// cancelled; an unscripted history is closed without a choice.
class ScriptedDialogs : public OperatorDialogs {
public:
    enum class Kind {
        ErrorBox,
        Message,
        Warning,
        Question,
        Authorisation,
        FileOpen,
        History,
        Plant,
        PlantSettings,
        Tolerances,
        Standards,
        Wait
    };
    struct Shown {
        Kind kind;
        QString text;
        bool operator==(const Shown&) const = default;
    };

    void showErrorBox(const QString& message) override;
    void showMessage(const QString& text) override;
    // Noted as a message.
    void showNotice(const QString& text) override;
    void showWarning(const QString& text) override;
    bool askYesNo(const QString& text) override;
    std::optional<AuthorisationInput> authorise(AuthorisationForm form,
                                                const QString& changeList) override;
    std::optional<QString> chooseFileToOpen(const QString& directory,
                                            const QString& filter) override;
    // Noted with its text; runs the event loop until the bench's answer arrived or the time
    // is up, or ends at once as Esc would when cancelWaits is set.
    WaitEnd waitForBench(const QString& text, int timeoutMs,
                         const std::function<bool()>& arrived) override;
    // Noted with the device ID; runs the check when checkHistory is set (its text in
    // checkResult); answered from uploadChoices (an index into the history's uploads), else
    // closed without a choice.
    std::optional<qint64> chooseUpload(const DeviceHistory& history, HistoryReader& reader,
                                       const HistoryCheck& check, WorkingState& state) override;
    // Noted with where it reads; loads at once (plantDevices, or plantError) and opens the
    // devices plantOpens names (indexes into the list).
    void showPlant(const QString& where, const std::function<std::vector<PlantDevice>()>& load,
                   const std::function<void(const PlantDevice&)>& open) override;
    // Answered from plantSettings, else cancelled.
    std::optional<PlantSettings> editPlantSettings(const PlantSettings& current) override;
    // Noted with the device type; the rows shown kept in toleranceRows; answered from
    // toleranceEdits, else cancelled.
    std::optional<std::vector<ToleranceRow>>
    editTolerances(const QString& deviceType, const std::vector<ToleranceRow>& rows) override;
    // Noted with the standard in use; answered from standardsEdits, else cancelled.
    std::optional<StandardsChoice> editStandards(const StandardsChoice& current) override;

    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<std::optional<AuthorisationInput>> authorisations;
    std::optional<AuthorisationInput> standingAuthorisation;
    bool record = true; // write down what was shown
    std::vector<AuthorisationForm> authorisationForms;
    std::deque<std::optional<QString>> files;
    std::deque<std::optional<std::size_t>> uploadChoices;
    bool cancelWaits = false;
    // Runs while the authorisation dialog is open, before it is answered (what the bench
    // does meanwhile).
    std::function<void()> whileAuthorising;
    std::optional<DeviceHistory> shownHistory; // the last history shown
    // The record of each upload of the last history shown, read through the dialog's reader.
    std::vector<LoggedRecord> shownRecords;
    bool checkHistory = false;
    QString checkResult;
    std::vector<PlantDevice> plantDevices;
    QString plantError;
    std::deque<std::size_t> plantOpens;
    std::deque<std::optional<PlantSettings>> plantSettings;
    std::vector<ToleranceRow> toleranceRows;
    std::deque<std::optional<std::vector<ToleranceRow>>> toleranceEdits;
    std::deque<std::optional<StandardsChoice>> standardsEdits;
    // Runs as each dialog is shown, before it is answered (what is on disk at that moment).
    std::function<void(const Shown&)> onShown;

private:
    void note(Kind kind, const QString& text);
};

} // namespace abgleich::test
