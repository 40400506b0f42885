// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace abgleich {

// The one error an operation raises when it cannot go on. It carries the operator-visible
// text; the window's error wrapper shows it in the general error box.
class AppError : public std::exception {
public:
    explicit AppError(QString message);

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

    // The run-time texts the operator knows from the bench PCs.
    static AppError invalidInteger(const QString& text);
    static AppError invalidDateTime(const QString& text);
    static AppError listIndexOutOfBounds(qsizetype index);
    static AppError divisionByZero();
    static AppError invalidOperation();
    static AppError overflow();

private:
    QString message_;
    std::string utf8_;
};

// Ends an operation without any message (a failed write to the bench link).
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "silent abort"; }
};

// The text of the general error box: a "." is appended when the message's last character
// comes after "." in character order, so "...!" or "...)" get none.
QString errorBoxText(const QString& message);

} // namespace abgleich
