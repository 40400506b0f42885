#include "ui/qtdialogs.h"

#include "core/errors.h"
#include "ui/historydialog.h"
#include "ui/passworddialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace abgleich {

namespace {

QString applicationTitle() {
    return QCoreApplication::applicationName();
}

} // namespace

void QtOperatorDialogs::showErrorBox(const QString& message) {
    QMessageBox box(QMessageBox::Critical, applicationTitle(), errorBoxText(message),
                    QMessageBox::Ok, window_);
    box.exec();
}

void QtOperatorDialogs::showMessage(const QString& text) {
    // The one message of this kind is the controller's error reply: it shows the icon of
    // the general error box.
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, window_);
    box.exec();
}

void QtOperatorDialogs::showNotice(const QString& text) {
    QMessageBox box(QMessageBox::Information, applicationTitle(), text, QMessageBox::Ok, window_);
    box.exec();
}

void QtOperatorDialogs::showWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warnung"), text, QMessageBox::Ok,
                    window_);
    box.exec();
}

bool QtOperatorDialogs::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Bestätigen"), text,
                    QMessageBox::Yes | QMessageBox::No, window_);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<AuthorisationInput> QtOperatorDialogs::authorise(AuthorisationForm form,
                                                               const QString& changeList) {
    if (!password_)
        return std::nullopt;
    return password_->ask(form, changeList);
}

std::optional<QString> QtOperatorDialogs::chooseFileToOpen(const QString& directory,
                                                           const QString& filter) {
    const QString file = QFileDialog::getOpenFileName(window_, QString(), directory, filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<LoggedUpload> QtOperatorDialogs::chooseUpload(const DeviceHistory& history,
                                                            const QString& deviceId,
                                                            PointTable& table) {
    THistoryDialog dialog(history, deviceId, table, window_);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosenUpload())
        return std::nullopt;
    return *dialog.chosenUpload();
}

} // namespace abgleich
