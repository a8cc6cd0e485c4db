// SPDX-License-Identifier: GPL-3.0-or-later
// The low-stock list, its CSV, the levels' CSV import and export, and what a sale says when it
// leaves a SKU at or below its minimum.
#include "manager/interchange/levelscsv.h"
#include "manager/sales/batch.h"
#include "manager/sales/lowstock.h"
#include "manager/sales/recording.h"
#include "manager/store/items.h"
#include "manager/store/textcodec.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QtTest>

using namespace fixture;

namespace {
// One item per row of "center|title|sku|cost|stock|minimum|order" (blank: no level).
QString store(const TestEnvironment& env, const QStringList& items) {
    const QString folder = env.makeCompany("Shop");
    QVector<QPair<QString, StockLevel>> levels;
    for (const QString& row : items) {
        const QStringList f = row.split('|');
        writeTitle(folder, f[0], f[1], f[2]);
        writeItem(folder, f[2], "9.99", f[3], "0", f[4]);
        StockLevel level;
        ItemRecords::parseLevel(f[5], &level.minimum);
        ItemRecords::parseLevel(f[6], &level.order);
        levels.push_back({f[2], level});
    }
    saveStockLevels(folder, levels);
    return folder;
}

const QStringList kShop{
    "Kitchen|Plate|P1|2.00|3|4|10",     // 3/4: third
    "Kitchen|Cup|C1|1.50|0|5|",         // 0/5: first, orders 5 - 0 + 1 = 6
    "Kitchen|Bowl|B1|3.00|8|5|",        // above its minimum
    "Kitchen|Jug|J1|1.00|0||",          // no minimum: never low
    "Gifts|Mug, \"blue\"|M1|2.50|1|2|", // 1/2: second, orders 2
    "Gifts|Cup again|C1|1.50|0|5|",     // the same SKU is listed once
};
} // namespace

class tst_lowstock : public QObject {
    Q_OBJECT

private slots:
    void listsTheLowSkusMostUrgentFirst() {
        TestEnvironment env;
        const LowStockList list = lowStockList(store(env, kShop));
        QStringList lines;
        for (const LowStockLine& l : list.lines)
            lines << QStringList{l.profitCenter,
                                 l.title,
                                 l.sku,
                                 l.stock.toString(),
                                 QString::number(l.minimum),
                                 l.order.toString(),
                                 l.orderCost.toString()}
                         .join('|');
        QCOMPARE(lines, QStringList({"Gifts|Cup again|C1|0|5|6|9", "Gifts|Mug, \"blue\"|M1|1|2|2|5",
                                     "Kitchen|Plate|P1|3|4|10|20"}));
        QCOMPARE(list.totalOrder.toString(), QString("18"));
        QCOMPARE(list.totalCost.toString(), QString("34"));
        QCOMPARE(lowStockCsv(list),
                 QByteArray("\xEF\xBB\xBF"
                            "Profit Center,Title,SKU,In Stock,Minimum,Order Quantity,Order Cost\r\n"
                            "Gifts,Cup again,C1,0,5,6,9.00\r\n"
                            "Gifts,\"Mug, \"\"blue\"\"\",M1,1,2,2,5.00\r\n"
                            "Kitchen,Plate,P1,3,4,10,20.00\r\n"
                            "Total,,,,,18,34.00\r\n"));
    }

    void aCompanyWithoutLevelsListsNothing() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Plain");
        writeTitle(folder, "Kitchen", "Plate", "P1");
        writeItem(folder, "P1", "3.00", "5", "0", "0");
        QVERIFY(lowStockList(folder).lines.isEmpty());
    }

    void aSaleSaysWhenItLeavesTheMinimum_data() {
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("line");
        QTest::newRow("down to the minimum")
            << "5" << 1 << "Stock of Plate is down to 5 (minimum 5).";
        QTest::newRow("below it") << "5" << 3 << "Stock of Plate is down to 3 (minimum 5).";
        QTest::newRow("still above") << "4" << 1 << "";
        QTest::newRow("a return") << "9" << -1 << "";
        QTest::newRow("no minimum") << "" << 6 << "";
    }
    void aSaleSaysWhenItLeavesTheMinimum() {
        QFETCH(QString, minimum);
        QFETCH(int, quantity);
        QFETCH(QString, line);
        TestEnvironment env;
        const QString folder = store(env, {"Kitchen|Plate|P1|2.00|6|" + minimum + "|"});
        const SaleOutcome outcome = makeSale(folder, "P1", Decimal(quantity), TaxNo);
        QCOMPARE(outcome.status, SaleStatus::Recorded);
        QCOMPARE(lowStockAlert(folder, "P1", outcome), line);
    }

    void aBatchListsItsLowSkusOnceAtTheEnd() {
        TestEnvironment env;
        const QString folder = store(env, {"Kitchen|Plate|P1|2.00|3|2|", "Kitchen|Cup|C1|1.00|3|0|",
                                           "Kitchen|Bowl|B1|1.00|3|1|"});
        const QString path = env.base() + "/batch.txt";
        TestEnvironment::writeBytes(path, "P1\r\nC1\r\nP1\r\nC1\r\nB1\r\nB1\r\n!!B1\r\n");
        processBatchFile(folder, path, "batch.txt", TaxNo);
        const QStringList log =
            decodeStoreText(TestEnvironment::readBytes(lastBatchProcessPath(folder))).split("\r\n");
        QCOMPARE(log.mid(log.size() - 3), QStringList({"Stock of Plate is down to 1 (minimum 2).",
                                                       "Processing complete.", ""}));
        QCOMPARE(log.filter("Stock of").size(), 1); // Cup stays above 1; Bowl came back above
    }

    void levelsTravelThroughCsv() {
        TestEnvironment env;
        const QString folder =
            store(env, {"Kitchen|Plate|P1|2.00|3||", "Kitchen|Cup|C1|1.00|3|1|"});
        const QString path = env.base() + "/levels.csv";
        TestEnvironment::writeBytes(path, "SKU,Minimum,Order\r\nP1,4,12\r\nNOPE,1,1\r\n"
                                          "C1,x,2\r\nC1,,\r\n\"A,1\",1\r\n");
        const LevelsImportSummary summary = importStockLevels(folder, path);
        QCOMPARE(summary.text(), QString("Levels set: 2\r\nSkipped: 3\r\n"
                                         "Line 3: no item has the SKU NOPE\r\n"
                                         "Line 4: a level is not a whole number of 0 or more\r\n"
                                         "Line 6: no item has the SKU A,1\r\n"));
        QCOMPARE(stockLevelsCsv(folder),
                 QByteArray("\xEF\xBB\xBFSKU,Minimum,Order\r\nP1,4,12\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_lowstock)
#include "tst_lowstock.moc"
