// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/translations.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

// Window tests run headless (unless another platform is asked for), on one virtual screen of
// 1920 x 1080 pixels at 96 pixels per inch, so that the window fits on it as on a bench PC.
int main(int argc, char** argv) {
    QTemporaryDir config;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const QString path = config.filePath(QStringLiteral("screens.json"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,
                "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            file.close();
        }
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path.toLocal8Bit());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // Qt's messages (socket and file errors) in German, as the program shows them.
    if (!abgleich::installGermanQtTexts(app)) {
        std::fprintf(stderr, "Qt's German translations are not installed\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
