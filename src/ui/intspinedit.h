// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractSpinBox>

namespace abgleich {

// A spin edit for whole numbers as the point selector needs it: its value is the integer
// in its text, or its lower bound when the text is no integer; a value, set or typed, is
// limited to the bounds only while the two bounds differ.
class IntSpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    explicit IntSpinEdit(QWidget* parent = nullptr);

    int value() const;
    void setValue(int value);
    // The text as the operator could have typed it; not limited.
    void setText(const QString& text);
    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    void setMinValue(int min) { min_ = min; }
    void setMaxValue(int max) { max_ = max; }

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    // The value limited to the bounds while they differ, and to the range of an int.
    int limited(qint64 value) const;

    int min_ = 0;
    int max_ = 0;
};

} // namespace abgleich
