// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench-sim/benchdevice.h"
#include "core/ansicodec.h"
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"
#include "support/windowcontrols.h"
#include "support/windowservices.h"
#include "support/workdir.h"
#include "ui/anchoredpanel.h"
#include "ui/busyindicator.h"
#include "ui/datapanel.h"
#include "ui/deviationchart.h"
#include "ui/intspinedit.h"
#include "ui/mainwindow.h"
#include "ui/pointgrid.h"
#include "ui/protocollog.h"
#include "ui/protocolpanel.h"

#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::ScriptedDialogs;
using test::ui;

namespace {

// A window started in a fresh working directory, as the program starts it.
class MainWindow : public ::testing::Test {
protected:
    MainWindow() {
        bench = services.workbench(dialogs);
        window = std::make_unique<TFoAbgleich>(*bench);
    }

    void showWindow() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // The simulated bench's 40-point record, as it arrives after "U;".
    void receiveRecord() {
        services.session.awaitReply(u'U');
        services.session.receive(encodeAnsi(sim::correctionReply(sim::defaultDevice())));
    }

    void clickCell(QTableView* view, int column, int tableRow) {
        const QModelIndex index = view->model()->index(PointGrid::viewRow(tableRow), column);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    QListWidgetItem* toggle(int item) { return ui(*window).settings->item(item); }

    test::TemporaryWorkingDirectory workDir_;
    ScriptedDialogs dialogs;
    test::TestServices services;
    std::unique_ptr<test::TestWorkbench> bench;
    std::unique_ptr<TFoAbgleich> window;
};

} // namespace

TEST_F(MainWindow, StartState) {
    TFoAbgleich& w = *window;
    EXPECT_EQ(w.windowTitle(), u"Abgleichwerte für DUDI und ZYK 1.0.1.6"_s);
    EXPECT_EQ(w.objectName(), u"FoAbgleich"_s);
    EXPECT_TRUE(QFileInfo(workDir_.filePath(u"config"_s)).isDir());
    EXPECT_EQ(w.size(), QSize(1584, 928));

    const PointTable& table = w.workbench().table();
    ASSERT_EQ(table.rows(), 256);
    EXPECT_EQ(table.cellText(3, 0), u" a (SPS) "_s);
    EXPECT_EQ(table.cellText(0, 255), u"255 "_s);
    EXPECT_EQ(ui(w).DGrid->cellsView()->model()->rowCount(), 255);
    EXPECT_EQ(ui(w).DGrid->cellsView()->model()->headerData(17, Qt::Horizontal).toString(),
              u" a (NEU)"_s);
    for (int n : {1, 128, 256}) {
        EXPECT_EQ(w.workbench().state().coef.a(n), 0.0);
        EXPECT_EQ(w.workbench().state().coef.b(n), 1.0);
    }

    EXPECT_EQ(toggle(0)->text(), u"prot zeigen"_s);
    EXPECT_EQ(toggle(1)->text(), u"diff zeigen"_s);
    EXPECT_EQ(toggle(0)->checkState(), Qt::Checked);
    EXPECT_EQ(toggle(1)->checkState(), Qt::Checked);
    EXPECT_EQ(ui(w).Ed_MS->minValue(), 0);
    EXPECT_EQ(ui(w).Ed_MS->maxValue(), 0);
    EXPECT_EQ(ui(w).Ed_MS->value(), 1);
    EXPECT_EQ(ui(w).NT_Auswahl->currentIndex(), 0);
    EXPECT_EQ(ui(w).NT_Auswahl->currentText(), u"Alle Netzteile"_s);
    EXPECT_EQ(ui(w).NT_Auswahl->itemText(1), u"1 Netzteil"_s);
    EXPECT_TRUE(ui(w).Btn_ResetTab->isHidden());
    EXPECT_TRUE(ui(w).BTN_Test->isHidden());
    EXPECT_TRUE(ui(w).ActivityIndicator->isHidden());
    EXPECT_EQ(ui(w).edtDataToSend->text(), u"U;"_s);
    EXPECT_EQ(ui(w).ED_IP->placeholderText(), u"Prüfstandadresse eintragen"_s);
    EXPECT_TRUE(ui(w).memLog->isReadOnly());
    EXPECT_EQ(ui(w).memLog->font().family(), u"Courier New"_s);
    EXPECT_EQ(ui(w).memLog->font().pointSize(), 9);
    EXPECT_TRUE(ui(w).Ed_SPSVersion->isReadOnly());
    EXPECT_TRUE(ui(w).ED_AnzMS->isReadOnly());
    EXPECT_EQ(w.datenPanelHeight(), 594);

    EXPECT_EQ(ui(w).RegChart->chart()->title(), u"Messwertabweichungen für MS  "_s);
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(ui(w).RegChart->series(s)->count(), 0) << s;
    EXPECT_EQ(ui(w).RegChart->series(1)->name(), u"unkorrigierte Abweichungen"_s);
    EXPECT_EQ(ui(w).RegChart->series(2)->name(), u"neu berechnete Abweichungen"_s);
    EXPECT_EQ(ui(w).RegChart->series(3)->name(), u"NULL"_s);
    EXPECT_EQ(ui(w).RegChart->series(4)->name(), u"aktuell korrigierte Abweichungen"_s);

    const QFont cellFont = w.dataPanel().DGridGetCellLayout();
    EXPECT_EQ(cellFont.family(), u"Arial"_s);
    EXPECT_EQ(cellFont.pointSize(), 10);
    EXPECT_FALSE(cellFont.bold());
}

TEST_F(MainWindow, ControlsKeepTheirNamesAndCaptions) {
    const std::pair<const char*, QString> buttons[] = {
        {"Btn_Connect", u"Prüfstand verbinden"_s},
        {"Btn_Abgleichabfrage", u"Abgleichwerte von SPS abfragen (F1)"_s},
        {"Btn_Abgleichsenden", u"Abgleichwerte an SPS übertragen (F2)"_s},
        {"Btn_Import", u"Import (F3)"_s},
        {"Btn_ResetTab", u"Tabelle rücksetzen"_s},
        {"Btn_ComputeMS", u"Koeffizienten für MS neu berechnen (F4)"_s},
        {"Btn_computeAll", u"Koeffizienten für ALLE neu berechnen (F12)"_s},
        {"BTN_Test", u"BTN_Test"_s},
        {"Btn_Z", u"Z"_s},
        {"Btn_T", u"T"_s},
        {"Btn_A", u"A"_s},
        {"Btn_EA", u"EA  Anzahl Netzteile festlegen :"_s},
        {"Btn_SendData", u"Send"_s},
        {"Btn_Clear", u"Clear"_s},
    };
    for (const auto& [name, caption] : buttons) {
        auto* b = window->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), caption) << name;
    }
    const std::pair<const char*, QString> labels[] = {
        {"Label1", u"Geräte ID"_s},        {"Label2", u"IP"_s}, {"Label3", u"Anzahl Messstellen"_s},
        {"Label4", u"Geräteart"_s},        {"Label5", u"MS"_s}, {"Label6", u"SPS Version"_s},
        {"Label7", u"Letzte Korrektur"_s},
    };
    for (const auto& [name, caption] : labels) {
        auto* l = window->findChild<QLabel*>(QLatin1String(name));
        ASSERT_NE(l, nullptr) << name;
        EXPECT_EQ(l->text(), caption) << name;
    }
    for (const char* name : {"Panel_Geratedaten",
                             "Operation_Panel",
                             "Daten_panel",
                             "Gridpanel",
                             "Log_Panel",
                             "Splitter1",
                             "Splitter2",
                             "DGrid",
                             "RegChart",
                             "ActivityIndicator",
                             "settings",
                             "Ed_MS",
                             "memLog",
                             "ED_IP",
                             "ED_GeraeteID",
                             "Ed_Geraetetyp",
                             "Ed_SPSVersion",
                             "ED_AnzMS",
                             "Ed_Lastkalidate",
                             "ED_LastKaliTime",
                             "NT_Auswahl",
                             "edtDataToSend"})
        EXPECT_NE(window->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(ui(*window).Gridpanel_Caption->text(),
              u"Formel:  mk = f(mw) = a + b * mw   (mk = Messwert korrigiert, mw = Messwert "
              "ursprünglich)"_s);
}

