// SPDX-License-Identifier: GPL-3.0-or-later
// Internet sales over loopback: sales per second against a company of 10,000 SKUs, one client
// at a time and ten at once. The server and the clients share one event loop, as a till network
// shares the server's single thread.

#include "bench/bench.h"

#include "manager/internet/salesserver.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"

#include <QDir>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace {
constexpr int kSkus = 10000;
constexpr int kSales = 300;

QString makeShop(const QString& workFolder) {
    const QString folder = companyFolder(workFolder, QStringLiteral("Shop"));
    QDir().mkpath(logsFolder(folder));
    QDir().mkpath(reportsFolder(folder));
    RecordFile prices;
    RecordFile stock;
    for (int i = 0; i < kSkus; ++i) {
        const QString sku = QStringLiteral("SKU%1").arg(i);
        prices.write(QStringLiteral("Cost"), sku, QStringLiteral("2.50"));
        prices.write(QStringLiteral("Prices"), sku, QStringLiteral("4.95"));
        prices.write(QStringLiteral("Tax"), sku, QString::number(i % 2));
        stock.write(QStringLiteral("Inventory"), sku, QStringLiteral("1000000"));
    }
    prices.save(priceLogPath(folder));
    stock.save(invCountPath(folder));
    return folder;
}

// Sends kSales sales with at most `clients` connections open; returns how many got "1".
int sell(quint16 port, int clients) {
    int next = 0;
    int answered = 0;
    int recorded = 0;
    QEventLoop loop;
    std::function<void()> sendNext = [&] {
        if (next >= kSales)
            return;
        const QByteArray message = QStringLiteral("SKU%1").arg((next++ * 7919) % kSkus).toLatin1();
        auto* socket = new QTcpSocket(&loop);
        QObject::connect(socket, &QTcpSocket::connected, socket,
                         [socket, message] { socket->write(message); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            recorded += socket->read(1) == "1";
            socket->deleteLater();
            if (++answered == kSales)
                loop.quit();
            sendNext();
        });
        socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    };
    for (int i = 0; i < clients; ++i)
        sendNext();
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    return recorded;
}
} // namespace

void benchServe(const QString& workFolder) {
    const QString folder = makeShop(workFolder);
    SalesServer server(folder);
    server.listen(0);
    for (int clients : {1, 10}) {
        int recorded = 0;
        const double ms = timeMs([&] { recorded = sell(server.port(), clients); });
        reportCase(QStringLiteral("serve"), kSkus, ms,
                   {{QStringLiteral("clients"), clients},
                    {QStringLiteral("sales"), kSales},
                    {QStringLiteral("recorded"), recorded},
                    {QStringLiteral("sales_per_second"), kSales * 1000.0 / ms}});
    }
}
