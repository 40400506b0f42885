// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/functionkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace abgleich {

FunctionKeys::FunctionKeys(QWidget* window) : QObject(window), window_(window) {
    // Every key press of the application, whichever control has the focus.
    qApp->installEventFilter(this);
}

bool FunctionKeys::isFunctionKey(int key) {
    switch (key) {
    case Qt::Key_F1:
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F4:
    case Qt::Key_F12:
        return true;
    default:
        return false;
    }
}

bool FunctionKeys::eventFilter(QObject* watched, QEvent* event) {
    // A key press travels from the focused control up to its parents; it is seen once, at
    // the focused control, and only when that control is in this window.
    if (event->type() == QEvent::KeyPress) {
        const QWidget* focus = QApplication::focusWidget();
        const bool atFocus =
            focus ? watched == focus && focus->window() == window_ : watched == window_;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (atFocus && isFunctionKey(key->key())) {
            pending_.push_back({key->key(), key->modifiers()});
            if (!running_ && pending_.size() == 1)
                QMetaObject::invokeMethod(this, &FunctionKeys::runPending, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void FunctionKeys::runPending() {
    if (running_)
        return;
    running_ = true;
    while (!pending_.empty()) {
        const PendingKey key = pending_.front();
        pending_.pop_front();
        emit operationRequested(key.key, key.modifiers);
    }
    running_ = false;
}

} // namespace abgleich
