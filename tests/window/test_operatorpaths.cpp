// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The operator's workflows in the real window: the real Qt dialogs with their own event
// loops, real focus, keys and mouse clicks entering through the window system, and the
// simulated bench controller on 127.0.0.1. Each workflow must run one operation per key
// press, show each dialog once, send what was typed, and leave a program that still works
// and writes its settings when it is closed.
#include "bench-sim/benchdevice.h"
#include "bench-sim/simulator.h"
#include "core/ansicodec.h"
#include "state/loadedrecord.h"
#include "support/pdftext.h"
#include "support/qtprint.h"
#include "support/testpeer.h"
#include "support/windowcontrols.h"
#include "support/windowservices.h"
#include "support/workdir.h"
#include "ui/deviationchart.h"
#include "ui/historydialog.h"
#include "ui/intspinedit.h"
#include "ui/mainwindow.h"
#include "ui/passworddialog.h"
#include "ui/pointgrid.h"
#include "ui/qtdialogs.h"
#include "window/operator.h"

#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::DialogOperator;
using test::ui;
namespace input = test::input;

namespace {

constexpr int kWaitMs = 10000;

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program as its entry composes it (window, reused authorisation dialog, Qt dialogs),
// its bench address typed by the operator, and the simulated bench of 40 points.
class OperatorPaths : public ::testing::Test {
protected:
    void SetUp() override {
        restartBench([](sim::SimOptions&) {});
        if (HasFatalFailure())
            return;
        workbench = services.workbench(dialogs);
        window = std::make_unique<TFoAbgleich>(*workbench);
        dialogs.setMainWindow(window.get());
        dialogs.setProtocol([this](const QString& line) { emit workbench->logLine(line); });
        passwort = std::make_unique<TFoPasswort>(window.get());
        dialogs.setPasswordDialog(passwort.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

        input::click(ui(*window).ED_IP);
        press(Qt::Key_A, Qt::ControlModifier);
        type(u"127.0.0.1"_s);
        ui(*window).memLog->clear();
    }

    void TearDown() override {
        EXPECT_EQ(op.problems(), QStringList());
        EXPECT_TRUE(op.allAnswered());
        // The program is still whole: closing it writes the settings file.
        if (window) {
            window->close();
            const QByteArray ini = fileBytes(workDir.filePath(u"config/Abgleich.ini"_s));
            EXPECT_TRUE(ini.contains("127.0.0.1")) << ini.constData();
        }
        passwort.reset();
        window.reset();
    }

    // Keys go to the window that has the focus, which must be the main window. After a
    // dialog the window manager gives the focus back a moment later; the operator, too,
    // types on once the window shows it has the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_EQ(input::focusWindow(), window->windowHandle());
        input::press(window->windowHandle(), key, modifiers);
    }
    void type(const QString& text) { input::type(window->windowHandle(), text); }
    // A function key, then the operation it starts, with any dialog answered, to its end.
    void functionKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        press(key, modifiers);
        settle();
    }
    void settle() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return op.allAnswered(); }, kWaitMs));
        QTest::qWait(50); // replies and repaints that follow
    }

    void clickCell(int column, int row, Qt::MouseButton button = Qt::LeftButton) {
        QTableView* view = column < PointGrid::kFixedColumns ? ui(*window).DGrid->fixedView()
                                                             : ui(*window).DGrid->cellsView();
        const QModelIndex index = view->model()->index(PointGrid::viewRow(row), column);
        view->scrollTo(index);
        input::click(view->viewport(), view->visualRect(index).center(), button);
    }
    // Chooses an item of the table's context menu, opened with a right click into the table.
    void openTableMenuItem(const QString& caption) {
        clickCell(Col::ref(1), 3, Qt::RightButton);
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget(); }, kWaitMs));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text() == caption) {
                input::click(menu, menu->actionGeometry(action).center());
                return;
            }
        ADD_FAILURE() << "no menu item " << caption.toStdString();
    }
    // Types into the cells from (column, row) on, ending each value with the key after it;
    // the last value is typed into its editor and left there.
    void typeCells(int column, int row, const std::vector<std::pair<QString, Qt::Key>>& values) {
        clickCell(column, row);
        for (const auto& [text, then] : values) {
            type(text);
            if (then != Qt::Key_unknown)
                press(then);
        }
    }
    QWidget* cellEditor() const {
        QWidget* focus = QApplication::focusWidget();
        return focus && ui(*window).DGrid->cellsView()->isAncestorOf(focus) ? focus : nullptr;
    }

    // The simulated bench again, with other options.
    void restartBench(const std::function<void(sim::SimOptions&)>& change) {
        sim::SimOptions options;
        options.port = 0;
        change(options);
        bench = std::make_unique<sim::BenchSimulator>(sim::defaultDevice(), options);
        bench->setLog([this](const QString& line) {
            if (line.startsWith(u"<- "))
                received << line.mid(3);
        });
        QString error;
        ASSERT_TRUE(bench->listen(&error)) << error.toStdString();
        services.session.client().setPort(bench->port());
    }

    void read() {
        functionKey(Qt::Key_F1);
        ASSERT_TRUE(QTest::qWaitFor([this] { return workbench->state().anzMS == 40; }, kWaitMs));
    }
    QStringList uploads() const {
        QStringList records;
        for (const QString& command : received)
            if (command.startsWith(u"U4711,"))
                records << command;
        return records;
    }
    QString cell(int column, int row) const { return workbench->table().cellText(column, row); }
    double number(int column, int row) const {
        return workbench->table().storedNumber(column, row);
    }
    QString configFile(const QString& name) const { return workDir.filePath(u"config/"_s + name); }

    test::TemporaryWorkingDirectory workDir;
    std::unique_ptr<sim::BenchSimulator> bench;
    QStringList received; // commands as the bench got them
    DialogOperator op;
    QtOperatorDialogs dialogs;
    test::TestServices services;
    std::unique_ptr<test::TestWorkbench> workbench;
    std::unique_ptr<TFoAbgleich> window;
    std::unique_ptr<TFoPasswort> passwort;
};

