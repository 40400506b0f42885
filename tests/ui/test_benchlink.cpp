// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench-sim/benchdevice.h"
#include "bench/replyparser.h"
#include "core/ansicodec.h"
#include "records/upload.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"
#include "support/testpeer.h"
#include "support/windowcontrols.h"
#include "support/windowservices.h"
#include "support/workdir.h"
#include "ui/busyindicator.h"
#include "ui/deviationchart.h"
#include "ui/intspinedit.h"
#include "ui/mainwindow.h"
#include "ui/pointgrid.h"
#include "ui/protocollog.h"
#include "workflow/guard.h"

#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::FixedClock;
using test::ScriptedDialogs;
using test::TestPeer;
using test::ui;

namespace {

const QByteArray kRecord = encodeAnsi(sim::correctionReply(sim::defaultDevice()));

// The window with its bench address on 127.0.0.1 and a peer there.
class BenchLink : public ::testing::Test {
protected:
    BenchLink() {
        bench = services.workbench(dialogs);
        window = std::make_unique<TFoAbgleich>(*bench);
        ui(*window).ED_IP->setText(u"127.0.0.1"_s);
        EXPECT_TRUE(peer.listen());
        session().client().setPort(peer.port());
        ui(*window).memLog->clear();
    }
    ~BenchLink() override { window.reset(); }

    QStringList log() const {
        const QString text = ui(*window).memLog->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    BenchSession& session() { return services.session; }

    test::TemporaryWorkingDirectory workDir_;
    ScriptedDialogs dialogs;
    test::TestServices services;
    TestPeer peer;
    std::unique_ptr<test::TestWorkbench> bench;
    std::unique_ptr<TFoAbgleich> window;
};

} // namespace

TEST_F(BenchLink, ReadWithTheLinkClosedFillsTheWindow) {
    TFoAbgleich& w = *window;
    click(ui(w).Btn_Abgleichabfrage);
    EXPECT_EQ(log(), (QStringList{u"Connected to 127.0.0.1"_s, u"-> U;"_s}));
    EXPECT_EQ(ui(w).Btn_Connect->text(), u"trennen"_s);
    EXPECT_EQ(session().expectedReply(), u'U');
    EXPECT_TRUE(ui(w).ActivityIndicator->isAnimating());
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(peer.received(), QByteArray("U;"));

    peer.sendInPieces(kRecord, 97); // many chunks
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 40; }, 5000));
    EXPECT_EQ(ui(w).ED_GeraeteID->text(), u"4711"_s);
    EXPECT_EQ(w.workbench().table().cellText(1, 1), u" Temperatur Öl 1 "_s);
    EXPECT_EQ(w.workbench().table().cellText(2, 1), u" °C "_s);
    EXPECT_EQ(session().expectedReply(), QChar(0));
    EXPECT_FALSE(ui(w).ActivityIndicator->isAnimating());
    EXPECT_TRUE(log().at(2).startsWith(u"<- U4711,ZYK12,317,"_s));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BenchLink, RefusedConnectionReachesTheErrorBox) {
    TFoAbgleich& w = *window;
    peer.stopListening();
    click(ui(w).Btn_Z);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0], (ScriptedDialogs::Shown{ScriptedDialogs::Kind::ErrorBox,
                                                        u"Verbindung verweigert."_s}));
    EXPECT_TRUE(log().isEmpty());
    EXPECT_EQ(session().expectedReply(), QChar(0));
    EXPECT_FALSE(session().isOpen());
    EXPECT_TRUE(ui(w).ActivityIndicator->isAnimating()); // started before the send, as on the bench
}

