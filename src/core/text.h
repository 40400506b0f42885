// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QStringList>
#include <QStringView>

namespace abgleich {

// The text without blanks and control characters (everything up to " ") at both ends.
QStringView trimBlanksAndControls(QStringView text);

// How many lines of a list a message box names at the most.
inline constexpr qsizetype kBoxLines = 15;
// The first `most` lines, then "… und k weitere" (with `restNote` after it) for the rest.
QStringList atMost(const QStringList& lines, qsizetype most = kBoxLines,
                   const QString& restNote = {});

} // namespace abgleich
