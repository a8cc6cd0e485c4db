// SPDX-License-Identifier: GPL-3.0-or-later
// Batch files and scans in the core: line rules, stock rules, logs, and the bytes they leave.

#include "manager/sales/batch.h"
#include "manager/sales/recording.h"
#include "manager/sales/scan.h"
#include "manager/store/numbertext.h"
#include "manager/store/periodfiles.h"
#include "manager/store/textcodec.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace fixture;

namespace {

// The batch run line by line, the way each line's writes go straight to disk: the reference
// the in-memory run must match byte for byte.
void processOneByOne(const QString& folder, const QStringList& lines, int taxAnswer) {
    const QString inventory = invCountPath(folder);
    for (const QString& line : lines) {
        const bool isReturn = line.startsWith(QLatin1String("!!"));
        const QString sku = isReturn ? line.mid(2) : line;
        const QString count = GetINIString("Inventory", sku, isReturn ? "None" : "0", inventory);
        if (count == (isReturn ? "None" : "0"))
            continue;
        WriteINIString("Inventory", sku, QString::number(wholeCount(count) + (isReturn ? 1 : -1)),
                       inventory);
        if (isReturn)
            LogReturn(folder, sku, Decimal(1), taxAnswer, kDay);
        else
            LogSale(folder, sku, Decimal(1), taxAnswer, kDay);
    }
}

} // namespace

class BatchTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString folder;

    QString batchFile(const QByteArray& bytes) const {
        const QString path = env->base() + QStringLiteral("/batch.txt");
        TestEnvironment::writeBytes(path, bytes);
        return path;
    }
    QString run(const QByteArray& bytes, int taxAnswer = TaxYes) const {
        const QString path = batchFile(bytes);
        processBatchFile(folder, path, QStringLiteral("C:\\batch.txt"), taxAnswer);
        return decodeStoreText(TestEnvironment::readBytes(lastBatchProcessPath(folder))).chopped(2);
    }
    QString daily() const { return dailyPeriodFile(folder, QDate::currentDate()); }

