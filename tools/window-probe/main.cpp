// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// Starts the main window the way the program does and, on request, fills it with the
// simulated bench's record, saves a screenshot, or quits as soon as it is shown (to measure
// start-up), or shows one of its dialogs over it. With --bare it shows a plain Qt window with
// an empty chart instead, for comparison. --report PATH writes the adjustment report of the
// table as it stands; --history uploads twelve adjustments of the simulated bench (change
// log in config/ below the working directory, replaced) and shows the history dialog
// instead of the window.
#include "bench-sim/benchdevice.h"
#include "core/ansicodec.h"
#include "core/translations.h"
#include "records/logimport.h"
#include "records/textfile.h"
#include "records/upload.h"
#include "ui/historydialog.h"
#include "ui/intspinedit.h"
#include "ui/mainwindow.h"
#include "ui/passworddialog.h"
#include "ui/pointgrid.h"
#include "ui/qtdialogs.h"
#include "ui/reportpdf.h"
#include "workflow/reportcontent.h"
#include "workflow/workbench.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <memory>

using namespace abgleich;

namespace {

// The application layer with its working state open, to fill it as a session would have.
class ProbeWorkbench : public Workbench {
public:
    using Workbench::Workbench;
    using Workbench::workingState;
};

} // namespace

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
    std::unique_ptr<QWidget> hiddenMain;
    QtOperatorDialogs dialogs;
    BenchSession session;
    const SystemClock clock;
    PdfReportWriter reports;
    ProbeWorkbench bench({dialogs, session, clock, &reports}, RegionalSettings::fromSystem(),
                         QDir::currentPath());
    std::unique_ptr<TFoPasswort> passwort;
    if (args.contains(QStringLiteral("--bare"))) {
        auto* view = new QChartView;
        view->chart()->addSeries(new QLineSeries);
        view->chart()->createDefaultAxes();
        view->resize(layout::kClientWidth, layout::kClientHeight);
        window.reset(view);
    } else {
        auto* main = new TFoAbgleich(bench);
        dialogs.setMainWindow(main);
        passwort = std::make_unique<TFoPasswort>(main);
        dialogs.setPasswordDialog(passwort.get());
        if (args.contains(QStringLiteral("--record"))) {
            session.awaitReply(u'U');
            session.receive(encodeAnsi(sim::correctionReply(sim::defaultDevice())));
        }
        // --compute: four value pairs for point 7, recalculated through its button.
        if (args.contains(QStringLiteral("--compute"))) {
            PointTable& table = bench.table();
            const char* pairs[4][2] = {
                {"20", "20,9"}, {"80", "81,4"}, {"150", "152,1"}, {"230", "233,0"}};
            for (int p = 1; p <= 4; ++p) {
                table.setCellText(Col::ref(p), 7, QString::fromLatin1(pairs[p - 1][0]));
                table.setCellText(Col::tm(p), 7, QString::fromLatin1(pairs[p - 1][1]));
            }
            main->findChild<IntSpinEdit*>(QStringLiteral("Ed_MS"))->setValue(7);
            main->findChild<QPushButton*>(QStringLiteral("Btn_ComputeMS"))->click();
        }
        if (const qsizetype at = args.indexOf(QStringLiteral("--report")); at > 0) {
            WorkingState& state = bench.workingState();
            AdjustmentReport report = buildAdjustmentReport(state, state.anzMS, ReportKind::Table);
            report.when = QDateTime::currentDateTime();
            QFile file(args.value(at + 1));
            const bool written =
                file.open(QIODevice::WriteOnly) && file.write(adjustmentReportPdf(report)) > 0;
            std::printf("%s %s\n", qPrintable(file.fileName()), written ? "saved" : "failed");
        }
        if (args.contains(QStringLiteral("--history"))) {
            // Twelve monthly adjustments of every point, its a and b drifting a little, in
            // the change log as the uploads write it.
            WorkingState& state = bench.workingState();
            QFile::remove(changeLogPath(state));
            const QString comments[] = {QStringLiteral("Jahresprüfung"),
                                        QStringLiteral("Sensor getauscht\nPrüfmittel PM-17"),
                                        QStringLiteral("Nachjustiert nach Reklamation")};
            for (int month = 1; month <= 12; ++month) {
                for (int n = 1; n <= state.anzMS; ++n) {
                    if (state.table.cellText(Col::ANeu, n).isEmpty())
                        continue;
                    state.table.setCellNumber(Col::ANeu, n,
                                              state.coef.a(n) + 0.004 * ((month * n) % 7));
                    state.table.setCellNumber(Col::BNeu, n, state.coef.b(n) + 0.0007 * (month % 5));
                }
                const QDateTime when(QDate(2024, month, 3 + month), QTime(9, 30));
                appendTextFile(changeLogPath(state),
                               changeLogEntry(state.regional, when, comments[month % 3],
                                              buildUpload(state, state.anzMS).record));
            }
            // The history reads the records, which take the log in first.
            static const std::unique_ptr<RecordsDb> records =
                RecordsDb::openLocal(recordsFilePath(state.configdir));
            importChangeLog(*records, changeLogPath(state), state.device.geraeteId, state.regional);
            const DeviceHistory shown =
                records->history(records->benchId(), state.device.geraeteId);
            static DbHistoryReader reader(*records, shown);
            auto* history = new THistoryDialog(shown, reader, {}, state);
            history->chooseUpload(8);
            history->chooseDriftPoint(state.table.cellText(Col::Name, 2).trimmed());
            hiddenMain.reset(main);
            window.reset(history);
        }
        if (!window)
            window.reset(main);
    }
    // --wide: numbers wider than their cells (five integer digits, negative with three).
    if (args.contains(QStringLiteral("--wide"))) {
        PointTable& table = bench.table();
        table.setCellNumber(Col::ASps, 2, 12345.678);
        table.setCellNumber(Col::BSps, 3, -123.456);
        table.setCellNumber(Col::ANeu, 2, 12345.678);
        table.setCellNumber(Col::BNeu, 3, -123.456);
        table.setCellNumber(Col::ref(1), 4, -99.5);
    }
    // Over the main window, once it is shown: --dialog and --compact the authorisation
    // dialog in its full or compact form, --import the import's file dialog, --refused the
    // error box of a connection refused on 127.0.0.1. The shot is then taken of that dialog.
    std::function<void()> modal;
    if (passwort &&
        (args.contains(QStringLiteral("--dialog")) || args.contains(QStringLiteral("--compact")))) {
        const bool full = args.contains(QStringLiteral("--dialog"));
        passwort->Kommentar->setPlainText(QStringLiteral("Sensor getauscht"));
        modal = [&dialogs, full] {
            dialogs.authorise(full ? AuthorisationForm::Full : AuthorisationForm::Compact,
                              QStringLiteral("geänderte Werte\n Temperatur Öl 1   Offset  Gain "));
        };
    } else if (args.contains(QStringLiteral("--import"))) {
        modal = [&dialogs] {
            dialogs.chooseFileToOpen(QDir::currentPath(), QStringLiteral("CSV-Dateien (*.csv)"));
        };
    } else if (args.contains(QStringLiteral("--refused"))) {
        session.client().setPort(1); // nothing listens there
        // The address after the settings file has been applied (when the window was shown).
        modal = [&window] {
            window->findChild<QLineEdit*>(QStringLiteral("ED_IP"))
                ->setText(QStringLiteral("127.0.0.1"));
            window->findChild<QPushButton*>(QStringLiteral("Btn_Abgleichabfrage"))->click();
        };
    }
    window->show();
    // Shown means exposed on the screen, with its first frame drawn. A window draws itself
    // when it is exposed; what it has posted meanwhile (layouts, updates) is done next.
    // --repaint then draws the whole window once more (which the tool's window does in full
    // and the bare chart view hardly at all), as earlier measurements did.
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    if (args.contains(QStringLiteral("--repaint")))
        window->repaint();
    QTimer::singleShot(0, &app, [&] {
        std::printf("shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
        if (!shot.isEmpty()) {
            QTimer::singleShot(modal ? 1500 : 500, &app, [&] {
                // A dialog with its frame, as the window manager draws it.
                QWidget* dialog = QApplication::activeModalWidget();
                const QRect frame = dialog ? dialog->frameGeometry() : QRect();
                const QPixmap picture =
                    dialog ? window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(),
                                                          frame.height())
                           : window->screen()->grabWindow(window->winId());
                std::printf("%s %s\n", qPrintable(shot), picture.save(shot) ? "saved" : "failed");
                app.quit();
            });
        } else if (quit) {
            app.quit();
        }
    });
    if (modal)
        QTimer::singleShot(100, &app, modal);
    return app.exec();
}
