// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "benchdevice.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>

namespace abgleich::sim {

// How the simulated controller behaves; the options make it misbehave on purpose.
struct SimOptions {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 1209;
    int chunkSize = 0;    // split replies into chunks of this many bytes (0: whole)
    int chunkPauseMs = 5; // pause between chunks
    int delayMs = 0;      // wait before replying
    bool closeAfterReply = false;
    bool errorReply = false; // answer "U;" with an error reply
    // Keep every gain of an upload 0.001 above what was sent, as a controller would that does
    // not take the values as they came.
    bool skewStoredGain = false;
};

// Plays the bench controller on TCP: answers "U;" with the correction data, takes an upload
// record and keeps its coefficients, answers T, Z, A and EA with their letter, anything
// else with "?#". Text on the link is Windows-1252.
class BenchSimulator : public QObject {
    Q_OBJECT

public:
    BenchSimulator(BenchDevice device, SimOptions options, QObject* parent = nullptr);

    bool listen(QString* error);
    quint16 port() const { return server_.serverPort(); }
    const BenchDevice& device() const { return device_; }
    // Every line received or sent, for the log.
    void setLog(std::function<void(const QString&)> log) { log_ = std::move(log); }

    // The reply to one command (the text before its ";").
    QString replyTo(const QString& command);

private:
    void accept();
    void send(QTcpSocket* socket, QByteArray bytes);

    BenchDevice device_;
    SimOptions options_;
    QTcpServer server_;
    std::function<void(const QString&)> log_;
};

} // namespace abgleich::sim
