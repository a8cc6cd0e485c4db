// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/salesserver.h"

#include "manager/sales/batch.h"
#include "manager/sales/recording.h"
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

#include <limits>

namespace {

const int kMaxConnections = 256;
const QString kReturnMarker = QStringLiteral("!!");

QString addressText(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 =
        address.toIPv4Address(&isV4); // clients of the dual-stack socket come as ::ffff:a.b.c.d
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

// One unit through the core's recording, with the rule of the server and the batch.
SalesReply recordUnit(const QString& folder, const QString& sku, bool isReturn) {
    const SaleOutcome outcome =
        makeSale(folder, sku, Decimal(isReturn ? -1 : 1), TaxNotAsked, MissingStock::WholeUnits);
    switch (outcome.status) {
    case SaleStatus::Recorded:
        return {'1', (isReturn ? QStringLiteral("Received return for SKU: ")
                               : QStringLiteral("Received sale of SKU: ")) +
                         sku + QLatin1Char('.')};
    case SaleStatus::UnknownSku:
        return {'2', doesNotExistText(sku)};
    default:
        return {'2', scanNotEnoughText(sku)};
    }
}

} // namespace

SalesReply processSalesMessage(const QString& companyFolder, const QString& message) {
    try {
        if (message.startsWith(kReturnMarker))
            return recordUnit(companyFolder, message.mid(2), true);
        return recordUnit(companyFolder, message, false);
    } catch (const std::exception&) {
        return {'0', QStringLiteral("Error occured while receiving data.")};
    }
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
    const QByteArray bytes = socket->readAll();
    const SalesReply result = processSalesMessage(m_companyFolder, decodeStoreText(bytes));
    emit logLine(result.logLine);
    socket->write(QByteArray(1, result.reply));
    // Handed to the system at once: a client that has shut down its sending side makes the
    // socket close as soon as that is noticed, which would drop a reply still in the buffer.
    socket->flush();
}

void SalesServer::dropOldestIdle() {
    // Beyond the cap the connection that has waited longest for its message goes, so idle
    // clients never keep real sales out.
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
    emit logLine(QStringLiteral("Dropped idle connection with ") +
                 addressText(oldest->peerAddress()) + QLatin1Char('.'));
    oldest->abort();
    release(oldest);
}

void SalesServer::release(QTcpSocket* socket) {
    // Closed connections are freed, so a server left running never runs out of them.
    if (m_connections.remove(socket))
        socket->deleteLater();
}
