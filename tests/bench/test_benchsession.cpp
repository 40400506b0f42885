// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The bench session against a peer on 127.0.0.1, without a window: what it logs, what it
// awaits, how it connects, reconnects and follows a new address. What the reply frames it
// takes do to the working state is the workbench's (tests/workflow/test_replyloading.cpp).
#include "bench/benchsession.h"
#include "core/ansicodec.h"
#include "support/qtprint.h"
#include "support/scriptedecho.h"
#include "support/testpeer.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::TestPeer;

namespace {

const QString kHost = u"127.0.0.1"_s;

class Session : public ::testing::Test {
protected:
    Session() : session(makeEcho()) {
        EXPECT_TRUE(peer.listen());
        session.client().setPort(peer.port());
        QObject::connect(&session, &BenchSession::logLine,
                         [this](const QString& line) { log << line; });
        QObject::connect(&session, &BenchSession::connectionChanged,
                         [this](bool open) { log << (open ? u"[open]"_s : u"[closed]"_s); });
    }

    std::unique_ptr<EchoProbe> makeEcho() {
        auto made = std::make_unique<test::ScriptedEcho>();
        echo = made.get();
        return made;
    }
    bool waitForLog(const QString& line, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return log.contains(line); }, timeoutMs);
    }

    test::ScriptedEcho* echo = nullptr;
    BenchSession session;
    TestPeer peer;
    QStringList log;
};

} // namespace

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
    EXPECT_EQ(log, QStringList{u"Host 127.0.0.1 nicht gefunden: Keine Antwort von '127.0.0.1'"_s});
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

// An answer that never ended (no "#") is dropped when the point list is asked for again:
// only the answer to the new request is taken.
TEST_F(Session, AFreshRequestDropsAnAnswerThatNeverEnded) {
    QStringList bodies;
    QObject::connect(&session, &BenchSession::frameTaken,
                     [&](QChar letter, const QString& body) { bodies << letter + body; });
    session.send2SPS(kHost, u"U;"_s);
    session.receive("U4711,ABC12,1.0,220315143005,5,A,V,0,1000,B,V,0,1000");
    EXPECT_TRUE(bodies.isEmpty());
    session.send2SPS(kHost, u"U;"_s);
    session.receive("U4711,ABC12,1.0,220315143005,1,C,V,0,1000,#");
    EXPECT_EQ(bodies, QStringList{u"U4711,ABC12,1.0,220315143005,1,C,V,0,1000,"_s});
}
