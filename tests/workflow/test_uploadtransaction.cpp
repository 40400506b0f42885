// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The upload as one transaction: what the operator confirmed is what the controller gets,
// nothing goes out that the records cannot follow, and the controller is read back.
#include "core/ansicodec.h"
#include "core/errors.h"
#include "support/adjustment.h"
#include "support/pointrows.h"
#include "support/qtprint.h"
#include "support/smalldisk.h"
#include "workflow/loopbackbench.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::fileBytes;
using test::LoopbackBench;
using test::ScriptedDialogs;

namespace {

// A controller on 127.0.0.1 that acknowledges an upload record ("UF#") and answers "U;" with
// the record it is given (nothing when there is none), as the test says.
class AnsweringController : public QObject {
public:
    AnsweringController() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* client = server_.nextPendingConnection();
            connect(client, &QTcpSocket::readyRead, this, [this, client] { read(client); });
        });
    }
    quint16 port() const { return server_.serverPort(); }

    bool acknowledge = true;
    QString rejection;      // "UE…#": the controller's answer to an upload it does not take
    QString readBackRecord; // "U…#": the controller's values as it answers "U;"
    QStringList received;

private:
    void read(QTcpSocket* client) {
        buffer_ += decodeAnsi(client->readAll());
        for (qsizetype end = buffer_.indexOf(u';'); end >= 0; end = buffer_.indexOf(u';')) {
            const QString command = buffer_.left(end + 1);
            buffer_.remove(0, end + 1);
            received << command;
            if (command == u"U;"_s && !readBackRecord.isEmpty())
                client->write(encodeAnsi(readBackRecord));
            else if (command.startsWith(u"U4711,"_s) && !rejection.isEmpty())
                client->write(encodeAnsi(rejection));
            else if (command.startsWith(u"U4711,"_s) && acknowledge)
                client->write("UF#");
        }
    }

    QTcpServer server_;
    QString buffer_;
};

// Two points of device 4711 in the table, the second with new coefficients, the operator's
// password ready, and a controller that acknowledges and reads back what it got.
class Transaction : public ::testing::Test {
protected:
    Transaction() : state(lb.state()), dialogs(lb.dialogs) {
        lb.session.client().setPort(controller.port());
        lb.bench.setReadBackWait(2000);
        test::fillPoints(state, u"4711"_s, u"ABC12"_s,
                         {{u" TA_1 "_s, u" °C "_s, u"-0,5"_s, u"1"_s, u"-0,5"_s, u"1"_s},
                          {u" of Druck "_s, u" bar "_s, u"0"_s, u""_s, u"-0,6"_s, u""_s}});
        state.device.spsVersion = u"1.0"_s;
        state.anzMS = 2;
        dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, u"Prüfung"_s});
        // The controller's own version and date: none of it may reach the device fields.
        controller.readBackRecord = u"U4711,ABC12,9.9,260101120000,2,TA_1,°C,-500,1000,"
                                    "of Druck,bar,-600,1000,#"_s;
    }

    QString file(const QString& name) const { return lb.configFile(name); }
    QStringList protocol() const { return protocol_; }
    void recordProtocol() {
        QObject::connect(&lb.bench, &Workbench::logLine,
                         [this](const QString& line) { protocol_ << line; });
    }
    std::vector<ScriptedDialogs::Shown> boxesOf(ScriptedDialogs::Kind kind) const {
        std::vector<ScriptedDialogs::Shown> boxes;
        for (const auto& shown : dialogs.shown)
            if (shown.kind == kind)
                boxes.push_back(shown);
        return boxes;
    }

    AnsweringController controller;
    LoopbackBench lb;
    WorkingState& state;
    ScriptedDialogs& dialogs;
    QStringList protocol_;
};

const QString kSent = u"U4711,ABC12,,,2,TA_1,°C,-500,1000,of Druck,bar,-600,0;"_s;

} // namespace

