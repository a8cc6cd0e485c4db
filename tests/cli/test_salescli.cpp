// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli sale, stats and report, run as a separate program.

#include "manager/sales/reports.h"
#include "manager/store/periodfiles.h"
#include "tests/cli/clirunner.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QtTest>

using namespace fixture;

class SalesCliTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString folder;

    CliResult run(QStringList args) const {
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
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("10.00"), QStringLiteral("5.00"),
                  QStringLiteral("1"), QStringLiteral("5"));
    }
    void cleanup() { delete env; }

    void saleChangesStockAndPeriodFiles() {
        CliResult result = run({"sale", "--quantity", "3", "--tax", "no", "A100"});
        QCOMPARE(result.errText(), QString());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outText(),
                 QStringLiteral("Recorded sale of 3 of SKU A100; in stock: 2.\n"));
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("2"));
        QCOMPARE(GetINIString("GrossSale", "A100", QString(), daily()), QStringLiteral("32.37"));
        QCOMPARE(GetINIString("Tax", "A100", QString(), daily()), QStringLiteral("0"));

        // Without --tax the tax is recorded; without --root the settings' root is used.
        result = runCli({"sale", "--company", "Shop", "A100"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(GetINIString("Tax", "A100", QString(), daily()), QStringLiteral("0.79"));

        result = run({"sale", "--quantity", "-2.5", "A100"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outText(),
                 QStringLiteral("Recorded return of 2.5 of SKU A100; in stock: 3.5.\n"));
        QCOMPARE(GetINIString("Totals", "Returns", QString(), daily()), QStringLiteral("2.5"));
    }

    void refusedSalesChangeNothing() {
        const QByteArray stock = TestEnvironment::readBytes(invCountPath(folder));
        CliResult result = run({"sale", "--quantity", "6", "A100"});
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.errText(), QStringLiteral("Not enough in inventory.\n"));
        QCOMPARE(result.out, QByteArray());

        result = run({"sale", "--quantity", "-1", "B200"});
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.errText(), QStringLiteral("B200 doesn't exist.\n"));

        for (const QStringList& args :
             {QStringList{"sale", "--quantity", "lots", "A100"},
              QStringList{"sale", "--quantity", "0", "A100"},
              QStringList{"sale", "--tax", "maybe", "A100"}, QStringList{"sale"},
              QStringList{"sale", "A100", "B200"}, QStringList{"sale", "--quantity"}}) {
            result = run(args);
            QCOMPARE(result.exitCode, 2);
            QVERIFY(!result.err.isEmpty());
        }
        result = runCli({"sale", "--company", "Nobody", "--root", env->root(), "A100"});
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(TestEnvironment::readBytes(invCountPath(folder)), stock);
        QVERIFY(!QFile::exists(daily()));
    }

    void brokenRecordsFailWithoutWriting() {
        WriteINIString("Prices", "A100", "ten", priceLogPath(folder));
        const CliResult result = run({"sale", "A100"});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errText(), QStringLiteral("Error #13: Type mismatch: the price of SKU A100 "
                                                  "is \"ten\", not a number\n"));
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("5"));
        QVERIFY(!QFile::exists(daily()));
    }

    void statsPrintsWhatItWrites() {
        WriteINIString("Titles", "Blue mug", "A100", folder + "Kitchen");
        const CliResult result = run({"stats"});
        QCOMPARE(result.exitCode, 0);
        const QByteArray written = TestEnvironment::readBytes(lastStatsPath(folder));
        QVERIFY(written.startsWith("Statistics for Shop as of "));
        QVERIFY(written.contains("\r\nTotal Items: 5\r\n"));
        QCOMPARE(result.out, written.chopped(2) + '\n');
        QCOMPARE(run({"stats", "extra"}).exitCode, 2);
    }

    void reportWritesTheChosenPeriodFile() {
        const QString name = dailyPeriodFileName(QDate::currentDate());
        QCOMPARE(run({"sale", "A100"}).exitCode, 0);
        const QString out = env->base() + QStringLiteral("/day.csv");
        CliResult result = run({"report", name, out});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outText(), QStringLiteral("Complete.\n"));
        QCOMPARE(TestEnvironment::readBytes(out), reportBytes(daily()));
        QVERIFY(
            TestEnvironment::readBytes(out).contains("Totals:\r\nSales,1\r\nGrossSale,10.79\r\n"));

        for (const QString& missing :
             {QStringLiteral("Sales1-1999.txt"), QStringLiteral("../Logs/InvCount")}) {
            result = run({"report", missing, env->base() + QStringLiteral("/x.csv")});
            QCOMPARE(result.exitCode, 2);
            QVERIFY(result.errText().startsWith(QStringLiteral("There is no period file")));
        }
        QVERIFY(!QFile::exists(env->base() + QStringLiteral("/x.csv")));
        result = run({"report", name, env->base() + QStringLiteral("/no/such/folder.csv")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!result.err.isEmpty());
        QCOMPARE(run({"report", name}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(SalesCliTest)
#include "test_salescli.moc"
