// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/numbers.h"
#include "core/regionalsettings.h"
#include "core/translations.h"
#include "ui/formstorage.h"
#include "ui/mainwindow.h"
#include "ui/passworddialog.h"
#include "ui/qtdialogs.h"
#include "ui/reportpdf.h"
#include "workflow/workbench.h"

#include "version.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

namespace {

const char* const kHelp =
    "Aufruf: abgleich [--help | --version]\n"
    "\n"
    "Prüfstands-Abgleich: liest die Korrekturkoeffizienten (Offset a, Verstärkung b) der\n"
    "Messstellen von der Prüfstands-SPS (TCP, Port 1209), berechnet sie aus Referenz- und\n"
    "Anzeigewerten neu und überträgt sie nach Freigabe mit Passwort zurück.\n"
    "\n"
    "Das Programm arbeitet im Ordner, in dem es gestartet wird: Einstellungen,\n"
    "Änderungsprotokoll, CSV-Datei, Abgleichprotokolle und Datenbank liegen im Unterordner\n"
    "„config“. Eingestellt wird es allein über config/Abgleich.ini; andere Optionen werden\n"
    "nicht beachtet.\n"
    "\n"
    "  --help     diese Hilfe zeigen und beenden\n"
    "  --version  die Version zeigen und beenden\n";

} // namespace

// The program entry: the services, the application layer over them and the main window,
// then the authorisation dialog, which lives until the end and is reused; the event loop
// runs until the main window has been closed.
int main(int argc, char** argv) {
    // These two answer and end at once, before any window or folder exists.
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--version") == 0) {
            std::printf("abgleich %s\n", abgleich::kFileVersion);
            return 0;
        }
        if (std::strcmp(argv[k], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    // The tool is configured by its settings file alone: Qt sees only the program name, so
    // options such as -style, -stylesheet, -platform or -reverse change nothing.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Abgleich"));
    abgleich::applyApplicationIdentity();
    abgleich::installGermanQtTexts(app); // without them Qt's dialogs stay English
    app.setQuitOnLastWindowClosed(true);

    abgleich::QtOperatorDialogs dialogs;
    abgleich::BenchSession session;
    const abgleich::SystemClock clock;
    abgleich::PdfReportWriter reports;
    abgleich::Workbench bench({dialogs, session, clock, &reports},
                              abgleich::RegionalSettings::fromSystem(), QDir::currentPath());
    abgleich::TFoAbgleich window(bench);
    // How long an upload waits for the controller's answers before it reads the values back
    // ("[Uebertragung] Ruecklesen_ms", 0 switches the read-back off).
    if (const auto wait = window.storage().file().value(QStringLiteral("Uebertragung"),
                                                        QStringLiteral("Ruecklesen_ms"))) {
        if (const auto ms = abgleich::tryStrToInt(wait->trimmed()); ms && *ms >= 0)
            bench.setReadBackWait(*ms);
    }
    // How long opening the link waits for the controller ("[Verbindung] Timeout_ms").
    if (const auto wait = window.storage().file().value(QStringLiteral("Verbindung"),
                                                        QStringLiteral("Timeout_ms"))) {
        if (const auto ms = abgleich::tryStrToInt(wait->trimmed()); ms && *ms > 0)
            bench.setConnectTimeout(*ms);
    }
    dialogs.setMainWindow(&window);
    dialogs.setProtocol([&bench](const QString& line) { emit bench.logLine(line); });
    abgleich::TFoPasswort passwort(&window);
    dialogs.setPasswordDialog(&passwort);

    window.show();
    const int result = app.exec();
    window.storage().file().save(); // once more at the end, with the same content
    return result;
}