TEST_F(BenchLink, ConnectButtonChecksThenOpensAndCloses) {
    TFoAbgleich& w = *window;
    click(ui(w).Btn_Connect);
    EXPECT_EQ(log(), (QStringList{u"Host 127.0.0.1 gefunden"_s, u"Connected to 127.0.0.1"_s}));
    EXPECT_EQ(ui(w).Btn_Connect->text(), u"trennen"_s);
    EXPECT_FALSE(ui(w).ActivityIndicator->isAnimating());
    ASSERT_TRUE(peer.waitForClient());

    ui(w).memLog->clear();
    click(ui(w).Btn_Connect); // while open: close only, no echo
    EXPECT_EQ(log(), QStringList{u"Disconnected"_s});
    EXPECT_EQ(ui(w).Btn_Connect->text(), u"Prüfstand verbinden"_s);

    // The echo answers, the connection is refused.
    ui(w).memLog->clear();
    peer.stopListening();
    click(ui(w).Btn_Connect);
    EXPECT_EQ(log(),
              (QStringList{u"Host 127.0.0.1 gefunden"_s, u"Host 127.0.0.1 nicht gefunden"_s}));
    EXPECT_EQ(ui(w).Btn_Connect->text(), u"Prüfstand verbinden"_s);

    // No echo: no connection is attempted.
    ui(w).memLog->clear();
    test::ScriptedEcho* probe = services.echo;
    probe->answers = false;
    probe->calls = 0;
    ASSERT_TRUE(peer.listen(peer.port()));
    const int before = peer.connections();
    click(ui(w).Btn_Connect);
    EXPECT_EQ(probe->calls, 1);
    EXPECT_EQ(log(),
              QStringList{u"Host 127.0.0.1 nicht gefunden: Keine Antwort von '127.0.0.1'"_s});
    QTest::qWait(50);
    EXPECT_EQ(peer.connections(), before);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BenchLink, ConnectButtonWithTheRealEcho) {
    try {
        IcmpEcho().echo(u"127.0.0.1"_s);
    } catch (const AppError& e) {
        GTEST_SKIP() << e.what();
    }
    test::TestServices real(std::make_unique<IcmpEcho>());
    real.session.client().setPort(peer.port());
    const auto wBench = real.workbench(dialogs);
    TFoAbgleich w(*wBench);
    ui(w).ED_IP->setText(u"LocalHost"_s);
    ui(w).memLog->clear();
    click(ui(w).Btn_Connect);
    EXPECT_EQ(ui(w).memLog->toPlainText(), u"Host LocalHost gefunden\nConnected to LocalHost"_s);
    EXPECT_TRUE(peer.waitForClient());
}

TEST_F(BenchLink, TimeCommand) {
    click(ui(*window).Btn_T);
    ASSERT_TRUE(peer.waitForReceived(14));
    EXPECT_EQ(peer.received(), QByteArray("T220315143005;"));
    EXPECT_EQ(session().expectedReply(), u'T');
}

TEST_F(BenchLink, PowerSupplyCommandNeedsIdAndPassword) {
    TFoAbgleich& w = *window;
    using Kind = ScriptedDialogs::Kind;
    // No device ID: the warning, no dialog.
    click(ui(w).Btn_EA);
    EXPECT_EQ(dialogs.shown, (std::vector<ScriptedDialogs::Shown>{
                                 {Kind::Warning, u"Geräte-ID muss angegeben werden"_s}}));

    ui(w).ED_GeraeteID->setText(u"4711"_s);
    w.workbench().setDeviceId(u"4711"_s);
    w.workbench().setDeviceType(u"abc"_s);
    ui(w).NT_Auswahl->setCurrentIndex(1);
    dialogs.shown.clear();
    dialogs.authorisations = {std::nullopt, AuthorisationInput{u"abc-4712"_s, {}},
                              AuthorisationInput{u"ABC-4711"_s, {}}};
    click(ui(w).Btn_EA); // cancelled
    click(ui(w).Btn_EA); // wrong password
    EXPECT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2], (ScriptedDialogs::Shown{Kind::Warning, u"Falsches Passwort"_s}));
    EXPECT_FALSE(session().isOpen());
    click(ui(w).Btn_EA);
    ASSERT_TRUE(peer.waitForReceived(4));
    EXPECT_EQ(peer.received(), QByteArray("EA1;"));
    EXPECT_EQ(session().expectedReply(), u'E');
    ASSERT_EQ(dialogs.authorisationForms.size(), 3u);
    EXPECT_EQ(dialogs.authorisationForms[2], AuthorisationForm::Compact);
}

// A dialog that is really modal: it runs its own event loop until the test closes it.
class ModalDialogs : public ScriptedDialogs {
public:
    std::function<void(QDialog&)> whileOpen;
    std::optional<AuthorisationInput> authorise(AuthorisationForm, const QString&) override {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] { whileOpen(dialog); });
        dialog.exec();
        return std::nullopt;
    }
};

