// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"

#include <utility>

namespace abgleich {

AppError::AppError(QString message)
    : message_(std::move(message)), utf8_(message_.toUtf8().toStdString()) {}

AppError AppError::invalidInteger(const QString& text) {
    return AppError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));
}

AppError AppError::invalidDateTime(const QString& text) {
    return AppError(QStringLiteral("'%1' ist keine gültige Datums- und Uhrzeitangabe").arg(text));
}

AppError AppError::listIndexOutOfBounds(qsizetype index) {
    return AppError(QStringLiteral("Listenindex außerhalb des gültigen Bereichs (%1)").arg(index));
}

AppError AppError::divisionByZero() {
    return AppError(QStringLiteral("Gleitkommadivision durch Null"));
}

AppError AppError::invalidOperation() {
    return AppError(QStringLiteral("Ungültige Gleitkommaoperation"));
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

} // namespace abgleich

namespace abgleich {

AppError AppError::overflow() {
    return AppError(QStringLiteral("Gleitkommaüberlauf"));
}

} // namespace abgleich
