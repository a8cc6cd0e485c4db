// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "help/book.h"

#include <QByteArray>
#include <QObject>

class QTcpServer;
class QTcpSocket;

// The whole HTTP/1.0 response to one request's first piece of data.
QByteArray respond(const PropertyBag& bag, const QByteArray& request);

// Serves the book to the browser on 127.0.0.1: one request per connection, answered from the
// first piece that arrives, then closed. Idle connections are dropped.
class PageServer : public QObject {
    Q_OBJECT
public:
    explicit PageServer(const PropertyBag& bag, QObject* parent = nullptr);
    // Port 0 lets the system choose a free one. Throws when it cannot listen.
    void listen(quint16 port);
    quint16 port() const;
    QString address() const; // http://127.0.0.1:PORT

private:
    void accept();
    void serve(QTcpSocket* socket);

    const PropertyBag& m_bag;
    QTcpServer* m_server;
};