TEST(BenchLinkModal, ChunkArrivingWhileADialogIsOpenIsHandledAtOnce) {
    test::TemporaryWorkingDirectory workDir;
    TestPeer peer;
    ASSERT_TRUE(peer.listen());
    ModalDialogs dialogs;
    test::TestServices services;
    services.session.client().setPort(peer.port());
    const auto wBench = services.workbench(dialogs);
    TFoAbgleich w(*wBench);
    ui(w).ED_IP->setText(u"127.0.0.1"_s);
    QTest::mouseClick(ui(w).Btn_Abgleichabfrage, Qt::LeftButton);
    ASSERT_TRUE(peer.waitForReceived(2));

    bool filledWhileOpen = false;
    dialogs.whileOpen = [&](QDialog& dialog) {
        peer.send(kRecord);
        filledWhileOpen = QTest::qWaitFor([&] { return w.workbench().state().anzMS == 40; }, 5000);
        dialog.reject();
    };
    w.workbench().setDeviceId(u"4711"_s);
    QTest::mouseClick(ui(w).Btn_EA, Qt::LeftButton); // opens the dialog
    EXPECT_TRUE(filledWhileOpen);
}

TEST(BenchSimulator, EndToEnd) {
    test::TemporaryWorkingDirectory workDir;
    QProcess sim;
    sim.start(QStringLiteral(BENCH_SIM_PROGRAM),
              {u"--port"_s, u"0"_s, u"--chunk"_s, u"7"_s, u"--close-after-reply"_s});
    ASSERT_TRUE(sim.waitForReadyRead(10000)) << sim.errorString().toStdString();
    const QString banner = QString::fromUtf8(sim.readLine());
    const QRegularExpressionMatch port =
        QRegularExpression(u"listening on 127\\.0\\.0\\.1:(\\d+)"_s).match(banner);
    ASSERT_TRUE(port.hasMatch()) << banner.toStdString();

    ScriptedDialogs dialogs;
    {
        test::TestServices services;
        services.session.client().setPort(quint16(port.captured(1).toUInt()));
        const auto wBench = services.workbench(dialogs);
        TFoAbgleich w(*wBench);
        ui(w).ED_IP->setText(u"127.0.0.1"_s);
        QTest::mouseClick(ui(w).Btn_Abgleichabfrage, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 40; }, 10000));
        EXPECT_EQ(w.workbench().state().device.geraetetyp, u"ZYK12"_s);
        EXPECT_EQ(w.workbench().table().cellText(2, 1), u" °C "_s);
        // Seven-byte pieces arrive in order: the last point is read in full.
        EXPECT_FALSE(w.workbench().table().cellText(Col::Name, 40).trimmed().isEmpty());
        EXPECT_FALSE(w.workbench().table().cellText(Col::ASps, 40).isEmpty());
        // The simulator closes after its reply; the link comes back by itself.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return ui(w).memLog->toPlainText().contains(u"Reconnected"_s); }, 10000));

        // An upload record changes what the next read returns.
        ui(w).edtDataToSend->setText(u"U4711,ZYK12,,,1,Neu,V,500,2000;"_s);
        ASSERT_TRUE(QTest::qWaitFor([&] { return services.session.isOpen(); }, 5000));
        QTest::mouseClick(ui(w).Btn_SendData, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return ui(w).memLog->toPlainText().contains(u"<- UF#"_s); }, 10000));
        // The free text awaited nothing; its reply "UF#" went with its connection.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return ui(w).memLog->toPlainText().count(u"Reconnected"_s) == 2; }, 10000));
        EXPECT_TRUE(services.session.receiveBuffer().empfangen.isEmpty());
        QTest::mouseClick(ui(w).Btn_Abgleichabfrage, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 1; }, 10000));
        EXPECT_EQ(w.workbench().table().cellText(1, 1), u" Neu "_s);
        EXPECT_EQ(w.workbench().state().coef.b(1), 2.0);
    }
    sim.kill();
    sim.waitForFinished();
}

