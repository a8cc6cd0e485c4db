// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>

#include <functional>

class QHostAddress;
class QTcpServer;
class QTcpSocket;
class QTimer;

// What one message did: the one-character reply and the log line that tells it.
struct SalesReply {
    char reply = '0'; // '1' recorded, '2' refused, '0' error
    QString logLine;
};

// One message of the sales protocol against a company: a SKU sells one unit, "!!" + SKU
// returns one. The stock count in "Logs/InvCount" changes first, then the sale or return is
// recorded in the period files (tax answer 0: not asked).
SalesReply processSalesMessage(const QString& companyFolder, const QString& message);

// The internet sales server: listens on a TCP port, takes one message per connection, answers
// with one character and closes the connection. Runs on the event loop of the calling thread,
// so messages are processed one after another. Every step is told through logLine().
class SalesServer : public QObject {
    Q_OBJECT
public:
    explicit SalesServer(const QString& companyFolder, QObject* parent = nullptr);
    ~SalesServer() override;

    // Listens on every local interface. Throws RuntimeError when the port cannot be taken.
    void listen(quint16 port);
    void listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    // The machine's address as other machines see it (the first non-loopback IPv4 address).
    static QString localAddress();

    // A connection that sends nothing for this long is closed without a reply.
    void setIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }
    // How long a client waits for its reply: a message that cannot be recorded within it (the
    // company held by another program) is answered "0" and not recorded later.
    void setClientPatience(int milliseconds) { m_clientPatienceMs = milliseconds; }
    int openConnections() const { return int(m_connections.size()); }
    qint64 connectionsAccepted() const { return m_accepted; }

signals:
    void logLine(const QString& line);

private:
    void acceptConnections();
    void receive(QTcpSocket* socket);
    void release(QTcpSocket* socket);
    void dropOldestIdle();
    // Records every message waiting since the last pass in one commit, then replies to each.
    void recordWaiting();

    QString m_companyFolder;
    QTcpServer* m_server = nullptr;
    QHash<QTcpSocket*, QTimer*> m_connections;
    qint64 m_accepted = 0;
    QList<QPair<QPointer<QTcpSocket>, QString>> m_waiting;
    QElapsedTimer m_waitingSince; // since the first of m_waiting arrived
    int m_idleTimeoutMs = 60000;
    int m_clientPatienceMs = 5000;
};

// The port the sales server listens on: setting "Server"/"Port", default 5723.
quint16 salesServerPort();
