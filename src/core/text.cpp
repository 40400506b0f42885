// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/text.h"

namespace abgleich {

QStringView trimBlanksAndControls(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] <= u' ')
        ++first;
    while (last > first && text[last - 1] <= u' ')
        --last;
    return text.sliced(first, last - first);
}

QStringList atMost(const QStringList& lines, qsizetype most, const QString& restNote) {
    QStringList shown = lines.mid(0, most);
    if (lines.size() > most)
        shown << QStringLiteral("… und %1 weitere").arg(lines.size() - most) + restNote;
    return shown;
}

} // namespace abgleich
