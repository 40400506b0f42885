// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <vector>

namespace abgleich::test {

// A bench controller played by the test on 127.0.0.1: it records what it receives and
// sends what the test tells it to.
class TestPeer : public QObject {
    Q_OBJECT

public:
    TestPeer();

    // Listens on 127.0.0.1, on the given port or a free one.
    bool listen(quint16 port = 0);
    void stopListening() { server_.close(); }
    quint16 port() const { return port_; }

    // Waits (running the event loop) until a client is connected / has sent `count` bytes.
    bool waitForClient(int timeoutMs = 5000);
    bool waitForReceived(qsizetype count, int timeoutMs = 5000);

    bool hasClient() const {
        return client_ && client_->state() == QAbstractSocket::ConnectedState;
    }
    int connections() const { return connections_; }
    const QByteArray& received() const { return received_; }
    void clearReceived() { received_.clear(); }

    void send(const QByteArray& bytes);
    // Sends in pieces of `size` bytes, each on its own after a short pause.
    void sendInPieces(const QByteArray& bytes, int size);
    void closeClient();
    // Resets the connection (RST instead of an orderly close), as a controller that
    // restarts does.
    void resetClient();

private:
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    QByteArray received_;
    quint16 port_ = 0;
    int connections_ = 0;
};

// A controller on 127.0.0.1 that never takes a connection: its listening queue is full, so
// the system drops every further attempt and a connect waits until its time-out.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    quint16 port() const { return port_; }
    bool ready() const { return ready_; }

private:
    int listener_ = -1;
    std::vector<int> queued_; // the connections that fill the queue
    quint16 port_ = 0;
    bool ready_ = false;
};

// Waits, without running the event loop, until the system has news for a socket (data, an
// orderly close or a reset), so that Qt has not yet seen it.
bool waitForSystemNews(const QTcpSocket& socket, int timeoutMs = 5000);

} // namespace abgleich::test