namespace {

// Two points as a small bench sends them.
const QByteArray kTwoPoints =
    encodeAnsi(u"U4711,ZYK12,317,240611093012,2,Temp 1,°C,439,1005,Druck,bar,-500,1000,#"_s);

// The open cell editor of the table, if any.
QWidget* cellEditor(TFoAbgleich& w) {
    QWidget* focus = QApplication::focusWidget();
    return focus && ui(w).DGrid->cellsView()->isAncestorOf(focus) ? focus : nullptr;
}

// A key press as the operator makes it; the function keys act once it has been delivered.
void pressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(target, key, modifiers);
    QApplication::processEvents();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(BenchLink, ReadRecalculateAndUpload) {
    TFoAbgleich& w = *window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    click(ui(w).Btn_Abgleichabfrage);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 2; }, 5000));

    // The operator types two pairs for point 1 in the table and presses F12 in the editor.
    QTableView* cells = ui(w).DGrid->cellsView();
    cells->setFocus();
    cells->setCurrentIndex(cells->model()->index(0, Col::ref(1)));
    ASSERT_NE(cellEditor(w), nullptr);
    for (const char* text : {"10", "10,5", "20", "20,4"}) {
        QTest::keyClicks(cellEditor(w), QString::fromLatin1(text));
        QTest::keyClick(cellEditor(w), Qt::Key_Return);
        QApplication::processEvents();
    }
    ASSERT_NE(cellEditor(w), nullptr);
    pressKey(cellEditor(w), Qt::Key_F12);
    EXPECT_EQ(ui(w).Ed_MS->value(), 2); // count + 1, limited to the bounds 0..2
    cells->viewport()->repaint();       // the operator sees the results: three decimals
    EXPECT_EQ(w.workbench().table().cellText(Col::ANeu, 1), u"-0,163"_s);
    EXPECT_EQ(w.workbench().table().cellText(Col::BNeu, 1), u"1,015"_s);

    // F2 with the right password and a comment over two lines.
    dialogs.authorisations.push_back(AuthorisationInput{u"ZYK-4711"_s, u"Prüfung\nbestanden"_s});
    peer.clearReceived();
    pressKey(cellEditor(w) ? cellEditor(w) : cells, Qt::Key_F2, Qt::ShiftModifier);
    const QByteArray record = "U4711,ZYK12,,,2,Temp 1,\xB0"
                              "C,-163,1015,Druck,bar,-500,1000;";
    ASSERT_TRUE(peer.waitForReceived(record.size()));
    EXPECT_EQ(peer.received(), record);
    EXPECT_EQ(session().expectedReply(), u'U');
    EXPECT_EQ(w.workbench().state().coef.a(1), -0.163);
    EXPECT_EQ(w.workbench().state().coef.b(1), 1.015);
    const QString dir = w.workbench().state().configdir + QDir::separator();
    EXPECT_EQ(fileBytes(dir + u"Log_4711.log"_s), "15.03.2022 14:30:05 Pr\xFC"
                                                  "fung\r\nbestanden\r\n" +
                                                      record + "\r\n");
    EXPECT_EQ(fileBytes(dir + u"Abgleich_4711.csv"_s),
              QByteArray("15.03.2022 14:30:05;4711;ZYK12;Pr\xFC"
                         "fung\r\nbestanden\r\nMessstelle; Einheit; a; b;\r\n"
                         "Temp 1;\xB0"
                         "C;-0,163;1,015\r\nDruck;bar;-0,500;1,000\r\n\r\n"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, u"geänderte Werte\n Temp 1   Offset  Gain "_s);
}

TEST_F(BenchLink, FailedUploadLeavesStoreAndFiles) {
    TFoAbgleich& w = *window;
    click(ui(w).Btn_Abgleichabfrage);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 2; }, 5000));
    w.workbench().table().setCellText(Col::ANeu, 1, u"2"_s);
    click(ui(w).Btn_Connect); // closed by the operator: the upload has to open again
    peer.stopListening();
    dialogs.authorisations.push_back(AuthorisationInput{u"zyk-4711"_s, {}});
    click(ui(w).Btn_Abgleichsenden);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back(), (ScriptedDialogs::Shown{ScriptedDialogs::Kind::ErrorBox,
                                                            u"Verbindung verweigert."_s}));
    EXPECT_EQ(w.workbench().state().coef.a(1), 0.439);
    EXPECT_FALSE(QFile::exists(w.workbench().state().configdir + u"/Log_4711.log"_s));
    EXPECT_FALSE(QFile::exists(w.workbench().state().configdir + u"/Abgleich_4711.csv"_s));
}

