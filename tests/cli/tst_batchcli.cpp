// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli batch, run as a separate program.

#include "manager/sales/batch.h"
#include "manager/store/periodfiles.h"
#include "tests/cli/clirunner.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QtTest>

using namespace fixture;

class BatchCliTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString folder;
    QString batchPath;

    CliResult run(QStringList args) const {
        args.prepend("batch");
        args << QStringLiteral("--company") << QStringLiteral("Shop") << QStringLiteral("--root")
             << env->root();
        return runCli(args);
    }
    QString daily() const { return dailyPeriodFile(folder, QDate::currentDate()); }

private slots:
    void init() {
        env = new TestEnvironment;
        folder = env->makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, "A100", "10.00", "5.00", "1", "5");
        writeItem(folder, "B200", "4.00", "1.00", "0", "7");
        batchPath = env->base() + QStringLiteral("/batch.txt");
        TestEnvironment::writeBytes(batchPath, "A100\r\n!!B200\r\nC300\r\n!!\r\n");
    }
    void cleanup() { delete env; }

    void printsAndWritesTheLog() {
        const CliResult result = run({batchPath});
        QCOMPARE(result.errText(), QString());
        QCOMPARE(result.exitCode, 0); // refused lines are no failure
        const QString path = QDir::toNativeSeparators(batchPath);
        QCOMPARE(result.outText(),
                 "Processing batch file " + path +
                     ".\nReceived sale of SKU: A100.\nReceived return for SKU: B200.\n"
                     "Not enough of SKU C300 to process a sale, or C300 doesn't exist.\n"
                     " doesn't exist.\nProcessing complete.\n");
        QCOMPARE(TestEnvironment::readBytes(lastBatchProcessPath(folder)),
                 QByteArray(result.out).replace("\n", "\r\n"));
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QCOMPARE(stockOf(folder, "B200"), QString("8"));
        // Tax is recorded unless --tax no says otherwise.
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("0.79"));
        QCOMPARE(run({"--tax", "no", batchPath}).exitCode, 0);
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("0.79"));
        QCOMPARE(GetINIString("Sales", "A100", "", daily()), QString("2"));
    }

    void errorsGoToStandardError() {
        // A count that is not a number stops the run; the lines before it stay recorded.
        WriteINIString("Inventory", "BAD", "n/a", invCountPath(folder));
        TestEnvironment::writeBytes(batchPath, "A100\r\nBAD\r\nA100\r\n");
        CliResult result = run({batchPath});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.errText(), batchErrorText() +
                                       "\nError #13: Type mismatch: the stock of SKU "
                                       "BAD is \"n/a\", not a number\n");
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QVERIFY(!QFile::exists(lastBatchProcessPath(folder)));

        // A recording that fails is reported, changes nothing, and the run goes on.
        writeItem(folder, "X1", "ten", "1", "1", "3");
        TestEnvironment::writeBytes(batchPath, "X1\r\n");
        result = run({batchPath});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.errText(),
                 QString("Unexpected error in procedure: LogSale\nError #13: Type mismatch: the "
                         "price of SKU X1 is \"ten\", not a number\n"));
        QVERIFY(!result.outText().contains("Received sale of SKU: X1."));
        QCOMPARE(stockOf(folder, "X1"), QString("3"));

        for (const QStringList& args :
             {QStringList{}, QStringList{batchPath, batchPath},
              QStringList{"--tax", "maybe", batchPath}, QStringList{"--tax"},
              QStringList{env->base() + "/missing.txt"}}) {
            result = run(args);
            QCOMPARE(result.exitCode, 2);
            QVERIFY(!result.err.isEmpty());
            QCOMPARE(result.out, QByteArray());
        }
        result = runCli({"batch", "--company", "Nobody", "--root", env->root(), batchPath});
        QCOMPARE(result.exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(BatchCliTest)
#include "tst_batchcli.moc"
