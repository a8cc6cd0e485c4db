// SPDX-License-Identifier: GPL-3.0-or-later
// The company store: names that stay inside it, company and profit-center listings, items with
// the readers' defaults.

#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QtTest>

namespace {
void check(const StoreItem& item, const QStringList& expected) {
    QCOMPARE(QStringList({item.title, item.sku, item.cost, item.price, item.stock, item.tax}),
             expected);
}
} // namespace

class TestCompanyStore : public QObject {
    Q_OBJECT

private slots:
    void storeNamesStayInsideStore() {
        for (const QString& bad :
             {QString(), QString("."), QString(".."), QString("a/b"), QString("a\\b"), QString("/"),
              QString("tab\there"), QString("line\nbreak"), QString("nul") + QChar(0),
              QString("del") + QChar(0x7f), QString("c1") + QChar(0x85)}) {
            QVERIFY2(!isStoreName(bad), qPrintable(bad));
            try {
                checkStoreName(bad);
                QFAIL("name accepted");
            } catch (const RuntimeError& error) {
                QCOMPARE(error.number(), 52);
                QCOMPARE(error.description(), QString("Bad file name or number"));
            }
        }
        for (const QString& good :
             {QString("Acme"), QString("Acme Hardware & Co."), QString(u"Café Müller"_qs),
              QString("..."), QString(".hidden"), QString(" "), QString("notes.txt")}) {
            QVERIFY2(isStoreName(good), qPrintable(good));
            checkStoreName(good);
        }
    }

    void pathsInsideCompanyFolder() {
        TestEnvironment env;
        QCOMPARE(companyRoot(), env.root());
        // A root stored without its trailing separator still separates the company name.
        settings::write("Path", "Company", env.base() + "/Companies");
        QCOMPARE(companyRoot(), env.root());
        // A blank root is the default root, never the file system's root.
        for (const char* blank : {"", "  "}) {
            settings::write("Path", "Company", blank);
            QCOMPARE(companyRoot(), defaultCompanyRoot());
        }
        const QString folder = companyFolder(env.base() + "/Companies", "Acme");
        QCOMPARE(folder, env.root() + "Acme/");
        QCOMPARE(priceLogPath(folder), folder + "Logs/PriceLog");
        QCOMPARE(invCountPath(folder), folder + "Logs/InvCount");
        QCOMPARE(storefrontPath(folder), folder + "Logs/Storefront");
        QCOMPARE(logsFolder(folder), folder + "Logs/");
        QCOMPARE(reportsFolder(folder), folder + "Reports/");
    }