TEST_F(BenchLink, FunctionKeysFromAnywhereInTheWindow) {
    TFoAbgleich& w = *window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    using Kind = ScriptedDialogs::Kind;

    // F12 before any reply: the conversion error for the empty point count.
    ui(w).ED_IP->setFocus();
    pressKey(ui(w).ED_IP, Qt::Key_F12);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0],
              (ScriptedDialogs::Shown{Kind::ErrorBox, u"'' ist kein gültiger Integerwert."_s}));
    EXPECT_EQ(ui(w).Ed_MS->value(), 1);

    // F5 to F11 do nothing.
    dialogs.shown.clear();
    for (int key = Qt::Key_F5; key <= Qt::Key_F11; ++key)
        pressKey(ui(w).ED_IP, Qt::Key(key));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(session().isOpen());

    // F1 from the IP field: "U;" without the busy indicator.
    pressKey(ui(w).ED_IP, Qt::Key_F1, Qt::ControlModifier);
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(peer.received(), QByteArray("U;"));
    EXPECT_FALSE(ui(w).ActivityIndicator->isAnimating());
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 2; }, 5000));
    EXPECT_EQ(ui(w).ED_IP->text(), u"127.0.0.1"_s); // the field did not take the key as text

    // F3 from a cell editor opens the file dialog; F2 and Shift+F2 both upload.
    QTableView* cells = ui(w).DGrid->cellsView();
    cells->setFocus();
    cells->setCurrentIndex(cells->model()->index(0, Col::ref(1)));
    ASSERT_NE(cellEditor(w), nullptr);
    pressKey(cellEditor(w), Qt::Key_F3);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, Kind::FileOpen);
    for (const auto modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
        dialogs.shown.clear();
        cells->edit(cells->currentIndex()); // the key closed the editor; open it again
        ASSERT_NE(cellEditor(w), nullptr);
        pressKey(cellEditor(w), Qt::Key_F2, modifier);
        ASSERT_EQ(dialogs.shown.size(), 2u) << int(modifier);
        EXPECT_EQ(dialogs.shown[0].kind, Kind::Question); // nothing changed yet
        EXPECT_EQ(dialogs.shown[1].kind, Kind::Authorisation);
    }

    // F4 recalculates the point in the selector.
    w.workbench().table().setCellText(Col::ref(1), 2, u"10"_s);
    w.workbench().table().setCellText(Col::tm(1), 2, u"11"_s);
    w.workbench().table().setCellText(Col::ref(2), 2, u"20"_s);
    w.workbench().table().setCellText(Col::tm(2), 2, u"21"_s);
    ui(w).Ed_MS->setValue(2);
    ui(w).ED_IP->setFocus();
    pressKey(ui(w).ED_IP, Qt::Key_F4);
    EXPECT_EQ(ui(w).RegChart->chart()->title(), u"Messwertabweichungen für Messstelle 2 "_s);
}

// What a misbehaving controller or a broken network does to the link.
TEST_F(BenchLink, FloodWithoutTerminatorIsBounded) {
    TFoAbgleich& w = *window;
    click(ui(w).Btn_Abgleichabfrage);
    ASSERT_TRUE(peer.waitForReceived(2));
    const QByteArray mebibyte(1024 * 1024, 'x');
    qint64 received = 0;
    session().client().setEvents({[] {}, [] {}, [] {},
                                  [&](QByteArrayView bytes) {
                                      received += bytes.size();
                                      session().receive(bytes);
                                  }});
    for (int i = 0; i < 20; ++i)
        peer.send(mebibyte);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received == 20 * mebibyte.size(); }, 30000));
    EXPECT_LE(session().receiveBuffer().empfangen.size(), kMaxReceiveBuffer);
    EXPECT_EQ(session().expectedReply(), u'U');
    EXPECT_LE(ui(w).memLog->document()->characterCount(),
              ProtocolLog::kMaxChars + ProtocolLog::kMaxLine + 40);
    // The link still works.
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 2; }, 5000));
}

TEST_F(BenchLink, UploadWhenTheChangeLogCannotBeWritten) {
    TFoAbgleich& w = *window;
    click(ui(w).Btn_Abgleichabfrage);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 2; }, 5000));
    // A read-only directory does not stop an administrator, so a directory stands where the
    // change log should be written.
    const QString dir = w.workbench().state().configdir + QDir::separator();
    ASSERT_TRUE(QDir().mkpath(dir + u"Log_4711.log"_s));
    QFile earlier(dir + u"Abgleich_4711.csv"_s);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier record\r\n");
    earlier.close();
    w.workbench().table().setCellText(Col::ANeu, 1, u"0,5"_s);
    dialogs.authorisations.push_back(AuthorisationInput{u"zyk-4711"_s, {}});
    peer.clearReceived();
    click(ui(w).Btn_Abgleichsenden);
    ASSERT_TRUE(peer.waitForReceived(10));
    EXPECT_TRUE(peer.received().startsWith("U4711,ZYK12,,,2,Temp 1,"));
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().kind, ScriptedDialogs::Kind::ErrorBox);
    EXPECT_TRUE(dialogs.shown.back().text.contains(u"Log_4711.log"_s));
    EXPECT_EQ(fileBytes(dir + u"Abgleich_4711.csv"_s), QByteArray("earlier record\r\n"));
}

