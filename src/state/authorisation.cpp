#include "state/authorisation.h"

#include "core/numbers.h"
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

bool checkDeviceId(const QString& deviceId, OperatorDialogs& dialogs) {
    if (trimBlanksAndControls(deviceId).isEmpty() || strToInt(deviceId) == 0) {
        dialogs.showWarning(QStringLiteral("Geräte-ID muss angegeben werden"));
        return false;
    }
    return true;
}

bool askAuthorisation(AuthorisationForm form, const QString& changeList, PasswordRule rule,
                      const DeviceFields& device, OperatorDialogs& dialogs, QString* comment) {
    const QString expected = expectedPassword(rule, device.geraetetyp, device.geraeteId);
    const auto input = dialogs.authorise(form, changeList);
    if (!input)
        return false;
    if (lowerAscii(input->password) != expected) {
        dialogs.showWarning(QStringLiteral("Falsches Passwort"));
        return false;
    }
    if (comment)
        *comment = input->comment;
    return true;
}

} // namespace abgleich
