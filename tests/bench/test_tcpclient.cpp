#include "bench/tcpclient.h"
#include "core/errors.h"
#include "support/qtprint.h"
#include "support/testpeer.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::TestPeer;

namespace {

// A client on 127.0.0.1 that writes down its events in order.
class Client : public ::testing::Test {
protected:
    Client() {
        client.setHost(u"127.0.0.1"_s);
        client.setEvents({
            [this] { events << u"connected"_s; },
            [this] { events << u"disconnected"_s; },
            [this] { events << u"reconnected"_s; },
            [this](QByteArrayView bytes) { received += bytes.toByteArray(); },
        });
    }

    TcpClient client;
    QStringList events;
    QByteArray received;
};

quint16 refusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed again when probe goes
}

} // namespace

TEST_F(Client, OpenRefusedRaisesTheSystemText) {
    client.setPort(refusedPort());
    try {
        client.open();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), u"Verbindung verweigert"_s);
    }
    EXPECT_FALSE(client.isOpen());
    EXPECT_FALSE(client.isReconnecting());
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(Client, OpenSendReadClose) {
    TestPeer peer;
    ASSERT_TRUE(peer.listen());
    client.setPort(peer.port());
    client.send(u""_s); // nothing to send: nothing opened
    EXPECT_FALSE(client.isOpen());

    client.send(u"T°ü;"_s); // opens first
    EXPECT_TRUE(client.isOpen());
    EXPECT_EQ(events, QStringList{u"connected"_s});
    ASSERT_TRUE(peer.waitForReceived(4));
    EXPECT_EQ(peer.received(), QByteArray("T\xB0\xFC;"));
    EXPECT_THROW(client.setHost(u"127.0.0.2"_s), AppError);
    EXPECT_EQ(client.host(), u"127.0.0.1"_s);
    client.open(); // already open: nothing happens
    EXPECT_EQ(peer.connections(), 1);

    peer.send(QByteArray("\xB0\xFC"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    EXPECT_EQ(received, QByteArray("\xB0\xFC"));

    client.close();
    client.close();
    EXPECT_FALSE(client.isOpen());
    EXPECT_FALSE(client.isReconnecting());
    EXPECT_EQ(events, (QStringList{u"connected"_s, u"disconnected"_s}));
}

TEST_F(Client, SendToAConnectionTheControllerResetIsASilentAbort) {
    TestPeer peer;
    ASSERT_TRUE(peer.listen());
    client.setPort(peer.port());
    client.open();
    ASSERT_TRUE(peer.waitForClient());
    peer.resetClient();
    const auto* socket = client.findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    ASSERT_TRUE(test::waitForSystemNews(*socket)); // the reset is there, unseen by Qt

    EXPECT_THROW(client.send(u"U;"_s), SilentAbort);
    EXPECT_FALSE(client.isOpen());
    EXPECT_TRUE(client.isReconnecting());
    EXPECT_EQ(events, (QStringList{u"connected"_s, u"disconnected"_s}));
    QTest::qWait(100);
    EXPECT_TRUE(peer.received().isEmpty());
}

TEST_F(Client, LostConnectionIsReopened) {
    TestPeer peer;
    ASSERT_TRUE(peer.listen());
    client.setPort(peer.port());
    client.open();
    ASSERT_TRUE(peer.waitForClient());
    peer.closeClient();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !client.isOpen(); }, 5000));
    EXPECT_TRUE(client.isReconnecting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.isOpen(); }, 5000));
    EXPECT_EQ(events,
              (QStringList{u"connected"_s, u"disconnected"_s, u"reconnected"_s, u"connected"_s}));
    EXPECT_EQ(peer.connections(), 2);
}

TEST_F(Client, ReconnectionFollowsTheHostAndEndsWithClose) {
    TestPeer first;
    ASSERT_TRUE(first.listen());
    client.setPort(first.port());
    client.open();
    ASSERT_TRUE(first.waitForClient());
    first.stopListening();
    first.closeClient();
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.isReconnecting(); }, 5000));
    QTest::qWait(1300); // at least one attempt fails
    EXPECT_FALSE(client.isOpen());

    // Another address of the loopback range, same port: the attempts go there now.
    QTcpServer second;
    ASSERT_TRUE(second.listen(QHostAddress(u"127.0.0.2"_s), first.port()));
    client.setHost(u"127.0.0.2"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.isOpen(); }, 5000));
    EXPECT_TRUE(second.hasPendingConnections() || second.nextPendingConnection());

    // Closed by the tool: no more attempts.
    client.close();
    QTest::qWait(1300);
    EXPECT_FALSE(client.isOpen());
    EXPECT_FALSE(client.isReconnecting());
}

TEST_F(Client, ErrorsOfHandlersAreIgnored) {
    TestPeer peer;
    ASSERT_TRUE(peer.listen());
    client.setPort(peer.port());
    client.setEvents({[] { throw AppError(u"handler"_s); }, {}, {}, {}});
    EXPECT_NO_THROW(client.open());
    EXPECT_TRUE(client.isOpen());
}
