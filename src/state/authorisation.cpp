// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "state/authorisation.h"

#include "core/text.h"

namespace abgleich {

namespace {

// Lower-cases A-Z and nothing else.
QString lowerAscii(QString text) {
    for (QChar& c : text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return text;
}

bool takesTypeLetter(PasswordRule rule, const QString& type, qsizetype i) {
    const QChar c = type[i];
    if (rule == PasswordRule::Upload)
        return c >= u'A' && c <= u'Z' && i != type.size() - 1;
    const QChar lower = c.toLower();
    return lower >= u'a' && lower <= u'z';
}

} // namespace

QString expectedPassword(PasswordRule rule, const QString& deviceType, const QString& deviceId) {
    QString password;
    for (qsizetype i = 0; i < deviceType.size() && takesTypeLetter(rule, deviceType, i); ++i)
        password += deviceType[i];
    password += QChar(kPasswordSeparator);
    password += trimBlanksAndControls(deviceId);
    return lowerAscii(password);
}

bool passwordMatches(const QString& typed, PasswordRule rule, const QString& deviceType,
                     const QString& deviceId) {
    return lowerAscii(typed) == expectedPassword(rule, deviceType, deviceId);
}

} // namespace abgleich