// The new a and b for two pairs, straight from the line through the two recovered raw
// values (what a least-squares fit of two points must give).
std::pair<double, double> lineThrough(const sim::SimPoint& point, double ref1, double tm1,
                                      double ref2, double tm2) {
    const double a = point.a1000 / 1000.0;
    const double b = point.b1000 / 1000.0;
    const double mw1 = (tm1 - a) / b;
    const double mw2 = (tm2 - a) / b;
    const double gain = (ref2 - ref1) / (mw2 - mw1);
    return {ref1 - gain * mw1, gain};
}

} // namespace

TEST_F(OperatorPaths, ReadTypeRecalculateAndUpload) {
    read();
    EXPECT_EQ(received, QStringList{u"U;"_s});
    EXPECT_EQ(ui(*window).ED_GeraeteID->text(), u"4711"_s);
    const sim::BenchDevice device = sim::defaultDevice();

    // Point 2: Enter and Tab between the cells, the last value still in its editor for F4.
    typeCells(Col::ref(1), 2,
              {{u"10"_s, Qt::Key_Return},
               {u"10,5"_s, Qt::Key_Tab},
               {u"20"_s, Qt::Key_Return},
               {u"20,4"_s, Qt::Key_unknown}});
    ASSERT_NE(cellEditor(), nullptr);
    EXPECT_EQ(ui(*window).Ed_MS->value(), 2);
    functionKey(Qt::Key_F4);
    const auto [a2, b2] = lineThrough(device.points[1], 10, 10.5, 20, 20.4);
    EXPECT_NEAR(number(Col::ANeu, 2), a2, 5e-4);
    EXPECT_NEAR(number(Col::BNeu, 2), b2, 5e-4);
    EXPECT_EQ(cell(Col::tm(2), 2), u"20,400"_s);

    // Point 4 the same way, then F12 with its last value still in the editor.
    typeCells(Col::ref(1), 4,
              {{u"100"_s, Qt::Key_Return},
               {u"99"_s, Qt::Key_Return},
               {u"200"_s, Qt::Key_Return},
               {u"201"_s, Qt::Key_unknown}});
    ASSERT_NE(cellEditor(), nullptr);
    functionKey(Qt::Key_F12);
    const auto [a4, b4] = lineThrough(device.points[3], 100, 99, 200, 201);
    EXPECT_NEAR(number(Col::ANeu, 4), a4, 5e-4);
    EXPECT_NEAR(number(Col::BNeu, 4), b4, 5e-4);
    EXPECT_EQ(ui(*window).Ed_MS->value(), 40); // count + 1, limited to the bounds 0..40

    // A new offset typed straight into point 5, its editor open when F2 comes: the change
    // list names it and the record carries it.
    typeCells(Col::ANeu, 5, {{u"1,5"_s, Qt::Key_unknown}});
    ASSERT_NE(cellEditor(), nullptr);
    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"zyk-4711"_s, u"Prüfung"_s));
    functionKey(Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return uploads().size() == 1; }, kWaitMs));
    QTest::qWait(200); // a second record would come now
    EXPECT_EQ(op.shown(), QStringList{u"abgleich::TFoPasswort: Änderung der Abgleichwerte"_s});
    const QStringList changes = passwort->Aenderungen->toPlainText().split(u'\n');
    EXPECT_EQ(changes.value(0), u"geänderte Werte"_s);
    EXPECT_TRUE(changes.value(1).startsWith(u" Druck Pumpe 1 "_s))
        << changes.join(u'|').toStdString();
    EXPECT_TRUE(changes.value(2).startsWith(u" Durchfluss 1 "_s))
        << changes.join(u'|').toStdString();
    EXPECT_TRUE(changes.value(3).startsWith(u" Spannung NT 1 "_s))
        << changes.join(u'|').toStdString();
    ASSERT_EQ(uploads().size(), 1);

    // The bench took the typed and fitted coefficients.
    const sim::BenchDevice& after = bench->device();
    EXPECT_EQ(after.points[1].a1000, std::lround(a2 * 1000));
    EXPECT_EQ(after.points[1].b1000, std::lround(b2 * 1000));
    EXPECT_EQ(after.points[3].a1000, std::lround(a4 * 1000));
    EXPECT_EQ(after.points[4].a1000, 1500);
    EXPECT_EQ(after.points[0], device.points[0]);

    // One entry in the change log, one record file; the program goes on.
    const QByteArray log = fileBytes(configFile(u"Log_4711.log"_s));
    EXPECT_EQ(log.count("\r\n"), 2) << log.constData();
    EXPECT_TRUE(log.startsWith("15.03.2022 14:30:05 Pr\xFC"
                               "fung\r\nU4711,ZYK12,"));
    EXPECT_TRUE(fileBytes(configFile(u"Abgleich_4711.csv"_s)).contains("Spannung NT 1;V;1,500;"));
    // And the adjustment report of the upload beside them, once it is written.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QFile::exists(configFile(u"Abgleichprotokoll_4711_20220315-143005.pdf"_s)); },
        kWaitMs));
    const QString report =
        test::pdfText(fileBytes(configFile(u"Abgleichprotokoll_4711_20220315-143005.pdf"_s)));
    EXPECT_TRUE(report.contains(u"Übertragen am 15.03.2022 14:30:05"_s)) << report.toStdString();
    EXPECT_TRUE(report.contains(u"Kommentar Prüfung"_s));
    EXPECT_TRUE(QRegularExpression(u"(^|\\s)5 Spannung NT 1 V \\S+ \\S+ 1,500 "_s)
                    .match(report)
                    .hasMatch());
    EXPECT_TRUE(report.contains(u"Messstelle 4: "_s)); // its pairs and chart
    read();
    EXPECT_EQ(cell(Col::ASps, 5), u"1,500"_s);
}

