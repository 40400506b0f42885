// Starts the main window the way the program does and, on request, fills it with the
// simulated bench's record, saves a screenshot, or quits as soon as it is shown (to measure
// start-up). With --bare it shows a plain Qt window with an empty chart instead, for
// comparison.
#include "bench-sim/benchdevice.h"
#include "bench/replyparser.h"
#include "core/translations.h"
#include "ui/intspinedit.h"
#include "ui/mainwindow.h"
#include "ui/passworddialog.h"
#include "ui/qtdialogs.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <memory>

using namespace abgleich;

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Abgleich"));
    installGermanQtTexts(app);
    const QStringList args = app.arguments();
    const bool quit = args.contains(QStringLiteral("--quit"));
    const qsizetype shotAt = args.indexOf(QStringLiteral("--shot"));
    const QString shot = shotAt > 0 && shotAt + 1 < args.size() ? args[shotAt + 1] : QString();

    std::unique_ptr<QWidget> window;
    QtOperatorDialogs dialogs;
    BenchSession session;
    const SystemClock clock;
    std::unique_ptr<TFoPasswort> passwort;
    if (args.contains(QStringLiteral("--bare"))) {
        auto* view = new QChartView;
        view->chart()->addSeries(new QLineSeries);
        view->chart()->createDefaultAxes();
        view->resize(TFoAbgleich::kClientWidth, TFoAbgleich::kClientHeight);
        window.reset(view);
    } else {
        auto* main = new TFoAbgleich({dialogs, session, clock}, RegionalSettings::fromSystem());
        dialogs.setMainWindow(main);
        passwort = std::make_unique<TFoPasswort>(main);
        dialogs.setPasswordDialog(passwort.get());
        if (args.contains(QStringLiteral("--record"))) {
            loadCorrectionReply(main->state(), dialogs,
                                sim::correctionReply(sim::defaultDevice()).chopped(1).sliced(1));
        }
        // --compute: four value pairs for point 7, recalculated through its button.
        if (args.contains(QStringLiteral("--compute"))) {
            PointTable& table = main->state().table;
            const char* pairs[4][2] = {
                {"20", "20,9"}, {"80", "81,4"}, {"150", "152,1"}, {"230", "233,0"}};
            for (int p = 1; p <= 4; ++p) {
                table.setCellText(Col::ref(p), 7, QString::fromLatin1(pairs[p - 1][0]));
                table.setCellText(Col::tm(p), 7, QString::fromLatin1(pairs[p - 1][1]));
            }
            main->findChild<IntSpinEdit*>(QStringLiteral("Ed_MS"))->setValue(7);
            main->findChild<QPushButton*>(QStringLiteral("Btn_ComputeMS"))->click();
        }
        window.reset(main);
    }
    // --dialog shows the authorisation dialog in its full form instead.
    if (passwort && args.contains(QStringLiteral("--dialog"))) {
        passwort->prepare(AuthorisationForm::Full,
                          QStringLiteral("geänderte Werte\n Temperatur Öl 1   Offset  Gain "));
        passwort->Kommentar->setPlainText(QStringLiteral("Sensor getauscht"));
        window.release()->hide();
        window.reset(passwort.release());
    }
    window->show();
    // Shown means exposed on the screen, with its first frame drawn.
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    window->repaint();
    QTimer::singleShot(0, &app, [&] {
        std::printf("shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
        if (!shot.isEmpty()) {
            QTimer::singleShot(500, &app, [&] {
                const QPixmap picture = window->screen()->grabWindow(window->winId());
                std::printf("%s %s\n", qPrintable(shot), picture.save(shot) ? "saved" : "failed");
                app.quit();
            });
        } else if (quit) {
            app.quit();
        }
    });
    return app.exec();
}
