#include "support/testpeer.h"

#include <QTest>

#include <poll.h>
#include <sys/socket.h>

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

} // namespace abgleich::test