TEST_F(MainWindow, LayoutAsDesigned) {
    showWindow();
    TFoAbgleich& w = *window;
    EXPECT_EQ(ui(w).Panel_Geratedaten->height(), 44);
    EXPECT_EQ(ui(w).Operation_Panel->height(), 38);
    EXPECT_EQ(ui(w).Daten_panel->height(), 594);
    EXPECT_EQ(ui(w).Log_Panel->height(), 247);
    EXPECT_EQ(ui(w).Gridpanel->width(), 1077);
    // Growing the window grows only the protocol panel and the chart.
    w.resize(1800, 1000);
    QApplication::processEvents();
    EXPECT_EQ(ui(w).Daten_panel->height(), 594);
    EXPECT_EQ(ui(w).Log_Panel->height(), 247 + 72);
    EXPECT_EQ(ui(w).Gridpanel->width(), 1077);
    EXPECT_EQ(ui(w).settings->geometry().right(), ui(w).Panel_Geratedaten->width() - 9);
    EXPECT_EQ(ui(w).memLog->width(), 1800);
}

TEST_F(MainWindow, ProtocolToggleRestoresTheStartHeight) {
    showWindow();
    TFoAbgleich& w = *window;
    ui(w).Splitter2->setSizes({400, 441}); // the operator drags the lower splitter
    QApplication::processEvents();
    ASSERT_EQ(ui(w).Daten_panel->height(), 400);

    toggle(0)->setCheckState(Qt::Unchecked);
    QApplication::processEvents();
    EXPECT_TRUE(ui(w).Log_Panel->isHidden());
    EXPECT_TRUE(ui(w).Splitter2->handle(1)->isHidden());
    EXPECT_EQ(ui(w).Daten_panel->height(), ui(w).Splitter2->height());
    EXPECT_FALSE(w.workbench().table().diffColumnsHidden());

    toggle(0)->setCheckState(Qt::Checked);
    QApplication::processEvents();
    EXPECT_FALSE(ui(w).Log_Panel->isHidden());
    EXPECT_FALSE(ui(w).Splitter2->handle(1)->isHidden());
    EXPECT_EQ(ui(w).Daten_panel->height(), 594);
}

