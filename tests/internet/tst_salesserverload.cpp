// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/salesserver.h"
#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/settings.h"
#include "tests/internet/salesclient.h"
#include "tests/support/testenvironment.h"

#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTest>

#include <functional>

namespace {

struct Message {
    int item = 0;
    bool isReturn = false;
    char reply = 0;
};

// Money in cents, so the expected totals are exact.
QString centsText(qint64 cents) {
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    cents = qAbs(cents);
    QString text = sign + QString::number(cents / 100);
    const qint64 rest = cents % 100;
    if (rest != 0)
        text += QLatin1Char('.') + (rest % 10 == 0
                                        ? QString::number(rest / 10)
                                        : QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0')));
    return text;
}

// price × 1.079 rounded to cents, halves to even.
qint64 taxedCents(qint64 priceCents) {
    const qint64 thousandths = priceCents * 1079; // in 1/1000 cent
    qint64 whole = thousandths / 1000;
    const qint64 rest = thousandths % 1000;
    if (rest > 500 || (rest == 500 && whole % 2 == 1))
        ++whole;
    return whole;
}

} // namespace

class SalesServerLoadTest : public QObject {
    Q_OBJECT
private slots:
    void twentyClientsAtOnceLoseNothing() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        settings::write("Tax", "Percent", "7.9");
        const int items = 1000;
        QVector<qint64> priceCents(items);
        QVector<qint64> costCents(items);
        QVector<bool> taxable(items);
        QVector<int> stock(items);
        QRandomGenerator random(20261207);
        RecordFile prices;
        RecordFile counts;
        for (int i = 0; i < items; ++i) {
            const QString sku = QStringLiteral("SKU%1").arg(i);
            priceCents[i] = 1 + random.bounded(20000);
            costCents[i] = random.bounded(int(priceCents[i]) + 1);
            taxable[i] = i % 2 == 0;
            stock[i] = random.bounded(4);
            prices.write("Prices", sku, centsText(priceCents[i]));
            prices.write("Cost", sku, centsText(costCents[i]));
            prices.write("Tax", sku, taxable[i] ? "1" : "0");
            counts.write("Inventory", sku, QString::number(stock[i]));
        }
        prices.save(priceLogPath(folder));
        counts.save(invCountPath(folder));

        SalesServer server(folder);
        server.listen(0);

        const int total = 5000;
        const int concurrent = 20;
        QVector<Message> messages(total);
        for (Message& message : messages) {
            message.item = random.bounded(items);
            message.isReturn = random.bounded(10) < 3;
        }
        int next = 0;
        int answered = 0;
        QEventLoop loop;
        std::function<void()> sendNext = [&] {
            if (next >= total)
                return;
            Message* message = &messages[next++];
            auto* socket = new QTcpSocket(&loop);
            const QByteArray text = (message->isReturn ? QByteArray("!!") : QByteArray()) +
                                    QStringLiteral("SKU%1").arg(message->item).toLatin1();
            connect(socket, &QTcpSocket::connected, socket,
                    [socket, text] { socket->write(text); });
            connect(socket, &QTcpSocket::readyRead, socket, [&, socket, message] {
                message->reply = socket->read(1).at(0);
                socket->deleteLater();
                if (++answered == total)
                    loop.quit();
                sendNext();
            });
            socket->connectToHost("127.0.0.1", server.port());
        };
        for (int i = 0; i < concurrent; ++i)
            sendNext();
        QTimer::singleShot(240000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(answered, total);

        int sales = 0;
        int returns = 0;
        qint64 gross = 0;
        qint64 net = 0;
        qint64 tax = 0;
        for (const Message& message : messages) {
            QVERIFY2(message.reply == '1' || message.reply == '2', "every reply is 1 or 2");
            if (message.reply != '1')
                continue;
            const int i = message.item;
            const int sign = message.isReturn ? -1 : 1;
            const qint64 unitGross = taxable[i] ? taxedCents(priceCents[i]) : priceCents[i];
            gross += sign * unitGross;
            net += sign * (unitGross - costCents[i]);
            tax += sign * (unitGross - priceCents[i]);
            stock[i] -= sign;
            (message.isReturn ? returns : sales) += 1;
        }
        QVERIFY(sales > 0 && returns > 0);

        const RecordFile storedCounts = RecordFile::load(invCountPath(folder));
        for (int i = 0; i < items; ++i)
            QCOMPARE(storedCounts.value("Inventory", QStringLiteral("SKU%1").arg(i), "?"),
                     QString::number(stock[i]));
        for (const QString& period : {dailyPeriodFile(folder, QDate::currentDate()),
                                      monthlyPeriodFile(folder, QDate::currentDate())}) {
            const RecordFile file = RecordFile::load(period);
            QCOMPARE(file.value("Totals", "Sales", "0"), QString::number(sales));
            QCOMPARE(file.value("Totals", "Returns", "0"), QString::number(returns));
            QCOMPARE(file.value("Totals", "GrossSale", "0"), centsText(gross));
            QCOMPARE(file.value("Totals", "NetProfit", "0"), centsText(net));
            QCOMPARE(file.value("Totals", "Tax", "0"), centsText(tax));
        }

        // The server still answers.
        QCOMPARE(ask(server.port(), "!!SKU0"), QByteArray("1"));
    }
};

QTEST_GUILESS_MAIN(SalesServerLoadTest)
#include "tst_salesserverload.moc"
