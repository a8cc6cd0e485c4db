// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

// A sales client for tests that run the server on the same thread: it waits in a local event
// loop, so the server keeps working while the client waits for its reply.
inline QByteArray ask(quint16 port, const QByteArray& message, int timeoutMs = 5000) {
    QTcpSocket socket;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(message); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    loop.exec();
    return socket.read(1);
}
