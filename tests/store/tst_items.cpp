// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/itemmodel.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"
#include "manager/store/recordfile.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {
// The listing as single record reads give it, one key at a time: what the one-pass listing
// must match.
QVector<StoreItem> itemsOneReadAtATime(const QString& folder, const QString& profitCenter) {
    const RecordFile titles = RecordFile::load(folder + profitCenter);
    const RecordFile prices = RecordFile::load(priceLogPath(folder));
    const RecordFile stock = RecordFile::load(invCountPath(folder));
    QVector<StoreItem> items;
    for (const QString& title : titles.keys("Titles")) {
        StoreItem item;
        item.title = title;
        item.sku = titles.value("Titles", title, QString());
        item.cost = prices.value("Cost", item.sku, "0.00");
        item.price = prices.value("Prices", item.sku, "0.00");
        item.tax = prices.value("Tax", item.sku, "1");
        item.stock = stock.value("Inventory", item.sku, "0");
        items.push_back(item);
    }
    return items;
}
} // namespace

// The store side of items and profit centers: money texts, sort orders, saving with its
// questions, and which SKU records survive removals.
class tst_items : public QObject {
    Q_OBJECT

private:
    static QByteArray bytes(const QString& path) { return TestEnvironment::readBytes(path); }

    // Kitchen: Blue mug -> A100, Plate -> P1; Gifts: Mug, blue -> A100.
    static QString sharedStore(const TestEnvironment& env) {
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        TestEnvironment::writeBytes(folder + "Kitchen",
                                    "Titles\\Blue mug=A100\r\nTitles\\Plate=P1\r\n");
        TestEnvironment::writeBytes(folder + "Gifts", "Titles\\Mug, blue=A100\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\A100=2.10\r\nPrices\\A100=4.95\r\nTax\\A100=1\r\n"
                                    "Cost\\P1=1.00\r\nPrices\\P1=3.00\r\nTax\\P1=0\r\n");
        TestEnvironment::writeBytes(invCountPath(folder),
                                    "Inventory\\A100=12\r\nInventory\\P1=4\r\n");
        return folder;
    }

