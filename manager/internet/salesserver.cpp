// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/salesserver.h"

#include "manager/sales/lowstock.h"
#include "manager/sales/recording.h"
#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/numbertext.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"
#include "manager/store/textcodec.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

const int kMaxConnections = 256;

QString addressText(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 =
        address.toIPv4Address(&isV4); // clients of the dual-stack socket come as ::ffff:a.b.c.d
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

const QString kErrorLine = QStringLiteral("Error occured while receiving data.");

SalesReply replyOf(const SaleRequest& request, const SaleResult& result) {
    if (result.error)
        return {'0', kErrorLine};
    const SaleStatus status = result.outcome.status;
    return {status == SaleStatus::Recorded ? '1' : '2',
            unitOutcomeText(request.sku, request.quantity.isNegative(), status)};
}

} // namespace

SalesReply processSalesMessage(const QString& companyFolder, const QString& message) {
    const SaleRequest request = unitRequest(message, TaxNotAsked);
    return replyOf(request, makeSales(companyFolder, {request}).first());
}

quint16 salesServerPort() {
    const int port = int(leadingNumber(settings::serverPort()));
    return port > 0 && port < 65536 ? quint16(port) : quint16(5723);
}

SalesServer::SalesServer(const QString& companyFolder, QObject* parent)
    : QObject(parent)
    , m_companyFolder(companyFolder)
    , m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &SalesServer::acceptConnections);
}

SalesServer::~SalesServer() = default;

void SalesServer::listen(quint16 port) {
    listen(QHostAddress::Any, port);
}

void SalesServer::listen(const QHostAddress& address, quint16 port) {
    // A burst of clients waits in the system's queue instead of being turned away.
    m_server->setListenBacklogSize(kMaxConnections);
    if (!m_server->listen(address, port)) {
        const bool inUse = m_server->serverError() == QAbstractSocket::AddressInUseError;
        throw RuntimeError(inUse ? 10048 : 5,
                           inUse ? QStringLiteral("Address in use") : m_server->errorString());
    }
}

quint16 SalesServer::port() const {
    return m_server->serverPort();
}

QString SalesServer::localAddress() {
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return address.toString();
    return QStringLiteral("127.0.0.1");
}

void SalesServer::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        emit logLine(QStringLiteral("Connection request received."));
        if (m_connections.size() >= kMaxConnections)
            dropOldestIdle();
        ++m_accepted;
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        m_connections.insert(socket, idle);
        connect(idle, &QTimer::timeout, socket, [this, socket] {
            emit logLine(QStringLiteral("Dropped idle connection with ") +
                         addressText(socket->peerAddress()) + QLatin1Char('.'));
            socket->abort();
            release(socket);
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { release(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
            if (socket->bytesToWrite() > 0)
                return;
            emit logLine(QStringLiteral("Data transfer comlete. Closed connection with ") +
                         addressText(socket->peerAddress()) + QLatin1Char('.'));
            socket->disconnectFromHost();
        });
        idle->start(m_idleTimeoutMs);
        emit logLine(QStringLiteral("Connected to ") + addressText(socket->peerAddress()) +
                     QLatin1Char('.'));
    }
}

void SalesServer::receive(QTcpSocket* socket) {
    QTimer* idle = m_connections.value(socket);
    if (!idle || !idle->isActive())
        return; // one message per connection: what follows the first one is ignored
    idle->stop();
    emit logLine(QStringLiteral("Receiving data from ") + addressText(socket->peerAddress()) +
                 QLatin1Char('.'));
    // Messages that arrive together are recorded together, once the events at hand are read.
    if (m_waiting.isEmpty()) {
        m_waitingSince.start();
        QTimer::singleShot(0, this, &SalesServer::recordWaiting);
    }
    m_waiting.append({QPointer<QTcpSocket>(socket), decodeStoreText(socket->readAll())});
}

void SalesServer::recordWaiting() {
    const auto waiting = std::exchange(m_waiting, {});
    QVector<SaleRequest> requests;
    for (const auto& message : waiting)
        requests.push_back(unitRequest(message.second, TaxNotAsked));
    QVector<SaleResult> results(requests.size());
    try {
        // Recorded only while its clients still wait for the reply; after that each hears "0".
        const qint64 left = m_clientPatienceMs - m_waitingSince.elapsed();
        const CompanyLock::Patience patience(int(std::max<qint64>(left, 0)));
        if (left > 0)
            results = makeSales(m_companyFolder, requests);
        else
            for (SaleResult& result : results)
                result.error = RuntimeError::accessError();
    } catch (...) { // out of memory or the like: nothing was recorded, every client hears so
        for (SaleResult& result : results)
            result.error = RuntimeError::outOfMemory();
    }
    for (int i = 0; i < waiting.size(); ++i) {
        const SalesReply reply = replyOf(requests[i], results[i]);
        emit logLine(reply.logLine);
        if (!results[i].error) {
            const QString low = lowStockAlert(m_companyFolder, requests[i].sku, results[i].outcome);
            if (!low.isEmpty())
                emit logLine(low);
        }
        QTcpSocket* socket = waiting[i].first;
        if (!socket)
            continue; // the client reset: the recording stands, nobody to tell
        socket->write(QByteArray(1, reply.reply));
        // Handed to the system at once: a client that has shut down its sending side makes
        // the socket close as soon as that is noticed, which would drop a reply still buffered.
        socket->flush();
    }
}

void SalesServer::dropOldestIdle() {
    // Beyond the cap the connection that has waited longest for its message goes, so idle
    // clients never keep real sales out. A connection whose message has arrived but is not read
    // yet is not idle: it is read now and answered like any other.
    for (;;) {
        QTcpSocket* oldest = nullptr;
        int least = std::numeric_limits<int>::max();
        for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
            if (it.value()->isActive() && it.value()->remainingTime() < least) {
                least = it.value()->remainingTime();
                oldest = it.key();
            }
        }
        if (!oldest)
            return;
        if (oldest->bytesAvailable() > 0 || oldest->waitForReadyRead(0)) {
            receive(oldest); // does nothing when readyRead has already taken the message
            continue;
        }
        if (!m_connections.contains(oldest))
            return; // it had closed: released, the cap holds
        emit logLine(QStringLiteral("Dropped idle connection with ") +
                     addressText(oldest->peerAddress()) + QLatin1Char('.'));
        oldest->abort();
        release(oldest);
        return;
    }
}

void SalesServer::release(QTcpSocket* socket) {
    // Closed connections are freed, so a server left running never runs out of them.
    if (m_connections.remove(socket))
        socket->deleteLater();
}
