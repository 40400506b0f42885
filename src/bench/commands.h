// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDateTime>
#include <QString>

namespace abgleich {

// The commands of the bench controller; each ends in ";".
namespace command {
inline const QString kReadCorrectionData = QStringLiteral("U;");
inline const QString kZ = QStringLiteral("Z;");
inline const QString kA = QStringLiteral("A;");

// "T" and the local time as yymmddhhnnss.
QString setTime(const QDateTime& now);
// "EA" and the item index of the power-supply choice (-1 when nothing is chosen).
QString powerSupplies(int itemIndex);
} // namespace command

} // namespace abgleich
