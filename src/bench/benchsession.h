// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "bench/icmpecho.h"
#include "bench/replyparser.h"
#include "bench/tcpclient.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <memory>

namespace abgleich {

// The session with the bench controller: the TCP client, the echo check of the connect
// button, the receive buffer and the letter of the awaited reply. It sends the commands,
// makes the checked connection and cuts reply frames out of what arrives; it knows no
// window and tells what happened through signals (a protocol line, the connection state,
// the end of a busy phase, a reply frame).
class BenchSession : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kDefaultHost = "192.168.100.10";

    explicit BenchSession(std::unique_ptr<EchoProbe> echo = std::make_unique<IcmpEcho>(),
                          QObject* parent = nullptr);

    TcpClient& client() { return client_; }
    const TcpClient& client() const { return client_; }
    bool isOpen() const { return client_.isOpen(); }
    const ReceiveBuffer& receiveBuffer() const { return rx_; }
    QChar expectedReply() const { return rx_.expectedReply; }

    // The command sender: opens the link to `host` when it is closed (no echo check), sends
    // the text, logs "-> " + text and awaits the reply letter, the text's first character.
    // A failure ends it before anything is logged or awaited.
    void send2SPS(const QString& host, const QString& text);
    // Awaits the reply of a command with this letter (0: none), as sending the command does.
    void awaitReply(QChar letter) { rx_.expectedReply = letter; }
    // The free text: sent as it is, over a link opened to the host the client already holds;
    // the awaited letter stays.
    void sendFreeText(const QString& text);
    // The connect button's checked connection: an echo to `host`, then the open. Logs
    // "Host <host> gefunden" / "nicht gefunden"; no error leaves it.
    void connectChecked(const QString& host);
    // A new bench address: the link is closed and takes the new host; errors are ignored.
    void changeHost(const QString& host);
    void close() { client_.close(); }

    // One chunk from the link: decoded, logged, appended to the buffer, and at most one
    // frame taken out of it.
    void receive(QByteArrayView bytes);

signals:
    void logLine(const QString& line);
    void connectionChanged(bool open);
    // A connection was made or a chunk arrived: whatever waited for the bench is over.
    void busyEnded();
    // A reply frame taken out of the buffer: its letter and its body.
    void frameTaken(QChar letter, const QString& body);

private:
    void connected();
    void disconnected();

    TcpClient client_;
    std::unique_ptr<EchoProbe> echo_;
    ReceiveBuffer rx_;
};

} // namespace abgleich
