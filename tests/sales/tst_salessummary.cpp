// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/recording.h"
#include "manager/sales/salessummary.h"
#include "manager/store/periodfiles.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace fixture;

class SalesSummaryTest : public QObject {
    Q_OBJECT

    const QStringList kSkus{QStringLiteral("A100"), QStringLiteral("B7"), QStringLiteral("C3")};

    // Sales on every day of the months given but skipDay: a fractional sale every day, a
    // return every third day. Returns the units sold by the ledger.
    Decimal recordSales(const QString& folder, int year, int firstMonth, int lastMonth,
                        int skipDay) {
        Decimal sold;
        int n = 0;
        for (int month = firstMonth; month <= lastMonth; ++month) {
            for (int day = 1; day <= QDate(year, month, 1).daysInMonth(); ++day) {
                if (day == skipDay)
                    continue;
                const QDate date(year, month, day);
                const QString& sku = kSkus[n % kSkus.size()];
                const Decimal quantity = Decimal::fromParts(10 + n % 7 * 5, 1); // 1, 1.5, ...
                int answer = n % 2 ? TaxYes : TaxNo;
                recordMovement(folder, Movement::Sale, sku, quantity, answer, date);
                sold += quantity;
                if (n % 3 == 0) {
                    answer = TaxYes;
                    recordMovement(folder, Movement::Return, kSkus[(n + 1) % kSkus.size()], 1,
                                   answer, date);
                }
                ++n;
            }
        }
        return sold;
    }

    static Decimal stored(const QString& section, const QString& key, const QString& path) {
        return Decimal::fromStored(GetINIString(section, key, QStringLiteral("0"), path));
    }

    static SalesFigures figuresOf(const QString& path, const QString& key, bool totals) {
        auto read = [&](const QString& section) {
            return totals ? stored(QStringLiteral("Totals"), section, path)
                          : stored(section, key, path);
        };
        SalesFigures f;
        f.sold = read(QStringLiteral("Sales"));
        f.returned = read(QStringLiteral("Returns"));
        f.gross = read(QStringLiteral("GrossSale"));
        f.net = read(QStringLiteral("NetProfit"));
        f.tax = read(QStringLiteral("Tax"));
        return f;
    }

    static void compareFigures(const SalesFigures& actual, const SalesFigures& expected) {
        QCOMPARE(actual.sold.toString(), expected.sold.toString());
        QCOMPARE(actual.returned.toString(), expected.returned.toString());
        QCOMPARE(actual.gross.toString(), expected.gross.toString());
        QCOMPARE(actual.net.toString(), expected.net.toString());
        QCOMPARE(actual.tax.toString(), expected.tax.toString());
    }

private slots:
    void summaryEqualsTheFiles_data() {
        QTest::addColumn<int>("month"); // 0 = the year
        QTest::addColumn<bool>("monthlyFiles");
        QTest::newRow("a month with a missing day") << 3 << true;
        QTest::newRow("a year from its monthly files") << 0 << true;
        QTest::newRow("a year from daily files only") << 0 << false;
    }