TEST_F(Transaction, ReadBackConfirmsAndTouchesNothingElse) {
    recordProtocol();
    lb.bench.upload();
    EXPECT_EQ(controller.received, (QStringList{kSent, u"U;"_s}));
    EXPECT_TRUE(protocol().contains(u"Rücklesen: alle 2 Messstellen bestätigt"_s))
        << protocol().join(u'\n').toStdString();
    EXPECT_TRUE(boxesOf(ScriptedDialogs::Kind::Warning).empty());
    // The values read back went nowhere: the table shows what it showed.
    EXPECT_EQ(state.table.shownNumber(Col::ASps, 2), 0.0);
    EXPECT_EQ(state.device.spsVersion, u"1.0"_s);
    EXPECT_TRUE(fileBytes(file(u"Log_4711.log"_s)).endsWith(encodeAnsi(kSent) + "\r\n"));
    EXPECT_TRUE(fileBytes(file(u"Abgleich_4711.csv"_s)).contains("of Druck;bar;-0,6;"));
}

TEST_F(Transaction, ValuesTheControllerDidNotTakeAreNamed) {
    controller.readBackRecord = u"U4711,ABC12,1.0,220315143005,2,TA_1,°C,-500,1001,"
                                "of Druck,bar,-599,1000,#"_s;
    // The warning waits for the operator; the records of what the controller got do not.
    QByteArray logWhileWarned;
    dialogs.onShown = [&](const ScriptedDialogs::Shown& box) {
        if (box.kind == ScriptedDialogs::Kind::Warning)
            logWhileWarned = fileBytes(file(u"Log_4711.log"_s));
    };
    lb.bench.upload();
    EXPECT_TRUE(logWhileWarned.endsWith(encodeAnsi(kSent) + "\r\n")) << logWhileWarned.constData();
    const auto warnings = boxesOf(ScriptedDialogs::Kind::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].text,
              u"Die SPS hält nach dem Übertragen andere Werte als gesendet (Werte mal 1000):\n"
              "MS 1 TA_1: gesendet a = -500, b = 1000; gelesen a = -500, b = 1001\n"
              "MS 2 of Druck: gesendet a = -600; gelesen a = -599"_s);
    // The records are written all the same: the values went out.
    EXPECT_TRUE(QFile::exists(file(u"Log_4711.log"_s)));
}

TEST_F(Transaction, NoAnswerIsNotConfirmedAndALateAnswerIsNotLoaded) {
    recordProtocol();
    // The busy indicator stops with the upload, answered or not.
    int busy = 0;
    QObject::connect(&lb.bench, &Workbench::busyStarted, [&] { ++busy; });
    QObject::connect(&lb.bench, &Workbench::busyEnded, [&] { busy = 0; });
    const QString late = controller.readBackRecord;
    controller.readBackRecord.clear();
    lb.bench.setReadBackWait(300);
    lb.bench.upload();
    EXPECT_TRUE(protocol().contains(u"Rücklesen: nicht bestätigt (keine Antwort der SPS)"_s))
        << protocol().join(u'\n').toStdString();
    EXPECT_TRUE(QFile::exists(file(u"Abgleich_4711.csv"_s)));
    EXPECT_EQ(busy, 0);

    // The answer comes after all: taken off the link, logged, and kept out of the table.
    lb.session.receive(encodeAnsi(late));
    EXPECT_TRUE(protocol().contains(u"Rücklesen: späte Antwort der SPS nicht übernommen"_s));
    EXPECT_EQ(state.device.spsVersion, u"1.0"_s);
    EXPECT_EQ(state.table.cellText(Col::ANeu, 2), u"-0,6"_s);

    // Without an acknowledgement nothing is read back; Esc ends the wait as well.
    protocol_.clear();
    controller.received.clear();
    controller.acknowledge = false;
    dialogs.cancelWaits = true;
    dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
    lb.bench.upload();
    QTest::qWait(100);
    EXPECT_EQ(controller.received, QStringList{kSent});
    EXPECT_TRUE(protocol().contains(u"Rücklesen: nicht bestätigt (abgebrochen)"_s))
        << protocol().join(u'\n').toStdString();
}

