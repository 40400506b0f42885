// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/commands.h"

#include <QLocale>

namespace abgleich::command {

QString setTime(const QDateTime& now) {
    return u'T' + QLocale::c().toString(now, QStringLiteral("yyMMddHHmmss")) + u';';
}

QString powerSupplies(int itemIndex) {
    return QStringLiteral("EA") + QString::number(itemIndex) + u';';
}

} // namespace abgleich::command
