#include "manager/internet/salesserver.h"

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

namespace {

const QString kInventory = QStringLiteral("Inventory");
const QString kReturnMarker = QStringLiteral("!!");

QString addressText(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 =
        address.toIPv4Address(&isV4); // clients of the dual-stack socket come as ::ffff:a.b.c.d
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

// The stock changes first, then the period files. The item's prices are checked before the
// stock is written, so a bad price record leaves the stock as it was.
void record(const QString& folder, const QString& sku, Movement movement,
            const std::function<void()>& writeStock) {
    int taxAnswer = TaxNotAsked;
    saleAmounts(folder, sku, Decimal(1), TaxYes);
    writeStock();
    recordMovement(folder, movement, sku, Decimal(1), taxAnswer);
}

SalesReply recordReturn(const QString& folder, const QString& sku) {
    const QString stockFile = invCountPath(folder);
    if (GetINIString(kInventory, sku, QStringLiteral("None"), stockFile) == QLatin1String("None"))
        return {'2', sku + QStringLiteral(" doesn't exist.")};
    const qint32 count = CInt(GetINIString(kInventory, sku, QString(), stockFile));
    record(folder, sku, Movement::Return,
           [&] { WriteINIString(kInventory, sku, QString::number(qint64(count) + 1), stockFile); });
    return {'1', QStringLiteral("Received return for SKU: ") + sku + QLatin1Char('.')};
}

SalesReply recordSale(const QString& folder, const QString& sku) {
    const QString stockFile = invCountPath(folder);
    // Only the exact text "0" is refused: a negative count still sells.
    if (GetINIString(kInventory, sku, QStringLiteral("0"), stockFile) == QLatin1String("0"))
        return {'2', QStringLiteral("Not enough of SKU %1 to process a sale, or %1 doesn't exist.")
                         .arg(sku)};
    const qint32 count = CInt(GetINIString(kInventory, sku, QString(), stockFile));
    record(folder, sku, Movement::Sale,
           [&] { WriteINIString(kInventory, sku, QString::number(qint64(count) - 1), stockFile); });
    return {'1', QStringLiteral("Received sale of SKU: ") + sku + QLatin1Char('.')};
}

} // namespace

SalesReply processSalesMessage(const QString& companyFolder, const QString& message) {
    try {
        if (message.startsWith(kReturnMarker))
            return recordReturn(companyFolder, message.mid(2));
        return recordSale(companyFolder, message);
    } catch (const std::exception&) {
        return {'0', QStringLiteral("Error occured while receiving data.")};
    }
}

quint16 salesServerPort() {
    const int port = int(Val(settings::serverPort()));
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
    if (!m_server->listen(QHostAddress::Any, port)) {
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
        ++m_accepted;
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        m_connections.insert(socket, idle);
        connect(idle, &QTimer::timeout, socket, [this, socket] {
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
}

void SalesServer::release(QTcpSocket* socket) {
    // Closed connections are freed, so a server left running never runs out of them.
    if (m_connections.remove(socket))
        socket->deleteLater();
}
