// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/qtdialogs.h"

#include "core/errors.h"
#include "ui/historydialog.h"
#include "ui/passworddialog.h"
#include "ui/plantdialogs.h"
#include "ui/reportdialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

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

std::optional<qint64> QtOperatorDialogs::chooseUpload(const DeviceHistory& history,
                                                      HistoryReader& reader,
                                                      const HistoryCheck& check,
                                                      WorkingState& state) {
    THistoryDialog dialog(history, reader, check, state, window_);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosenUpload())
        return std::nullopt;
    return dialog.chosenUpload()->id;
}

void QtOperatorDialogs::showPlant(const QString& where,
                                  const std::function<std::vector<PlantDevice>()>& load,
                                  const std::function<void(const PlantDevice&)>& open) {
    TPlantView view(where, load, open, RegionalSettings::fromSystem(), window_);
    view.exec();
}

std::optional<PlantSettings> QtOperatorDialogs::editPlantSettings(const PlantSettings& current) {
    TServerDialog dialog(current, window_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.settings();
}

std::optional<std::vector<ToleranceRow>>
QtOperatorDialogs::editTolerances(const QString& deviceType,
                                  const std::vector<ToleranceRow>& rows) {
    TToleranceDialog dialog(deviceType, rows, RegionalSettings::fromSystem(), window_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.rows();
}

std::optional<StandardsChoice> QtOperatorDialogs::editStandards(const StandardsChoice& current) {
    TStandardsDialog dialog(current, QDate::currentDate(), RegionalSettings::fromSystem(), window_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

namespace {

// Holds the operator's input while a wait for the bench runs: Esc ends the wait and does
// nothing else; any other key or click starts nothing, and the first one notes "Bitte
// warten: …"; closing the main window ends the wait, and the window closes after it.
class InputHold : public QObject {
public:
    InputHold(QEventLoop& loop, QWidget* window, std::function<void()> waiting)
        : loop_(loop), window_(window), waiting_(std::move(waiting)) {
        qApp->installEventFilter(this);
    }
    ~InputHold() override {
        qApp->removeEventFilter(this);
        if (closeAsked && window_)
            QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
    }
    bool cancelled = false;
    bool closeAsked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                cancelled = true;
                loop_.quit();
            } else {
                noteWaiting();
            }
            return true;
        case QEvent::MouseButtonPress:
            noteWaiting();
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            return true;
        case QEvent::Close:
            // The close box reaches the window's system window first.
            if (window_ && (watched == window_ || watched == window_->windowHandle())) {
                cancelled = true;
                closeAsked = true;
                loop_.quit();
            }
            return true;
        default:
            return false;
        }
    }

private:
    void noteWaiting() {
        if (noted_ || !waiting_)
            return;
        noted_ = true;
        waiting_();
    }

    QEventLoop& loop_;
    QWidget* window_;
    std::function<void()> waiting_;
    bool noted_ = false;
};

} // namespace

WaitEnd QtOperatorDialogs::waitForBench(const QString& text, int timeoutMs,
                                        const std::function<bool()>& arrived) {
    if (arrived())
        return WaitEnd::Arrived;
    QEventLoop loop;
    InputHold hold(loop, window_, [this, text] {
        if (protocol_)
            protocol_(QStringLiteral("Bitte warten: ") + text);
    });
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // What the tool waits for, beside the pointer, for as long as it waits.
    QToolTip::showText(QCursor::pos(), text, window_, QRect(), timeoutMs);
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (arrived())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    QToolTip::hideText();
    QGuiApplication::restoreOverrideCursor();
    if (arrived())
        return WaitEnd::Arrived;
    return hold.cancelled ? WaitEnd::Cancelled : WaitEnd::TimedOut;
}

} // namespace abgleich
