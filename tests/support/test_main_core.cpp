// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/translations.h"

#include <QCoreApplication>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    // Qt's messages (socket and file errors) in German, as the program shows them.
    if (!abgleich::installGermanQtTexts(app)) {
        std::fprintf(stderr, "Qt's German translations are not installed\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
