// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/salesserver.h"
#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/settings.h"
#include "tests/internet/salesclient.h"
#include "tests/support/testenvironment.h"

#include <QDate>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QThread>

#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
QString stock(const QString& folder, const QString& sku) {
    return GetINIString(QStringLiteral("Inventory"), sku, QStringLiteral("(none)"),
                        invCountPath(folder));
}

void setStock(const QString& folder, const QString& sku, const QString& count) {
    WriteINIString(QStringLiteral("Inventory"), sku, count, invCountPath(folder));
}

// A client that sends its message and shuts down its sending side at once, read with plain
// socket calls while the server in this thread runs.
QByteArray askHalfClosed(quint16 port, const QByteArray& message) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, message.constData(), size_t(message.size()), 0) == message.size() &&
        ::shutdown(fd, SHUT_WR) == 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && reply.isEmpty()) {
            QCoreApplication::processEvents();
            char byte = 0;
            const ssize_t got = ::recv(fd, &byte, 1, 0);
            if (got == 0)
                break;
            if (got == 1)
                reply += byte;
            else
                QThread::msleep(1);
        }
    }
    ::close(fd);
    return reply;
}
} // namespace

class SalesServerTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_env = std::make_unique<TestEnvironment>();
        m_folder = m_env->makeCompany(QStringLiteral("Shop"));
        m_server = std::make_unique<SalesServer>(m_folder);
        m_server->listen(QHostAddress::LocalHost, 0);
        m_log = std::make_unique<QSignalSpy>(m_server.get(), &SalesServer::logLine);
    }

    void cleanup() {
        m_log.reset();
        m_server.reset();
        m_env.reset();
    }

    // A client that shuts down its sending side after its message still gets its reply, and
    // idle connections beyond the cap give way to a real sale.
    void everyRealClientIsAnswered_data() {
        QTest::addColumn<bool>("halfClose");
        QTest::addColumn<int>("idle");
        QTest::newRow("half-closing client") << true << 0;
        QTest::newRow("300 idle connections") << false << 300;
    }
    void everyRealClientIsAnswered() {
        QFETCH(bool, halfClose);
        QFETCH(int, idle);
        setStock(m_folder, "A1", "5");
        std::vector<std::unique_ptr<QTcpSocket>> idlers;
        for (int i = 0; i < idle; ++i) {
            idlers.push_back(std::make_unique<QTcpSocket>());
            idlers.back()->connectToHost(QHostAddress::LocalHost, m_server->port());
        }
        QTRY_COMPARE_WITH_TIMEOUT(int(m_server->connectionsAccepted()), idle, 15000);
        QVERIFY(m_server->openConnections() <= 256);
        if (halfClose) {
            QCOMPARE(askHalfClosed(m_server->port(), "A1"), QByteArray("1"));
        } else {
            QCOMPARE(ask(m_server->port(), "A1"), QByteArray("1"));
        }
        QCOMPARE(stock(m_folder, "A1"), QStringLiteral("4"));
    }

    // Clients that all send before the server reads any of them: beyond the cap none of them
    // is dropped as idle, each gets its reply.
    void theCapNeverDropsAClientThatSent() {
        const int clients = 257;
        setStock(m_folder, "A1", "1000");
        std::vector<int> sockets;
        for (int i = 0; i < clients; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(m_server->port());
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            QCOMPARE(::send(fd, "A1", 2, 0), ssize_t(2));
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            sockets.push_back(fd);
        }
        QByteArray replies;
        const QDeadlineTimer deadline(20000);
        for (const int fd : sockets) {
            char byte = 0;
            ssize_t got = -1;
            while ((got = ::recv(fd, &byte, 1, 0)) < 0 && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            replies += got == 1 ? byte : '-';
            ::close(fd);
        }
        QCOMPARE(replies, QByteArray(clients, '1'));
        QCOMPARE(stock(m_folder, "A1"), QString::number(1000 - clients));
    }

    // The company held by another program beyond the client's patience: the client hears "0"
    // and the sale is not recorded late.
    void aMessageNotRecordedInTimeIsRefused() {
        setStock(m_folder, "A1", "5");
        m_server->setClientPatience(300);
        QSemaphore held;
        std::thread holder([&] {
            const CompanyLock lock(m_folder);
            held.release();
            QThread::msleep(1500);
        });
        held.acquire();
        QCOMPARE(ask(m_server->port(), "A1"), QByteArray("0"));
        holder.join();
        QTest::qWait(100);
        QCOMPARE(stock(m_folder, "A1"), QStringLiteral("5"));
    }

    void aSaleIsToldStepByStepAndRecorded() {
        setStock(m_folder, "A1", "5");
        WriteINIString("Prices", "A1", "10", priceLogPath(m_folder));
        WriteINIString("Tax", "A1", "0", priceLogPath(m_folder));
        QCOMPARE(ask(m_server->port(), "A1"), QByteArray("1"));
        QTRY_COMPARE(m_log->size(), 5);
        QStringList lines;
        for (const QList<QVariant>& signal : *m_log)
            lines << signal.first().toString();
        QCOMPARE(lines, (QStringList{"Connection request received.", "Connected to 127.0.0.1.",
                                     "Receiving data from 127.0.0.1.", "Received sale of SKU: A1.",
                                     "Data transfer comlete. Closed connection with 127.0.0.1."}));
        QCOMPARE(stock(m_folder, "A1"), QStringLiteral("4"));
        const QString daily = dailyPeriodFile(m_folder, QDate::currentDate());
        QCOMPARE(GetINIString("Sales", "A1", "", daily), QStringLiteral("1"));
        QCOMPARE(GetINIString("GrossSale", "A1", "", daily), QStringLiteral("10"));
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

    void repliesFollowTheStockRules_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("logLine");
        const auto row = [](const char* name, const char* stored, const char* message,
                            const char* reply, const char* after, const char* logLine) {
            QTest::newRow(name) << QString(stored) << QByteArray(message) << QByteArray(reply)
                                << QString(after) << QString(logLine);
        };
        row("count 1 sells", "1", "S", "1", "0", "Received sale of SKU: S.");
        row("count 0 refused", "0", "S", "2", "0",
            "Not enough of SKU S to process a sale, or S doesn't exist.");
        row("negative still sells", "-3", "S", "1", "-4", "Received sale of SKU: S.");
        row("halves to even", "2.5", "S", "1", "1", "Received sale of SKU: S.");
        row("return onto 0", "0", "!!S", "1", "1", "Received return for SKU: S.");
        row("CR LF stays in the SKU", "7", "S\r\n", "2", "7",
            "Not enough of SKU S\r\n to process a sale, or S\r\n doesn't exist.");
        row("not a number", "abc", "S", "0", "abc", "Error occured while receiving data.");
        row("return onto a bad count", "1.5.2", "!!S", "0", "1.5.2",
            "Error occured while receiving data.");
        // Counts read by the rules of every stored number, as the sale and statistics read them.
        row("exponent count", "1D1", "S", "1", "9", "Received sale of SKU: S.");
        row("grouped digits", "1,000", "S", "0", "1,000", "Error occured while receiving data.");
        row("return beyond 32 bits", "2147483647", "!!S", "0", "2147483647",
            "Error occured while receiving data.");
    }

    void repliesFollowTheStockRules() {
        QFETCH(QString, stored);
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, reply);
        QFETCH(QString, after);
        QFETCH(QString, logLine);
        setStock(m_folder, "S", stored);
        QCOMPARE(ask(m_server->port(), message), reply);
        QCOMPARE(stock(m_folder, "S"), after);
        QTRY_VERIFY(m_log->size() >= 4);
        QCOMPARE(m_log->at(3).first().toString(), logLine);
        const bool recorded = reply == "1";
        const QString daily = dailyPeriodFile(m_folder, QDate::currentDate());
        QCOMPARE(QFile::exists(daily), recorded);
    }

    void messagesWithoutAStockEntry() {
        QCOMPARE(ask(m_server->port(), "!!"), QByteArray("2"));
        QCOMPARE(ask(m_server->port(), "!"), QByteArray("2"));
        QCOMPARE(ask(m_server->port(), "!!Z9"), QByteArray("2"));
        QStringList told;
        for (const QList<QVariant>& signal : *m_log)
            told << signal.first().toString();
        QVERIFY(told.contains(" doesn't exist."));
        QVERIFY(told.contains("Not enough of SKU ! to process a sale, or ! doesn't exist."));
        QVERIFY(told.contains("Z9 doesn't exist."));
        QVERIFY(!QFile::exists(invCountPath(m_folder)));
    }

    void twoClientsAtOnceGetTheirOwnReplies() {
        setStock(m_folder, "A", "1");
        QTcpSocket first;
        QTcpSocket second;
        first.connectToHost("127.0.0.1", m_server->port());
        second.connectToHost("127.0.0.1", m_server->port());
        QTRY_COMPARE(m_server->openConnections(), 2);
        second.write("A");
        first.write("B");
        QTRY_VERIFY(first.bytesAvailable() > 0 && second.bytesAvailable() > 0);
        QCOMPARE(first.read(1), QByteArray("2"));
        QCOMPARE(second.read(1), QByteArray("1"));
    }

    void aSilentClientBlocksNobodyAndIsClosedWithoutReply() {
        m_server->setIdleTimeout(300);
        setStock(m_folder, "A", "9");
        QTcpSocket silent;
        silent.connectToHost("127.0.0.1", m_server->port());
        QTRY_COMPARE(m_server->openConnections(), 1);
        QCOMPARE(ask(m_server->port(), "A"), QByteArray("1"));
        QCOMPARE(silent.state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(silent.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(silent.bytesAvailable(), 0);
        QCOMPARE(m_server->openConnections(), 0);
    }

    void aClientLeavingBeforeTheReplyDoesNotStopTheServer() {
        setStock(m_folder, "A", "100");
        for (int i = 0; i < 20; ++i) {
            QTcpSocket leaving;
            leaving.connectToHost("127.0.0.1", m_server->port());
            QVERIFY(leaving.waitForConnected(2000));
            leaving.write("A");
            leaving.flush();
            leaving.abort();
        }
        QCOMPARE(ask(m_server->port(), "A"), QByteArray("1"));
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

    void aPortInUseIsAnError() {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        SalesServer second(m_folder);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, second.listen(holder.serverPort()));
    }

    void thePortComesFromTheSettings() {
        QCOMPARE(salesServerPort(), quint16(5723));
        settings::write("Server", "Port", "6100");
        QCOMPARE(salesServerPort(), quint16(6100));
    }

    void fortyThousandSequentialConnectionsAreServed() {
        const int connections = 40000;
        int refused = 0;
        for (int i = 0; i < connections; ++i)
            refused += ask(m_server->port(), "!!") == "2";
        QCOMPARE(refused, connections);
        QCOMPARE(m_server->connectionsAccepted(), qint64(connections));
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_folder;
    std::unique_ptr<SalesServer> m_server;
    std::unique_ptr<QSignalSpy> m_log;
};

QTEST_GUILESS_MAIN(SalesServerTest)
#include "tst_salesserver.moc"
