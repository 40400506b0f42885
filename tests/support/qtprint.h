// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <ostream>

// Readable GoogleTest output for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << "bytes \"" << bytes.toHex(' ').toStdString() << '"';
}
inline void PrintTo(QChar c, std::ostream* os) {
    *os << "U+" << std::hex << unsigned(c.unicode());
}
