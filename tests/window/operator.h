// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

class QWindow;

namespace abgleich::test {

// The operator at the real window: keys and mouse clicks enter through Qt's window-system
// interface, the way the X server's events do, and reach whatever control has the focus.
namespace input {
void press(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
// Types the text character by character into the focused control of the window.
void type(QWindow* window, const QString& text);
// A click at a point of a widget (its centre when none is given), with the left button unless
// told otherwise.
void click(QWidget* widget, QPoint at = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton);
// The window that has the keyboard focus.
QWindow* focusWindow();
} // namespace input

// Watches every dialog the program opens and answers it, once it has become the active
// window, with the next of the answers the test has lined up, as the operator would. A
// dialog with no answer waiting is noted as unexpected and closed with Esc, so a test fails
// instead of hanging.
class DialogOperator : public QObject {
    Q_OBJECT

public:
    using Action = std::function<void(QWidget* dialog)>;

    DialogOperator();
    ~DialogOperator() override;

    // The next dialog must be described by a text containing `expected`; `action` answers it.
    void expect(const QString& expected, Action action);

    // Every dialog shown so far, described as "<class>: <title>: <text>", in order.
    const QStringList& shown() const { return shown_; }
    // Problems seen: unexpected dialogs, dialogs other than the one expected, dialogs that
    // never became active.
    const QStringList& problems() const { return problems_; }
    bool allAnswered() const { return answers_.empty() && pending_.empty(); }
    void clearShown() { shown_.clear(); }

    static QString describe(const QWidget* dialog);

    // Answers made of operator input.
    static Action pressing(Qt::Key key);
    static Action typing(const QString& text, Qt::Key then = Qt::Key_Return);
    static Action clicking(const char* buttonName);
    // The authorisation dialog: a comment (full form only), the password, then Enter.
    static Action authorising(const QString& password, const QString& comment = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answerPending();

    struct Answer {
        QString expected;
        Action action;
    };
    std::deque<Answer> answers_;
    std::deque<QPointer<QWidget>> pending_;
    QStringList shown_;
    QStringList problems_;
    QTimer poll_;
    int waitedTicks_ = 0;
};

} // namespace abgleich::test
