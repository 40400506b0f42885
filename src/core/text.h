#pragma once

#include <QStringView>

namespace abgleich {

// The text without blanks and control characters (everything up to " ") at both ends.
QStringView trimBlanksAndControls(QStringView text);

} // namespace abgleich
