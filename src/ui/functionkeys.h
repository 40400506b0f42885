// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>

#include <deque>

class QWidget;

namespace abgleich {

// The function keys of a window (F1 to F4 and F12), seen before the focused control gets
// them, which it still does: a shortcut would swallow the key. Each press asks for its
// operation once, after the key has been delivered, from the event loop: an operation that
// opens a dialog must not pull the focus, and with it a cell editor, away from under the
// delivery of the very key that started it. One operation at a time, each to its end: a key
// pressed while one runs (a dialog's event loop, an open that waits) is taken after it.
class FunctionKeys : public QObject {
    Q_OBJECT

public:
    explicit FunctionKeys(QWidget* window);

    static bool isFunctionKey(int key);

signals:
    void operationRequested(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runPending();

    struct PendingKey {
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    QWidget* window_;
    std::deque<PendingKey> pending_;
    bool running_ = false;
};

} // namespace abgleich