TEST_F(MainWindow, DiffToggleHidesTheDeviationColumnsOnly) {
    showWindow();
    TFoAbgleich& w = *window;
    QTableView* cells = ui(w).DGrid->cellsView();
    toggle(1)->setCheckState(Qt::Unchecked);
    for (int c = 13; c <= 16; ++c)
        EXPECT_TRUE(cells->isColumnHidden(c)) << c;
    EXPECT_FALSE(cells->isColumnHidden(17));
    EXPECT_FALSE(cells->isColumnHidden(12));
    w.workbench().table().setCellNumber(17, 3, 1.25);
    EXPECT_EQ(w.workbench().table().storedNumber(17, 3), 1.25);
    EXPECT_EQ(cells->model()->headerData(17, Qt::Horizontal).toString(), u" a (NEU)"_s);

    // With the protocol shown, any click in the list also restores the data panel.
    ui(w).Splitter2->setSizes({300, 541});
    QApplication::processEvents();
    toggle(1)->setCheckState(Qt::Checked);
    QApplication::processEvents();
    for (int c = 13; c <= 16; ++c)
        EXPECT_FALSE(cells->isColumnHidden(c)) << c;
    EXPECT_EQ(ui(w).Daten_panel->height(), 594);
}

TEST_F(MainWindow, RecordShowsHiddenColumnsUntilTheNextClick) {
    showWindow();
    TFoAbgleich& w = *window;
    QTableView* cells = ui(w).DGrid->cellsView();
    toggle(1)->setCheckState(Qt::Unchecked);
    ASSERT_TRUE(cells->isColumnHidden(14));
    receiveRecord();
    EXPECT_FALSE(cells->isColumnHidden(14));
    EXPECT_EQ(toggle(1)->checkState(), Qt::Unchecked);
    // A click on an item's text applies both toggles as they stand.
    QTest::mouseClick(ui(w).settings->viewport(), Qt::LeftButton, {},
                      ui(w).settings->visualItemRect(toggle(0)).center());
    EXPECT_TRUE(cells->isColumnHidden(14));
    EXPECT_FALSE(ui(w).Log_Panel->isHidden());
}

TEST_F(MainWindow, RecordFillsTheDeviceFields) {
    receiveRecord();
    TFoAbgleich& w = *window;
    EXPECT_EQ(ui(w).ED_GeraeteID->text(), u"4711"_s);
    EXPECT_EQ(ui(w).Ed_Geraetetyp->text(), u"ZYK12"_s);
    EXPECT_EQ(ui(w).Ed_SPSVersion->text(), u"317"_s);
    EXPECT_EQ(ui(w).ED_AnzMS->text(), u"40"_s);
    EXPECT_EQ(ui(w).Ed_Lastkalidate->text(), u"11.06.2024"_s);
    EXPECT_EQ(ui(w).ED_LastKaliTime->text(), u"09:30:12"_s);
    EXPECT_EQ(ui(w).Ed_MS->maxValue(), 40);
    EXPECT_EQ(ui(w).DGrid->cellsView()->model()->rowCount(), 40);

    // The operator may edit ID (digits only) and type; the working state follows.
    ui(w).ED_GeraeteID->clear();
    QTest::keyClicks(ui(w).ED_GeraeteID, u"12a3"_s);
    EXPECT_EQ(ui(w).ED_GeraeteID->text(), u"123"_s);
    EXPECT_EQ(w.workbench().state().device.geraeteId, u"123"_s);
    QTest::keyClicks(ui(w).Ed_Geraetetyp, u"X"_s);
    EXPECT_EQ(w.workbench().state().device.geraetetyp, u"ZYK12X"_s);
}

