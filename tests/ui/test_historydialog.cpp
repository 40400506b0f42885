// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The history dialog, and the table's context menu that opens it and writes a report of
// the table.
#include "bench-sim/benchdevice.h"
#include "core/ansicodec.h"
#include "records/logimport.h"
#include "records/upload.h"
#include "scripted/scripteddialogs.h"
#include "support/pdftext.h"
#include "support/qtprint.h"
#include "support/windowcontrols.h"
#include "support/windowservices.h"
#include "support/workdir.h"
#include "ui/historydialog.h"
#include "ui/mainwindow.h"
#include "ui/pointgrid.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeAxis>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::pdfText;
using test::ScriptedDialogs;
using test::ui;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

namespace {

// The simulated bench's record in the window, and its change log with three uploads.
class History : public ::testing::Test {
protected:
    History() {
        bench = services.workbench(dialogs);
        window = std::make_unique<TFoAbgleich>(*bench);
        services.session.awaitReply(u'U');
        services.session.receive(encodeAnsi(sim::correctionReply(sim::defaultDevice())));
    }

    QString logPath() const { return changeLogPath(bench->state()); }
    void writeLog(const QString& text) {
        QFile log(logPath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        log.write(encodeAnsi(text));
    }
    // Three uploads: two points changed, then all 40 as read, then a multi-line comment.
    void writeThreeUploads() {
        const sim::BenchDevice device = sim::defaultDevice();
        QString asRead = u"U4711,ZYK12,,,40"_s;
        for (const sim::SimPoint& p : device.points)
            asRead += u",%1,%2,%3,%4"_s.arg(p.name, p.unit).arg(p.a1000).arg(p.b1000);
        writeLog(u"01.02.2024 10:00:00 erste\r\nU4711,ZYK12,,,2,Druck Pumpe 1,bar,-777,1010,"
                 "Temperatur Öl 1,°C,5,990;\r\n"
                 "02.02.2024 11:00:00 zweite\r\n"_s +
                 asRead + u";\r\n03.02.2024 12:00:00 dritte\r\nmit Zeile 2\r\n"_s + asRead +
                 u";\r\n"_s);
    }
    // As "Verlauf…" opens it: the log taken into the records first.
    THistoryDialog* openDialog() {
        dialog.reset();
        RecordsDb& db = bench->records();
        const LogImport imported =
            importChangeLog(db, logPath(), u"4711"_s, bench->state().regional);
        DeviceHistory history = db.history(db.benchId(), u"4711"_s);
        history.notice = importNotice(imported, logPath());
        reader = std::make_unique<DbHistoryReader>(db, history);
        dialog = std::make_unique<THistoryDialog>(history, *reader, HistoryCheck{},
                                                  bench->workingState());
        return dialog.get();
    }
    QString cell(int column, int row) const { return bench->table().cellText(column, row); }

    test::TemporaryWorkingDirectory workDir_;
    ScriptedDialogs dialogs;
    test::TestServices services;
    std::unique_ptr<test::TestWorkbench> bench;
    std::unique_ptr<TFoAbgleich> window;
    std::unique_ptr<DbHistoryReader> reader;
    std::unique_ptr<THistoryDialog> dialog;
};

} // namespace

TEST_F(History, ListsTheUploadsNewestFirstAndComparesTheChosenOne) {
    writeThreeUploads();
    THistoryDialog& d = *openDialog();
    EXPECT_EQ(d.windowTitle(),
              u"Verlauf – Gerät 4711 – Prüfstand "_s + bench->records().benchName());
    EXPECT_TRUE(d.Notice->isHidden());
    const QAbstractItemModel* list = d.Uploads->model();
    ASSERT_EQ(list->rowCount(), 3);
    const QString fromLog = u"aus Protokolldatei übernommen"_s;
    const QString rows[3][4] = {
        {u"03.02.2024 12:00:00"_s, u"dritte / mit Zeile 2"_s, u"40"_s, fromLog},
        {u"02.02.2024 11:00:00"_s, u"zweite"_s, u"40"_s, fromLog},
        {u"01.02.2024 10:00:00"_s, u"erste"_s, u"2"_s, fromLog}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(list->index(r, c).data().toString(), rows[r][c]) << r << c;
    EXPECT_EQ(d.chosen(), std::optional<std::size_t>(2)); // the newest
    EXPECT_TRUE(d.Btn_Uebernehmen->isEnabled());

    // The oldest: its two points beside what the controller holds; differences marked.
    d.Uploads->setCurrentIndex(list->index(2, 0));
    ASSERT_EQ(d.chosen(), std::optional<std::size_t>(0));
    QTableWidget& table = *d.Coefficients;
    ASSERT_EQ(table.rowCount(), 2);
    const sim::BenchDevice device = sim::defaultDevice();
    const sim::SimPoint& pump = device.points[1];
    ASSERT_EQ(pump.name, u"Druck Pumpe 1"_s);
    EXPECT_EQ(table.item(0, 0)->text(), u"2"_s);
    EXPECT_EQ(table.item(0, 1)->text(), u"Druck Pumpe 1"_s);
    EXPECT_EQ(table.item(0, 3)->text(), u"-0,777"_s);
    EXPECT_EQ(table.item(0, 4)->text(), u"1,010"_s);
    EXPECT_EQ(table.item(0, 5)->text(), cell(Col::ASps, 2));
    EXPECT_TRUE(table.item(0, 3)->font().bold());
    EXPECT_EQ(table.item(0, 4)->font().bold(), pump.b1000 != 1010);
    EXPECT_EQ(table.item(1, 1)->text(), u"Temperatur Öl 1"_s);
    // The newest upload holds what the controller holds: nothing marked.
    d.chooseUpload(2);
    ASSERT_EQ(table.rowCount(), 40);
    for (int r = 0; r < 40; ++r)
        for (int c = 3; c <= 6; ++c)
            EXPECT_FALSE(table.item(r, c)->font().bold()) << r << " " << c;

    // The drift of one point over all uploads, the chosen one marked.
    d.chooseDriftPoint(u"Druck Pumpe 1"_s);
    ASSERT_EQ(d.driftA()->count(), 3);
    EXPECT_EQ(d.driftA()->at(0).y(), -0.777);
    EXPECT_EQ(d.driftA()->at(2).y(), pump.a1000 / 1000.0);
    EXPECT_EQ(d.driftB()->at(0).y(), 1.010);
    EXPECT_EQ(d.chosenA()->count(), 1);
    EXPECT_EQ(d.chosenA()->at(0), d.driftA()->at(2));
    // Uploads two days apart: the time axis tells them apart by their time.
    EXPECT_EQ(d.timeAxis()->format(), u"dd.MM. HH:mm"_s);
    d.chooseDriftPoint(u"Strom NT 1"_s); // not in the oldest upload
    EXPECT_EQ(d.driftA()->count(), 2);
    // Choosing a row of the comparison shows that point's drift.
    table.setCurrentCell(1, 1);
    EXPECT_EQ(d.driftPoint(), u"Druck Pumpe 1"_s);
}

// What the log holds that cannot be read is named in the notice, by line, never passed over
// in silence; a log of nothing readable lists no upload.
TEST_F(History, UnreadableEntriesOfTheLogAreNamedInTheNotice) {
    writeLog(u"\x01\x02\x03garbage\r\n01.02.2024 10:00:00 abgebrochen\r\nU4711,ZYK12,,,1,kaputt"_s);
    THistoryDialog& d = *openDialog();
    EXPECT_FALSE(d.Notice->isHidden());
    EXPECT_EQ(d.Notice->text(),
              u"2 Eintrag/Einträge des Änderungsprotokolls '%1' können nicht gelesen werden und "
              "fehlen in der Liste:\nZeile 1: „\x01\x02\x03garbage“ (gehört zu keinem Eintrag)\n"
              "Zeilen 2–3: „01.02.2024 10:00:00 abgebrochen“ (Eintrag ohne Datensatz, "
              "abgebrochen)"_s.arg(QDir::toNativeSeparators(logPath())));
    EXPECT_EQ(d.Uploads->model()->rowCount(), 0);
    EXPECT_EQ(d.Coefficients->rowCount(), 0);
    EXPECT_EQ(d.driftA()->count(), 0);
    EXPECT_FALSE(d.timeAxis()->isVisible()); // no dates of 1970
    EXPECT_FALSE(d.Btn_Uebernehmen->isEnabled());
    EXPECT_EQ(d.chosenUpload(), nullptr);
}

TEST_F(History, TheTableMenuOpensItAndTakesTheChosenUploadOver) {
    writeThreeUploads();
    auto* menu = ui(*window).DGrid->findChild<QMenu*>(u"DGridMenu"_s);
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << action->text();
    EXPECT_EQ(captions,
              (QStringList{u"Verlauf…"_s, u"Protokoll erstellen…"_s,
                           u"Nachmessung protokollieren…"_s, u"Toleranzen…"_s, u"Prüfmittel…"_s,
                           u""_s, u"Anlagenübersicht…"_s, u"Zentrale Datenbank…"_s}));

    // The operator picks the oldest upload and takes it over.
    dialogs.uploadChoices.push_back(0);
    menu->actions().value(0)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.shown.size() == 2; }, 5000));
    EXPECT_EQ(dialogs.shown[0],
              (ScriptedDialogs::Shown{ScriptedDialogs::Kind::History, u"4711"_s}));
    ASSERT_TRUE(dialogs.shownHistory);
    EXPECT_EQ(dialogs.shownHistory->uploads.size(), 3u);
    EXPECT_EQ(cell(Col::ANeu, 2), u"-0,777"_s);
    EXPECT_EQ(cell(Col::BNeu, 2), u"1,010"_s);
    EXPECT_EQ(cell(Col::ANeu, 1), u"0,005"_s);
    EXPECT_EQ(cell(Col::BNeu, 1), u"0,990"_s);
    EXPECT_EQ(bench->state().coef.a(2), sim::defaultDevice().points[1].a1000 / 1000.0);
    EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::Message);
    EXPECT_TRUE(dialogs.shown[1].text.startsWith(
        u"Übernommen für 2 Messstelle(n).\nNicht in dieser Übertragung (a (NEU), b (NEU) "
        "unverändert): of Druck 1, Durchfluss 1,"_s))
        << dialogs.shown[1].text.toStdString();

    // Closed without a choice, it changes nothing.
    menu->actions().value(0)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.shown.size() == 3; }, 5000));
    EXPECT_EQ(dialogs.shown[2].kind, ScriptedDialogs::Kind::History);
    EXPECT_EQ(cell(Col::ANeu, 2), u"-0,777"_s);

    // Without a device ID there is no history to show.
    bench->setDeviceId({});
    menu->actions().value(0)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.shown.size() == 4; }, 5000));
    EXPECT_EQ(dialogs.shown[3], (ScriptedDialogs::Shown{ScriptedDialogs::Kind::Warning,
                                                        u"Geräte-ID muss angegeben werden"_s}));
}