TEST_F(OperatorPaths, RefusedUploadsSendAndWriteNothing) {
    read();
    // Nothing changed yet: the question, answered No.
    op.expect(u"Es wurden keine Änderungen vorgenommen"_s, DialogOperator::pressing(Qt::Key_N));
    functionKey(Qt::Key_F2);

    typeCells(Col::ANeu, 2, {{u"7"_s, Qt::Key_Return}});
    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"falsch"_s));
    op.expect(u"Falsches Passwort"_s, DialogOperator::pressing(Qt::Key_Return));
    functionKey(Qt::Key_F2);
    op.expect(u"TFoPasswort"_s, DialogOperator::clicking("BitBtn1")); // Abbrechen
    functionKey(Qt::Key_F2, Qt::ShiftModifier);
    op.expect(u"TFoPasswort"_s, DialogOperator::pressing(Qt::Key_Escape));
    functionKey(Qt::Key_F2, Qt::ControlModifier);
    QTest::qWait(200);

    EXPECT_EQ(op.shown(), (QStringList{
                              u"QMessageBox: Bestätigen: Es wurden keine Änderungen vorgenommen. "
                              "Trotzdem senden"_s,
                              u"abgleich::TFoPasswort: Änderung der Abgleichwerte"_s,
                              u"QMessageBox: Warnung: Falsches Passwort"_s,
                              u"abgleich::TFoPasswort: Änderung der Abgleichwerte"_s,
                              u"abgleich::TFoPasswort: Änderung der Abgleichwerte"_s,
                          }));
    EXPECT_EQ(received, QStringList{u"U;"_s});
    EXPECT_FALSE(QFile::exists(configFile(u"Log_4711.log"_s)));
    EXPECT_FALSE(QFile::exists(configFile(u"Abgleich_4711.csv"_s)));
    EXPECT_EQ(workbench->state().coef.a(2), sim::defaultDevice().points[1].a1000 / 1000.0);
}

// A value that only looks like a number ("0.5" where the decimal separator is ",") is
// refused by F2 before the password is asked: the box names the cell, nothing is sent or
// written, and the cell's tooltip says why.
TEST_F(OperatorPaths, ValueThatIsNoNumberIsRefusedAndNamed) {
    read();
    typeCells(Col::ANeu, 2, {{u"0.5"_s, Qt::Key_Return}});
    EXPECT_EQ(cell(Col::ANeu, 2), u"0.5"_s);
    QString box;
    op.expect(u"Es wurde nichts an die SPS gesendet"_s, [&box](QWidget* dialog) {
        box = static_cast<QMessageBox*>(dialog)->text();
        DialogOperator::pressing(Qt::Key_Return)(dialog);
    });
    functionKey(Qt::Key_F2);
    QTest::qWait(200);
    const QString name = sim::defaultDevice().points[1].name;
    EXPECT_TRUE(
        box.contains(u"Messstelle 2 (%1), a (NEU): „0.5“ ist keine gültige Zahl"_s.arg(name)))
        << box.toStdString();
    EXPECT_EQ(op.shown().size(), 1) << op.shown().join(u'|').toStdString(); // no password
    EXPECT_EQ(received, QStringList{u"U;"_s});
    EXPECT_FALSE(QFile::exists(configFile(u"Log_4711.log"_s)));
    EXPECT_FALSE(QFile::exists(configFile(u"Abgleich_4711.csv"_s)));
    const PointTable& table = workbench->state().table;
    EXPECT_TRUE(table.data(table.index(2, Col::ANeu), Qt::ToolTipRole)
                    .toString()
                    .startsWith(u"Keine gültige Zahl"_s));
}

TEST_F(OperatorPaths, ErrorBoxesOnceAndTheProgramGoesOn) {
    // F12 before any reply: the conversion error for the empty point count, once.
    ui(*window).ED_IP->setFocus();
    op.expect(u"ist kein gültiger Integerwert"_s, DialogOperator::pressing(Qt::Key_Return));
    functionKey(Qt::Key_F12);
    EXPECT_EQ(op.shown(),
              QStringList{u"QMessageBox: Abgleich: '' ist kein gültiger Integerwert."_s});
    EXPECT_EQ(ui(*window).Ed_MS->value(), 1);

    // F1 with the bench refusing: one attempt, one box.
    op.clearShown();
    bench.reset();
    op.expect(u"Verbindung verweigert"_s, DialogOperator::pressing(Qt::Key_Space));
    functionKey(Qt::Key_F1);
    EXPECT_EQ(op.shown(), QStringList{u"QMessageBox: Abgleich: Verbindung verweigert."_s});
    EXPECT_FALSE(ui(*window).memLog->toPlainText().contains(u"-> U;"_s));
    EXPECT_EQ(ui(*window).ED_IP->text(), u"127.0.0.1"_s); // the field did not take the keys
}

TEST_F(OperatorPaths, ImportThenUpload) {
    QFile csv(configFile(u"Abgleich_4711.csv"_s));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("01.02.2024 10:00:00;4711;ZYK12;alt\r\nMessstelle; Einheit; a; b;\r\n"
              "Temperatur \xD6l 1;\xB0"
              "C;0,250;1,010\r\nDruck Pumpe 1;bar;-1,000;0,990\r\n\r\n");
    csv.close();

    clickCell(Col::ref(1), 1); // the import comes from an open cell editor
    QStringList labels;        // the file dialog's own texts, in German
    op.expect(u"QFileDialog"_s, [&labels, &csv](QWidget* dialog) {
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            if (const auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name)))
                labels << label->text();
        if (const auto* buttons = dialog->findChild<QDialogButtonBox*>())
            for (const QAbstractButton* button : buttons->buttons())
                labels << button->text();
        DialogOperator::typing(csv.fileName())(dialog);
    });
    functionKey(Qt::Key_F3);
    EXPECT_EQ(op.shown(), QStringList{u"QFileDialog: Öffnen"_s});
    EXPECT_EQ(labels, (QStringList{u"Suchen in:"_s, u"Datei&name:"_s, u"Dateien des Typs:"_s,
                                   u"&Öffnen"_s, u"Abbrechen"_s}));
    EXPECT_EQ(ui(*window).ED_AnzMS->text(), u"2"_s);
    EXPECT_EQ(cell(Col::BNeu, 2), u"0,990"_s);

    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"zyk-4711"_s));
    functionKey(Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return uploads().size() == 1; }, kWaitMs));
    QTest::qWait(200);
    EXPECT_EQ(uploads(),
              QStringList{u"U4711,ZYK12,,,2,Temperatur Öl 1,°C,250,1010,Druck Pumpe 1,bar,"
                          "-1000,990;"_s});
    EXPECT_EQ(op.shown().size(), 2);
}

