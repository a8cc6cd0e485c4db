// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A storefront script on 127.0.0.1: records every request target and answers with a small page.
class StorefrontServer : public QTcpServer {
public:
    StorefrontServer() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->readAll();
                    targets << QString::fromLatin1(request.split(' ').value(1));
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                                  "<html><head><title>Script</title></head><body>ok</body></html>");
                    socket->disconnectFromHost();
                });
        });
    }
    QString script() const {
        return QStringLiteral("http://127.0.0.1:%1/cgi-bin/s.cgi").arg(serverPort());
    }
    // Request targets without favicon requests.
    QStringList pages() const { return targets.filter(QStringLiteral("/cgi-bin/")); }
    QStringList targets;
};