TEST_F(MainWindow, TableClicksSetThePointSelector) {
    showWindow();
    receiveRecord();
    TFoAbgleich& w = *window;
    clickCell(ui(w).DGrid->cellsView(), 7, 5);
    EXPECT_EQ(ui(w).Ed_MS->value(), 5);
    clickCell(ui(w).DGrid->fixedView(), 0, 12);
    EXPECT_EQ(ui(w).Ed_MS->value(), 12);
    const QModelIndexList selected = ui(w).DGrid->cellsView()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(PointGrid::tableRow(selected[0].row()), 12);
    // The caption row is row 0.
    QHeaderView* header = ui(w).DGrid->fixedView()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(ui(w).Ed_MS->value(), 0);
}

TEST(PointSelector, LimitsOnlyWhileTheBoundsDiffer) {
    IntSpinEdit edit;
    edit.setValue(77); // bounds 0 and 0
    EXPECT_EQ(edit.value(), 77);
    edit.setMaxValue(40);
    edit.setValue(77);
    EXPECT_EQ(edit.value(), 40);
    edit.setValue(-3);
    EXPECT_EQ(edit.value(), 0);
    edit.setText(u"  7"_s);
    EXPECT_EQ(edit.value(), 7);
    edit.setText(u""_s);
    EXPECT_EQ(edit.value(), 0);
    edit.stepBy(3);
    EXPECT_EQ(edit.value(), 3);
}

TEST_F(MainWindow, ClearEmptiesTheProtocol) {
    window->protocolPanel().log().append(u"-> U;"_s);
    window->protocolPanel().log().append(u"<- U4711"_s);
    QTest::mouseClick(ui(*window).Btn_Clear, Qt::LeftButton);
    EXPECT_TRUE(ui(*window).memLog->toPlainText().isEmpty());
    window->protocolPanel().log().append(u"Disconnected"_s);
    EXPECT_EQ(ui(*window).memLog->toPlainText(), u"Disconnected"_s);
}

TEST_F(MainWindow, ViewNormalisesOnlyTheCellsItShows) {
    showWindow();
    receiveRecord();
    TFoAbgleich& w = *window;
    PointTable& table = w.workbench().table();
    table.setCellNumber(17, 1, 0.4392145);
    table.setCellNumber(17, 40, 0.439214567890123); // below the visible rows
    table.setCellText(5, 2, u"12,34567"_s);
    ui(w).DGrid->cellsView()->viewport()->repaint();
    EXPECT_EQ(table.cellText(17, 1), u"0,439"_s);
    EXPECT_EQ(table.cellText(5, 2), u"12,346"_s);
    EXPECT_EQ(table.cellText(17, 40), u"0,439214567890123"_s);

    // Hidden columns are not shown either.
    toggle(1)->setCheckState(Qt::Unchecked);
    table.setCellNumber(14, 1, 0.1234567);
    ui(w).DGrid->cellsView()->viewport()->repaint();
    EXPECT_EQ(table.cellText(14, 1), u"0,1234567"_s);

    // Scrolled into view, the cell is shown and normalised.
    ui(w).DGrid->cellsView()->scrollTo(
        ui(w).DGrid->cellsView()->model()->index(PointGrid::viewRow(40), 17));
    ui(w).DGrid->cellsView()->viewport()->repaint();
    EXPECT_EQ(table.cellText(17, 40), u"0,439"_s);
}