TEST_F(OperatorPaths, ServiceCommandsAndTheConnectButton) {
    input::click(ui(*window).Btn_Connect);
    ASSERT_TRUE(QTest::qWaitFor([this] { return services.session.isOpen(); }, kWaitMs));
    EXPECT_EQ(ui(*window).memLog->toPlainText(),
              u"Host 127.0.0.1 gefunden\nConnected to 127.0.0.1"_s);
    EXPECT_EQ(ui(*window).Btn_Connect->text(), u"trennen"_s);

    for (QPushButton* button : {ui(*window).Btn_T, ui(*window).Btn_Z, ui(*window).Btn_A})
        input::click(button);
    ASSERT_TRUE(QTest::qWaitFor([this] { return received.size() == 3; }, kWaitMs));
    EXPECT_EQ(received, (QStringList{u"T220315143005;"_s, u"Z;"_s, u"A;"_s}));

    // EA: typed text adds no item; text that names none leaves none selected (index -1),
    // text that names one selects it; the compact authorisation; one command each.
    read();
    received.clear();
    const auto ea = [this](const QString& password) {
        op.expect(u"TFoPasswort"_s, DialogOperator::authorising(password));
        input::click(ui(*window).Btn_EA);
        settle();
    };
    input::click(ui(*window).NT_Auswahl->lineEdit());
    press(Qt::Key_A, Qt::ControlModifier);
    type(u"3 Netzteile"_s);
    press(Qt::Key_Return);
    EXPECT_EQ(ui(*window).NT_Auswahl->count(), 2);
    EXPECT_EQ(ui(*window).NT_Auswahl->currentIndex(), -1);
    EXPECT_EQ(ui(*window).NT_Auswahl->currentText(), u"3 Netzteile"_s);
    ea(u"ZYK-4711"_s);
    EXPECT_TRUE(passwort->Top_Panel->isHidden());
    input::click(ui(*window).NT_Auswahl->lineEdit());
    press(Qt::Key_A, Qt::ControlModifier);
    type(u"1 netzteil"_s); // then straight to the button
    ea(u"zyk-4711"_s);
    EXPECT_EQ(ui(*window).NT_Auswahl->currentText(), u"1 Netzteil"_s);
    input::click(ui(*window).NT_Auswahl->lineEdit());
    press(Qt::Key_Up);
    ea(u"zyk-4711"_s);
    EXPECT_EQ(received, (QStringList{u"EA-1;"_s, u"EA1;"_s, u"EA0;"_s}));
    EXPECT_EQ(ui(*window).NT_Auswahl->count(), 2);

    ui(*window).memLog->clear();
    input::click(ui(*window).Btn_Connect);
    EXPECT_EQ(ui(*window).memLog->toPlainText(), u"Disconnected"_s);
    EXPECT_EQ(ui(*window).Btn_Connect->text(), u"Prüfstand verbinden"_s);
}

TEST_F(OperatorPaths, PointSelectorLimitsATypedValue) {
    read();
    input::click(ui(*window).Ed_MS);
    press(Qt::Key_A, Qt::ControlModifier);
    type(u"99"_s);
    press(Qt::Key_Tab);
    EXPECT_EQ(ui(*window).Ed_MS->text(), u"40"_s);

    typeCells(Col::ref(1), 40,
              {{u"1"_s, Qt::Key_Return},
               {u"1"_s, Qt::Key_Return},
               {u"2"_s, Qt::Key_Return},
               {u"2,1"_s, Qt::Key_Return}});
    ui(*window).Ed_MS->setFocus();
    press(Qt::Key_A, Qt::ControlModifier);
    type(u"99"_s); // still in the field when F4 comes
    functionKey(Qt::Key_F4);
    EXPECT_EQ(ui(*window).RegChart->chart()->title(), u"Messwertabweichungen für Messstelle 40 "_s);
}

