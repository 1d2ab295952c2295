#pragma once

#include "server/RunningServer.h"

#include <chrono>
#include <QTcpSocket>

// A client speaking raw bytes from a loopback address of its choosing, collecting what comes back.
struct RawConnection {
    QTcpSocket socket;
    QByteArray received;

    // A receive window given is kept small (no autotuning), for a client that stops reading to stall at once.
    RawConnection(const RunningServer& server, const QString& from = QStringLiteral("127.0.0.1"),
                  int receiveWindow = 0) {
        QObject::connect(&socket, &QIODevice::readyRead, [this] { received += socket.readAll(); });
        socket.bind(QHostAddress(from));
        if (receiveWindow > 0)
            socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, receiveWindow);
        socket.connectToHost(QHostAddress::LocalHost, server.central.port());
        if (!QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
            qWarning("connecting from %s: %s", qPrintable(from), qPrintable(socket.errorString()));
    }

    void send(const QByteArray& bytes) { socket.write(bytes); }
    bool closedWithin(std::chrono::milliseconds limit) {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; },
                               int(limit.count()));
    }
    bool answeredWithin(const QByteArray& statusLine,
                        std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        return QTest::qWaitFor(
            [&] { return received.startsWith(statusLine) && received.contains("\r\n\r\n"); },
            int(limit.count()));
    }
};
