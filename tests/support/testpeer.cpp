// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "support/testpeer.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace abgleich::test {

TestPeer::TestPeer() {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connections_;
            client_ = socket;
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket] { received_ += socket->readAll(); });
        }
    });
}

bool TestPeer::listen(quint16 port) {
    if (!server_.listen(QHostAddress::LocalHost, port))
        return false;
    port_ = server_.serverPort();
    return true;
}

bool TestPeer::waitForClient(int timeoutMs) {
    return QTest::qWaitFor([this] { return hasClient(); }, timeoutMs);
}

bool TestPeer::waitForReceived(qsizetype count, int timeoutMs) {
    return QTest::qWaitFor([this, count] { return received_.size() >= count; }, timeoutMs);
}

void TestPeer::send(const QByteArray& bytes) {
    if (!client_)
        return;
    client_->write(bytes);
    client_->flush();
}

void TestPeer::sendInPieces(const QByteArray& bytes, int size) {
    for (qsizetype pos = 0; pos < bytes.size(); pos += size) {
        send(bytes.mid(pos, size));
        QTest::qWait(2);
    }
}

void TestPeer::closeClient() {
    if (client_) {
        client_->disconnectFromHost();
        client_ = nullptr;
    }
}

void TestPeer::resetClient() {
    if (!client_)
        return;
    const linger immediately{1, 0};
    ::setsockopt(int(client_->socketDescriptor()), SOL_SOCKET, SO_LINGER, &immediately,
                 sizeof immediately);
    client_->abort();
    client_ = nullptr;
}

bool waitForSystemNews(const QTcpSocket& socket, int timeoutMs) {
    pollfd watched{int(socket.socketDescriptor()), POLLIN, 0};
    return ::poll(&watched, 1, timeoutMs) == 1;
}

SilentListener::SilentListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::listen(listener_, 0) ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length))
        return;
    port_ = ntohs(address.sin_port);
    // Connections nobody accepts fill the queue; the first one that does not complete at
    // once shows that it is full.
    for (int k = 0; k < 8; ++k) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        queued_.push_back(fd);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd done{fd, POLLOUT, 0};
        if (::poll(&done, 1, 200) == 0) {
            ready_ = true;
            return;
        }
    }
}

SilentListener::~SilentListener() {
    for (const int fd : queued_)
        ::close(fd);
    if (listener_ >= 0)
        ::close(listener_);
}

} // namespace abgleich::test