// After an upload: "Verlauf prüfen" in the history, the central database's settings typed
// into their dialog (kept in the settings file, the status line telling the server cannot
// be reached while the window goes on), and the plant view saying so too.
TEST_F(OperatorPaths, RecordsCheckedAndAPlantServerSetUp) {
    read();
    op.expect(u"Trotzdem senden"_s, DialogOperator::pressing(Qt::Key_Return));
    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"zyk-4711"_s, u"wie gelesen"_s));
    functionKey(Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return uploads().size() == 1; }, kWaitMs));

    QString checked;
    op.expect(u"THistoryDialog"_s, [&checked](QWidget* dialog) {
        auto* result = dialog->findChild<QLabel*>(u"CheckResult"_s);
        input::click(dialog->findChild<QPushButton*>(u"Btn_Pruefen"_s));
        EXPECT_TRUE(
            QTest::qWaitFor([result] { return result->text().startsWith(u"Alle"_s); }, kWaitMs));
        checked = result->text();
        input::click(dialog->findChild<QPushButton*>(u"Btn_Schliessen"_s));
    });
    openTableMenuItem(u"Verlauf…"_s);
    settle();
    EXPECT_TRUE(checked.startsWith(u"Alle 1 Einträge von Gerät 4711 passen zu ihren Hashes, ihrer "
                                   "Verkettung und ihren Abgleichprotokollen"_s))
        << checked.toStdString();

    op.expect(u"TServerDialog"_s, [](QWidget* dialog) {
        const auto typeInto = [dialog](const char* name, const QString& text) {
            input::click(dialog->findChild<QWidget*>(QString::fromLatin1(name)));
            input::press(dialog->windowHandle(), Qt::Key_A, Qt::ControlModifier);
            input::type(dialog->windowHandle(), text);
        };
        typeInto("Ed_Host", u"127.0.0.1"_s);
        typeInto("Ed_Port", u"1"_s); // nothing listens there
        typeInto("Ed_Datenbank", u"werk"_s);
        typeInto("Ed_Benutzer", u"abgleich"_s);
        typeInto("Ed_Pruefstand", u"Prüfstand 7"_s);
        input::click(dialog->findChild<QPushButton*>(u"Btn_OK"_s));
    });
    openTableMenuItem(u"Zentrale Datenbank…"_s);
    settle();
    const QString ini = decodeAnsi(fileBytes(configFile(u"Abgleich.ini"_s)));
    EXPECT_TRUE(ini.contains(u"[ZentraleDatenbank]\r\nHost=127.0.0.1\r\nPort=1\r\n"
                             "Datenbank=werk\r\nBenutzer=abgleich\r\nPruefstand=Prüfstand 7\r\n"_s))
        << ini.toStdString();
    auto* status = window->findChild<QLabel*>(u"DbStatus"_s);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(QTest::qWaitFor(
        [status] {
            return status->text() == u"Zentrale Datenbank: nicht erreichbar, 1 ausstehend"_s;
        },
        kWaitMs))
        << status->text().toStdString();
    EXPECT_TRUE(status->isVisible());

    QString plant;
    op.expect(u"TPlantView"_s, [&plant](QWidget* dialog) {
        auto* notice = dialog->findChild<QLabel*>(u"Notice"_s);
        EXPECT_TRUE(QTest::qWaitFor([notice] { return notice->text().contains(u"erreichbar"_s); },
                                    kWaitMs));
        plant = notice->text();
        input::click(dialog->findChild<QPushButton*>(u"Btn_Schliessen"_s));
    });
    openTableMenuItem(u"Anlagenübersicht…"_s);
    settle();
    EXPECT_TRUE(plant.endsWith(u"ist nicht erreichbar: Der Server ist nicht erreichbar"_s))
        << plant.toStdString();
}

// A controller that never takes the connection: F1 waits, the window goes on repainting, a
// key pressed meanwhile starts nothing and says "Bitte warten", and Esc ends the wait at once
// with a protocol line; the window takes input again.
TEST_F(OperatorPaths, AConnectThatNeverCompletesIsLeftWithEsc) {
    test::SilentListener silent;
    ASSERT_TRUE(silent.ready());
    services.session.client().setPort(silent.port());
    QElapsedTimer took;
    took.start();
    QTimer::singleShot(700, window.get(),
                       [this] { input::press(window->windowHandle(), Qt::Key_F12); });
    QTimer::singleShot(1000, window.get(),
                       [this] { input::press(window->windowHandle(), Qt::Key_Escape); });
    press(Qt::Key_F1);
    const auto protocol = [this] { return ui(*window).memLog->toPlainText(); };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return protocol().contains(u"Verbindungsaufbau zu 127.0.0.1 abgebrochen"_s); },
        kWaitMs))
        << protocol().toStdString();
    EXPECT_LT(took.elapsed(), 4000); // not the system's minute, nor the 5 s time-out
    EXPECT_TRUE(protocol().contains(
        u"Bitte warten: Verbindung zu 127.0.0.1 wird aufgebaut … (Esc bricht ab)"_s))
        << protocol().toStdString();
    EXPECT_FALSE(workbench->linkOpen());
    // The window takes input again.
    input::click(ui(*window).ED_IP);
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Delete);
    EXPECT_TRUE(ui(*window).ED_IP->text().isEmpty());
    type(u"127.0.0.1"_s);
    EXPECT_EQ(ui(*window).ED_IP->text(), u"127.0.0.1"_s);
}

// Closing the window while it waits for the controller ends the wait and closes the window.
TEST_F(OperatorPaths, ClosingTheWindowDuringAConnectClosesIt) {
    test::SilentListener silent;
    ASSERT_TRUE(silent.ready());
    services.session.client().setPort(silent.port());
    QElapsedTimer took;
    took.start();
    QTimer::singleShot(700, window.get(), [this] { window->windowHandle()->close(); });
    press(Qt::Key_F1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, kWaitMs));
    EXPECT_LT(took.elapsed(), 4000);
    EXPECT_FALSE(workbench->linkOpen());
}

