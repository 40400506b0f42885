// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/intspinedit.h"

#include "core/numbers.h"

#include <QLineEdit>

#include <algorithm>
#include <climits>

namespace abgleich {

IntSpinEdit::IntSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A typed number is limited like a set one once the operator leaves the field.
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        if (const auto typed = tryStrToInt(text()); typed && limited(*typed) != *typed)
            setValue(*typed);
    });
}

int IntSpinEdit::limited(qint64 value) const {
    if (min_ != max_)
        return int(std::clamp<qint64>(value, min_, max_));
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

int IntSpinEdit::value() const {
    return limited(tryStrToInt(text()).value_or(min_));
}

void IntSpinEdit::setValue(int value) {
    setText(QString::number(limited(value)));
}

void IntSpinEdit::setText(const QString& text) {
    lineEdit()->setText(text);
}

void IntSpinEdit::stepBy(int steps) {
    setValue(limited(qint64(value()) + steps));
}

QAbstractSpinBox::StepEnabled IntSpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State IntSpinEdit::validate(QString& input, int&) const {
    for (QChar c : input) {
        if (!(c.isDigit() || c == u'-' || c == u'+' || c == u' '))
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

} // namespace abgleich
