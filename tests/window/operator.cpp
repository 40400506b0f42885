// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "window/operator.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace abgleich::test {

namespace {

constexpr int kPollMs = 10;
// A dialog that has not become active after this long is reported and closed.
constexpr int kActivationTicks = 5000 / kPollMs;

Qt::Key keyFor(QChar c) {
    if (c == u' ')
        return Qt::Key_Space;
    if (c == u'\n')
        return Qt::Key_Return;
    // Qt's key codes for Latin-1 characters are those of their capital letters.
    return Qt::Key(c.toUpper().unicode());
}

QPoint windowPoint(QWidget* widget, QPoint at) {
    if (at == QPoint(-1, -1))
        at = widget->rect().center();
    return widget->mapTo(widget->window(), at);
}

} // namespace

namespace input {

void press(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(window, key, modifiers);
}

void type(QWindow* window, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, window, keyFor(c), QString(c), Qt::NoModifier);
}

void click(QWidget* widget, QPoint at, Qt::MouseButton button) {
    QTest::mouseClick(widget->window()->windowHandle(), button, {}, windowPoint(widget, at));
}

QWindow* focusWindow() {
    return QGuiApplication::focusWindow();
}

} // namespace input

DialogOperator::DialogOperator() {
    qApp->installEventFilter(this);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &DialogOperator::answerPending);
    poll_.start();
}

DialogOperator::~DialogOperator() {
    qApp->removeEventFilter(this);
}

void DialogOperator::expect(const QString& expected, Action action) {
    answers_.push_back({expected, std::move(action)});
}

QString DialogOperator::describe(const QWidget* dialog) {
    QString text =
        QString::fromLatin1(dialog->metaObject()->className()) + u": "_s + dialog->windowTitle();
    if (const auto* box = qobject_cast<const QMessageBox*>(dialog))
        text += u": "_s + box->text();
    return text;
}

bool DialogOperator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && qobject_cast<QDialog*>(widget)) {
            shown_ << describe(widget);
            pending_.push_back(widget);
        }
    }
    return QObject::eventFilter(watched, event);
}

void DialogOperator::answerPending() {
    while (!pending_.empty() && (!pending_.front() || !pending_.front()->isVisible()))
        pending_.pop_front();
    if (pending_.empty())
        return;
    QWidget* dialog = pending_.front();
    if (!dialog->isActiveWindow() || QApplication::activeModalWidget() != dialog ||
        input::focusWindow() != dialog->windowHandle()) {
        if (++waitedTicks_ < kActivationTicks)
            return;
        problems_ << u"never became active: "_s + describe(dialog);
        static_cast<QDialog*>(dialog)->reject();
        waitedTicks_ = 0;
        pending_.pop_front();
        return;
    }
    waitedTicks_ = 0;
    pending_.pop_front();
    if (answers_.empty()) {
        problems_ << u"unexpected: "_s + describe(dialog);
        input::press(dialog->windowHandle(), Qt::Key_Escape);
        return;
    }
    const Answer answer = answers_.front();
    answers_.pop_front();
    if (!describe(dialog).contains(answer.expected))
        problems_ << u"expected "_s + answer.expected + u", got "_s + describe(dialog);
    answer.action(dialog);
}

DialogOperator::Action DialogOperator::pressing(Qt::Key key) {
    return [key](QWidget* dialog) { input::press(dialog->windowHandle(), key); };
}

DialogOperator::Action DialogOperator::typing(const QString& text, Qt::Key then) {
    return [text, then](QWidget* dialog) {
        input::type(dialog->windowHandle(), text);
        // A completion list that pops up under the typed text (the file dialog's) is
        // dismissed first, as the operator does before confirming what was typed.
        QTest::qWait(100);
        for (int i = 0; i < 5 && QApplication::activePopupWidget(); ++i) {
            input::press(QApplication::activePopupWidget()->windowHandle(), Qt::Key_Escape);
            QTest::qWait(20);
        }
        input::press(dialog->windowHandle(), then);
    };
}

DialogOperator::Action DialogOperator::clicking(const char* buttonName) {
    return [name = QString::fromLatin1(buttonName)](QWidget* dialog) {
        if (auto* button = dialog->findChild<QPushButton*>(name))
            input::click(button);
    };
}

DialogOperator::Action DialogOperator::authorising(const QString& password,
                                                   const QString& comment) {
    return [password, comment](QWidget* dialog) {
        QWidget* commentField = dialog->findChild<QWidget*>(u"Kommentar"_s);
        if (!comment.isEmpty() && commentField && commentField->isVisible()) {
            input::click(commentField);
            input::press(dialog->windowHandle(), Qt::Key_A, Qt::ControlModifier);
            input::type(dialog->windowHandle(), comment);
        }
        if (QWidget* passwordField = dialog->findChild<QWidget*>(u"Edit_PW"_s))
            input::click(passwordField);
        input::type(dialog->windowHandle(), password);
        input::press(dialog->windowHandle(), Qt::Key_Return);
    };
}

} // namespace abgleich::test
