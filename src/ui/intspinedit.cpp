#include "ui/intspinedit.h"

#include "core/numbers.h"

#include <QLineEdit>

#include <algorithm>

namespace abgleich {

IntSpinEdit::IntSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

int IntSpinEdit::value() const {
    return tryStrToInt(text()).value_or(min_);
}

void IntSpinEdit::setValue(int value) {
    if (min_ != max_)
        value = std::clamp(value, min_, max_);
    setText(QString::number(value));
}

void IntSpinEdit::setText(const QString& text) {
    lineEdit()->setText(text);
}

void IntSpinEdit::stepBy(int steps) {
    setValue(value() + steps);
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
