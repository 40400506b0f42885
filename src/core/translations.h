// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

class QCoreApplication;

namespace abgleich {

// Gives Qt's own dialogs and messages (the file dialog, socket and file errors) their German
// texts, from the translations of the Qt installation. False when they are not installed;
// Qt's English texts remain then.
bool installGermanQtTexts(QCoreApplication& app);

} // namespace abgleich