TEST_F(History, TheTableMenuWritesAReportOfTheTableNotUploaded) {
    auto* menu = ui(*window).DGrid->findChild<QMenu*>(u"DGridMenu"_s);
    ASSERT_NE(menu, nullptr);
    menu->actions().value(1)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.shown.empty(); }, 10000));
    const QStringList reports =
        QDir(bench->state().configdir).entryList({u"Abgleichprotokoll_4711_*.pdf"_s}, QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    const QString path = bench->state().configdir + QDir::separator() + reports[0];
    EXPECT_EQ(
        dialogs.shown[0],
        (ScriptedDialogs::Shown{ScriptedDialogs::Kind::Message,
                                u"Das Abgleichprotokoll (nicht übertragen) wurde gespeichert:\n"_s +
                                    QDir::toNativeSeparators(path)}));
    const QString text = pdfText(fileBytes(path));
    EXPECT_TRUE(text.contains(u"Nicht übertragen"_s));
    EXPECT_TRUE(text.contains(u"40 Offset Kraft 5 kN"_s)) << text.toStdString();
}

TEST_F(History, ARightClickInTheTableOpensTheMenuAndLeavesTheCellsAlone) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTableView* cells = ui(*window).DGrid->cellsView();
    const QModelIndex at = cells->model()->index(PointGrid::viewRow(3), Col::ANeu);
    const QModelIndex before = cells->currentIndex();
    QTest::mouseClick(cells->viewport(), Qt::RightButton, {}, cells->visualRect(at).center());
    QContextMenuEvent event(QContextMenuEvent::Mouse, cells->visualRect(at).center(),
                            cells->viewport()->mapToGlobal(cells->visualRect(at).center()));
    QApplication::sendEvent(cells->viewport(), &event);
    auto* menu = ui(*window).DGrid->findChild<QMenu*>(u"DGridMenu"_s);
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000));
    EXPECT_EQ(cells->currentIndex(), before);
    for (const QLineEdit* editor : cells->viewport()->findChildren<QLineEdit*>())
        EXPECT_FALSE(editor->isVisible());
    menu->hide();
}

// Every caption of the comparison reads whole, and the list of uploads takes its share when
// the operator makes the dialog taller.
TEST_F(History, CaptionsReadWholeAndTheListGrowsWithTheDialog) {
    writeThreeUploads();
    THistoryDialog& d = *openDialog();
    d.resize(1280, 700);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QHeaderView* header = d.Coefficients->horizontalHeader();
    for (int c = 0; c < header->count(); ++c)
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c))
            << header->model()->headerData(c, Qt::Horizontal).toString().toStdString();
    const int listBefore = d.Uploads->viewport()->height();
    d.resize(1280, 1000);
    QTest::qWait(50);
    EXPECT_GT(d.Uploads->viewport()->height(), listBefore + 60);
}
