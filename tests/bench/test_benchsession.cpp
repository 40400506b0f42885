// The bench session against a peer on 127.0.0.1, without a window: what it logs, what it
// awaits and buffers, how it connects, reconnects and follows a new address, and how the
// reply frames it takes fill a working state (as the window wires them).
#include "bench-sim/benchdevice.h"
#include "bench/benchsession.h"
#include "core/ansicodec.h"
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"
#include "support/scriptedecho.h"
#include "support/testpeer.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::ScriptedDialogs;
using test::TestPeer;

namespace {

const QByteArray kRecord = encodeAnsi(sim::correctionReply(sim::defaultDevice()));
const QByteArray kTwoPoints =
    encodeAnsi(u"U4711,ZYK12,317,240611093012,2,Temp 1,°C,439,1005,Druck,bar,-500,1000,#"_s);
const QString kHost = u"127.0.0.1"_s;

class Session : public ::testing::Test {
protected:
    Session() : session(makeEcho()), state(RegionalSettings::german()) {
        state.prepare(dir.path());
        EXPECT_TRUE(peer.listen());
        session.client().setPort(peer.port());
        QObject::connect(&session, &BenchSession::logLine,
                         [this](const QString& line) { log << line; });
        QObject::connect(&session, &BenchSession::connectionChanged,
                         [this](bool open) { log << (open ? u"[open]"_s : u"[closed]"_s); });
        QObject::connect(&session, &BenchSession::frameTaken,
                         [this](QChar letter, const QString& body) {
                             if (letter == u'U')
                                 loadCorrectionReply(state, dialogs, body);
                         });
    }

    std::unique_ptr<EchoProbe> makeEcho() {
        auto made = std::make_unique<test::ScriptedEcho>();
        echo = made.get();
        return made;
    }
    QString buffer() const { return session.receiveBuffer().empfangen; }
    bool waitForLog(const QString& line, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return log.contains(line); }, timeoutMs);
    }

    QTemporaryDir dir;
    test::ScriptedEcho* echo = nullptr;
    BenchSession session;
    WorkingState state;
    ScriptedDialogs dialogs;
    TestPeer peer;
    QStringList log;
};

} // namespace

TEST_F(Session, CommandOpensSendsLogsAndAwaits) {
    session.send2SPS(kHost, u"U;"_s);
    EXPECT_EQ(log, (QStringList{u"Connected to 127.0.0.1"_s, u"[open]"_s, u"-> U;"_s}));
    EXPECT_EQ(session.expectedReply(), u'U');
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(peer.received(), QByteArray("U;"));

    peer.sendInPieces(kRecord, 97);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 40; }, 5000));
    EXPECT_EQ(state.table.cellText(1, 1), u" Temperatur Öl 1 "_s);
    EXPECT_EQ(session.expectedReply(), QChar(0));
    EXPECT_TRUE(buffer().isEmpty());
    EXPECT_TRUE(log.at(3).startsWith(u"<- U4711,ZYK12,317,"_s));
}

TEST_F(Session, SeveralRepliesInOneChunk) {
    session.send2SPS(kHost, u"Z;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(session.expectedReply(), u'Z');
    // The "Z" reply and a "U" record that nobody asked for yet, in one chunk.
    peer.send("Z#" + kRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.expectedReply() == QChar(0); }, 5000));
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_EQ(buffer(), decodeAnsi(kRecord));
    // The next "U;" takes it with the first chunk that arrives.
    session.send2SPS(kHost, u"U;"_s);
    peer.send("Z#");
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 40; }, 5000));
    EXPECT_EQ(buffer(), u"Z#"_s);
}

TEST_F(Session, CheckedConnection) {
    session.connectChecked(kHost);
    EXPECT_EQ(
        log, (QStringList{u"Host 127.0.0.1 gefunden"_s, u"Connected to 127.0.0.1"_s, u"[open]"_s}));
    ASSERT_TRUE(peer.waitForClient());

    // The echo answers, the connection is refused.
    session.close();
    log.clear();
    peer.stopListening();
    session.connectChecked(kHost);
    EXPECT_EQ(log, (QStringList{u"Host 127.0.0.1 gefunden"_s, u"Host 127.0.0.1 nicht gefunden"_s}));

    // No echo: no connection is attempted.
    log.clear();
    echo->answers = false;
    echo->calls = 0;
    ASSERT_TRUE(peer.listen(peer.port()));
    const int before = peer.connections();
    session.connectChecked(kHost);
    EXPECT_EQ(echo->calls, 1);
    EXPECT_EQ(log, QStringList{u"Host 127.0.0.1 nicht gefunden"_s});
    QTest::qWait(50);
    EXPECT_EQ(peer.connections(), before);
}

