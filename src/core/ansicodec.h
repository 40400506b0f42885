// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace abgleich {

// Windows-1252, the code page of the bench controllers and of every file the tool writes
// as plain text. Exact both ways for all 256 bytes: the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters of the same
// value, as Windows does. A character the code page lacks is encoded as "?".
QString decodeAnsi(QByteArrayView bytes);
QByteArray encodeAnsi(QStringView text);

} // namespace abgleich
