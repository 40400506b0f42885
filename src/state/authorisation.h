// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

namespace abgleich {

// The character between the type letters and the device ID in the expected password.
inline constexpr char16_t kPasswordSeparator = u'-';

// Which type letters the expected password takes: the upload takes the upper-case letters
// at the start of the device type but never its last character; the EA command takes every
// letter at the start.
enum class PasswordRule { Upload, EA };

// Type letters, separator and trimmed device ID, lower-cased (A-Z only).
QString expectedPassword(PasswordRule rule, const QString& deviceType, const QString& deviceId);

// Whether a typed password is the expected one, the case of A-Z ignored.
bool passwordMatches(const QString& typed, PasswordRule rule, const QString& deviceType,
                     const QString& deviceId);

} // namespace abgleich
