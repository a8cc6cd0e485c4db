// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/storefront.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QTest>
#include <QUrlQuery>

class StorefrontTest : public QObject {
    Q_OBJECT
private slots:
    void walksFilesInOrderWithStoredPrices() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Corner Shop");
        fixture::writeTitle(folder, "Toys", "Kite", "K1");
        fixture::writeTitle(folder, "Books", "Atlas & Maps", "B 1");
        fixture::writeTitle(folder, "Books", "Zebra", "B2");
        fixture::writeItem(folder, "B 1", "12.5", "1", "1", "1");
        fixture::writeItem(folder, "K1", "3.00", "1", "1", "1");
        QStringList walked;
        for (const storefront::Item& item : storefront::walkItems(folder))
            walked << item.profitCenter + "|" + item.title + "|" + item.sku + "|" + item.price +
                          "|" + item.image;
        QCOMPARE(walked, QStringList({"Books|Atlas & Maps|B 1|12.5|images/B 1.jpg",
                                      "Books|Zebra|B2|0.00|images/B2.jpg",
                                      "Toys|Kite|K1|3.00|images/K1.jpg"}));
        QVERIFY(storefront::walkItems(env.root() + "Missing/").isEmpty());
        QVERIFY(storefront::walkItems(QString()).isEmpty());
    }

    void settingsRoundTripInOrder() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Corner Shop");
        const storefront::Settings fresh = storefront::readSettings(folder);
        QCOMPARE(fresh.location, QStringLiteral("http://www.example.com/cgi-bin/storefront.cgi"));
        QCOMPARE(fresh.action, QStringLiteral("new"));
        QVERIFY(!fresh.leaveBlank);
        storefront::writeSettings(folder, {"https://shop.test/s.cgi", "ann", "pw", "root", "add", true});
        QCOMPARE(TestEnvironment::readBytes(storefrontPath(folder)),
                 QByteArray("Script\\Location=https://shop.test/s.cgi\r\nScript\\Username=ann\r\n"
                            "Script\\Password=pw\r\nScript\\Admin=root\r\nScript\\Action=add\r\n"
                            "Script\\Leaveblank=True\r\n"));
        QVERIFY(storefront::readSettings(folder).leaveBlank);
    }

    void valuesReachTheScriptAsTyped_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("sku");
        QTest::addColumn<bool>("leaveBlank");
        QTest::newRow("plain") << "Kite" << "K1" << false;
        QTest::newRow("separators") << "Salt & Pepper = 2 #1" << "A&B 7" << false;
        QTest::newRow("accents and plus") << "Café crème+" << "é/1?" << true;
    }
    void valuesReachTheScriptAsTyped() {
        QFETCH(QString, title);
        QFETCH(QString, sku);
        QFETCH(bool, leaveBlank);
        const storefront::Settings values{"http://127.0.0.1/cgi-bin/s.cgi", "a&n", "p w", "x", "new",
                                          leaveBlank};
        const storefront::Item item{title, sku, "0.00", storefront::imagePath(sku, leaveBlank),
                                    "Tools & Toys"};
        const QString address = storefront::addAddress(values, item);
        QVERIFY(address.startsWith("http://127.0.0.1/cgi-bin/s.cgi?action=new&TITLE="));
        QCOMPARE(address.contains("&IMAGE=&PRICE="), leaveBlank);
        const QUrlQuery query(QUrl::fromEncoded(address.toUtf8()));
        QStringList keys;
        for (const auto& pair : query.queryItems(QUrl::FullyDecoded))
            keys << pair.first + "=" + pair.second;
        QCOMPARE(keys, QStringList({"action=new", "TITLE=" + title, "SKU=" + sku,
                                    "IMAGE=" + (leaveBlank ? QString() : "images/" + sku + ".jpg"),
                                    "PRICE=0.00", "USERNAME=a&n", "PASSWORD=p w",
                                    "CATEGORY=Tools & Toys"}));
        const QUrlQuery removal(QUrl::fromEncoded(
            storefront::deleteAddress(values, sku, "Tools & Toys").toUtf8()));
        QCOMPARE(removal.queryItemValue("SKU", QUrl::FullyDecoded), sku);
        QCOMPARE(removal.queryItemValue("PASSWORD"), QStringLiteral("x"));
    }

    void onlyWebAddressesAreOpened_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("web");
        QTest::newRow("http") << "http://shop.test/cgi-bin/s.cgi" << true;
        QTest::newRow("https upper") << "HTTPS://shop.test/s.cgi" << true;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("no host") << "http:///s.cgi" << false;
        QTest::newRow("bare path") << "shop.test/s.cgi" << false;
        QTest::newRow("empty") << "" << false;
    }
    void onlyWebAddressesAreOpened() {
        QFETCH(QString, location);
        QFETCH(bool, web);
        QCOMPARE(storefront::isWebAddress(location + "?action=new&TITLE=a%20b"), web);
    }
};

QTEST_GUILESS_MAIN(StorefrontTest)
#include "tst_storefront.moc"
