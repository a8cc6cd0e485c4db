// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/recording.h"
#include "manager/store/periodfiles.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace fixture;

class RecordingTest : public QObject {
    Q_OBJECT

    QString daily(const QString& folder) const { return dailyPeriodFile(folder, kDay); }
    QString monthly(const QString& folder) const { return monthlyPeriodFile(folder, kDay); }
    static QString value(const QString& path, const QString& section, const QString& key) {
        return GetINIString(section, key, QStringLiteral("(none)"), path);
    }
    static Decimal number(const char* text) {
        return Decimal::fromStored(QString::fromLatin1(text));
    }

private slots:
    void periodFileNamesHaveNoLeadingZeros() {
        QCOMPARE(dailyPeriodFileName(QDate(2026, 3, 4)), QStringLiteral("Sales3-4-2026.txt"));
        QCOMPARE(monthlyPeriodFileName(QDate(2026, 12, 6)), QStringLiteral("Sales12-2026.txt"));
    }

    void saleAndReturnAppendTheirLinesInStepOrder() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("10.00"), QStringLiteral("5.00"),
                  QStringLiteral("1"), QStringLiteral("10"));
        const QByteArray info("Info\\Company=Shop\r\nInfo\\Date=12/6/2026\r\n");
        TestEnvironment::writeBytes(daily(folder), info);
        TestEnvironment::writeBytes(monthly(folder), info);

        int answer = TaxYes;
        QCOMPARE(recordMovement(folder, Movement::Sale, QStringLiteral("A100"), Decimal(3), answer,
                                kDay),
                 2);
        const QByteArray afterSale = info + "Sales\\A100=3\r\nGrossSale\\A100=32.37\r\n"
                                            "NetProfit\\A100=17.37\r\nTax\\A100=2.37\r\n"
                                            "Totals\\Sales=3\r\nTotals\\GrossSale=32.37\r\n"
                                            "Totals\\NetProfit=17.37\r\nTotals\\Tax=2.37\r\n";
        QCOMPARE(TestEnvironment::readBytes(daily(folder)), afterSale);
        QCOMPARE(TestEnvironment::readBytes(monthly(folder)), afterSale);

        recordMovement(folder, Movement::Return, QStringLiteral("A100"), Decimal(1), answer, kDay);
        const QByteArray afterReturn = info + "Sales\\A100=3\r\nTotals\\Sales=3\r\n"
                                              "Returns\\A100=1\r\nGrossSale\\A100=21.58\r\n"
                                              "NetProfit\\A100=11.58\r\nTax\\A100=1.58\r\n"
                                              "Totals\\Returns=1\r\nTotals\\GrossSale=21.58\r\n"
                                              "Totals\\NetProfit=11.58\r\nTotals\\Tax=1.58\r\n";
        QCOMPARE(TestEnvironment::readBytes(daily(folder)), afterReturn);
        QCOMPARE(TestEnvironment::readBytes(monthly(folder)), afterReturn);
    }

    void oneRewriteGivesTheBytesOfTheWritesDoneOneByOne() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("6.25"));
        writeItem(folder, QStringLiteral("B7"), QStringLiteral("3.99"), QStringLiteral("1.10"),
                  QStringLiteral("1"), QStringLiteral("4"));
        // Leading empty lines, a doubled key, other SKUs and a line of another shape.
        const QByteArray start("\r\n\r\nInfo\\Company=Shop\r\nSales\\B7=2\r\nGrossSale\\B7=8.48\r\n"
                               "Sales\\C1=1\r\nnot a record\r\nSales\\B7=9\r\nTotals\\Sales=3\r\n"
                               "Tax\\B7=0.5\r\nTotals\\Tax=0.5\r\n");
        const QString oneByOne = env.base() + QStringLiteral("/one-by-one.txt");
        for (Movement movement : {Movement::Sale, Movement::Return}) {
            TestEnvironment::writeBytes(daily(folder), start);
            TestEnvironment::writeBytes(oneByOne, start);
            int answer = TaxNotAsked;
            recordMovement(folder, movement, QStringLiteral("B7"), number("2.5"), answer, kDay);

            const SaleAmounts amounts =
                saleAmounts(folder, QStringLiteral("B7"), number("2.5"), TaxYes);
            for (const PeriodStep& step :
                 periodSteps(movement, QStringLiteral("B7"), number("2.5"), amounts)) {
                const Decimal current = Decimal::fromStored(
                    GetINIString(step.section, step.key, QStringLiteral("0"), oneByOne));
                WriteINIString(step.section, step.key, (current + step.amount).toString(),
                               oneByOne);
            }
            QCOMPARE(TestEnvironment::readBytes(daily(folder)),
                     TestEnvironment::readBytes(oneByOne));
        }
    }

    void saleOnANewDayCreatesTheDailyFile() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("2.00"), QStringLiteral("1.00"),
                  QStringLiteral("1"), QStringLiteral("5"));
        QVERIFY(!QFile::exists(daily(folder)));
        const SaleOutcome outcome = makeSale(folder, QStringLiteral("A100"), Decimal(1), TaxYes,
                                             MissingStock::Refused, kDay);
        QCOMPARE(outcome.status, SaleStatus::Recorded);
        const RecordFile file = RecordFile::load(daily(folder));
        QCOMPARE(TestEnvironment::readBytes(daily(folder)).trimmed().left(13),
                 QByteArray("Sales\\A100=1\r"));
        QCOMPARE(file.value(QStringLiteral("Totals"), QStringLiteral("GrossSale"), QString()),
                 QStringLiteral("2"));
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("4"));
    }

    void logSettingsAreReadOnEveryCall() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("10"), QStringLiteral("5"),
                  QStringLiteral("1"), QStringLiteral("10"));
        setLogs(QStringLiteral("0"), QStringLiteral("0"));
        int answer = TaxNotAsked;
        SaleOutcome outcome = makeSale(folder, QStringLiteral("A100"), Decimal(2), answer,
                                       MissingStock::CountsAsZero, kDay);
        QCOMPARE(outcome.status, SaleStatus::Recorded);
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("8"));
        QVERIFY(!QFile::exists(daily(folder)));
        QVERIFY(!QFile::exists(monthly(folder)));

        setLogs(QStringLiteral("0"), QStringLiteral("1"));
        QCOMPARE(recordMovement(folder, Movement::Sale, QStringLiteral("A100"), Decimal(1), answer,
                                kDay),
                 1);
        QVERIFY(!QFile::exists(daily(folder)));
        QCOMPARE(value(monthly(folder), QStringLiteral("Sales"), QStringLiteral("A100")),
                 QStringLiteral("1"));

        // The rate too: a change applies to the next recording.
        setLogs(QStringLiteral("1"), QStringLiteral("0"));
        setRate(QStringLiteral("10"));
        recordMovement(folder, Movement::Sale, QStringLiteral("A100"), Decimal(1), answer, kDay);
        QCOMPARE(value(daily(folder), QStringLiteral("Tax"), QStringLiteral("A100")),
                 QStringLiteral("1"));
        QCOMPARE(value(monthly(folder), QStringLiteral("Sales"), QStringLiteral("A100")),
                 QStringLiteral("1"));
    }

    void taxRuleFollowsFlagAndAnswer_data() {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("price");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("gross");
        QTest::addColumn<QString>("tax");
        QTest::addColumn<QString>("net");
        // price × 2, cost 1.00 a unit
        QTest::newRow("not taxable") << "0"
                                     << "7.9"
                                     << "10" << int(TaxYes) << "20"
                                     << "0"
                                     << "18";
        QTest::newRow("answered no") << "1"
                                     << "7.9"
                                     << "10" << int(TaxNo) << "21.58"
                                     << "0"
                                     << "19.58";
        QTest::newRow("not asked") << "1"
                                   << "7.9"
                                   << "10" << int(TaxNotAsked) << "21.58"
                                   << "1.58"
                                   << "19.58";
        QTest::newRow("rate 0 rounds down") << "1"
                                            << "0"
                                            << "10.125" << int(TaxYes) << "20.24"
                                            << "-0.01"
                                            << "18.24";
        QTest::newRow("rate 0 rounds up") << "1"
                                          << "0"
                                          << "10.135" << int(TaxYes) << "20.28"
                                          << "0.01"
                                          << "18.28";
        QTest::newRow("flag 2 is taxable") << "2"
                                           << "7.9"
                                           << "10" << int(TaxNotAsked) << "21.58"
                                           << "1.58"
                                           << "19.58";
        QTest::newRow("flag 0.4 is whole 0") << "0.4"
                                             << "7.9"
                                             << "10" << int(TaxYes) << "20"
                                             << "0"
                                             << "18";
    }
    void taxRuleFollowsFlagAndAnswer() {
        QFETCH(QString, flag);
        QFETCH(QString, rate);
        QFETCH(QString, price);
        QFETCH(int, answer);
        QFETCH(QString, gross);
        QFETCH(QString, tax);
        QFETCH(QString, net);
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(rate);
        writeItem(folder, QStringLiteral("X"), price, QStringLiteral("1.00"), flag, QString());
        QVERIFY(LogSale(folder, QStringLiteral("X"), Decimal(2), answer, kDay));
        QVERIFY(env.errors.isEmpty());
        QCOMPARE(answer, answer == TaxNo ? int(TaxNo) : int(TaxYes));
        for (const QString& path : {daily(folder), monthly(folder)}) {
            QCOMPARE(value(path, QStringLiteral("GrossSale"), QStringLiteral("X")), gross);
            QCOMPARE(value(path, QStringLiteral("Tax"), QStringLiteral("X")), tax);
            QCOMPARE(value(path, QStringLiteral("NetProfit"), QStringLiteral("X")), net);
            QCOMPARE(value(path, QStringLiteral("Totals"), QStringLiteral("Tax")), tax);
        }
    }

    void zeroAnswerBecomesSixForTheCaller() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        int answer = TaxNotAsked;
        QVERIFY(LogReturn(folder, QStringLiteral("A"), Decimal(1), answer, kDay));
        QCOMPARE(answer, int(TaxYes));
        // With both logs off the answer still changes.
        setLogs(QStringLiteral("0"), QStringLiteral("0"));
        answer = TaxNotAsked;
        QVERIFY(LogSale(folder, QStringLiteral("A"), Decimal(1), answer, kDay));
        QCOMPARE(answer, int(TaxYes));
    }

    void makeSaleChecksStockAndTurnsNegativeIntoReturns() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("10.00"), QStringLiteral("5.00"),
                  QStringLiteral("1"), QStringLiteral("0"));

        SaleOutcome outcome = makeSale(folder, QStringLiteral("A100"), Decimal(1), TaxYes,
                                       MissingStock::Refused, kDay);
        QCOMPARE(outcome.status, SaleStatus::NotEnough);
        QVERIFY(!QFile::exists(daily(folder)));

        // -2 for stock 0: a return of 2 that never was a sale in this period.
        outcome = makeSale(folder, QStringLiteral("A100"), Decimal(-2), TaxYes,
                           MissingStock::Refused, kDay);
        QCOMPARE(outcome.status, SaleStatus::Recorded);
        QVERIFY(outcome.isReturn);
        QCOMPARE(outcome.quantity, Decimal(2));
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("2"));
        QCOMPARE(value(daily(folder), QStringLiteral("Returns"), QStringLiteral("A100")),
                 QStringLiteral("2"));
        QCOMPARE(value(daily(folder), QStringLiteral("Sales"), QStringLiteral("A100")),
                 QStringLiteral("(none)"));
        QCOMPARE(value(daily(folder), QStringLiteral("GrossSale"), QStringLiteral("A100")),
                 QStringLiteral("-21.58"));
        QCOMPARE(value(daily(folder), QStringLiteral("NetProfit"), QStringLiteral("A100")),
                 QStringLiteral("-11.58"));
        QCOMPARE(value(daily(folder), QStringLiteral("Tax"), QStringLiteral("A100")),
                 QStringLiteral("-1.58"));

        // 2.5 units out of 2 is too many; 1.5 is not.
        QCOMPARE(makeSale(folder, QStringLiteral("A100"), number("2.5"), TaxYes,
                          MissingStock::Refused, kDay)
                     .status,
                 SaleStatus::NotEnough);
        outcome = makeSale(folder, QStringLiteral("A100"), number("1.5"), TaxNo,
                           MissingStock::Refused, kDay);
        QCOMPARE(outcome.status, SaleStatus::Recorded);
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("0.5"));
        QCOMPARE(value(daily(folder), QStringLiteral("Totals"), QStringLiteral("Sales")),
                 QStringLiteral("1.5"));

        QCOMPARE(makeSale(folder, QStringLiteral("A100"), Decimal(), TaxYes).status,
                 SaleStatus::NoQuantity);
    }

    void missingStockRecordIsZeroOrRefused() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        QCOMPARE(
            makeSale(folder, QStringLiteral("Z"), Decimal(-1), TaxYes, MissingStock::Refused, kDay)
                .status,
            SaleStatus::UnknownSku);
        QCOMPARE(stockOf(folder, QStringLiteral("Z")), QStringLiteral("(none)"));
        QCOMPARE(makeSale(folder, QStringLiteral("Z"), Decimal(1), TaxYes,
                          MissingStock::CountsAsZero, kDay)
                     .status,
                 SaleStatus::NotEnough);
        QCOMPARE(makeSale(folder, QStringLiteral("Z"), Decimal(-1), TaxYes,
                          MissingStock::CountsAsZero, kDay)
                     .status,
                 SaleStatus::Recorded);
        QCOMPARE(stockOf(folder, QStringLiteral("Z")), QStringLiteral("1"));
    }

    void taxAnswerCountsOnlyForFlagOne() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("10"));
        writeItem(folder, QStringLiteral("ONE"), QStringLiteral("10"), QStringLiteral("0"),
                  QStringLiteral("1.0"), QStringLiteral("5"));
        writeItem(folder, QStringLiteral("TWO"), QStringLiteral("10"), QStringLiteral("0"),
                  QStringLiteral("2"), QStringLiteral("5"));
        QVERIFY(asksTaxQuestion(folder, QStringLiteral("ONE")));
        QVERIFY(!asksTaxQuestion(folder, QStringLiteral("TWO")));
        QVERIFY(asksTaxQuestion(folder, QStringLiteral("NEVER-STORED"))); // default flag 1

        QCOMPARE(
            makeSale(folder, QStringLiteral("ONE"), Decimal(1), TaxNo, MissingStock::Refused, kDay)
                .taxAnswer,
            int(TaxNo));
        const SaleOutcome two =
            makeSale(folder, QStringLiteral("TWO"), Decimal(1), TaxNo, MissingStock::Refused, kDay);
        QCOMPARE(two.taxAnswer, int(TaxYes));
        QCOMPARE(value(daily(folder), QStringLiteral("Tax"), QStringLiteral("ONE")),
                 QStringLiteral("0"));
        QCOMPARE(value(daily(folder), QStringLiteral("Tax"), QStringLiteral("TWO")),
                 QStringLiteral("1"));
    }

    void valueThatIsNoNumberWritesNothing() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A"), QStringLiteral("ten"), QStringLiteral("1"),
                  QStringLiteral("1"), QStringLiteral("5"));
        try {
            makeSale(folder, QStringLiteral("A"), Decimal(1), TaxYes, MissingStock::Refused, kDay);
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 13);
        }
        QCOMPARE(stockOf(folder, QStringLiteral("A")), QStringLiteral("5"));
        QVERIFY(!QFile::exists(daily(folder)));

        // A broken monthly value keeps the daily file unchanged as well.
        writeItem(folder, QStringLiteral("A"), QStringLiteral("10"), QStringLiteral("1"),
                  QStringLiteral("1"), QStringLiteral("5"));
        TestEnvironment::writeBytes(monthly(folder), "Totals\\Sales=lots\r\n");
        int answer = TaxNotAsked;
        QVERIFY(!LogSale(folder, QStringLiteral("A"), Decimal(1), answer, kDay));
        QCOMPARE(env.errors,
                 QStringList{QStringLiteral(
                     "Unexpected error in procedure: LogSale\nError #13: Type mismatch")});
        QVERIFY(!QFile::exists(daily(folder)));
        QCOMPARE(TestEnvironment::readBytes(monthly(folder)), QByteArray("Totals\\Sales=lots\r\n"));
    }

    // A recording that fails changes no file; one that passes changes the stock.
    void aRecordingIsAllOrNothing_data() {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("stock");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<bool>("monthlyIsFolder");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("after");
        QTest::newRow("bad rate, untaxed item") << "abc" << "0" << "5" << 1 << false << 0 << "4";
        QTest::newRow("bad rate, taxable item") << "7,5" << "1" << "5" << 1 << false << 13 << "5";
        QTest::newRow("return onto the top count")
            << "0" << "0" << "2147483647" << -1 << false << 6 << "2147483647";
        QTest::newRow("sale under the lowest count")
            << "0" << "0" << "-2147483648" << 1 << false << 6 << "-2147483648";
        QTest::newRow("monthly file cannot be replaced") << "0" << "0" << "5" << 1 << true << 75
                                                         << "5";
    }
    void aRecordingIsAllOrNothing() {
        QFETCH(QString, rate);
        QFETCH(QString, flag);
        QFETCH(QString, stock);
        QFETCH(int, quantity);
        QFETCH(bool, monthlyIsFolder);
        QFETCH(int, error);
        QFETCH(QString, after);
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(rate);
        writeItem(folder, QStringLiteral("A"), QStringLiteral("10"), QStringLiteral("1"), flag,
                  stock);
        if (monthlyIsFolder)
            QVERIFY(QDir().mkpath(monthlyPeriodFile(folder, QDate::currentDate())));
        QCOMPARE(errorOf([&] {
                     makeSale(folder, QStringLiteral("A"), Decimal(quantity), TaxYes,
                              MissingStock::WholeUnits);
                 }),
                 error);
        QCOMPARE(stockOf(folder, QStringLiteral("A")), after);
        QCOMPARE(QFile::exists(dailyPeriodFile(folder, QDate::currentDate())), error == 0);
    }

    // Sales gathered into one commit: each is checked on its own, a failing or refused one
    // changes nothing, the others are all written, and the totals add up.
    void gatheredSalesAreEachAllOrNothing() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, "A", "10", "1", "0", "5");
        writeItem(folder, "B", "2", "1", "0", "bad");
        writeItem(folder, "C", "3", "1", "0", "0");
        const auto unit = [](const char* sku, int quantity) {
            return SaleRequest{QString::fromLatin1(sku), Decimal(quantity), TaxNotAsked,
                               MissingStock::WholeUnits};
        };
        const QVector<SaleResult> results =
            makeSales(folder, {unit("A", 1), unit("B", 1), unit("C", 1), unit("A", -1), unit("A", 1)},
                      kDay);
        QCOMPARE(results.size(), 5);
        QCOMPARE(results[1].error ? results[1].error->number() : 0, 13);
        QCOMPARE(results[2].outcome.status, SaleStatus::NotEnough);
        for (int i : {0, 3, 4})
            QVERIFY(!results[i].error && results[i].outcome.status == SaleStatus::Recorded);
        QCOMPARE(stockOf(folder, "A"), QString("4"));
        QCOMPARE(stockOf(folder, "B"), QString("bad"));
        QCOMPARE(value(daily(folder), "Totals", "Sales"), QString("2"));
        QCOMPARE(value(daily(folder), "Totals", "Returns"), QString("1"));
        QCOMPARE(value(daily(folder), "Totals", "GrossSale"), QString("10"));
    }

    void manySalesAddUpExactly() {
        TestEnvironment env;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, QStringLiteral("P"), QStringLiteral("0.10"), QStringLiteral("0.03"),
                  QStringLiteral("1"), QStringLiteral("1000"));
        for (int i = 0; i < 40; ++i)
            QCOMPARE(makeSale(folder, QStringLiteral("P"), Decimal(1), TaxYes,
                              MissingStock::Refused, kDay)
                         .status,
                     SaleStatus::Recorded);
        // 0.10 × 1.079 = 0.1079, taxed unit 0.11
        QCOMPARE(value(daily(folder), QStringLiteral("Totals"), QStringLiteral("GrossSale")),
                 QStringLiteral("4.4"));
        QCOMPARE(value(daily(folder), QStringLiteral("Totals"), QStringLiteral("Tax")),
                 QStringLiteral("0.4"));
        QCOMPARE(value(monthly(folder), QStringLiteral("NetProfit"), QStringLiteral("P")),
                 QStringLiteral("3.2"));
        QCOMPARE(stockOf(folder, QStringLiteral("P")), QStringLiteral("960"));
    }
};

QTEST_GUILESS_MAIN(RecordingTest)
#include "tst_recording.moc"
