// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace abgleich {

// The window's controls are made with their object names, by which the settings file and
// the tests find them.
template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

inline QPushButton* button(const char* name, const QString& caption) {
    return named(new QPushButton(caption), name);
}

inline QLabel* label(const char* name, const QString& caption) {
    return named(new QLabel(caption), name);
}

// An input field drawn on the button face.
inline void onButtonFace(QWidget* field) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    field->setPalette(palette);
}

// A field the operator only reads, on the button face.
inline QLineEdit* readOnlyField(const char* name) {
    auto* field = named(new QLineEdit, name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::TabFocus);
    onButtonFace(field);
    return field;
}

} // namespace abgleich