// The controller resets the connection just before a command goes out: the command ends
// silently, and nothing says it was sent.
TEST_F(BenchLink, SendThatFailsAtTheSocketLeavesNoTrace) {
    TFoAbgleich& w = *window;
    click(ui(w).Btn_Abgleichabfrage);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.workbench().state().anzMS == 2; }, 5000));
    const auto* socket = session().client().findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    const auto resetByTheController = [&] {
        peer.resetClient();
        ASSERT_TRUE(test::waitForSystemNews(*socket));
    };

    // F1
    resetByTheController();
    ui(w).memLog->clear();
    peer.clearReceived();
    ui(w).ED_IP->setFocus();
    pressKey(ui(w).ED_IP, Qt::Key_F1);
    EXPECT_EQ(log(), QStringList{u"Disconnected"_s});
    EXPECT_EQ(session().expectedReply(), QChar(0));                         // as after the read
    ASSERT_TRUE(QTest::qWaitFor([&] { return session().isOpen(); }, 5000)); // reconnected

    // An upload, the reset coming while the operator types the password.
    ASSERT_TRUE(peer.waitForClient());
    w.workbench().table().setCellText(Col::ANeu, 1, u"0,5"_s);
    dialogs.whileAuthorising = resetByTheController;
    dialogs.authorisations.push_back(AuthorisationInput{u"zyk-4711"_s, {}});
    dialogs.shown.clear();
    ui(w).memLog->clear();
    peer.clearReceived();
    w.workbench().upload();
    EXPECT_TRUE(dialogs.shown.size() == 1 &&
                dialogs.shown[0].kind == ScriptedDialogs::Kind::Authorisation);
    EXPECT_EQ(log(), QStringList{u"Disconnected"_s});
    EXPECT_EQ(w.workbench().state().coef.a(1), 0.439);
    EXPECT_FALSE(QFile::exists(w.workbench().state().configdir + u"/Log_4711.log"_s));
    EXPECT_FALSE(QFile::exists(w.workbench().state().configdir + u"/Abgleich_4711.csv"_s));
    QTest::qWait(100);
    EXPECT_TRUE(peer.received().isEmpty());
}

// A point count beyond every table: F12 ends, computing the points there are.
TEST_F(BenchLink, HugePointCountEnds) {
    TFoAbgleich& w = *window;
    w.workbench().table().setCellText(Col::ref(1), 1, u"10"_s);
    w.workbench().table().setCellText(Col::tm(1), 1, u"11"_s);
    w.workbench().table().setCellText(Col::ref(2), 1, u"20"_s);
    w.workbench().table().setCellText(Col::tm(2), 1, u"21"_s);
    bench->workingState().device.anzMS = u"2147483647"_s;
    bench->workingState().notifyDeviceFieldsChanged();
    ui(w).ED_IP->setFocus();
    pressKey(ui(w).ED_IP, Qt::Key_F12);
    EXPECT_EQ(w.workbench().table().cellText(Col::ANeu, 1), u"-1"_s);
    EXPECT_EQ(ui(w).Ed_MS->value(), 2147483647); // the bounds are still equal: not limited
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BenchLink, HugeCsvIsRefused) {
    TFoAbgleich& w = *window;
    const QString path = workDir_.filePath(u"gross.csv"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("15.03.2022 14:30:05;4712;T;c\r\nMessstelle; Einheit; a; b;\r\n");
    for (int k = 1; k <= 100000; ++k)
        file.write("P" + QByteArray::number(k) + ";V;1;1\r\n");
    file.close();
    dialogs.files.push_back(path);
    click(ui(w).Btn_Import);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::ErrorBox);
    EXPECT_TRUE(dialogs.shown[1].text.contains(u"100000"_s));
    EXPECT_EQ(w.workbench().table().rows(), 256);
    EXPECT_TRUE(w.workbench().state().device.geraeteId.isEmpty());
}