    static ItemRecord item(const QString& pc, const QString& title, const QString& sku,
                           const QString& cost, const QString& price, const QString& stock,
                           int tax = 1) {
        ItemRecord r;
        r.profitCenter = pc;
        r.title = title;
        r.sku = sku;
        r.cost = cost;
        r.price = price;
        r.inStock = stock;
        r.tax = tax;
        return r;
    }

private slots:
    void showMoneyFormatsTheLeadingNumber_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one decimal") << "12.5"
                                     << "12.50";
        QTest::newRow("whole") << "3"
                               << "3.00";
        QTest::newRow("rounds up") << "4.999"
                                   << "5.00";
        QTest::newRow("no number") << "abc"
                                   << "0.00";
        QTest::newRow("trailing words") << "7 dollars"
                                        << "7.00";
        QTest::newRow("large") << "1234567.891"
                               << "1234567.89";
        QTest::newRow("negative") << "-4.5"
                                  << "-4.50";
        QTest::newRow("negative rounding to zero") << "-0.001"
                                                   << "0.00";
        QTest::newRow("leading blanks") << "  .5"
                                        << "0.50";
        // Halves round away from zero, exactly: binary doubles made 1.005 show 1.00.
        QTest::newRow("half cent up") << "1.005"
                                      << "1.01";
        QTest::newRow("half cent odd") << "2.345"
                                       << "2.35";
        QTest::newRow("half cent negative") << "-1.005"
                                            << "-1.01";
        QTest::newRow("under half") << "1.0049999"
                                    << "1.00";
    }
    void showMoneyFormatsTheLeadingNumber() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(ShowMoney(typed), shown);
    }

    void stockTextKeepsTheAbsoluteLeadingNumber() {
        QCOMPARE(stockText("-3"), QString("3"));
        QCOMPARE(stockText("2.5"), QString("2.5"));
        QCOMPARE(stockText("12 pcs"), QString("12"));
        QCOMPARE(stockText("abc"), QString("0"));
        QCOMPARE(stockText("-0"), QString("0"));
    }

    void sortOrdersAreTextCaseSensitiveAndNumeric() {
        ItemModel model;
        model.setItems({{"banana", "b2", "12.50", "1", "10", "1"},
                        {"Cherry", "B1", "5", "3", "-2", "1"},
                        {"apple", "a3", "0.75", "2", "9", "1"},
                        {"Apple", "A4", "5", "0.5", "abc", "1"}});
        auto column = [&](int c) {
            QStringList texts;
            for (int r = 0; r < model.rowCount(); ++r)
                texts << model.cellText(r, c);
            return texts;
        };
        model.sortByColumn(ItemModel::columnForSortEntry("Title"));
        QCOMPARE(column(0), QStringList({"Apple", "Cherry", "apple", "banana"}));
        model.sortByColumn(ItemModel::columnForSortEntry("SKU"));
        QCOMPARE(column(1), QStringList({"A4", "B1", "a3", "b2"}));
        // Numbers, not texts: 5 before 12.50; equal keys keep their order.
        model.sortByColumn(ItemModel::columnForSortEntry("Cost"));
        QCOMPARE(column(2), QStringList({"0.75", "5", "5", "12.50"}));
        QCOMPARE(column(0).mid(1, 2), QStringList({"Apple", "Cherry"}));
        model.sortByColumn(ItemModel::columnForSortEntry("Price"));
        QCOMPARE(column(3), QStringList({"0.5", "1", "2", "3"}));
        model.sortByColumn(ItemModel::columnForSortEntry("In Stock"));
        QCOMPARE(column(4), QStringList({"-2", "abc", "9", "10"}));
        QCOMPARE(ItemModel::columnForSortEntry("title"), -1);
        QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QString("In Stock"));
    }

    void quickListingReadsAsTheRecordReaders() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(
            folder + "Mixed",
            "\r\nTitles\\Mug=S1\r\nNotes\\Mug=x\nTitles\\NoEquals\r\nTitles\\Mug=S9\r\n"
            "Titles\\Tape=a=b\nTitles\\Short=a\r\nTitles\\Br=x>+br+<y\r\nTitles\\Empty=\r\n"
            "Titles\\Caf\xc3\xa9=\xc3\xa9\r\nTitles=odd\r\nTitles\\Gone=Q\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\S1=1.00\r\nCost\\S1=2.00\nPrices\\S1=\r\nTax\\S1=0\r\n"
                                    "Cost\\a=9\r\nCost\\a=b=7.5\r\nPrices\\a=b=x=1\r\n"
                                    "Cost\\=3\r\nPrices\\\xc3\xa9=4>+BR+<5\r\ncost\\S9=8\r\n");
        TestEnvironment::writeBytes(invCountPath(folder),
                                    "Inventory\\S1=-2\nInventory\\a=b=6\r\nInventory\\a=1\r\n");
        const QVector<StoreItem> quick = readItems(folder, "Mixed");
        const QVector<StoreItem> reference = itemsOneReadAtATime(folder, "Mixed");
        QCOMPARE(quick.size(), 8);
        QCOMPARE(quick.size(), reference.size());
        for (qsizetype i = 0; i < quick.size(); ++i) {
            const StoreItem& a = quick[i];
            const StoreItem& b = reference[i];
            QCOMPARE(QStringList({a.title, a.sku, a.cost, a.price, a.tax, a.stock}),
                     QStringList({b.title, b.sku, b.cost, b.price, b.tax, b.stock}));
        }
        QCOMPARE(quick[2].sku, QString("a=b"));
        QCOMPARE(quick[2].cost, QString("7.5"));
        QCOMPARE(readItems(folder, "Missing").size(), 0);
    }

    void newItemWritesTitleThenRecordsInOrder() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(folder + "Kitchen", "");
        int asked = 0;
        const SaveOutcome outcome =
            saveItem(folder, item("Kitchen", "Blue mug", "A100", "", "4.95", "12"), std::nullopt,
                     [&](ItemQuestion) {
                         ++asked;
                         return true;
                     });
        QCOMPARE(outcome, SaveOutcome::Saved);
        QCOMPARE(asked, 0);
        QCOMPARE(bytes(folder + "Kitchen"), QByteArray("\r\nTitles\\Blue mug=A100\r\n"));
        QCOMPARE(bytes(priceLogPath(folder)),
                 QByteArray("Cost\\A100=0.00\r\nPrices\\A100=4.95\r\nTax\\A100=1\r\n"));
        QCOMPARE(bytes(invCountPath(folder)), QByteArray("\r\nInventory\\A100=12\r\n"));
    }

    void saveChecksTitleThenStockThenSku() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        auto never = [](ItemQuestion) { return true; };
        QCOMPARE(saveItem(folder, item("K", "", "", "", "", ""), std::nullopt, never),
                 SaveOutcome::NeedTitle);
        QCOMPARE(saveItem(folder, item("K", "T", "", "", "", ""), std::nullopt, never),
                 SaveOutcome::NeedInventory);
        QCOMPARE(saveItem(folder, item("K", "T", "", "", "", "1"), std::nullopt, never),
                 SaveOutcome::NeedSku);
        // A title holding "=" would be listed cut at its "=", under a wrong SKU.
        QCOMPARE(saveItem(folder, item("K", "2=1 deal", "S1", "", "", "1"), std::nullopt, never),
                 SaveOutcome::TitleHasEquals);
        QCOMPARE(saveItem(folder, item("K", "Deal", "S=1", "", "", "1"), std::nullopt, never),
                 SaveOutcome::SkuHasEquals);
        QVERIFY(!QFileInfo::exists(folder + "K"));
        QVERIFY(!QFileInfo::exists(priceLogPath(folder)));
    }

    void declinedQuestionsWriteNothing() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        const QByteArray kitchen = bytes(folder + "Kitchen");
        const QByteArray prices = bytes(priceLogPath(folder));
        QList<ItemQuestion> asked;
        auto no = [&](ItemQuestion q) {
            asked << q;
            return false;
        };
        // Existing title in the profit center: "Overwrite".
        QCOMPARE(saveItem(folder, item("Kitchen", "Plate", "Z9", "1", "1", "1"), std::nullopt, no),
                 SaveOutcome::Declined);
        // Existing SKU in the company: "Create Multiple SKU".
        QCOMPARE(saveItem(folder, item("Kitchen", "Bowl", "A100", "1", "1", "1"), std::nullopt, no),
                 SaveOutcome::Declined);
        // Title letter case counts: "plate" is a new title.
        QCOMPARE(saveItem(folder, item("Kitchen", "plate", "P1", "1", "1", "1"), std::nullopt, no),
                 SaveOutcome::Declined);
        QCOMPARE(asked, QList<ItemQuestion>({ItemQuestion::Overwrite, ItemQuestion::MultipleSku,
                                             ItemQuestion::MultipleSku}));
        QCOMPARE(bytes(folder + "Kitchen"), kitchen);
        QCOMPARE(bytes(priceLogPath(folder)), prices);
    }

    void existingItemIsAskedOnlyAboutANewSku() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        QList<ItemQuestion> asked;
        auto yes = [&](ItemQuestion q) {
            asked << q;
            return true;
        };
        // Same SKU, price changed: no question; the title line moves to the end.
        const ItemIdentity mug{"Kitchen", "Blue mug", "A100"};
        QCOMPARE(
            saveItem(folder, item("Kitchen", "Blue mug", "A100", "2.10", "5.00", "12"), mug, yes),
            SaveOutcome::Saved);
        QVERIFY(asked.isEmpty());
        QCOMPARE(bytes(folder + "Kitchen"),
                 QByteArray("Titles\\Plate=P1\r\nTitles\\Blue mug=A100\r\n"));
        QVERIFY(bytes(priceLogPath(folder)).endsWith("Prices\\A100=5.00\r\nTax\\A100=1\r\n"));
        // Renamed onto another item's title: that line is replaced, nobody asked.
        QCOMPARE(saveItem(folder, item("Kitchen", "Plate", "A100", "2.10", "4.95", "12"), mug, yes),
                 SaveOutcome::Saved);
        QVERIFY(asked.isEmpty());
        QCOMPARE(bytes(folder + "Kitchen"), QByteArray("\r\nTitles\\Plate=A100\r\n"));
    }

    void changedSkuKeepsOldRecordsWhileSharedAndDropsThemAfter() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        auto yes = [](ItemQuestion) { return true; };
        // Blue mug leaves A100, which Mug, blue in Gifts still uses.
        QCOMPARE(saveItem(folder, item("Kitchen", "Blue mug", "B200", "1", "2", "3"),
                          ItemIdentity{"Kitchen", "Blue mug", "A100"}, yes),
                 SaveOutcome::Saved);
        QVERIFY(bytes(priceLogPath(folder)).contains("Cost\\A100=2.10"));
        QVERIFY(bytes(invCountPath(folder)).contains("Inventory\\A100=12"));
        // Mug, blue moves to Kitchen with SKU P1: nobody points to A100 any more.
        QCOMPARE(saveItem(folder, item("Kitchen", "Mug, blue", "P1", "1.00", "3.00", "4", 0),
                          ItemIdentity{"Gifts", "Mug, blue", "A100"}, yes),
                 SaveOutcome::Saved);
        QCOMPARE(bytes(folder + "Gifts"), QByteArray("\r\n"));
        QCOMPARE(bytes(priceLogPath(folder)),
                 QByteArray("Cost\\B200=1\r\nPrices\\B200=2\r\nTax\\B200=1\r\n"
                            "Cost\\P1=1.00\r\nPrices\\P1=3.00\r\nTax\\P1=0\r\n"));
        QCOMPARE(bytes(invCountPath(folder)),
                 QByteArray("Inventory\\B200=3\r\nInventory\\P1=4\r\n"));
    }

    void titleHoldingEqualsStillCountsAsUsingItsSku() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        // Written by the editor as key "a=b", value "A100"; read back it looks like title "a".
        TestEnvironment::writeBytes(folder + "Gifts", "Titles\\a=b=A100\r\n");
        removeItem(folder, "Kitchen", "Blue mug", "A100");
        QCOMPARE(bytes(folder + "Kitchen"), QByteArray("Titles\\Plate=P1\r\n"));
        QVERIFY(bytes(priceLogPath(folder)).contains("Cost\\A100=2.10"));
    }

    void removingTheLastTitleOfASkuRemovesItsRecords() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        removeItem(folder, "Kitchen", "Blue mug", "A100");
        QVERIFY(bytes(invCountPath(folder)).contains("Inventory\\A100=12"));
        removeItem(folder, "Gifts", "Mug, blue", "A100");
        QCOMPARE(bytes(priceLogPath(folder)),
                 QByteArray("Cost\\P1=1.00\r\nPrices\\P1=3.00\r\nTax\\P1=0\r\n"));
        QCOMPARE(bytes(invCountPath(folder)), QByteArray("Inventory\\P1=4\r\n"));
    }

    void removingAProfitCenterKeepsSkusUsedElsewhere() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        QVERIFY(removeProfitCenter(folder, "Kitchen"));
        QVERIFY(!QFileInfo::exists(folder + "Kitchen"));
        QCOMPARE(bytes(priceLogPath(folder)),
                 QByteArray("Cost\\A100=2.10\r\nPrices\\A100=4.95\r\nTax\\A100=1\r\n"));
        QCOMPARE(bytes(invCountPath(folder)), QByteArray("Inventory\\A100=12\r\n"));
        QVERIFY(env.errors.isEmpty());
    }

    void profitCenterFailuresAreReportedAndChangeNothing() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        const QByteArray prices = bytes(priceLogPath(folder));
        QVERIFY(!removeProfitCenter(folder, "Missing"));
        QVERIFY(!addProfitCenter(folder, "Kitchen"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, renameProfitCenter(folder, "Kitchen", "Gifts"));
        QCOMPARE(
            env.errors,
            QStringList({"Unexpected error in procedure: DeleteFile\nError #53: File not found",
                         "Unexpected error in procedure: CreateFile\nError #58: File already "
                         "exists"}));
        QCOMPARE(bytes(folder + "Gifts"), QByteArray("Titles\\Mug, blue=A100\r\n"));
        QVERIFY(QFileInfo::exists(folder + "Kitchen"));
        QCOMPARE(bytes(priceLogPath(folder)), prices);
    }

    void profitCenterNamesStayInsideTheCompany_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("parent path") << "../Other";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("control") << "a\tb";
    }
    void profitCenterNamesStayInsideTheCompany() {
        QFETCH(QString, name);
        TestEnvironment env;
        const QString folder = sharedStore(env);
        const QString other = env.makeCompany("Other");
        QVERIFY(!addProfitCenter(folder, name));
        QVERIFY(!removeProfitCenter(folder, name));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, renameProfitCenter(folder, "Kitchen", name));
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 saveItem(folder, item(name, "T", "S", "1", "1", "1"), std::nullopt,
                                          [](ItemQuestion) { return true; }));
        QCOMPARE(env.errors.size(), 2);
        for (const QString& error : env.errors)
            QVERIFY(error.endsWith("Error #52: Bad file name or number"));
        QVERIFY(QFileInfo(other).isDir());
        QVERIFY(QFileInfo::exists(folder + "Kitchen"));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
    }

    void editReadsStoredTextsWithDefaults() {
        TestEnvironment env;
        const QString folder = sharedStore(env);
        TestEnvironment::writeBytes(folder + "Bare", "Titles\\Lone=Q7\r\n");
        const ItemRecord plate = readItemForEdit(folder, "Kitchen", "Plate");
        QCOMPARE(plate.sku, QString("P1"));
        QCOMPARE(plate.cost, QString("1.00"));
        QCOMPARE(plate.tax, 0);
        QCOMPARE(plate.inStock, QString("4"));
        QVERIFY(plate.editing);
        const ItemRecord lone = readItemForEdit(folder, "Bare", "Lone");
        QCOMPARE(lone.cost, QString("0.00"));
        QCOMPARE(lone.price, QString("0.00"));
        QCOMPARE(lone.inStock, QString("0"));
        QCOMPARE(lone.tax, 1);
        QCOMPARE(readItemForEdit(folder, "Bare", "Gone").sku, QString("None"));
    }
};

QTEST_GUILESS_MAIN(tst_items)
#include "tst_items.moc"
