// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "simulator.h"

#include "core/ansicodec.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

namespace abgleich::sim {

namespace {
// A peer that sends this much without a ";" is answered "?#" and its text dropped.
constexpr qsizetype kMaxCommand = 64 * 1024;
} // namespace

BenchSimulator::BenchSimulator(BenchDevice device, SimOptions options, QObject* parent)
    : QObject(parent), device_(std::move(device)), options_(options) {
    connect(&server_, &QTcpServer::newConnection, this, &BenchSimulator::accept);
}

bool BenchSimulator::listen(QString* error) {
    if (server_.listen(options_.address, options_.port))
        return true;
    *error = server_.errorString();
    return false;
}

QString BenchSimulator::replyTo(const QString& command) {
    if (command == u"U") {
        return options_.errorReply ? QStringLiteral("UEKeine Korrekturdaten vorhanden#")
                                   : correctionReply(device_);
    }
    if (command.startsWith(u'U')) {
        if (!applyUpload(device_, command))
            return QStringLiteral("UEDatensatz unlesbar#");
        if (options_.skewStoredGain) {
            for (SimPoint& point : device_.points)
                point.b1000 += 1;
        }
        return QStringLiteral("UF#");
    }
    if (command.startsWith(u"EA"))
        return QStringLiteral("E#");
    if (command.startsWith(u'T') || command == u"Z" || command == u"A")
        return command.left(1) + u'#';
    return QStringLiteral("?#");
}

void BenchSimulator::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (log_)
            log_(QStringLiteral("connection from %1").arg(socket->peerAddress().toString()));
        auto pending = std::make_shared<QString>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending] {
            *pending += decodeAnsi(socket->readAll());
            qsizetype end;
            while ((end = pending->indexOf(u';')) >= 0) {
                const QString command = pending->left(end);
                pending->remove(0, end + 1);
                if (log_)
                    log_(QStringLiteral("<- ") + command + u';');
                send(socket, encodeAnsi(replyTo(command)));
            }
            if (pending->size() > kMaxCommand) {
                pending->clear();
                send(socket, QByteArrayLiteral("?#"));
            }
        });
    }
}

void BenchSimulator::send(QTcpSocket* socket, QByteArray bytes) {
    QPointer<QTcpSocket> guard(socket);
    const auto writeAll = [this, guard, bytes] {
        if (!guard)
            return;
        if (log_)
            log_(QStringLiteral("-> ") + decodeAnsi(bytes));
        const qsizetype chunk = options_.chunkSize > 0 ? options_.chunkSize : bytes.size();
        const int pause = options_.chunkSize > 0 ? options_.chunkPauseMs : 0;
        // One piece after the other: each is written, then the next one is timed, so the
        // pieces leave in order however the timers fall; the connection closes after the last.
        // The timer of the next piece holds the chain; when no piece is left it goes with it.
        auto next = std::make_shared<std::function<void(qsizetype)>>();
        const std::weak_ptr<std::function<void(qsizetype)>> self = next;
        *next = [this, guard, bytes, chunk, pause, self](qsizetype pos) {
            if (!guard)
                return;
            if (pos < bytes.size()) {
                guard->write(bytes.mid(pos, chunk));
                guard->flush();
                QTimer::singleShot(pause, this,
                                   [chain = self.lock(), pos, chunk] { (*chain)(pos + chunk); });
                return;
            }
            if (options_.closeAfterReply) {
                guard->disconnectFromHost();
                if (log_)
                    log_(QStringLiteral("closed the connection"));
            }
        };
        (*next)(0);
    };
    if (options_.delayMs > 0)
        QTimer::singleShot(options_.delayMs, this, writeAll);
    else
        writeAll();
}

} // namespace abgleich::sim
