// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/tcpclient.h"

#include "bench/hosttext.h"
#include "core/ansicodec.h"
#include "core/errors.h"

#include <QEventLoop>

namespace abgleich {

TcpClient::TcpClient(QObject* parent)
    : QObject(parent), socket_(new QTcpSocket(this)), readBuffer_(kReadSize, Qt::Uninitialized) {
    setObjectName(QStringLiteral("TCPClient"));
    // Qt reads ahead no more than one read's worth.
    socket_->setReadBufferSize(kReadSize);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        if (attempting_)
            connectionMade();
    });
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (open_)
            connectionLost();
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] { socketError(); });
    connect(socket_, &QTcpSocket::readyRead, this, [this] { readAvailable(); });
    reconnectTimer_.setInterval(kReconnectCheckMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, [this] { reconnectTick(); });
}

TcpClient::~TcpClient() {
    events_ = {};
    close();
    reconnect_ = false;
}

template <typename Handler, typename... Args>
void TcpClient::fire(const Handler& handler, Args&&... args) {
    if (!handler)
        return;
    try {
        handler(std::forward<Args>(args)...);
    } catch (...) {
        // The client goes on whatever a handler does.
    }
}

void TcpClient::setHost(const QString& host) {
    if (open_)
        throw AppError(
            QStringLiteral("Der Host kann bei offener Verbindung nicht geändert werden"));
    host_ = host;
}

void TcpClient::startConnecting() {
    socket_->connectToHost(hostForSystem(host_), port_, QIODevice::ReadWrite,
                           QAbstractSocket::IPv4Protocol);
}

void TcpClient::resetSocket() {
    socket_->abort();
    attempting_ = false;
}

void TcpClient::open() {
    if (open_)
        return;
    if (attempting_)
        resetSocket(); // the tool's own open takes over from a reconnection attempt
    opening_ = true;
    startConnecting();
    const auto settled = [this] {
        return socket_->state() == QAbstractSocket::ConnectedState ||
               socket_->state() == QAbstractSocket::UnconnectedState;
    };
    ConnectEnd end = ConnectEnd::Settled;
    if (!settled()) {
        if (waiter_) {
            end = waiter_(settled, connectTimeoutMs_);
        } else {
            QEventLoop wait;
            connect(socket_, &QTcpSocket::connected, &wait, &QEventLoop::quit);
            connect(socket_, &QTcpSocket::errorOccurred, &wait, &QEventLoop::quit);
            QTimer::singleShot(connectTimeoutMs_, &wait, &QEventLoop::quit);
            wait.exec(QEventLoop::ExcludeUserInputEvents);
            if (!settled())
                end = ConnectEnd::TimedOut;
        }
    }
    opening_ = false;
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        const QString reason =
            end == ConnectEnd::TimedOut
                ? QStringLiteral("Keine Antwort innerhalb von %1 s")
                      .arg(QString::number(connectTimeoutMs_ / 1000.0).replace(u'.', u','))
                : socket_->errorString();
        socket_->abort();
        if (end == ConnectEnd::Cancelled)
            throw ConnectCancelled();
        throw AppError(reason);
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    open_ = true;
    fire(events_.connected);
    lastAttempt_.start();
    reconnect_ = true;
    reconnectTimer_.stop();
    readAvailable(); // anything that came with the connection
}

void TcpClient::close() {
    if (!open_)
        return;
    reconnect_ = false;
    reconnectTimer_.stop();
    open_ = false;
    socket_->flush();
    socket_->abort();
    fire(events_.disconnected);
}

void TcpClient::send(const QString& text) {
    const QByteArray bytes = encodeAnsi(text);
    if (bytes.isEmpty())
        return;
    open();
    sending_ = true;
    const bool sent = writeToSystem(bytes);
    sending_ = false;
    if (!sent) {
        if (open_)
            connectionLost();
        throw SilentAbort();
    }
    // What arrived while the bytes went out is delivered once the command is complete.
    if (socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &TcpClient::readAvailable, Qt::QueuedConnection);
}

bool TcpClient::writeToSystem(const QByteArray& bytes) {
    // Only bytes the system has taken count as sent: Qt's write buffer is no send, and a
    // connection that breaks now (the controller reset it) must end the command.
    const auto connected = [this] {
        return open_ && socket_->state() == QAbstractSocket::ConnectedState;
    };
    if (!connected() || socket_->write(bytes) != bytes.size())
        return false;
    QElapsedTimer waiting;
    waiting.start();
    while (connected() && socket_->bytesToWrite() > 0) {
        if (waiting.elapsed() > kWriteTimeoutMs)
            return false;
        if (!socket_->flush())
            socket_->waitForBytesWritten(kWriteSliceMs);
    }
    return connected();
}

void TcpClient::connectionMade() {
    attempting_ = false;
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    open_ = true;
    reconnectTimer_.stop();
    fire(events_.reconnected);
    fire(events_.connected);
    readAvailable();
}

void TcpClient::connectionLost() {
    // Closed by the controller or broken: what arrived before is still delivered, and the
    // reconnect flag stays as it is.
    readAvailable();
    open_ = false;
    socket_->abort();
    fire(events_.disconnected);
    if (reconnect_)
        reconnectTimer_.start();
}

void TcpClient::socketError() {
    if (opening_)
        return; // the waiting open reports it
    if (attempting_) {
        resetSocket(); // a failed attempt; the next one follows after the interval
        return;
    }
    // A controller that closes is reported as disconnected; any other error breaks the link.
    if (open_ && socket_->error() != QAbstractSocket::RemoteHostClosedError)
        connectionLost();
}

void TcpClient::readAvailable() {
    if (sending_)
        return; // delivered after the send, which sets the awaited reply first
    while (open_ && socket_->bytesAvailable() > 0) {
        const qint64 n = socket_->read(readBuffer_.data(), kReadSize);
        if (n <= 0)
            break;
        fire(events_.readData, QByteArrayView(readBuffer_.constData(), n));
    }
}

void TcpClient::reconnectTick() {
    if (open_ || !reconnect_) {
        reconnectTimer_.stop();
        return;
    }
    if (attempting_ || opening_ || lastAttempt_.elapsed() <= kReconnectIntervalMs)
        return;
    lastAttempt_.start();
    attempting_ = true;
    startConnecting();
}

} // namespace abgleich