// A reference standard past its date, typed into the register and chosen, and a tolerance:
// F2 warns first, the operator goes on, and the report names the standard as expired, the
// verdicts and its number.
TEST_F(OperatorPaths, StandardPastItsDateIsWarnedAboutBeforeTheUpload) {
    read();

    op.expect(u"TStandardsDialog"_s, [](QWidget* dialog) {
        input::click(dialog->findChild<QPushButton*>(u"Btn_Hinzufuegen"_s));
        for (const QString& text : {u"PM-17"_s, u"Druckwaage"_s, u"K-2019-4"_s, u"31.12.2020"_s}) {
            input::type(dialog->windowHandle(), text);
            input::press(dialog->windowHandle(), Qt::Key_Tab);
        }
        auto* inUse = dialog->findChild<QComboBox*>(u"InUse"_s);
        inUse->setFocus();
        input::press(dialog->windowHandle(), Qt::Key_Down);
        EXPECT_EQ(inUse->currentData().toString(), u"PM-17"_s);
        input::click(dialog->findChild<QPushButton*>(u"Btn_OK"_s));
    });
    openTableMenuItem(u"Prüfmittel…"_s);
    settle();
    EXPECT_TRUE(decodeAnsi(fileBytes(configFile(u"Abgleich.ini"_s)))
                    .contains(u"[Protokoll]\r\nBearbeiter=\r\nPruefmittel=PM-17\r\n"_s));

    op.expect(u"TToleranceDialog"_s, [](QWidget* dialog) {
        auto* table = dialog->findChild<QTableWidget*>(u"Tolerances"_s);
        table->setFocus();
        input::type(dialog->windowHandle(), u"0,5"_s);
        input::press(dialog->windowHandle(), Qt::Key_Tab);
        input::click(dialog->findChild<QPushButton*>(u"Btn_OK"_s));
    });
    openTableMenuItem(u"Toleranzen…"_s);
    settle();

    op.expect(u"Das Prüfmittel „PM-17“ (Druckwaage) ist nur bis 31.12.2020 kalibriert."_s,
              DialogOperator::pressing(Qt::Key_Return));
    op.expect(u"Trotzdem senden"_s, DialogOperator::pressing(Qt::Key_Return));
    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"zyk-4711"_s, u"Prüfmittel alt"_s));
    functionKey(Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return uploads().size() == 1; }, kWaitMs));
    QStringList reports;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            reports = QDir(workDir.filePath(u"config"_s))
                          .entryList({u"Abgleichprotokoll_*.pdf"_s}, QDir::Files);
            return !reports.isEmpty() && !workbench->writingReports();
        },
        kWaitMs));
    ASSERT_EQ(reports.size(), 1);
    const QString text = test::pdfText(fileBytes(configFile(reports[0]))).simplified();
    for (const QString& expected :
         {u"Abgleichprotokoll Nr. A-00001"_s,
          u"Prüfmittel PM-17 – Druckwaage, Kalibrierschein K-2019-4, kalibriert bis 31.12.2020 – "
          "am Tag des Protokolls abgelaufen"_s,
          u"± 0,500"_s, u"Ende des Abgleichprotokolls Nr. A-00001"_s})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n"
                                             << text.toStdString();
    EXPECT_TRUE(op.problems().isEmpty()) << op.problems().join(u'|').toStdString();
}

TEST_F(OperatorPaths, HistoryFromTheTableMenuTakenOverAndSentWithF2) {
    // The device's change log: an old adjustment of two points, then one that set what the
    // bench holds now.
    const sim::BenchDevice device = sim::defaultDevice();
    QString now = u"U4711,ZYK12,,,40"_s;
    for (const sim::SimPoint& p : device.points)
        now += u",%1,%2,%3,%4"_s.arg(p.name, p.unit).arg(p.a1000).arg(p.b1000);
    QFile log(configFile(u"Log_4711.log"_s));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(encodeAnsi(u"01.02.2024 10:00:00 alter Abgleich\r\nU4711,ZYK12,,,2,Druck Pumpe 1,"
                         "bar,-777,1010,Durchfluss 1,l/min,-500,1002;\r\n"
                         "02.02.2024 11:00:00 letzter\r\n"_s +
                         now + u";\r\n"_s));
    log.close();
    read();

    // A right click into the table, "Verlauf…"; in the dialog the old adjustment is chosen
    // and taken over.
    clickCell(Col::ref(1), 3, Qt::RightButton);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget(); }, kWaitMs));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().value(0)->text(), u"Verlauf…"_s);
    op.expect(u"THistoryDialog"_s, [](QWidget* dialog) {
        auto* uploads = dialog->findChild<QTableView*>(u"Uploads"_s);
        const QModelIndex oldest = uploads->model()->index(1, 0);
        input::click(uploads->viewport(), uploads->visualRect(oldest).center());
        input::click(dialog->findChild<QPushButton*>(u"Btn_Uebernehmen"_s));
    });
    QMessageBox::Icon noticeIcon = QMessageBox::NoIcon;
    op.expect(u"Übernommen für 2 Messstelle(n)"_s, [&noticeIcon](QWidget* dialog) {
        noticeIcon = static_cast<QMessageBox*>(dialog)->icon();
        DialogOperator::pressing(Qt::Key_Return)(dialog);
    });
    input::click(menu, menu->actionGeometry(menu->actions().value(0)).center());
    settle();
    EXPECT_EQ(op.shown().value(0), u"abgleich::THistoryDialog: Verlauf – Gerät 4711"_s);
    EXPECT_EQ(cell(Col::ANeu, 2), u"-0,777"_s);
    EXPECT_EQ(cell(Col::BNeu, 2), u"1,010"_s);
    EXPECT_EQ(cell(Col::ANeu, 4), u"-0,500"_s);
    EXPECT_EQ(cell(Col::BNeu, 4), u"1,002"_s);
    EXPECT_EQ(cell(Col::Ref1, 3), QString()); // the right click typed nothing

    // F2 sends them through the change list and the password.
    EXPECT_EQ(noticeIcon, QMessageBox::Information); // a notice, not an error
    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"zyk-4711"_s, u"zurück"_s));
    functionKey(Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return uploads().size() == 1; }, kWaitMs));
    const QStringList changes = passwort->Aenderungen->toPlainText().split(u'\n');
    ASSERT_EQ(changes.size(), 3) << changes.join(u'|').toStdString();
    EXPECT_TRUE(changes[1].startsWith(u" Druck Pumpe 1 "_s));
    EXPECT_TRUE(changes[2].startsWith(u" Durchfluss 1 "_s));
    EXPECT_TRUE(uploads()[0].contains(u",Druck Pumpe 1,bar,-777,1010,"_s));
    EXPECT_TRUE(uploads()[0].contains(u",Durchfluss 1,l/min,-500,1002,"_s));
    EXPECT_EQ(bench->device().points[1].a1000, -777);
    EXPECT_EQ(bench->device().points[3].b1000, 1002);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QFile::exists(configFile(u"Abgleichprotokoll_4711_20220315-143005.pdf"_s)); },
        kWaitMs));
}

