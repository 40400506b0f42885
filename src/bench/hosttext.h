// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

namespace abgleich {

// The bench's address as the operator typed it, for the system: "localhost" in any letter
// case stands for 127.0.0.1; anything else is passed on as it is.
QString hostForSystem(const QString& hostText);

} // namespace abgleich