private slots:
    void init() {
        env = new TestEnvironment;
        folder = env->makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, "A100", "10.00", "5.00", "1", "5");
        writeItem(folder, "B200", "4.00", "1.00", "0", "7");
    }
    void cleanup() { delete env; }

    void threeLineExampleLogsEachLine() {
        writeItem(folder, "C300", "1.00", "0.50", "1", QString()); // no stock record
        const QString log = run("A100\r\n!!B200\r\nC300\r\n");
        const QByteArray expected = "Processing batch file C:\\batch.txt.\r\n"
                                    "Received sale of SKU: A100.\r\n"
                                    "Received return for SKU: B200.\r\n"
                                    "Not enough of SKU C300 to process a sale, or C300 doesn't "
                                    "exist.\r\n"
                                    "Processing complete.\r\n";
        QCOMPARE(TestEnvironment::readBytes(lastBatchProcessPath(folder)), expected);
        QCOMPARE(log + "\r\n", QString::fromUtf8(expected));
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QCOMPARE(stockOf(folder, "B200"), QString("8"));
        QCOMPARE(stockOf(folder, "C300"), QString("(none)"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("1"));
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("0.79"));
        QCOMPARE(GetINIString("Returns", "B200", "", daily()), QString("1"));
        QCOMPARE(GetINIString("GrossSale", "B200", "", daily()), QString("-4"));
        QCOMPARE(GetINIString("Sales", "C300", "none", daily()), QString("none"));
    }

    void lineEndsAcrossTheReadPieces() {
        // The file is read 64 KB at a time: a CR LF split between two pieces is one line end.
        WriteINIString("Inventory", "A100", "100000", invCountPath(folder));
        QByteArray bytes =
            QByteArray("A100\r\n").repeated(4) + QByteArray("A100\n").repeated(13101);
        QCOMPARE(bytes.size() + 6, 65535);
        bytes += "!!B200\r\n" + QByteArray("A100\r").repeated(1000) + "A100";
        const QStringList log = run(bytes).split("\r\n");
        QCOMPARE(log.size(), 2 + 14107);
        QCOMPARE(log.count("Received return for SKU: B200."), 1);
        QCOMPARE(stockOf(folder, "A100"), QString::number(100000 - 14106));
        QCOMPARE(stockOf(folder, "B200"), QString("8"));
    }

    void bareMarksAndBlanksBelongToTheSku() {
        // "!!" alone returns the empty SKU, an empty line sells it; blanks are never trimmed.
        const QString log = run("!!\r\n\r\n A100\r\n!!A100 \r\nA100");
        QCOMPARE(log.split("\r\n"),
                 (QStringList{"Processing batch file C:\\batch.txt.", " doesn't exist.",
                              "Not enough of SKU  to process a sale, or  doesn't exist.",
                              "Not enough of SKU  A100 to process a sale, or  A100 doesn't exist.",
                              "A100  doesn't exist.", "Received sale of SKU: A100.",
                              "Processing complete."}));
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QCOMPARE(stockOf(folder, ""), QString("(none)"));
        // A byte-order mark from another program is not part of the first SKU.
        QVERIFY(run("\xEF\xBB\xBF!!A100").contains("Received return for SKU: A100."));
    }

    void onlyTheExactTextZeroIsOutOfStock_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("after");
        QTest::newRow("negative sells further") << "-1"
                                                << "-2";
        QTest::newRow("zero refused") << "0"
                                      << "0";
        QTest::newRow("zero as 0.0 sells") << "0.0"
                                           << "-1";
        QTest::newRow("half to even down") << "2.5"
                                           << "1";
        QTest::newRow("half to even up") << "3.5"
                                         << "3";
        QTest::newRow("blanks around") << " 6 "
                                       << "5";
    }
    void onlyTheExactTextZeroIsOutOfStock() {
        QFETCH(QString, stored);
        QFETCH(QString, after);
        WriteINIString("Inventory", "A100", stored, invCountPath(folder));
        const QString log = run("A100");
        QCOMPARE(stockOf(folder, "A100"), after);
        QCOMPARE(log.contains("Received sale of SKU: A100."), stored != "0");
    }

    void lineEndsOfEveryKindAndOldEncodings() {
        WriteINIString("Inventory", "Kaffee\u00e4", "3", invCountPath(folder));
        // LF, lone CR, CR LF, a Windows-1252 line and a last line without a line end.
        run("A100\n!!B200\rA100\r\nKaffee\xe4\r\nKaffee\u00e4");
        QCOMPARE(stockOf(folder, "A100"), QString("3"));
        QCOMPARE(stockOf(folder, "B200"), QString("8"));
        QCOMPARE(stockOf(folder, "Kaffee\u00e4"), QString("1"));
        // An empty file logs the first and the last line only.
        QCOMPARE(run(""), QString("Processing batch file C:\\batch.txt.\r\nProcessing complete."));
    }

    void taxAnswerNoKeepsTheTaxOut() {
        run("A100\r\nA100", TaxNo);
        QCOMPARE(GetINIString("GrossSale", "A100", "", daily()), QString("21.58"));
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("0"));
        QCOMPARE(GetINIString("Totals", "Sales", "", daily()), QString("2"));
    }

    void anErrorStopsTheRunButKeepsEarlierLines() {
        WriteINIString("Inventory", "BAD", "lots", invCountPath(folder));
        try {
            run("A100\r\n!!B200\r\nBAD\r\nA100\r\n");
            QFAIL("a count that is not a number must stop the run");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 13);
        }
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QCOMPARE(stockOf(folder, "B200"), QString("8"));
        QCOMPARE(GetINIString("Totals", "Sales", "", daily()), QString("1"));
        QVERIFY(TestEnvironment::readBytes(lastBatchProcessPath(folder))
                    .endsWith("Processing stopped at line 3 after recording 2 lines: Type "
                              "mismatch: the stock of SKU BAD is \"lots\", not a number.\r\n"));

        // A count at the top of the 32-bit range cannot take one more.
        WriteINIString("Inventory", "A100", "2147483647", invCountPath(folder));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, run("!!A100"));
        QCOMPARE(stockOf(folder, "A100"), QString("2147483647"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 processBatchFile(folder, env->base() + "/missing.txt", "x", 6));
    }

    // A run that stops on a later slice: the log tells every line recorded before, and where
    // and why it stopped; a slice whose write failed recorded nothing and is not in the log.
    void aRunStoppedPartWayKeepsItsLog_data() {
        QTest::addColumn<bool>("writeFails"); // else the next count is no number
        QTest::newRow("a period file made unwritable") << true;
        QTest::newRow("a count that is no number") << false;
    }
    void aRunStoppedPartWayKeepsItsLog() {
        QFETCH(bool, writeFails);
        BatchRun run(folder, batchFile("A100\r\nB200\r\nA100\r\nB200\r\n"), "C:\\b.txt", TaxYes);
        QVERIFY(!run.processSome(0));
        QVERIFY(!run.processSome(0)); // one line a slice
        if (writeFails)               // a folder where the file goes cannot be replaced
            QVERIFY(QFile::remove(daily()) && QDir().mkdir(daily()));
        else
            WriteINIString("Inventory", "A100", "lots", invCountPath(folder));
        std::optional<BatchStopped> stopped;
        try {
            run.processSome(0);
        } catch (const RuntimeError& error) {
            stopped = run.finishAfter(error);
        }
        QVERIFY(stopped);
        QCOMPARE(stopped->line(), 3);
        const QString why = writeFails ? "Path/File access error"
                                       : "Type mismatch: the stock of SKU A100 is \"lots\", not "
                                         "a number";
        QCOMPARE(decodeStoreText(TestEnvironment::readBytes(lastBatchProcessPath(folder))),
                 "Processing batch file C:\\b.txt.\r\nReceived sale of SKU: A100.\r\n"
                 "Received sale of SKU: B200.\r\nProcessing stopped at line 3 after recording 2 "
                 "lines: " +
                     why + ".\r\n");
        QCOMPARE(stockOf(folder, "B200"), QString("6"));
    }

    void aFailedRecordingIsReportedAndTheRunGoesOn() {
        writeItem(folder, "X1", "ten", "1", "1", "3");
        const QString log = run("X1\r\nA100\r\nX1\r\n!!X1\r\n");
        const QString kTen = "Type mismatch: the price of SKU X1 is \"ten\", not a number";
        QCOMPARE(env->errors,
                 (QStringList{"Unexpected error in procedure: LogSale\nError #13: " + kTen,
                              "Unexpected error in procedure: LogSale\nError #13: " + kTen,
                              "Unexpected error in procedure: LogReturn\nError #13: " + kTen}));
        // A line whose recording fails leaves the stock as it was too.
        QCOMPARE(stockOf(folder, "X1"), QString("3"));
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QVERIFY(!log.contains("SKU: X1."));
        QCOMPARE(GetINIString("Sales", "X1", "none", daily()), QString("none"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("1"));

        // A scan whose recording fails changes nothing either, not even the stock.
        env->errors.clear();
        QCOMPARE(processScan(folder, ScanMode::Sale, "X1", "2", TaxYes), ScanStatus::Failed);
        QCOMPARE(processScan(folder, ScanMode::Return, "X1", "2", TaxYes), ScanStatus::Failed);
        QCOMPARE(env->errors.size(), 2);
        QVERIFY(env->errors.last().contains("LogReturn"));
        QCOMPARE(stockOf(folder, "X1"), QString("3"));
    }

    // Slices of one line, or the rest in one slice; between the first two another program
    // changes the stock of a SKU the batch does not sell, or of the one the first slice sold.
    void manyLinesGiveTheBytesOfOneLineAtATime_data() {
        QTest::addColumn<int>("budgetMs");
        QTest::addColumn<QString>("changedSku");
        QTest::newRow("line by line") << 0 << "Other";
        QTest::newRow("one slice") << 60000 << "Other";
        QTest::newRow("one slice, a sold SKU changed") << 60000 << "S1";
        QTest::newRow("line by line, a sold SKU changed") << 0 << "S1";
    }
    void manyLinesGiveTheBytesOfOneLineAtATime() {
        QFETCH(int, budgetMs);
        QFETCH(QString, changedSku);
        QStringList lines{"S1"};
        for (int i = 0; i < 400; ++i) {
            const QString sku = QStringLiteral("S%1").arg(i % 7);
            lines << ((i % 5 == 3) ? "!!" + sku : sku);
            if (i % 50 == 0)
                lines << "nothing"
                      << "!!nothing";
        }
        QStringList skus;
        for (int i = 0; i < 7; ++i)
            skus << QStringLiteral("S%1").arg(i);
        auto stock = [&](const QString& company) {
            const QString shop = env->makeCompany(company);
            for (int i = 0; i < 7; ++i)
                writeItem(shop, skus[i], QString::number(1.25 * (i + 1)), "0.5",
                          QString::number(i % 2), QString::number(i * 20));
            return shop;
        };
        const QString batched = stock("Batched");
        const QString reference = stock("Reference");
        processOneByOne(reference, lines.mid(0, 1), TaxYes);
        WriteINIString("Inventory", changedSku, "9", invCountPath(reference));
        processOneByOne(reference, lines.mid(1), TaxYes);

        BatchRun run(batched, batchFile(lines.join("\r\n").toUtf8()), "b.txt", TaxYes, kDay);
        QCOMPARE(run.position(), 0);
        QVERIFY(!run.processSome(0)); // one line per slice at least
        QCOMPARE(run.linesDone(), 1);
        // Another window's change between two slices is kept.
        WriteINIString("Inventory", changedSku, "9", invCountPath(batched));
        while (!run.processSome(budgetMs)) {
        }
        QCOMPARE(run.position(), run.size());
        QCOMPARE(run.linesDone(), lines.size());
        run.finish();

        QCOMPARE(TestEnvironment::readBytes(invCountPath(batched)),
                 TestEnvironment::readBytes(invCountPath(reference)));
        for (const QString& file : {dailyPeriodFileName(kDay), monthlyPeriodFileName(kDay)})
            QCOMPARE(TestEnvironment::readBytes(reportsFolder(batched) + file),
                     TestEnvironment::readBytes(reportsFolder(reference) + file));
    }

    void scanSalesReturnsAndAdditions() {
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "2", TaxNo), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("3"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("2"));
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("0"));
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "4", TaxYes), ScanStatus::NotEnough);
        QCOMPARE(processScan(folder, ScanMode::Return, "A100", "3", TaxYes), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("6"));
        QCOMPARE(GetINIString("Returns", "A100", "", daily()), QString("3"));
        // Adding changes the stock only.
        const QByteArray period = TestEnvironment::readBytes(daily());
        QCOMPARE(processScan(folder, ScanMode::Add, "A100", "10", TaxYes), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("16"));
        QCOMPARE(TestEnvironment::readBytes(daily()), period);
        QCOMPARE(processScan(folder, ScanMode::Add, "", "10", TaxYes), ScanStatus::NoSku);
    }

    void scanOfZeroAndNegativeNumbers() {
        // 0: the stock stays, zero values go to the period file.
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "0", TaxYes), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("5"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("0"));
        QCOMPARE(GetINIString("GrossSale", "A100", "", daily()), QString("0"));
        // A negative sale raises the stock.
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "-3", TaxYes), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("8"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("-3"));
        // A half is rounded to even once, for the stock and the recording alike.
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "2.5", TaxYes), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("6"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("-1"));
    }

    void scanOfAnUnknownSkuMakesNoRecord() {
        const QByteArray stock = TestEnvironment::readBytes(invCountPath(folder));
        QCOMPARE(processScan(folder, ScanMode::Sale, "Z9", "0", TaxYes), ScanStatus::NotEnough);
        QCOMPARE(processScan(folder, ScanMode::Sale, "Z9", "-2", TaxYes), ScanStatus::NotEnough);
        QCOMPARE(processScan(folder, ScanMode::Return, "Z9", "1", TaxYes),
                 ScanStatus::DoesNotExist);
        QCOMPARE(processScan(folder, ScanMode::Add, "Z9", "1", TaxYes), ScanStatus::DoesNotExist);
        QCOMPARE(TestEnvironment::readBytes(invCountPath(folder)), stock);
        QVERIFY(!QFile::exists(daily()));
    }

    void scanCountsOfAnySize() {
        // Beyond 16 and 32 bits alike.
        WriteINIString("Inventory", "A100", "40000", invCountPath(folder));
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "39999", TaxYes), ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("1"));
        WriteINIString("Inventory", "A100", "5000000000", invCountPath(folder));
        QCOMPARE(processScan(folder, ScanMode::Sale, "A100", "5000000001", TaxYes),
                 ScanStatus::NotEnough);
        QCOMPARE(processScan(folder, ScanMode::Add, "A100", "5000000000", TaxYes),
                 ScanStatus::Done);
        QCOMPARE(stockOf(folder, "A100"), QString("10000000000"));
    }

    void scanOfACountThatIsNoNumberWritesNothing() {
        WriteINIString("Inventory", "A100", "many", invCountPath(folder));
        const QByteArray stock = TestEnvironment::readBytes(invCountPath(folder));
        for (ScanMode mode : {ScanMode::Sale, ScanMode::Return, ScanMode::Add}) {
            try {
                processScan(folder, mode, "A100", "1", TaxYes);
                QFAIL("a count that is not a number is an error");
            } catch (const RuntimeError& error) {
                QCOMPARE(error.number(), 13);
            }
        }
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 processScan(folder, ScanMode::Sale, "B200", "x", TaxYes));
        QCOMPARE(TestEnvironment::readBytes(invCountPath(folder)), stock);
        QCOMPARE(stockOf(folder, "B200"), QString("7"));
    }
};

QTEST_GUILESS_MAIN(BatchTest)
#include "tst_batch.moc"
