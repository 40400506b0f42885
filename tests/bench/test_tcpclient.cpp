// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/tcpclient.h"
#include "core/errors.h"
#include "support/qtprint.h"
#include "support/testpeer.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

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

// A controller on 127.0.0.1 in a thread of its own, so that it goes on while the client's
// thread waits in a send. It accepts one connection, sends its reply when told, and starts
// taking the client's bytes only a moment after it is told that the send has begun, so that
// the send has to wait for it. Every wait of it is bounded.
class SlowReader {
public:
    explicit SlowReader(QByteArray reply) : reply_(std::move(reply)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        // A small receive buffer (no growing): a large send fills it and the client's quickly.
        const int size = 64 * 1024;
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(listener_, 1) == 0 &&
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~SlowReader() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    SlowReader(const SlowReader&) = delete;
    SlowReader& operator=(const SlowReader&) = delete;

    quint16 port() const { return port_; }
    void sendReply() { replyWanted_ = true; }
    void sendHasBegun() { sendBegun_ = true; }
    qsizetype taken() const { return taken_; }

private:
    // Waits for the flag, or the end of the test, for at most ten seconds.
    bool await(const std::atomic<bool>& flag) const {
        for (int ms = 0; ms < 10000 && !flag && !stop_; ++ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return flag && !stop_;
    }

    void run() {
        pollfd incoming{listener_, POLLIN, 0};
        if (::poll(&incoming, 1, 5000) != 1)
            return;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0)
            return;
        if (await(replyWanted_) &&
            ::send(fd, reply_.constData(), size_t(reply_.size()), 0) == ssize_t(reply_.size()) &&
            await(sendBegun_)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::vector<char> chunk(1024 * 1024);
            pollfd readable{fd, POLLIN, 0};
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!stop_ && std::chrono::steady_clock::now() < deadline) {
                if (::poll(&readable, 1, 50) != 1)
                    continue;
                const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
                if (n <= 0)
                    break;
                taken_ += n;
            }
        }
        ::close(fd);
    }

    QByteArray reply_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> replyWanted_{false};
    std::atomic<bool> sendBegun_{false};
    std::atomic<bool> stop_{false};
    std::atomic<qsizetype> taken_{0};
    std::thread thread_;
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

// A reply that arrives while a send still waits for the system to take its bytes is not
// delivered in the middle of the send (the session sets the awaited reply only after it),
// but once the send is complete.
TEST_F(Client, ReplyArrivingWhileASendWaitsIsDeliveredAfterTheSend) {
    const QByteArray reply = "U4711#";
    SlowReader peer(reply);
    ASSERT_NE(peer.port(), 0);
    client.setPort(peer.port());
    client.open();
    const auto* socket = client.findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    peer.sendReply();
    ASSERT_TRUE(test::waitForSystemNews(*socket)); // the reply is there, unseen by Qt

    // Far more than the system's buffers hold while the controller takes nothing.
    const QString command = u"U"_s + QString(8 * 1024 * 1024, u'x') + u";"_s;
    peer.sendHasBegun();
    client.send(command);
    EXPECT_EQ(received, QByteArray()) << "delivered while the send waited";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, 5000));
    EXPECT_EQ(received, reply);
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.taken() == command.size(); }, 5000));
    EXPECT_EQ(peer.taken(), command.size());
    EXPECT_EQ(events, QStringList{u"connected"_s});
}

// A controller that never takes the connection: the open gives up after the connect time-out
// with a German reason, or at once when its waiter says the operator ended the wait; either
// way the client stays closed and can open again.
TEST_F(Client, OpenGivesUpAfterTheTimeOutOrWhenEnded) {
    test::SilentListener silent;
    ASSERT_TRUE(silent.ready());
    client.setPort(silent.port());
    client.setConnectTimeout(300);
    QElapsedTimer took;
    took.start();
    try {
        client.open();
        ADD_FAILURE() << "opened";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), u"Keine Antwort innerhalb von 0,3 s"_s);
    }
    EXPECT_LT(took.elapsed(), 3000);
    EXPECT_FALSE(client.isOpen());

    int waited = 0;
    client.setConnectTimeout(5000);
    client.setConnectWaiter([&](const std::function<bool()>& settled, int timeoutMs) {
        waited = timeoutMs;
        EXPECT_FALSE(settled());
        return ConnectEnd::Cancelled;
    });
    EXPECT_THROW(client.open(), ConnectCancelled);
    EXPECT_EQ(waited, 5000);
    EXPECT_FALSE(client.isOpen());
    EXPECT_TRUE(events.isEmpty());
}
