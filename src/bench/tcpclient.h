// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace abgleich {

// How a wait for the connection to be made ended.
enum class ConnectEnd { Settled, TimedOut, Cancelled };
// Waits at most timeoutMs until `settled` says the attempt is over (made or failed); the
// window that owns it decides what the operator may do meanwhile (Esc ends the wait).
using ConnectWaiter =
    std::function<ConnectEnd(const std::function<bool()>& settled, int timeoutMs)>;

// The operator ended a connection attempt before it was made.
class ConnectCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "connect cancelled"; }
};

// The one TCP connection to the bench controller. Everything runs on the user-interface
// thread: the tool's own open waits for the connection through its waiter (by default the
// thread keeps repainting and takes no input), at most the connect time-out, and fails with
// the system's error text (or raises ConnectCancelled when the operator ended the wait); reads and
// connection events are delivered there, also while a modal dialog is open. A connection the
// controller closed, or that a read or write error broke, is re-opened about once a second to the
// current host, without blocking anything; closing it from the tool ends that.
class TcpClient : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kPort = 1209;
    static constexpr int kReconnectIntervalMs = 1000;
    static constexpr int kReconnectCheckMs = 60;
    static constexpr qsizetype kReadSize = 1024 * 1024;
    // A send waits in slices for the system to take its bytes, and gives up after a while
    // on a controller that takes nothing.
    static constexpr int kWriteSliceMs = 250;
    static constexpr int kWriteTimeoutMs = 10000;
    static constexpr int kDefaultConnectTimeoutMs = 5000;

    // The handlers; an error one of them raises is ignored by the client.
    struct Events {
        std::function<void()> connected;
        std::function<void()> disconnected;
        std::function<void()> reconnected;
        std::function<void(QByteArrayView)> readData;
    };

    explicit TcpClient(QObject* parent = nullptr);
    ~TcpClient() override;

    void setEvents(Events events) { events_ = std::move(events); }

    const QString& host() const { return host_; }
    // Refused with an error while the connection is open.
    void setHost(const QString& host);
    quint16 port() const { return port_; }
    void setPort(quint16 port) { port_ = port; }

    // How long the tool's own open waits for the controller to take the connection.
    void setConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
    int connectTimeout() const { return connectTimeoutMs_; }
    void setConnectWaiter(ConnectWaiter waiter) { waiter_ = std::move(waiter); }

    bool isOpen() const { return open_; }
    // Whether a lost connection is being re-opened.
    bool isReconnecting() const { return !open_ && reconnect_; }

    // Blocking; nothing happens when open. Raises the system's error text on failure.
    void open();
    // Nothing happens when closed (a reconnection under way goes on).
    void close();
    // Sends the text in the ANSI code page, opening first when needed, and returns when the
    // system has taken every byte; an empty text sends nothing and opens nothing. A failed
    // write closes the connection, keeps the reconnection going and ends the operation with
    // a silent abort.
    void send(const QString& text);

private:
    void startConnecting();
    void connectionMade();
    void connectionLost();
    void socketError();
    void readAvailable();
    bool writeToSystem(const QByteArray& bytes);
    void reconnectTick();
    void resetSocket();
    template <typename Handler, typename... Args> void fire(const Handler& handler, Args&&... args);

    Events events_;
    QString host_;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    ConnectWaiter waiter_;
    quint16 port_ = kPort;
    QTcpSocket* socket_;
    bool open_ = false;
    bool reconnect_ = false;  // set by a connection made, cleared when the tool closes
    bool opening_ = false;    // the tool's own open is waiting
    bool attempting_ = false; // a reconnection attempt is waiting
    bool sending_ = false;    // a send is handing its bytes to the system
    QElapsedTimer lastAttempt_;
    QTimer reconnectTimer_;
    QByteArray readBuffer_;
};

} // namespace abgleich
