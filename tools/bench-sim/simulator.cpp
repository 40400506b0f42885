#include "simulator.h"

#include "core/ansicodec.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

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
        return applyUpload(device_, command) ? QStringLiteral("UF#")
                                             : QStringLiteral("UEDatensatz unlesbar#");
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
        const int chunk = options_.chunkSize > 0 ? options_.chunkSize : int(bytes.size());
        int delay = 0;
        for (qsizetype pos = 0; pos < bytes.size(); pos += chunk, delay += options_.chunkPauseMs) {
            const QByteArray piece = bytes.mid(pos, chunk);
            QTimer::singleShot(options_.chunkSize > 0 ? delay : 0, this, [guard, piece] {
                if (guard) {
                    guard->write(piece);
                    guard->flush();
                }
            });
        }
        if (options_.closeAfterReply) {
            QTimer::singleShot(options_.chunkSize > 0 ? delay : 0, this, [this, guard] {
                if (guard) {
                    guard->disconnectFromHost();
                    if (log_)
                        log_(QStringLiteral("closed the connection"));
                }
            });
        }
    };
    if (options_.delayMs > 0)
        QTimer::singleShot(options_.delayMs, this, writeAll);
    else
        writeAll();
}

} // namespace abgleich::sim