    void summaryEqualsTheFiles() {
        QFETCH(int, month);
        QFETCH(bool, monthlyFiles);
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        setLogs(QStringLiteral("1"), monthlyFiles ? QStringLiteral("1") : QStringLiteral("0"));
        writeItem(folder, kSkus[0], QStringLiteral("10.00"), QStringLiteral("5.00"),
                  QStringLiteral("1"), QStringLiteral("0"));
        writeItem(folder, kSkus[1], QStringLiteral("2.35"), QStringLiteral("1.10"),
                  QStringLiteral("0"), QStringLiteral("0"));
        writeItem(folder, kSkus[2], QStringLiteral("0.99"), QStringLiteral("0.40"),
                  QStringLiteral("1"), QStringLiteral("0"));
        writeTitle(folder, QStringLiteral("Kitchen"), QStringLiteral("Blue mug"), kSkus[0]);
        const int year = 2026;
        // The year's months hold a few days each, to keep the test quick; the 9th is missing.
        const Decimal sold = month ? recordSales(folder, year, month, month, 9)
                                   : recordSales(folder, year, 1, 12, 9);
        // Sales of the previous and next month and year stay out.
        recordSales(folder, year - 1, 12, 12, 0);
        if (month)
            recordSales(folder, year, month + 1, month + 1, 0);

        const SalesSummary summary =
            month ? summarizeMonth(folder, year, month) : summarizeYear(folder, year);
        QVERIFY(summary.skipped.isEmpty());
        QCOMPARE(summary.rows.size(), month ? QDate(year, month, 1).daysInMonth() : 12);

        SalesFigures expectedTotal;
        QHash<QString, SalesFigures> expectedSkus;
        for (int i = 0; i < summary.rows.size(); ++i) {
            SalesFigures expectedRow;
            const int rowMonth = month ? month : i + 1;
            for (int day = 1; day <= QDate(year, rowMonth, 1).daysInMonth(); ++day) {
                if (month && day != i + 1)
                    continue;
                const QString path = dailyPeriodFile(folder, QDate(year, rowMonth, day));
                QCOMPARE(QFile::exists(path), day != 9);
                expectedRow += figuresOf(path, {}, true);
                for (const QString& sku : kSkus) {
                    SalesFigures& f = expectedSkus[sku];
                    f += figuresOf(path, sku, false);
                }
            }
            compareFigures(summary.rows[i], expectedRow);
            QCOMPARE(summary.found[i], !month || i + 1 != 9);
            expectedTotal += expectedRow;
        }
        compareFigures(summary.total, expectedTotal);
        QCOMPARE(summary.total.sold.toString(), sold.toString());
        QVERIFY(!summary.total.returned.isZero());

        QCOMPARE(summary.skus.size(), kSkus.size());
        for (int i = 0; i < summary.skus.size(); ++i) {
            const SkuSales& sku = summary.skus[i];
            compareFigures(sku.figures, expectedSkus.value(sku.sku));
            if (i > 0)
                QVERIFY(summary.skus[i - 1].figures.gross >= sku.figures.gross);
            QCOMPARE(sku.title, sku.sku == kSkus[0] ? QStringLiteral("Blue mug") : QString());
        }
        const QVector<SkuSales> byUnits = summary.topByUnits(2);
        QCOMPARE(byUnits.size(), 2);
        QVERIFY(byUnits[0].figures.units() >= byUnits[1].figures.units());
    }

    void hostilePeriodFilesAreSkippedAndNamed_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: see the row
        QTest::newRow("a value that is not a number")
            << "Sales2-3-2026.txt" << QByteArray("Sales\\A=1\r\nTotals\\Sales=one\r\n");
        QTest::newRow("a SKU value that is not a number")
            << "Sales2-3-2026.txt" << QByteArray("GrossSale\\A=1,50\r\nTotals\\Sales=1\r\n");
        QTest::newRow("a missing Totals section")
            << "Sales2-3-2026.txt" << QByteArray("Sales\\A=1\r\nGrossSale\\A=4\r\n");
        QTest::newRow("a number too large to add")
            << "Sales2-3-2026.txt" << QByteArray("Totals\\GrossSale=2E+300\r\n");
        QTest::newRow("a folder named like a period file") << "Sales2-3-2026.txt" << QByteArray();
        QTest::newRow("a 200 MB period file") << "Sales2-3-2026.txt" << QByteArray("huge");
        QTest::newRow("a date that does not exist")
            << "Sales2-30-2026.txt" << QByteArray("Totals\\Sales=5\r\n");
        QTest::newRow("a name with a leading zero")
            << "Sales02-3-2026.txt" << QByteArray("Totals\\Sales=5\r\n");
    }

    void hostilePeriodFilesAreSkippedAndNamed() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        const QString reports = reportsFolder(folder);
        TestEnvironment::writeBytes(reports + QStringLiteral("Sales2-1-2026.txt"),
                                    "Info\\Company=Shop\r\nSales\\A=2.5\r\nGrossSale\\A=9E+299\r\n"
                                    "Totals\\Sales=2.5\r\nTotals\\GrossSale=9E+299\r\n");
        const QString path = reports + name;
        if (bytes.isEmpty()) {
            QVERIFY(QDir().mkpath(path));
        } else if (bytes == "huge") {
            QFile huge(path);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.write("Totals\\Sales=1\r\n") > 0);
            QVERIFY(huge.resize(200LL * 1024 * 1024));
        } else {
            TestEnvironment::writeBytes(path, bytes);
        }

        for (const SalesSummary& summary :
             {summarizeMonth(folder, 2026, 2), summarizeYear(folder, 2026)}) {
            QCOMPARE(summary.skipped.size(), 1);
            QCOMPARE(summary.skipped[0].name, name);
            QVERIFY(!summary.skipped[0].reason.isEmpty());
            QCOMPARE(summary.total.sold.toString(), QStringLiteral("2.5"));
            QVERIFY(summary.total.gross == *Decimal::parse(QStringLiteral("9E+299")));
            QCOMPARE(summary.skus.size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(SalesSummaryTest)
#include "tst_salessummary.moc"