TEST_F(Transaction, AReplyWhileTheDialogIsOpenSendsNothing) {
    // The operator pressed F2; behind the open dialog the answer to an earlier F1 arrives
    // and rebuilds the table with four points.
    dialogs.whileAuthorising = [this] {
        lb.session.awaitReply(u'U');
        lb.session.receive(encodeAnsi(u"U4711,ABC12,1.0,220315143005,4,P1,bar,1,1000,P2,bar,2,"
                                      "1000,P3,bar,3,1000,P4,bar,4,1000,#"_s));
    };
    lb.bench.upload();
    EXPECT_EQ(state.anzMS, 4);
    const auto warnings = boxesOf(ScriptedDialogs::Kind::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0].text.contains(u"Es wurde nichts gesendet."_s))
        << warnings[0].text.toStdString();
    QTest::qWait(100);
    EXPECT_TRUE(controller.received.isEmpty());
    EXPECT_FALSE(QFile::exists(file(u"Log_4711.log"_s)));

    // A repaint that only writes a shown number anew is no change.
    dialogs.whileAuthorising = [this] {
        state.table.setCellText(Col::ANeu, 1, state.table.cellText(Col::ANeu, 1) + u"0"_s);
    };
    dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
    lb.bench.upload();
    EXPECT_EQ(controller.received.value(0).left(18), u"U4711,ABC12,,,4,P1"_s);
}

TEST_F(Transaction, RecordsThatCannotBeWrittenStopTheSend) {
    struct Case {
        const char* name;
        bool readOnly;
        QString reason;
    };
    const Case cases[] = {
        {"read-only configuration directory", true, u"Schreibgeschützt"_s},
        {"full disk", false, u"Kein Speicherplatz mehr auf dem Datenträger (frei: "_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SmallDisk disk(256 * 1024, state.configdir);
        if (!disk.mounted())
            GTEST_SKIP() << "mounting a small file system needs an administrator";
        const QString log = file(u"Log_4711.log"_s);
        const QString csv = file(u"Abgleich_4711.csv"_s);
        for (const QString& path : {log, csv}) {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("alter Inhalt\r\n");
        }
        if (c.readOnly)
            ASSERT_TRUE(disk.setReadOnly(true));
        else
            disk.fill(8192);
        dialogs.shown.clear();
        dialogs.authorisations.push_back(AuthorisationInput{u"abc-4711"_s, {}});
        lb.bench.upload();
        const auto errors = boxesOf(ScriptedDialogs::Kind::ErrorBox);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(
            errors[0].text.startsWith(u"Es wurde nichts an die SPS gesendet.\nDie Datei '"_s))
            << errors[0].text.toStdString();
        EXPECT_TRUE(errors[0].text.contains(c.reason)) << errors[0].text.toStdString();
        EXPECT_EQ(fileBytes(log), QByteArray("alter Inhalt\r\n"));
        EXPECT_EQ(fileBytes(csv), QByteArray("alter Inhalt\r\n"));
        QTest::qWait(50);
        EXPECT_TRUE(controller.received.isEmpty());
        EXPECT_EQ(state.coef.a(2), 0.0); // the store still says what the controller holds
    }
}

// A controller that answers the upload with an error has not taken the values: nothing is
// recorded as uploaded, the store keeps what the controller holds, and the box says so.
TEST_F(Transaction, AnUploadTheControllerRejectsIsNotRecorded) {
    recordProtocol();
    controller.rejection = u"UEDatensatz unlesbar#"_s;
    const double storedA = state.coef.a(1);
    lb.bench.upload();
    EXPECT_EQ(controller.received, QStringList{kSent});
    EXPECT_TRUE(protocol().contains(
        u"Rücklesen: nicht bestätigt (die SPS meldet den Fehler Datensatz unlesbar)"_s))
        << protocol().join(u'\n').toStdString();
    EXPECT_FALSE(QFile::exists(file(u"Log_4711.log"_s)));
    EXPECT_FALSE(QFile::exists(file(u"Abgleich_4711.csv"_s)));
    EXPECT_EQ(state.coef.a(1), storedA);
    const auto errors = boxesOf(ScriptedDialogs::Kind::ErrorBox);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].text.startsWith(
        u"Die SPS hat die Abgleichwerte nicht übernommen: Fehler Datensatz unlesbar"_s))
        << errors[0].text.toStdString();
}
