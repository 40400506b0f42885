// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/translations.h"

#include <QApplication>

#include <cstdio>

#include <gtest/gtest.h>

// The real-window suite runs on an X server (a virtual one from the test command), never
// on the offscreen platform: real windows, real activation and focus, real modal loops.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "The real-window suite needs an X server (DISPLAY)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Abgleich"));
    // Qt's dialogs and messages in German, as the program shows them.
    if (!abgleich::installGermanQtTexts(app)) {
        std::fprintf(stderr, "Qt's German translations are not installed\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