// The authorisation dialog in both forms under the window manager: the window, its frame
// included, is 532 wide and 640 or 140 high, centred on the main window; the bottom panel
// fills the window below the change list and comment, and the prompt, password edit and
// buttons keep their places above its bottom edge.
TEST_F(OperatorPaths, AuthorisationDialogSizedAndCentred) {
    // The window manager has framed and placed the main window, as long before any dialog
    // on the bench PC.
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return window->frameGeometry() != window->geometry(); }, kWaitMs));
    QTest::qWait(300);
    const QRect mainClient = window->geometry();
    const QRect mainFrame = window->frameGeometry();
    struct Form {
        AuthorisationForm form;
        int height;
        int bottomPanelTop;
    };
    for (const Form& f : {Form{AuthorisationForm::Full, 640, TFoPasswort::kTopPanelHeight},
                          Form{AuthorisationForm::Compact, 140, 0}}) {
        SCOPED_TRACE(f.height);
        QRect frame;
        QRect client;
        QRect bottomPanel;
        std::map<QString, QRect> controls;
        op.expect(u"TFoPasswort"_s, [&](QWidget* dialog) {
            // The dialog's frame is the one the window manager puts around the main window;
            // measured there, it does not depend on when the manager reports the dialog's.
            client = dialog->geometry();
            frame = client.adjusted(
                mainFrame.left() - mainClient.left(), mainFrame.top() - mainClient.top(),
                mainFrame.right() - mainClient.right(), mainFrame.bottom() - mainClient.bottom());
            bottomPanel = passwort->Bottom_Panel->geometry();
            for (QWidget* control :
                 {static_cast<QWidget*>(passwort->Label1), static_cast<QWidget*>(passwort->Edit_PW),
                  static_cast<QWidget*>(passwort->BitBtn1),
                  static_cast<QWidget*>(passwort->BitBtn2)})
                controls[control->objectName()] = control->geometry();
            input::press(dialog->windowHandle(), Qt::Key_Escape);
        });
        EXPECT_FALSE(dialogs.authorise(f.form, u"geänderte Werte"_s).has_value());
        settle();

        EXPECT_EQ(frame.size(), QSize(TFoPasswort::kWindowWidth, f.height));
        EXPECT_LT(client.height(), frame.height()); // a real frame around it
        EXPECT_LE(std::abs(frame.center().x() - mainFrame.center().x()), 1);
        EXPECT_LE(std::abs(frame.center().y() - mainFrame.center().y()), 1)
            << qPrintable(u"%1,%2 %3x%4 on %5,%6 %7x%8"_s.arg(frame.x())
                              .arg(frame.y())
                              .arg(frame.width())
                              .arg(frame.height())
                              .arg(mainFrame.x())
                              .arg(mainFrame.y())
                              .arg(mainFrame.width())
                              .arg(mainFrame.height()));
        EXPECT_EQ(bottomPanel,
                  QRect(0, f.bottomPanelTop, client.width(), client.height() - f.bottomPanelTop));
        // Laid out for a panel 77 high, moved down by what the panel has more.
        const int down = bottomPanel.height() - TFoPasswort::kBottomDesignHeight;
        EXPECT_EQ(controls[u"Label1"_s].topLeft(), QPoint(8, 11 + down));
        EXPECT_EQ(controls[u"Edit_PW"_s], QRect(9, 39 + down, 137, 28));
        EXPECT_EQ(controls[u"BitBtn1"_s], QRect(169, 39 + down, 117, 28));
        EXPECT_EQ(controls[u"BitBtn2"_s], QRect(300, 39 + down, 96, 28));
    }
    EXPECT_EQ(op.shown().size(), 2);
}

// The controller's error reply comes in a box with the error icon of the general error box.
TEST_F(OperatorPaths, ControllerErrorReplyShowsTheErrorIcon) {
    sim::SimOptions options;
    options.port = 0;
    options.errorReply = true;
    bench = std::make_unique<sim::BenchSimulator>(sim::defaultDevice(), options);
    QString error;
    ASSERT_TRUE(bench->listen(&error)) << error.toStdString();
    services.session.client().setPort(bench->port());

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    op.expect(u"Fehler Keine Korrekturdaten vorhanden"_s, [&icon](QWidget* dialog) {
        icon = static_cast<QMessageBox*>(dialog)->icon();
        DialogOperator::pressing(Qt::Key_Return)(dialog);
    });
    functionKey(Qt::Key_F1);
    EXPECT_EQ(op.shown(),
              QStringList{u"QMessageBox: Abgleich: Fehler Keine Korrekturdaten vorhanden"_s});
    EXPECT_EQ(icon, QMessageBox::Critical);
}

// F2 right after F1 to a slow bench: the reply comes while the authorisation dialog is open
// and rebuilds the table behind it. What the operator confirmed is no longer what the table
// holds, so nothing is sent, and a box says so.
TEST_F(OperatorPaths, ReplyBehindTheAuthorisationDialogSendsNothing) {
    restartBench([](sim::SimOptions& options) { options.delayMs = 800; });
    read();
    typeCells(Col::ANeu, 5, {{u"1,5"_s, Qt::Key_Return}});
    ASSERT_EQ(number(Col::ANeu, 5), 1.5);
    received.clear();
    op.expect(u"TFoPasswort"_s, [this](QWidget* dialog) {
        // The operator reads the change list while the bench answers.
        EXPECT_TRUE(QTest::qWaitFor([this] { return number(Col::ANeu, 5) != 1.5; }, kWaitMs));
        DialogOperator::authorising(u"zyk-4711"_s)(dialog);
    });
    op.expect(u"Es wurde nichts gesendet"_s, DialogOperator::pressing(Qt::Key_Return));
    press(Qt::Key_F1);
    functionKey(Qt::Key_F2);
    QTest::qWait(300);
    EXPECT_EQ(received, QStringList{u"U;"_s});
    EXPECT_EQ(op.shown().size(), 2);
    EXPECT_FALSE(QFile::exists(configFile(u"Log_4711.log"_s)));
}

