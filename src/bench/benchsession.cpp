// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/benchsession.h"

#include "bench/commands.h"
#include "core/ansicodec.h"
#include "core/errors.h"
#include "core/waitaway.h"

namespace abgleich {

BenchSession::BenchSession(std::unique_ptr<EchoProbe> echo, QObject* parent)
    : QObject(parent), echo_(std::move(echo)) {
    client_.setHost(QLatin1String(kDefaultHost));
    client_.setEvents({
        [this] { connected(); },
        [this] { disconnected(); },
        [this] { emit logLine(QStringLiteral("Reconnected")); },
        [this](QByteArrayView bytes) { receive(bytes); },
    });
}

void BenchSession::send2SPS(const QString& host, const QString& text) {
    // A fresh request for the point list: whatever is still in the buffer, a cut-off answer
    // to an earlier one included, would be joined to the new answer.
    if (text == command::kReadCorrectionData)
        rx_.clear();
    if (!client_.isOpen()) {
        client_.setHost(host);
        try {
            client_.open();
        } catch (const ConnectCancelled&) {
            emit logLine(QStringLiteral("Verbindungsaufbau zu ") + host +
                         QStringLiteral(" abgebrochen; nichts gesendet"));
            return;
        }
    }
    client_.send(text);
    emit logLine(QStringLiteral("-> ") + text);
    awaitReply(text.isEmpty() ? QChar(0) : text.front());
}

void BenchSession::sendFreeText(const QString& text) {
    client_.send(text);
    emit logLine(QStringLiteral("-> ") + text);
}

void BenchSession::connectChecked(const QString& host) {
    client_.setHost(host);
    const QString notFound = QStringLiteral("Host ") + host + QStringLiteral(" nicht gefunden");
    // The echo says why it failed: no answer, or no permission to send one at all.
    try {
        runWithoutInput([this, host] { echo_->echo(host); });
    } catch (const AppError& e) {
        emit logLine(notFound + QStringLiteral(": ") + e.message());
        return;
    } catch (const std::exception&) {
        emit logLine(notFound);
        return;
    }
    emit logLine(QStringLiteral("Host ") + host + QStringLiteral(" gefunden"));
    try {
        client_.open();
    } catch (const ConnectCancelled&) {
        emit logLine(QStringLiteral("Verbindungsaufbau zu ") + host +
                     QStringLiteral(" abgebrochen"));
    } catch (const std::exception&) {
        emit logLine(notFound);
    }
}

void BenchSession::changeHost(const QString& host) {
    try {
        client_.close();
        client_.setHost(host);
    } catch (const std::exception&) {
    }
}

void BenchSession::connected() {
    emit logLine(QStringLiteral("Connected to ") + client_.host());
    emit connectionChanged(true);
    emit busyEnded();
}

void BenchSession::disconnected() {
    emit logLine(QStringLiteral("Disconnected"));
    // A reply cut off with its connection can never be completed; left in the buffer it
    // would be joined to the next reply.
    rx_.clear();
    emit connectionChanged(false);
}

void BenchSession::receive(QByteArrayView bytes) {
    const QString text = decodeAnsi(bytes);
    emit logLine(QStringLiteral("<- ") + text);
    rx_.empfangen += text;
    if (const auto frame = takeFrame(rx_))
        emit frameTaken(frame->letter, frame->body);
    emit busyEnded();
}

} // namespace abgleich
