// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/reports.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QTest>

using namespace fixture;

class ReportsTest : public QObject {
    Q_OBJECT

    const QDateTime kMoment{kDay, QTime(15, 4, 5)};

    QString header(const QString& company) const {
        return QStringLiteral("Statistics for ") + company + QStringLiteral(" as of ") +
               generalDateText(kMoment) + QStringLiteral(":\r\n");
    }

    static void addTitle(const QString& folder, const QString& profitCenter, const QString& title,
                         const QString& sku) {
        WriteINIString(QStringLiteral("Titles"), title, sku, folder + profitCenter);
    }

private slots:
    void reportOfADayWithoutSalesHasEmptyBlocks() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        const QString period = reportsFolder(folder) + QStringLiteral("Sales12-6-2026.txt");
        TestEnvironment::writeBytes(period, "\r\nInfo\\Company=Shop\r\nInfo\\Date=12/6/2026\r\n");
        const QString out = env.base() + QStringLiteral("/report.csv");
        writeReport(period, out);
        QCOMPARE(TestEnvironment::readBytes(out),
                 QByteArray("Info:\r\nCompany,Shop\r\nDate,12/6/2026\r\n\r\n"
                            "Totals:\r\n\r\nGrossSale:\r\n\r\nNetProfit:\r\n\r\nTax:\r\n\r\n"
                            "Sales:\r\n\r\nReturns:\r\n\r\n"));
    }

    void reportKeepsSectionOrderAndEntryOrder() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        const QString period = reportsFolder(folder) + QStringLiteral("Sales12-2026.txt");
        TestEnvironment::writeBytes(period, "Returns\\A100=1\r\nSales\\B=2\r\nSales\\A100=3\r\n"
                                            "Totals\\Sales=5\r\nInfo\\Note=a=b>+br+<c\r\n"
                                            "Totals\\Returns=1\r\nTax\\A100=-0.5\r\n");
        const QString out = env.base() + QStringLiteral("/report.csv");
        TestEnvironment::writeBytes(out, "an older, longer report that is replaced entirely\r\n");
        writeReport(period, out);
        QCOMPARE(TestEnvironment::readBytes(out),
                 QByteArray("Info:\r\nNote,a,b\r\nc\r\n\r\n"
                            "Totals:\r\nSales,5\r\nReturns,1\r\n\r\n"
                            "GrossSale:\r\n\r\nNetProfit:\r\n\r\n"
                            "Tax:\r\nA100,-0.5\r\n\r\n"
                            "Sales:\r\nB,2\r\nA100,3\r\n\r\n"
                            "Returns:\r\nA100,1\r\n\r\n"));
    }

    void reportFailuresLeaveNoHalfFile() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        const QString out = env.base() + QStringLiteral("/report.csv");
        try {
            writeReport(reportsFolder(folder) + QStringLiteral("Sales1-2000.txt"), out);
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 53);
        }
        QVERIFY(!QFile::exists(out));
        const QString period = reportsFolder(folder) + QStringLiteral("Sales1-2026.txt");
        TestEnvironment::writeBytes(period, "Totals\\Sales=1\r\n");
        try {
            writeReport(period, env.base() + QStringLiteral("/missing/report.csv"));
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 76);
        }
    }

    void statisticsOfAnEmptyCompany() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        const QString text = writeStatistics(QStringLiteral("Shop"), folder, kMoment);
        const QString expected = header(QStringLiteral("Shop")) +
                                 QStringLiteral("Profit Centers: 0\r\nUnique Items: 0\r\n"
                                                "Total Items: 0\r\nOut of Stock Items: 0\r\n"
                                                "Items With Tax Applied: 0\r\n"
                                                "Current Tax Rate Applied: %0\r\n"
                                                "Total Cost of Items: $0\r\n"
                                                "Total Price of Items: $0\r\n"
                                                "Total Possible Profit: $0");
        QCOMPARE(text, expected);
        QCOMPARE(TestEnvironment::readBytes(lastStatsPath(folder)),
                 (expected + QStringLiteral("\r\n")).toUtf8());
    }

    void statisticsCountEveryListingOfAnItem() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.50"));
        addTitle(folder, QStringLiteral("Kitchen"), QStringLiteral("Blue mug"),
                 QStringLiteral("A100"));
        addTitle(folder, QStringLiteral("Kitchen"), QStringLiteral("Plate"),
                 QStringLiteral("B200"));
        addTitle(folder, QStringLiteral("Gifts"), QStringLiteral("Mug, blue"),
                 QStringLiteral("A100"));
        addTitle(folder, QStringLiteral("Gifts"), QStringLiteral("Unpriced"),
                 QStringLiteral("C300"));
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("4.95"), QStringLiteral("2.10"),
                  QStringLiteral("1"), QStringLiteral("12"));
        writeItem(folder, QStringLiteral("B200"), QStringLiteral("3.00"), QStringLiteral("1.25"),
                  QStringLiteral("0"), QStringLiteral("-1"));
        // A file put there by hand is a profit center too, even without items.
        TestEnvironment::writeBytes(folder + QStringLiteral("notes.txt"), "just notes\r\n");

        const StockStatistics s = computeStatistics(folder);
        QCOMPARE(s.profitCenters, 3);
        QCOMPARE(s.uniqueItems, 4);
        QCOMPARE(s.outOfStock, 2); // -1 and the missing count
        QCOMPARE(s.taxed, 3);      // A100 twice, C300 by default

        const QString text = writeStatistics(QStringLiteral("Shop"), folder, kMoment);
        QCOMPARE(text, header(QStringLiteral("Shop")) +
                           QStringLiteral("Profit Centers: 3\r\nUnique Items: 4\r\n"
                                          "Total Items: 23\r\nOut of Stock Items: 2\r\n"
                                          "Items With Tax Applied: 3\r\n"
                                          "Current Tax Rate Applied: %7.50\r\n"
                                          "Total Cost of Items: $49.15\r\n"
                                          "Total Price of Items: $115.8\r\n"
                                          "Average Cost of Item: $2.14\r\n"
                                          "Average Price of Item: $5.03\r\n"
                                          "Total Possible Profit: $66.65"));
    }

    void averagesNeedPositiveTotals() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        addTitle(folder, QStringLiteral("Shelf"), QStringLiteral("Free sample"),
                 QStringLiteral("F"));
        addTitle(folder, QStringLiteral("Shelf"), QStringLiteral("Eighth"), QStringLiteral("E"));
        writeItem(folder, QStringLiteral("F"), QStringLiteral("0.125"), QStringLiteral("0"),
                  QStringLiteral("1"), QStringLiteral("1"));
        writeItem(folder, QStringLiteral("E"), QStringLiteral("0"), QStringLiteral("0"),
                  QStringLiteral("1"), QStringLiteral("0"));
        const QString text = writeStatistics(QStringLiteral("Shop"), folder, kMoment);
        QVERIFY(!text.contains(QStringLiteral("Average Cost")));
        // 0.125 per unit rounds to the even cent.
        QVERIFY(text.contains(QStringLiteral("\r\nAverage Price of Item: $0.12\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("Total Possible Profit: $0.125")));
    }

    void statisticsWithACountThatIsNoNumberWriteNothing() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        addTitle(folder, QStringLiteral("Shelf"), QStringLiteral("Odd"), QStringLiteral("O"));
        writeItem(folder, QStringLiteral("O"), QStringLiteral("1"), QStringLiteral("1"),
                  QStringLiteral("1"), QStringLiteral("a dozen"));
        TestEnvironment::writeBytes(lastStatsPath(folder), "earlier statistics\r\n");
        try {
            writeStatistics(QStringLiteral("Shop"), folder, kMoment);
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 13);
            QCOMPARE(
                error.description(),
                QStringLiteral("Type mismatch: the stock of SKU O is \"a dozen\", not a number"));
        }
        QCOMPARE(TestEnvironment::readBytes(lastStatsPath(folder)),
                 QByteArray("earlier statistics\r\n"));
    }
};

QTEST_GUILESS_MAIN(ReportsTest)
#include "tst_reports.moc"