// A controller that keeps other gains than it got: after the upload it is read back, and a
// warning names every point with the values sent and read.
TEST_F(OperatorPaths, ReadBackWarningNamesThePointsTheBenchDidNotTake) {
    restartBench([](sim::SimOptions& options) { options.skewStoredGain = true; });
    workbench->setReadBackWait(3000);
    read();
    typeCells(Col::ANeu, 2, {{u"-0,5"_s, Qt::Key_Return}});
    QString warning;
    op.expect(u"TFoPasswort"_s, DialogOperator::authorising(u"zyk-4711"_s));
    op.expect(u"andere Werte als gesendet"_s, [&warning](QWidget* dialog) {
        warning = static_cast<QMessageBox*>(dialog)->text();
        DialogOperator::pressing(Qt::Key_Return)(dialog);
    });
    functionKey(Qt::Key_F2);
    ASSERT_EQ(uploads().size(), 1);
    EXPECT_EQ(received.value(received.size() - 1), u"U;"_s); // read back after the upload
    EXPECT_TRUE(warning.contains(u"MS 2 Druck Pumpe 1: gesendet a = -500, b = 995; gelesen a = "
                                 "-500, b = 996"_s))
        << warning.toStdString();
    EXPECT_FALSE(warning.contains(u"of Druck 1"_s)) << warning.toStdString(); // no gain kept
    // The box stays on the screen: 15 points, the rest in the protocol.
    EXPECT_EQ(warning.count(u"gesendet a = "_s), 15) << warning.toStdString();
    EXPECT_TRUE(warning.contains(u"weitere (alle im Protokoll)"_s)) << warning.toStdString();
    int withGain = 0;
    for (const auto& point : sim::defaultDevice().points)
        withGain += isOffsetPoint(point.name) ? 0 : 1;
    EXPECT_TRUE(ui(*window).memLog->toPlainText().contains(
        u"Rücklesen: %1 von 40 Messstellen weichen ab"_s.arg(withGain)));
    EXPECT_TRUE(QFile::exists(configFile(u"Log_4711.log"_s)));
}

// On whatever screen the window opens (the suite runs this at 1280 x 800, 1366 x 768 and
// 1920 x 1080, each at scale 1, 1.5 and 2, on a desktop of its own), the window, its title
// bar and frame lie inside the work area, and the link and device fields can be reached
// (scrolled into view where the screen is smaller than the design).
// With ABGLEICH_SCREENSHOTS set, the screen is saved there to be looked at.
TEST(ScreenFit, TheWindowItsTitleBarAndItsFieldsAreOnTheScreen) {
    test::TemporaryWorkingDirectory workDir;
    // The bench address on loopback before the window exists (nothing is sent here anyway).
    ASSERT_TRUE(QDir().mkpath(u"config"_s));
    QFile ini(u"config/Abgleich.ini"_s);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[FoAbgleich]\r\nED_IP_Text=127.0.0.1\r\n");
    ini.close();
    QtOperatorDialogs dialogs;
    test::TestServices services;
    const std::unique_ptr<test::TestWorkbench> workbench = services.workbench(dialogs);
    TFoAbgleich window(*workbench);
    dialogs.setMainWindow(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Framed by the window manager (a moment later on a busy machine), then fitted. Where
    // the manager has not told the frame yet, the room the window keeps for one counts.
    const auto isFramed = [&] {
        const QRect outer = window.frameGeometry();
        return outer != window.geometry() && outer.contains(window.geometry());
    };
    const bool toldInTime = QTest::qWaitFor(isFramed, 3000);
    QTest::qWait(500);
    const bool framed = toldInTime && isFramed();
    const QRect avail = window.screen()->availableGeometry();
    const QRect frame = framed ? window.frameGeometry() : window.geometry().adjusted(-8, -40, 8, 8);
    const QString where = u"screen %1x%2, work area %3,%4 %5x%6, frame %7,%8 %9x%10, window "_s
                              .arg(window.screen()->size().width())
                              .arg(window.screen()->size().height())
                              .arg(avail.x())
                              .arg(avail.y())
                              .arg(avail.width())
                              .arg(avail.height())
                              .arg(frame.x())
                              .arg(frame.y())
                              .arg(frame.width())
                              .arg(frame.height()) +
                          u"%1,%2 %3x%4"_s.arg(window.geometry().x())
                              .arg(window.geometry().y())
                              .arg(window.geometry().width())
                              .arg(window.geometry().height()) +
                          u" min "_s + QString::number(window.minimumWidth());
    EXPECT_TRUE(avail.contains(frame)) << where.toStdString();
    EXPECT_LT(frame.top(), window.geometry().top()) << where.toStdString(); // a title bar
    EXPECT_GE(window.geometry().top() - avail.top(), framed ? 1 : 40) << where.toStdString();
    EXPECT_LE(window.minimumWidth(), avail.width());
    EXPECT_LE(window.minimumHeight(), avail.height());
    const test::WindowControls c = test::ui(window);
    // Where the window is smaller than designed, the view scrolls to what is out of sight.
    auto* view = window.findChild<QScrollArea*>(u"Ansicht"_s);
    ASSERT_NE(view, nullptr);
    for (QWidget* control :
         std::initializer_list<QWidget*>{c.Btn_Connect, c.ED_IP, c.Ed_Geraetetyp, c.ED_GeraeteID}) {
        view->ensureWidgetVisible(control);
        const QRect at(control->mapTo(&window, QPoint(0, 0)), control->size());
        // At least its start in sight, where it is clicked and typed into (a line edit is
        // scrolled to its cursor).
        EXPECT_TRUE(window.rect().contains(at.topLeft() + QPoint(4, 4)) &&
                    window.rect().contains(at.bottomLeft() + QPoint(4, -4)))
            << control->objectName().toStdString() << " at " << at.x() << ',' << at.y() << ' '
            << at.width() << 'x' << at.height() << " scroll "
            << view->horizontalScrollBar()->value() << '/' << view->horizontalScrollBar()->maximum()
            << " content " << view->widget()->width() << ' ' << where.toStdString();
    }
    if (const QByteArray shots = qgetenv("ABGLEICH_SCREENSHOTS"); !shots.isEmpty()) {
        const QString name = u"%1/screen-%2x%3-%4.png"_s.arg(QString::fromLocal8Bit(shots))
                                 .arg(window.screen()->size().width())
                                 .arg(window.screen()->size().height())
                                 .arg(window.devicePixelRatio());
        window.screen()->grabWindow(0).save(name);
    }
}