TEST_F(Session, PeerClosingIsFollowedByReconnection) {
    session.send2SPS(kHost, u"Z;"_s);
    ASSERT_TRUE(peer.waitForClient());
    peer.stopListening();
    peer.closeClient();
    ASSERT_TRUE(waitForLog(u"Disconnected"_s));
    QTest::qWait(1200); // the first attempt is refused
    EXPECT_FALSE(session.isOpen());
    ASSERT_TRUE(peer.listen(peer.port()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isOpen(); }, 5000));
    EXPECT_EQ(log, (QStringList{u"Connected to 127.0.0.1"_s, u"[open]"_s, u"-> Z;"_s,
                                u"Disconnected"_s, u"[closed]"_s, u"Reconnected"_s,
                                u"Connected to 127.0.0.1"_s, u"[open]"_s}));
}

TEST_F(Session, NewAddressWhileConnectedAndWhileReconnecting) {
    session.send2SPS(kHost, u"Z;"_s);
    ASSERT_TRUE(session.isOpen());
    session.changeHost(u"127.0.0."_s); // the first keystroke closes
    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(log.last(), u"[closed]"_s);
    EXPECT_EQ(session.client().host(), u"127.0.0."_s);
    session.changeHost(u"LocalHost"_s);
    session.send2SPS(u"LocalHost"_s, u"A;"_s); // the next command opens to the new address
    EXPECT_EQ(log.mid(log.size() - 3),
              (QStringList{u"Connected to LocalHost"_s, u"[open]"_s, u"-> A;"_s}));

    // Lost, then retargeted while reconnecting: the attempts go to the new host.
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress(u"127.0.0.2"_s), peer.port()));
    ASSERT_TRUE(peer.waitForClient());
    peer.stopListening();
    peer.closeClient();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.client().isReconnecting(); }, 5000));
    session.changeHost(u"127.0.0.2"_s);
    EXPECT_TRUE(session.client().isReconnecting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isOpen(); }, 5000));
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{u"Connected to 127.0.0.2"_s, u"[open]"_s}));
}

TEST_F(Session, FreeTextIsSentAsTyped) {
    session.sendFreeText(QString()); // nothing to send: the link stays closed
    EXPECT_EQ(log, QStringList{u"-> "_s});
    EXPECT_FALSE(session.isOpen());

    session.client().setHost(kHost);
    session.sendFreeText(u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(peer.received(), QByteArray("U;"));
    EXPECT_EQ(session.expectedReply(), QChar(0)); // nothing awaited
    EXPECT_EQ(log.mid(1), (QStringList{u"Connected to 127.0.0.1"_s, u"[open]"_s, u"-> U;"_s}));
}

TEST_F(Session, ChunkIsDecodedOnItsOwn) {
    session.send2SPS(kHost, u"Z;"_s);
    ASSERT_TRUE(peer.waitForClient());
    peer.send(QByteArray("\xB0\xFC"));
    ASSERT_TRUE(waitForLog(u"<- °ü"_s));
}

TEST_F(Session, ReplyOneByteAtATime) {
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.sendInPieces(kTwoPoints, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 2; }, 10000));
    EXPECT_EQ(state.table.cellText(Col::Name, 2), u" Druck "_s);
    EXPECT_TRUE(buffer().isEmpty());
}

TEST_F(Session, PeerClosingInTheMiddleOfAReply) {
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(kTwoPoints.left(30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !buffer().isEmpty(); }, 5000));
    peer.closeClient();
    ASSERT_TRUE(waitForLog(u"Disconnected"_s));
    EXPECT_TRUE(buffer().isEmpty()); // the cut-off reply is gone
    EXPECT_EQ(session.expectedReply(), u'U');
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isOpen(); }, 5000));
    ASSERT_TRUE(peer.waitForClient());
    peer.clearReceived();
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    // The new buffer is searched from its start: a "?" among its first characters still
    // discards the reply around it.
    peer.send("x?" + kTwoPoints);
    ASSERT_TRUE(waitForLog(u"<- x?"_s + decodeAnsi(kTwoPoints)));
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_TRUE(buffer().isEmpty());
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 2; }, 5000));
    EXPECT_EQ(state.table.cellText(Col::ASps, 1), u"0,439"_s);
    EXPECT_EQ(state.coef.b(2), 1.0);
}

TEST_F(Session, QuestionMarkInAPointName) {
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(encodeAnsi(u"U4711,ZYK12,317,240611093012,1,Temp?1,°C,439,1005,#"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.size() >= 4; }, 5000));
    EXPECT_TRUE(buffer().isEmpty());
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_EQ(session.expectedReply(), u'U');
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 2; }, 5000));
}

// The controller resets the connection just before a command goes out: the command ends
// silently, and nothing says it was sent.
TEST_F(Session, CommandThatFailsAtTheSocketLeavesNoTrace) {
    session.send2SPS(kHost, u"Z;"_s);
    ASSERT_TRUE(peer.waitForClient());
    const auto* socket = session.client().findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    peer.resetClient();
    ASSERT_TRUE(test::waitForSystemNews(*socket));
    log.clear();
    EXPECT_THROW(session.send2SPS(kHost, u"U;"_s), SilentAbort);
    EXPECT_EQ(log, (QStringList{u"Disconnected"_s, u"[closed]"_s}));
    EXPECT_EQ(session.expectedReply(), u'Z');
}