    void companiesAreSubFoldersSortedIgnoringCase() {
        TestEnvironment env;
        for (const char* name : {"beta", "Alpha", "alpha2", "Zed", "ALPHA1"})
            env.makeCompany(name);
        TestEnvironment::writeBytes(env.root() + "stray file", "x");
        QCOMPARE(listCompanies(env.root()),
                 QStringList({"Alpha", "ALPHA1", "alpha2", "beta", "Zed"}));
        try {
            listCompanies(env.base() + "/missing/");
            QFAIL("missing root listed");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 76);
        }
    }

    void profitCentersAreFilesSortedIgnoringCase() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        QCOMPARE(listProfitCenters(folder), QStringList());
        for (const char* name : {"kitchen", "Garden", "notes.txt", "Zoo", ".hidden"})
            TestEnvironment::writeBytes(folder + name, "");
        QDir().mkdir(folder + "Sub");
        QCOMPARE(listProfitCenters(folder),
                 QStringList({".hidden", "Garden", "kitchen", "notes.txt", "Zoo"}));
    }

    void itemsReadWithDefaults() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        TestEnvironment::writeBytes(folder + "Kitchen", "Titles\\Blue mug=A100\r\n"
                                                        "Notes\\Blue mug=not an item\r\n"
                                                        "titles\\lower=Z1\r\n"
                                                        "Titles\\2=1 deal=B200\r\n"
                                                        "a line of another shape\r\n"
                                                        "\r\n"
                                                        "Titles\\Unpriced=C300\r\n"
                                                        "Titles\\Blue mug=C300\r\n");
        TestEnvironment::writeBytes(folder + "Gifts", "Titles\\Mug, blue=A100\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\A100=2.10\r\nPrices\\A100=4.95\r\nTax\\A100=0\r\n");
        TestEnvironment::writeBytes(invCountPath(folder), "Inventory\\A100=12\r\n");

        const QVector<StoreItem> items = readItems(folder, "Kitchen");
        QCOMPARE(items.size(), 4);
        check(items[0], {"Blue mug", "A100", "2.10", "4.95", "12", "0"});
        // A title holding "=" is cut at its first "=", and that shorter title is looked up.
        check(items[1], {"2", "1 deal=B200", "0.00", "0.00", "0", "1"});
        check(items[2], {"Unpriced", "C300", "0.00", "0.00", "0", "1"});
        // A repeated title is an item again, with the SKU of the title's first line.
        check(items[3], {"Blue mug", "A100", "2.10", "4.95", "12", "0"});
        // Titles in two profit centers pointing to one SKU share its records.
        check(readItems(folder, "Gifts").value(0),
              {"Mug, blue", "A100", "2.10", "4.95", "12", "0"});
        QVERIFY(readItems(folder, "Missing").isEmpty());
    }

    void companyWalkGivesEachProfitCentersItems() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        TestEnvironment::writeBytes(folder + "Kitchen",
                                    "Titles\\Mug=A100\r\nTitles\\Bowl=D400\r\n");
        // The SKU holding "=" stands in the second profit center only.
        TestEnvironment::writeBytes(folder + "Gifts",
                                    "Titles\\Gift mug=A100\r\nTitles\\Deal=1 off=B200\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\A100=2.10\r\nCost\\1 off=B200=3.00\r\n"
                                    "Prices\\A100=4.95\r\n");
        TestEnvironment::writeBytes(invCountPath(folder),
                                    "Inventory\\1 off=B200=4\r\nInventory\\A100=12\r\n");
        const QVector<StoreItem> expected =
            readItems(folder, "Kitchen") + readItems(folder, "Gifts");
        check(expected[3], {"Deal", "1 off=B200", "3.00", "0.00", "4", "1"});

        QVector<StoreItem> walked;
        QList<int> done;
        QVERIFY(forEachItem(
            folder, {"Kitchen", "Gifts", "Missing"}, [&](const StoreItem& item) { walked << item; },
            [&](int centers) {
                done << centers;
                return true;
            }));
        QCOMPARE(done, QList<int>({1, 2, 3}));
        QCOMPARE(walked.size(), expected.size());
        for (int i = 0; i < walked.size(); ++i)
            check(walked[i], {expected[i].title, expected[i].sku, expected[i].cost,
                              expected[i].price, expected[i].stock, expected[i].tax});
        // Stopped after the first profit center.
        walked.clear();
        QVERIFY(!forEachItem(
            folder, {"Kitchen", "Gifts"}, [&](const StoreItem& item) { walked << item; },
            [](int) { return false; }));
        QCOMPARE(walked.size(), 2);
    }

    void itemsOfOlderInstallationKeepTheirSku() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        TestEnvironment::writeBytes(
            folder + "Bakery",
            TestEnvironment::readBytes(qEnvironmentVariable("TALLYVANE_TEST_DATA") +
                                       "/store/cp1252-crlf.txt"));
        WriteINIString("Inventory", "C100", "7", invCountPath(folder));
        const QVector<StoreItem> items = readItems(folder, "Bakery");
        QCOMPARE(items.size(), 3);
        check(items[0], {u"Café au lait"_qs, "C100", "0.00", "0.00", "7", "1"});
        check(items[2], {u"Crème brûlée"_qs, "C200", "0.00", "0.00", "0", "1"});
    }

    // The fast listing finds a record by the same rules as GetINIString, whichever encoding
    // each line of the three files is written in.
    void itemsFoundAsARecordReadFindsThem_data() {
        QTest::addColumn<QByteArray>("titleLine");
        QTest::addColumn<QByteArray>("sku");
        QTest::addColumn<QByteArray>("recordSku");
        const QByteArray utf8Sku = "SK\xC3\xA9", legacySku = "SK\xE9";
        QTest::newRow("utf8 everywhere")
            << QByteArray("Titles\\Caf\xC3\xA9=") << utf8Sku << utf8Sku;
        QTest::newRow("legacy everywhere")
            << QByteArray("Titles\\Caf\xE9=") << legacySku << legacySku;
        QTest::newRow("utf8 title, legacy records")
            << QByteArray("Titles\\Caf\xC3\xA9=") << utf8Sku << legacySku;
        QTest::newRow("legacy title, utf8 records")
            << QByteArray("Titles\\Caf\xE9=") << legacySku << utf8Sku;
        QTest::newRow("mixed title line")
            << QByteArray("Titles\\Caf\xC3\xA9=") << legacySku << legacySku;
    }
    void itemsFoundAsARecordReadFindsThem() {
        QFETCH(QByteArray, titleLine);
        QFETCH(QByteArray, sku);
        QFETCH(QByteArray, recordSku);
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        TestEnvironment::writeBytes(folder + "Bakery", titleLine + sku + "\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\" + recordSku + "=2.00\r\nPrices\\" + recordSku +
                                        "=3.50\r\nTax\\" + recordSku + "=0\r\n");
        TestEnvironment::writeBytes(invCountPath(folder), "Inventory\\" + recordSku + "=5\r\n");

        const QVector<StoreItem> items = readItems(folder, "Bakery");
        QCOMPARE(items.size(), 1);
        const StoreItem& item = items[0];
        QCOMPARE(GetINIString("Titles", item.title, "?", folder + "Bakery"), item.sku);
        QCOMPARE(QStringList({item.cost, item.price, item.tax, item.stock}),
                 QStringList({GetINIString("Cost", item.sku, "0.00", priceLogPath(folder)),
                              GetINIString("Prices", item.sku, "0.00", priceLogPath(folder)),
                              GetINIString("Tax", item.sku, "1", priceLogPath(folder)),
                              GetINIString("Inventory", item.sku, "0", invCountPath(folder))}));
        QCOMPARE(item.sku, u"SK\u00e9"_qs);
        QCOMPARE(QStringList({item.cost, item.price, item.tax, item.stock}),
                 QStringList({"2.00", "3.50", "0", "5"}));
    }
    // The walk finds each SKU's first record whatever order the record files hold them in, also
    // when they hold many more SKUs than the titles point to.
    void walkFindsFirstRecordsInAnyOrder_data() {
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<int>("repeatEvery"); // a second, later record of every n-th SKU
        QTest::addColumn<int>("repeatGap");   // how many SKUs later it stands
        QTest::newRow("item by item") << false << 0 << 0;
        QTest::newRow("reversed") << true << 0 << 0;
        QTest::newRow("repeated at once") << false << 3 << 0;
        QTest::newRow("repeated further on") << false << 3 << 40;
        QTest::newRow("reversed and repeated") << true << 2 << 7;
    }
    void walkFindsFirstRecordsInAnyOrder() {
        QFETCH(bool, reversed);
        QFETCH(int, repeatEvery);
        QFETCH(int, repeatGap);
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        const int skus = 400, titled = 60;
        QByteArray titles, prices, stock;
        for (int i = 0; i < titled; ++i)
            titles +=
                "Titles\\Item " + QByteArray::number(i) + "=S" + QByteArray::number(i * 5) + "\r\n";
        QList<QByteArray> pending; // repeats, each written repeatGap SKUs later
        for (int n = 0; n < skus; ++n) {
            const QByteArray id = "S" + QByteArray::number(reversed ? skus - 1 - n : n);
            const QByteArray v = QByteArray::number(n);
            prices += "Cost\\" + id + "=" + v + ".10\r\nPrices\\" + id + "=" + v + ".20\r\nTax\\" +
                      id + "=" + QByteArray::number(n % 2) + "\r\n";
            stock += "Inventory\\" + id + "=" + v + "\r\n";
            if (repeatEvery && n % repeatEvery == 0)
                pending << "Cost\\" + id + "=9.99\r\nInventory\\" + id + "=-1\r\n";
            while (pending.size() > repeatGap) {
                const QByteArray repeat = pending.takeFirst();
                const qsizetype split = repeat.indexOf('\n') + 1;
                prices += repeat.left(split);
                stock += repeat.mid(split);
            }
        }
        TestEnvironment::writeBytes(folder + "Main", titles);
        TestEnvironment::writeBytes(priceLogPath(folder), prices);
        TestEnvironment::writeBytes(invCountPath(folder), stock);

        const RecordFile priceLog = RecordFile::load(priceLogPath(folder));
        const RecordFile invCount = RecordFile::load(invCountPath(folder));
        int walked = 0;
        forEachItem(folder, {"Main"}, [&](const StoreItem& item) {
            ++walked;
            check(item, {item.title, item.sku, priceLog.value("Cost", item.sku, "?"),
                         priceLog.value("Prices", item.sku, "?"),
                         invCount.value("Inventory", item.sku, "?"),
                         priceLog.value("Tax", item.sku, "?")});
        });
        QCOMPARE(walked, titled);
    }

    // Records not asked for are neither decoded nor, with none asked for, read.
    void walkGivesTheFieldsAskedFor_data() {
        QTest::addColumn<int>("fields");
        QTest::addColumn<QStringList>("expected"); // cost, price, stock, tax
        QTest::newRow("none") << 0 << QStringList({"", "", "", ""});
        QTest::newRow("stock and cost")
            << int(ItemField::Stock | ItemField::Cost) << QStringList({"2.10", "", "12", ""});
        QTest::newRow("price") << int(ItemField::Price) << QStringList({"", "4.95", "", ""});
        QTest::newRow("all") << int(ItemField::Cost | ItemField::Price | ItemField::Tax |
                                    ItemField::Stock)
                             << QStringList({"2.10", "4.95", "12", "0"});
    }
    void walkGivesTheFieldsAskedFor() {
        QFETCH(int, fields);
        QFETCH(QStringList, expected);
        TestEnvironment env;
        const QString folder = env.makeCompany("Acme");
        TestEnvironment::writeBytes(folder + "Kitchen", "Titles\\Mug=A100\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\A100=2.10\r\nPrices\\A100=4.95\r\nTax\\A100=0\r\n");
        TestEnvironment::writeBytes(invCountPath(folder), "Inventory\\A100=12\r\n");
        QVector<StoreItem> items;
        forEachItem(
            folder, {"Kitchen"}, [&](const StoreItem& item) { items << item; }, {},
            ItemFields::fromInt(fields));
        QCOMPARE(items.size(), 1);
        check(items[0], QStringList({"Mug", "A100"}) + expected);
    }
};

QTEST_GUILESS_MAIN(TestCompanyStore)
#include "tst_companystore.moc"
