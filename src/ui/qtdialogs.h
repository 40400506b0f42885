#pragma once

#include "workflow/operatordialogs.h"

class QWidget;

namespace abgleich {

class TFoPasswort;

// The operator dialogs as Qt shows them, modal over the main window.
class QtOperatorDialogs : public OperatorDialogs {
public:
    void setMainWindow(QWidget* window) { window_ = window; }
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
    std::optional<LoggedUpload> chooseUpload(const DeviceHistory& history, const QString& deviceId,
                                             PointTable& table) override;

private:
    QWidget* window_ = nullptr;
    TFoPasswort* password_ = nullptr;
};

} // namespace abgleich
