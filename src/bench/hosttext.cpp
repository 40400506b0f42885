// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/hosttext.h"

namespace abgleich {

QString hostForSystem(const QString& hostText) {
    if (hostText.compare(u"localhost", Qt::CaseInsensitive) == 0)
        return QStringLiteral("127.0.0.1");
    return hostText;
}

} // namespace abgleich
