// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

namespace abgleich {

// The German text of an operating-system error (errno) that the link's own system calls can
// meet, or the system's text for any other.
QString systemErrorText(int error);
// The German text of a name-resolution error (getaddrinfo), or the system's text for any
// other.
QString resolverErrorText(int code);

} // namespace abgleich
