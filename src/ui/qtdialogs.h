// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "workflow/operatordialogs.h"

class QWidget;

namespace abgleich {

class TFoPasswort;

// The operator dialogs as Qt shows them, modal over the main window.
class QtOperatorDialogs : public OperatorDialogs {
public:
    void setMainWindow(QWidget* window) { window_ = window; }
    // Where a wait notes that the operator's input waits ("Bitte warten: …").
    void setProtocol(std::function<void(const QString&)> protocol) {
        protocol_ = std::move(protocol);
    }
    void setPasswordDialog(TFoPasswort* dialog) { password_ = dialog; }

    void showErrorBox(const QString& message) override;
    void showMessage(const QString& text) override;
    void showNotice(const QString& text) override;
    void showWarning(const QString& text) override;
    bool askYesNo(const QString& text) override;
    std::optional<AuthorisationInput> authorise(AuthorisationForm form,
                                                const QString& changeList) override;
    std::optional<QString> chooseFileToOpen(const QString& directory,
                                            const QString& filter) override;
    WaitEnd waitForBench(const QString& text, int timeoutMs,
                         const std::function<bool()>& arrived) override;
    std::optional<qint64> chooseUpload(const DeviceHistory& history, HistoryReader& reader,
                                       const HistoryCheck& check, WorkingState& state) override;
    void showPlant(const QString& where, const std::function<std::vector<PlantDevice>()>& load,
                   const std::function<void(const PlantDevice&)>& open) override;
    std::optional<PlantSettings> editPlantSettings(const PlantSettings& current) override;
    std::optional<std::vector<ToleranceRow>>
    editTolerances(const QString& deviceType, const std::vector<ToleranceRow>& rows) override;
    std::optional<StandardsChoice> editStandards(const StandardsChoice& current) override;

private:
    QWidget* window_ = nullptr;
    std::function<void(const QString&)> protocol_;
    TFoPasswort* password_ = nullptr;
};

} // namespace abgleich
