// SPDX-License-Identifier: GPL-3.0-or-later
// The one owner of the item records: an item written through it is stored byte for byte as the
// records were always written; stock levels go with a SKU's records, and a company that never set
// a level never gets the file.
#include "manager/store/companylock.h"
#include "manager/store/filesystem.h"
#include "manager/store/items.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QFileInfo>
#include <QtTest>

namespace {
QByteArray bytes(const QString& path) {
    return TestEnvironment::readBytes(path);
}

// Kitchen: Blue mug -> A100 and Plate -> P1; Gifts: Mug, blue -> A100; both SKUs with levels.
QString levelledStore(const TestEnvironment& env) {
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    fixture::writeTitle(folder, "Kitchen", "Blue mug", "A100");
    fixture::writeTitle(folder, "Kitchen", "Plate", "P1");
    fixture::writeTitle(folder, "Gifts", "Mug, blue", "A100");
    fixture::writeItem(folder, "A100", "4.95", "2.10", "1", "12");
    fixture::writeItem(folder, "P1", "3.00", "5", "0", "4");
    saveStockLevels(folder, {{"A100", {5, 20}}, {"P1", {2, std::nullopt}}});
    return folder;
}
} // namespace

class tst_itemrecords : public QObject {
    Q_OBJECT

private slots:
    void writesAnItemAsTheRecordsAlwaysWere_data() {
        QTest::addColumn<QStringList>("item"); // sku, cost, price, stock, tax
        QTest::newRow("new SKU") << QStringList{"B7", "1.00", "2.50", "3", "0"};
        QTest::newRow("SKU written before") << QStringList{"A100", "2.20", "5.10", "9", "1"};
        QTest::newRow("SKU holding =") << QStringList{"X=1", "0.00", "0.00", "0", "1"};
        QTest::newRow("not ASCII") << QStringList{"Kaffee\u00e4", "3", "4", "-2", "1"};
    }
    void writesAnItemAsTheRecordsAlwaysWere() {
        QFETCH(QStringList, item);
        TestEnvironment env;
        const QString recorded = env.makeCompany("Recorded");
        const QString owned = env.makeCompany("Owned");
        for (const QString& folder : {recorded, owned})
            fixture::writeItem(folder, "A100", "4.95", "2.10", "1", "12");
        fixture::writeItem(recorded, item[0], item[2], item[1], item[4], item[3]);

        ItemRecords records(owned, ItemRecords::Access::Write);
        records.write({"Title", item[0], item[1], item[2], item[3], item[4]});
        saveFilesTogether(records.changedFiles(), companyJournalPath(owned));

        QCOMPARE(bytes(priceLogPath(owned)), bytes(priceLogPath(recorded)));
        QCOMPARE(bytes(invCountPath(owned)), bytes(invCountPath(recorded)));
        QVERIFY(!QFileInfo::exists(ItemRecords::levelsPath(owned)));
        const StoreItem read = ItemRecords(owned).item("Title", item[0]);
        QCOMPARE(QStringList({read.sku, read.cost, read.price, read.stock, read.tax}), item);
    }

    void levelsGoWithTheLastTitleOfTheirSku_data() {
        QTest::addColumn<QString>("profitCenter");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("sku");
        QTest::addColumn<bool>("kept");
        QTest::newRow("lone SKU") << "Kitchen"
                                  << "Plate"
                                  << "P1" << false;
        QTest::newRow("shared SKU") << "Kitchen"
                                    << "Blue mug"
                                    << "A100" << true;
    }
    void levelsGoWithTheLastTitleOfTheirSku() {
        QFETCH(QString, profitCenter);
        QFETCH(QString, title);
        QFETCH(QString, sku);
        QFETCH(bool, kept);
        TestEnvironment env;
        const QString folder = levelledStore(env);
        const StockLevel before = ItemRecords(folder).level(sku);
        removeItem(folder, profitCenter, title, sku);
        QCOMPARE(ItemRecords(folder).level(sku), kept ? before : StockLevel());
        QCOMPARE(ItemRecords::stockLevels(folder).value(sku), kept ? before : StockLevel());
    }

    void theEditorsSaveWritesTheLevelWithTheItem() {
        TestEnvironment env;
        const QString folder = levelledStore(env);
        ItemRecord item = readItemForEdit(folder, "Kitchen", "Plate");
        item.sku = "P2"; // P1's records and levels go, P2 gets the level typed
        const auto never = [](ItemQuestion) { return false; };
        QCOMPARE(
            saveItem(folder, item, ItemIdentity{"Kitchen", "Plate", "P1"}, never, StockLevel{3, 7}),
            SaveOutcome::Saved);
        QCOMPARE(
            bytes(ItemRecords::levelsPath(folder)),
            QByteArray("Minimum\\A100=5\r\nOrder\\A100=20\r\nMinimum\\P2=3\r\nOrder\\P2=7\r\n"));
    }

    void aCompanyWithoutLevelsNeverGetsTheFile() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Plain");
        fixture::writeTitle(folder, "Kitchen", "Plate", "P1");
        fixture::writeItem(folder, "P1", "3.00", "5", "0", "4");
        ItemRecord item = readItemForEdit(folder, "Kitchen", "Plate");
        item.inStock = "9";
        const auto yes = [](ItemQuestion) { return true; };
        QCOMPARE(saveItem(folder, item, ItemIdentity{"Kitchen", "Plate", "P1"}, yes),
                 SaveOutcome::Saved);
        item.title = "Cup";
        item.sku = "C1";
        QCOMPARE(saveItem(folder, item, std::nullopt, yes, StockLevel()), SaveOutcome::Saved);
        removeItem(folder, "Kitchen", "Plate", "P1");
        QVERIFY(!QFileInfo::exists(ItemRecords::levelsPath(folder)));
        QVERIFY(ItemRecords::stockLevels(folder).isEmpty());
    }

    void levelsAreWholeNumbersOrBlank_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("value"); // -1: none
        QTest::newRow("blank") << "  " << true << qint64(-1);
        QTest::newRow("zero") << "0" << true << qint64(0);
        QTest::newRow("spaced") << " 12 " << true << qint64(12);
        QTest::newRow("negative") << "-1" << false << qint64(-1);
        QTest::newRow("decimal") << "2.5" << false << qint64(-1);
        QTest::newRow("signed") << "+3" << false << qint64(-1);
        QTest::newRow("text") << "ten" << false << qint64(-1);
        QTest::newRow("beyond 64 bits") << "99999999999999999999" << false << qint64(-1);
    }
    void levelsAreWholeNumbersOrBlank() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(qint64, value);
        std::optional<qint64> level;
        QCOMPARE(ItemRecords::parseLevel(text, &level), accepted);
        if (accepted)
            QCOMPARE(level.value_or(-1), value);
    }
};

QTEST_GUILESS_MAIN(tst_itemrecords)
#include "tst_itemrecords.moc"