TEST_F(MainWindow, EnterMovesToTheNextColumnAndOpensItsEditor) {
    showWindow();
    receiveRecord();
    TFoAbgleich& w = *window;
    QTableView* cells = ui(w).DGrid->cellsView();
    cells->setFocus();
    clickCell(cells, 5, 3);
    // The open editor is the line edit inside the cells view that has the focus.
    auto editor = [&]() -> QLineEdit* {
        auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return edit && cells->isAncestorOf(edit) ? edit : nullptr;
    };
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), u"12,5"_s);
    QTest::keyClick(editor(), Qt::Key_Return);
    QApplication::processEvents(); // the editor's commit is queued
    EXPECT_EQ(w.workbench().table().shownNumber(5, 3), 12.5);
    EXPECT_EQ(cells->currentIndex().column(), 6);
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), u"13"_s);
    QTest::keyClick(editor(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(w.workbench().table().shownNumber(6, 3), 13.0);
    EXPECT_EQ(cells->currentIndex().column(), 7);
    EXPECT_NE(editor(), nullptr);

    // Read-only columns open no editor.
    cells->setCurrentIndex(cells->model()->index(PointGrid::viewRow(3), 13));
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(ui(w).Ed_MS->value(), 3);
}

TEST_F(MainWindow, ChartFollowsTheWorkingState) {
    TFoAbgleich& w = *window;
    DeviationChartData& chart = bench->workingState().chart;
    chart.title = u"Messwertabweichungen für Messstelle 7 "_s;
    chart.zeroLine = {{0, 0}, {250, 0}};
    chart.recalculated = {{10, 0.25}, {20, -0.5}};
    bench->workingState().notifyChartChanged();
    EXPECT_EQ(ui(w).RegChart->chart()->title(), u"Messwertabweichungen für Messstelle 7 "_s);
    EXPECT_EQ(ui(w).RegChart->series(2)->points(), QList<QPointF>({{10, 0.25}, {20, -0.5}}));
    EXPECT_EQ(ui(w).RegChart->series(3)->count(), 2);
    EXPECT_EQ(ui(w).RegChart->labelText(0.25), u"0,25"_s);
    EXPECT_EQ(ui(w).RegChart->labelText(-0.5), u"-0,5"_s);
    EXPECT_EQ(ui(w).RegChart->labelText(2), u"2"_s);

    receiveRecord();
    EXPECT_EQ(ui(w).RegChart->series(2)->count(), 0);
    EXPECT_EQ(ui(w).RegChart->series(3)->count(), 0);
    EXPECT_EQ(ui(w).RegChart->chart()->title(), u"Messwertabweichungen für Messstelle 7 "_s);
}

TEST_F(MainWindow, CloseEmptiesTheTable) {
    showWindow();
    bench->workingState().dList << u"a"_s;
    window->close();
    EXPECT_EQ(bench->table().rows(), 0);
    EXPECT_TRUE(bench->state().dList.isEmpty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindow, TabOrderFollowsTheAreas) {
    TFoAbgleich& w = *window;
    const std::vector<QWidget*> expected = {
        ui(w).Btn_Connect,
        ui(w).ED_IP,
        ui(w).Ed_Geraetetyp,
        ui(w).ED_GeraeteID,
        ui(w).Ed_SPSVersion,
        ui(w).ED_AnzMS,
        ui(w).Ed_Lastkalidate,
        ui(w).ED_LastKaliTime,
        ui(w).settings,
        ui(w).Btn_Z,
        ui(w).Btn_T,
        ui(w).Btn_A,
        ui(w).Btn_SendData,
        ui(w).edtDataToSend,
        ui(w).Btn_Clear,
        ui(w).memLog,
        ui(w).Btn_EA,
        ui(w).NT_Auswahl,
        ui(w).RegChart,
        ui(w).DGrid->cellsView(),
        ui(w).Btn_Abgleichabfrage,
        ui(w).Btn_Abgleichsenden,
        ui(w).Btn_Import,
        ui(w).Btn_ResetTab,
        ui(w).Btn_ComputeMS,
        ui(w).Btn_computeAll,
        ui(w).Ed_MS,
        ui(w).BTN_Test,
    };
    // Walk the focus chain once around and keep the order in which these controls come.
    std::vector<QWidget*> seen;
    QWidget* at = ui(w).Btn_Connect;
    do {
        if (std::find(expected.begin(), expected.end(), at) != expected.end() &&
            std::find(seen.begin(), seen.end(), at) == seen.end())
            seen.push_back(at);
        at = at->nextInFocusChain();
    } while (at != ui(w).Btn_Connect);
    EXPECT_EQ(seen, expected);
}

TEST_F(MainWindow, RecalculationButtons) {
    receiveRecord();
    TFoAbgleich& w = *window;
    PointTable& table = w.workbench().table();
    const std::pair<const char*, const char*> pairs[] = {
        {"20", "20,9"}, {"80", "81,4"}, {"150", "152,1"}, {"230", "233,0"}};
    for (int p = 1; p <= 4; ++p) {
        table.setCellText(Col::ref(p), 7, QString::fromLatin1(pairs[p - 1].first));
        table.setCellText(Col::tm(p), 7, QString::fromLatin1(pairs[p - 1].second));
    }
    ui(w).Ed_MS->setValue(7);
    QTest::mouseClick(ui(w).Btn_ComputeMS, Qt::LeftButton);
    EXPECT_EQ(ui(w).RegChart->chart()->title(), u"Messwertabweichungen für Messstelle 7 "_s);
    EXPECT_EQ(ui(w).RegChart->series(1)->count(), 4);
    EXPECT_EQ(ui(w).RegChart->series(2)->count(), 4);
    EXPECT_EQ(ui(w).RegChart->series(3)->count(), 2);
    EXPECT_EQ(ui(w).RegChart->series(4)->count(), 4);
    EXPECT_FALSE(table.cellText(Col::ANeu, 7).isEmpty());
    EXPECT_TRUE(dialogs.shown.empty());

    // All points: a gain of 0 ends it with the run-time error in the error box.
    bench->workingState().coef.setB(7, 0);
    QTest::mouseClick(ui(w).Btn_computeAll, Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, u"Gleitkommadivision durch Null."_s);

    // The reset (its button is shown only through the settings file).
    ui(w).Btn_ResetTab->show();
    QTest::mouseClick(ui(w).Btn_ResetTab, Qt::LeftButton);
    EXPECT_TRUE(table.cellText(Col::ref(1), 7).isEmpty());
    EXPECT_EQ(table.cellText(Col::BSps, 7), u"1"_s);
    EXPECT_EQ(ui(w).RegChart->series(2)->count(), 0);
    EXPECT_EQ(ui(w).RegChart->chart()->title(), u"Messwertabweichungen für Messstelle 7 "_s);
}

// F12 over a point whose displayed values have no spread: the others are computed, the
// selector moves on as after any F12, and the point is named.
TEST_F(MainWindow, F12NamesAPointWithoutSpreadAndMovesTheSelector) {
    receiveRecord();
    TFoAbgleich& w = *window;
    PointTable& table = w.workbench().table();
    for (int p = 1; p <= 3; ++p) {
        table.setCellText(Col::ref(p), 1, QString::number(10 * p));
        table.setCellText(Col::tm(p), 1, u"12"_s);
    }
    table.setCellText(Col::ref(1), 4, u"10"_s);
    table.setCellText(Col::tm(1), 4, u"10,2"_s);
    table.setCellText(Col::ref(2), 4, u"50"_s);
    table.setCellText(Col::tm(2), 4, u"50,1"_s);
    ui(w).Ed_MS->setValue(7);
    ui(w).ED_IP->setFocus();
    QTest::keyClick(ui(w).ED_IP, Qt::Key_F12);
    QApplication::processEvents();
    EXPECT_EQ(ui(w).Ed_MS->value(), 40);
    EXPECT_FALSE(table.cellText(Col::ANeu, 4).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(u"Messstelle 1:"_s))
        << dialogs.shown[0].text.toStdString();
}

// A number the data cell cannot hold is never shown cut: the cell shows the marker and the
// number as its tooltip; widening the column shows the number. Captions and names are
// never replaced.
TEST_F(MainWindow, NumbersTooWideForTheirCellShowTheMarker) {
    showWindow();
    receiveRecord();
    PointTable& table = bench->table();
    PointGrid* grid = ui(*window).DGrid;
    QTableView* cells = grid->cellsView();
    struct Case {
        int column;
        int row;
        double value;
        QString full;
        QString shown;
    };
    const Case cases[] = {
        {Col::ASps, 1, 1234567.891, u"1234567,891"_s, u"###"_s},
        {Col::BNeu, 2, -123456.789, u"-123456,789"_s, u"###"_s},
        {Col::ref(1), 3, -1.5, u"-1,500"_s, u"-1,500"_s},
    };
    for (const Case& c : cases)
        table.setCellNumber(c.column, c.row, c.value);
    cells->viewport()->repaint();

    const auto tooltipAt = [&](int column, int row) {
        QToolTip::hideText(); // goes a moment later
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
            return u"(the last tooltip stays)"_s;
        const QRect rect =
            cells->visualRect(cells->model()->index(PointGrid::viewRow(row), column));
        QHelpEvent help(QEvent::ToolTip, rect.center(),
                        cells->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(cells->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    for (const Case& c : cases) {
        EXPECT_EQ(table.cellText(c.column, c.row), c.full) << c.column;
        EXPECT_EQ(grid->shownText(c.column, c.row), c.shown) << c.column;
        EXPECT_EQ(tooltipAt(c.column, c.row), c.shown == c.full ? QString() : c.full) << c.column;
    }
    EXPECT_EQ(grid->shownText(Col::Name, 1), table.cellText(Col::Name, 1));

    // The operator drags the column borders wider: the numbers appear in full.
    for (const Case& c : cases) {
        grid->setColumnWidth(c.column, 100);
        EXPECT_EQ(grid->shownText(c.column, c.row), c.full) << c.column;
        EXPECT_EQ(tooltipAt(c.column, c.row), QString()) << c.column;
    }
}

// A finger on the table scrolls it by whole rows; a touch that does not move selects the
// cell under it.
TEST_F(MainWindow, TouchScrollsTheTableByWholeRows) {
    receiveRecord();
    showWindow();
    QTableView* cells = ui(*window).DGrid->cellsView();
    QScrollBar* rows = cells->verticalScrollBar();
    ASSERT_GT(rows->maximum(), 3); // more rows than fit
    // The test owns the device it makes.
    const std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
    QPointingDevice* finger = device.get();
    const QPoint start(cells->viewport()->width() / 2, cells->viewport()->height() - 30);
    const int before = rows->value();
    QTest::touchEvent(cells->viewport(), finger).press(0, start);
    QTest::touchEvent(cells->viewport(), finger).move(0, start - QPoint(0, 3 * 22 + 10));
    QTest::touchEvent(cells->viewport(), finger).release(0, start - QPoint(0, 3 * 22 + 10));
    EXPECT_EQ(rows->value(), before + 3);
    EXPECT_EQ(ui(*window).DGrid->fixedView()->verticalScrollBar()->value(), before + 3);

    // Back down by one row from the fixed columns, then a tap on a cell.
    QTableView* fixed = ui(*window).DGrid->fixedView();
    const QPoint top(20, 40);
    QTest::touchEvent(fixed->viewport(), finger).press(0, top);
    QTest::touchEvent(fixed->viewport(), finger).move(0, top + QPoint(0, 25));
    QTest::touchEvent(fixed->viewport(), finger).release(0, top + QPoint(0, 25));
    EXPECT_EQ(rows->value(), before + 2);
    const QModelIndex target = cells->indexAt(QPoint(cells->viewport()->width() / 2, 30));
    QTest::touchEvent(cells->viewport(), finger)
        .press(0, QPoint(cells->viewport()->width() / 2, 30));
    QTest::touchEvent(cells->viewport(), finger)
        .release(0, QPoint(cells->viewport()->width() / 2, 30));
    EXPECT_EQ(cells->currentIndex(), target);
    EXPECT_EQ(rows->value(), before + 2);
}

// A letter typed where no cell can be edited finds nothing and changes nothing: only what
// is shown is rounded to its three decimals, not a row far below.
TEST_F(MainWindow, LetterInAReadOnlyColumnRoundsNoHiddenCell) {
    receiveRecord();
    showWindow();
    PointTable& table = bench->table();
    table.setCellText(Col::ASps, 38, u"1,23456"_s);
    QTableView* cells = ui(*window).DGrid->cellsView();
    cells->setFocus();
    cells->setCurrentIndex(cells->model()->index(PointGrid::viewRow(1), Col::ASps));
    for (const char* letters : {"x", "1", "D"})
        QTest::keyClicks(cells, QString::fromLatin1(letters));
    EXPECT_EQ(table.cellText(Col::ASps, 38), u"1,23456"_s);
    EXPECT_EQ(cells->currentIndex().row(), PointGrid::viewRow(1));
}

// Beside each point's number, its verdicts as the report would give them now: as found and
// as left (computed), red outside the tolerance, green within, hollow without one; the
// number's tooltip says why. The table's columns and colours stay as they are.
TEST_F(MainWindow, PointNumbersShowTheVerdictsBeforeTheUpload) {
    showWindow();
    receiveRecord();
    PointTable& table = bench->table();
    const QString name1 = table.cellText(Col::Name, 1).trimmed();
    const QString name2 = table.cellText(Col::Name, 2).trimmed();
    dialogs.toleranceEdits.push_back(
        std::vector<ToleranceRow>{{name1, {}, 0.5}, {name2, {}, std::nullopt}});
    bench->editTolerances();
    // Point 1: found 2 off, left within 0,5 by the new values; point 2: no tolerance.
    for (const int row : {1, 2}) {
        table.setCellText(Col::ref(1), row, u"100"_s);
        table.setCellText(Col::tm(1), row, u"102"_s);
        table.setCellText(Col::ref(2), row, u"200"_s);
        table.setCellText(Col::tm(2), row, u"202"_s);
    }
    bench->recalculatePoint(1);
    PointGrid* grid = ui(*window).DGrid;
    QTableView* fixed = grid->fixedView();
    fixed->viewport()->repaint();
    const QImage shot = fixed->viewport()->grab().toImage();
    const auto markColour = [&](int row, int which) {
        const QRect cell = fixed->visualRect(fixed->model()->index(PointGrid::viewRow(row), 0));
        const QRect area = GridView::markArea(cell);
        return shot.pixelColor(area.left() + 7 * which + 3, area.top() + 3);
    };
    EXPECT_GT(markColour(1, 0).red(), 180); // as found: 2,000 > 0,5
    EXPECT_LT(markColour(1, 0).green(), 80);
    EXPECT_GT(markColour(1, 1).green(), 120); // as left: within
    EXPECT_LT(markColour(1, 1).red(), 80);
    // Hollow: the square's middle is the cell's own background.
    EXPECT_EQ(
        markColour(2, 0),
        shot.pixelColor(
            1, fixed->visualRect(fixed->model()->index(PointGrid::viewRow(2), 0)).center().y()));

    const QRect cell = fixed->visualRect(fixed->model()->index(PointGrid::viewRow(1), 0));
    QHelpEvent help(QEvent::ToolTip, cell.center(), fixed->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(fixed->viewport(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().startsWith(
        u"Wie vorgefunden: n. i. O. (größte Abweichung 2,000, Toleranz ± 0,500)\n"
        "Wie hinterlassen (berechnet): i. O."_s))
        << QToolTip::text().toStdString();
    QToolTip::hideText();
}

// At the designed size every value a bench shows, up to five digits before the comma, reads
// whole: in the narrow face where the cell font is too wide. Only what fits neither shows
// the marker.
TEST_F(MainWindow, BenchSizedNumbersReadWholeAtTheDesignedSize) {
    showWindow();
    receiveRecord();
    PointTable& table = bench->table();
    PointGrid* grid = ui(*window).DGrid;
    const double values[] = {1000, -100.5, -999.999, 1234, 12345, -99999.999, 99999.999};
    int row = 1;
    for (const double value : values) {
        for (const int column : {Col::ASps, Col::ref(1), Col::ANeu}) {
            table.setCellNumber(column, row, value);
            const QString full = table.normaliseCell(column, row);
            EXPECT_EQ(grid->shownText(column, row), full) << column << ' ' << value;
        }
        ++row;
    }
    // Wider than any face: still the marker.
    table.setCellNumber(Col::ref(1), row, -1234567.891);
    EXPECT_EQ(grid->shownText(Col::ref(1), row), QString::fromLatin1(PointGrid::kCutMarker));
    // The first fallback is Liberation Sans Narrow at the cell font's size; none of the faces
    // is narrower than 75 % of the cell font.
    const std::vector<QFont> faces = PointGrid::cellFaces(grid->cellFont());
    ASSERT_GE(faces.size(), 2u);
    EXPECT_EQ(QFontInfo(faces[1]).family(), u"Liberation Sans Narrow"_s);
    for (const QFont& face : faces) {
        EXPECT_EQ(face.pointSize(), grid->cellFont().pointSize());
        EXPECT_GE(face.stretch() == 0 ? 100 : face.stretch(), 75);
    }
}

// The window carries the packaged icon and names its desktop file, so that the window
// manager shows the menu entry's icon rather than a generic one.
TEST_F(MainWindow, CarriesTheProgramsIconAndDesktopFileName) {
    applyApplicationIdentity();
    const QIcon icon = window->windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
    // Drawn from the packaged drawing: its frame's colour at the edge's middle.
    const QImage image = icon.pixmap(QSize(64, 64)).toImage();
    const QColor frame = image.pixelColor(32, 2); // #40607f, smoothed
    EXPECT_NEAR(frame.red(), 0x40, 16);
    EXPECT_NEAR(frame.green(), 0x60, 16);
    EXPECT_NEAR(frame.blue(), 0x7f, 16);
    EXPECT_EQ(QGuiApplication::desktopFileName(), u"abgleich"_s);
}
