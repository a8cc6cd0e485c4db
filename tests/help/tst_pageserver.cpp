// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/pageserver.h"

#include <QDir>
#include <QHostAddress>

#include <QTcpSocket>
#include <QtTest>

namespace {

PropertyBag book(const QString& encrypt) {
    PropertyBag bag;
    if (!encrypt.isNull())
        bag.add(QStringLiteral("encrypt"), encrypt);
    const bool scrambled = encrypt.isNull() || encrypt == QLatin1String("True");
    const QString index = QStringLiteral("<title>Index</title>welcome");
    const QString upc = QStringLiteral("<title>UPC</title>barcode check digit");
    bag.add(QStringLiteral("/index.html"), scrambled ? Crypt(index) : index);
    bag.add(QStringLiteral("/upc.html"), scrambled ? Crypt(upc) : upc);
    bag.add(QStringLiteral("/logo.gif"), QString::fromLatin1("GIF\x89\xff", 5));
    // Written by hand: a scrambled book cannot hold it, so search must pass it by.
    bag.add(QStringLiteral("/euro.html"), QStringLiteral("<title>Euro</title>barcode check €"));
    return bag;
}

QByteArray bodyOf(const QByteArray& response) {
    return response.mid(response.indexOf("\r\n\r\n") + 4);
}

} // namespace

class tst_PageServer : public QObject {
    Q_OBJECT
private slots:
    void requestsGetTheirPages_data() {
        QTest::addColumn<QString>("encrypt");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("body");
        const QByteArray index = "<title>Index</title>welcome";
        const QByteArray missing = "Page or file not found.";
        QTest::newRow("root is the index")
            << "False" << QByteArray("GET / HTTP/1.1\r\n\r\n") << QByteArray("200 OK") << index;
        QTest::newRow("plain page as stored")
            << "False" << QByteArray("GET /upc.html HTTP/1.1") << QByteArray("200 OK")
            << QByteArray("<title>UPC</title>barcode check digit");
        QTest::newRow("scrambled page unscrambled")
            << "True" << QByteArray("GET / HTTP/1.0") << QByteArray("200 OK") << index;
        QTest::newRow("no encrypt entry means scrambled")
            << QString() << QByteArray("GET /INDEX.HTML HTTP/1.1") << QByteArray("200 OK") << index;
        QTest::newRow("gif as stored") << "True" << QByteArray("GET /logo.gif HTTP/1.1")
                                       << QByteArray("200 OK") << QByteArray("GIF\x89\xff", 5);
        QTest::newRow("query kept") << "False" << QByteArray("GET /upc.html?x=1 HTTP/1.1")
                                    << QByteArray("404 Not Found") << missing;
        QTest::newRow("no path") << "False" << QByteArray("GET") << QByteArray("404 Not Found")
                                 << missing;
    }
    void requestsGetTheirPages() {
        QFETCH(QString, encrypt);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        const QByteArray response = respond(book(encrypt), request);
        QVERIFY(response.startsWith("HTTP/1.0 " + status + "\r\n"));
        QVERIFY(response.contains("\r\nContent-Type: "));
        QCOMPARE(bodyOf(response), body);
    }

    void searchListsThePagesHoldingEveryWord_data() {
        QTest::addColumn<QString>("encrypt");
        QTest::newRow("scrambled") << "True";
        QTest::newRow("no encrypt entry") << QString();
    }
    void searchListsThePagesHoldingEveryWord() {
        QFETCH(QString, encrypt);
        const QByteArray response = respond(book(encrypt), "GET /search?q=CHECK+barcode HTTP/1.1");
        QVERIFY(response.startsWith("HTTP/1.0 200 OK\r\n"));
        const QByteArray page = bodyOf(response);
        QVERIFY(page.contains("<a href=\"upc.html\">UPC</a>"));
        QVERIFY(!page.contains("<a href=\"index.html\">Index</a>"));
        QVERIFY(!page.contains("euro.html"));
    }

    void aConnectionIsAnsweredOnceThenClosed() {
        const PropertyBag bag = book("False");
        PageServer server(bag);
        server.listen(0);
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(client.waitForConnected(5000));
        client.write("GET /upc.html HTT");
        client.flush();
        QTRY_VERIFY(client.state() == QAbstractSocket::UnconnectedState || client.bytesAvailable());
        client.write("P/1.1\r\n\r\n");
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
        const QByteArray answer = client.readAll();
        QCOMPARE(answer.count("HTTP/1.0"), 1);
        QVERIFY(answer.contains("barcode"));
    }

    void aForeignAddressIsNeverAnswered() {
        const PropertyBag bag = book("False");
        PageServer server(bag);
        server.listen(0);
        QTcpSocket client;
        QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.2"))));
        client.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(client.waitForConnected(5000));
        client.write("GET / HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(client.readAll(), QByteArray());
    }

    // The pictures of the windows that the build appends are served as PNG pictures, byte for
    // byte as taken.
    void theBuiltBookServesItsPictures_data() {
        QTest::addColumn<QString>("name");
        const QDir shots(QStringLiteral(TALLYVANE_SHOTS_DIR));
        const QStringList names = shots.entryList({QStringLiteral("shot-*.png")}, QDir::Files);
        QVERIFY2(!names.isEmpty(), "the build took no pictures");
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }
    void theBuiltBookServesItsPictures() {
        QFETCH(QString, name);
        static const PropertyBag bag = readBookFile(qEnvironmentVariable("TALLYVANE_BINARY_DIR") +
                                                    QStringLiteral("/tallyvane-help"))
                                           .bag;
        QFile file(QDir(QStringLiteral(TALLYVANE_SHOTS_DIR)).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray response = respond(bag, "GET /" + name.toLatin1() + " HTTP/1.1\r\n\r\n");
        QVERIFY(response.startsWith("HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n"));
        QCOMPARE(bodyOf(response), file.readAll());
    }
};

QTEST_GUILESS_MAIN(tst_PageServer)
#include "tst_pageserver.moc"
