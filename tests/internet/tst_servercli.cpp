// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "tests/cli/clirunner.h"
#include "tests/internet/salesclient.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QTcpServer>
#include <QTest>

#include <memory>
#include <vector>

using fixture::freePort;

class ServerCliTest : public QObject {
    Q_OBJECT
private slots:
    void serveAndSendWorkTogetherAndServeStopsCleanly() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        WriteINIString("Inventory", "A1", "1", invCountPath(folder));
        const QString port = QString::number(freePort());

        QProcess server;
        server.start(cliPath(),
                     {"serve", "--company", "Shop", "--root", env.root(), "--port", port});
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += server.readAllStandardOutput()).contains("Done. Ready for transactions."),
            10000);

        CliResult sale = runCli({"send", "--port", port, "A1"});
        QCOMPARE(sale.exitCode, 0);
        QCOMPARE(sale.outText(), QStringLiteral("1\n"));
        CliResult refused = runCli({"send", "--port", port, "A1"});
        QCOMPARE(refused.exitCode, 2);
        QCOMPARE(refused.outText(), QStringLiteral("2\n"));
        CliResult returned = runCli({"send", "--port", port, "!!A1"});
        QCOMPARE(returned.exitCode, 0);
        QCOMPARE(GetINIString("Inventory", "A1", "", invCountPath(folder)), QStringLiteral("1"));

        QTRY_VERIFY_WITH_TIMEOUT(
            (output += server.readAllStandardOutput()).contains("Received return for SKU: A1.\n"),
            5000);
        QVERIFY(output.contains("Received sale of SKU: A1.\n"));
        QVERIFY(output.contains("Not enough of SKU A1 to process a sale, or A1 doesn't exist.\n"));

        server.terminate(); // SIGTERM
        QVERIFY(server.waitForFinished(10000));
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 0);
    }

    // Two servers and a loop of CLI sales on one company: every acknowledged sale is in the
    // stock, none is lost between the processes.
    void salesFromSeveralProcessesAreAllKept() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        const int start = 100000;
        WriteINIString("Inventory", "A1", QString::number(start), invCountPath(folder));
        std::vector<std::unique_ptr<QProcess>> servers;
        QList<quint16> ports;
        for (int i = 0; i < 2; ++i) {
            ports << freePort();
            auto server = std::make_unique<QProcess>();
            server->start(cliPath(), {"serve", "--company", "Shop", "--root", env.root(),
                                      "--port", QString::number(ports.last())});
            QByteArray output;
            QTRY_VERIFY_WITH_TIMEOUT((output += server->readAllStandardOutput())
                                         .contains("Done. Ready for transactions."),
                                     10000);
            servers.push_back(std::move(server));
        }
        QProcess loop;
        loop.start("sh", {"-c", QStringLiteral("n=0; for i in $(seq 40); do \"%1\" sale "
                                               "--company Shop --root \"%2\" A1 >/dev/null && "
                                               "n=$((n+1)); done; echo $n")
                                    .arg(cliPath(), env.root())});
        int acknowledged = 0;
        for (int i = 0; i < 400 || loop.state() != QProcess::NotRunning; ++i)
            acknowledged += ask(ports[i % 2], "A1") == "1";
        QCOMPARE(loop.exitStatus(), QProcess::NormalExit);
        acknowledged += loop.readAllStandardOutput().trimmed().toInt();
        for (auto& server : servers) {
            server->terminate();
            QVERIFY(server->waitForFinished(10000));
        }
        QVERIFY(acknowledged > 400);
        QCOMPARE(GetINIString("Inventory", "A1", "", invCountPath(folder)),
                 QString::number(start - acknowledged));
    }

    // A server killed in the middle of its work: the next writer finishes or drops what it was
    // doing, and the stock and the period totals agree with each other and with the replies.
    void aKilledServerLeavesConsistentFiles() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        const int start = 100000;
        WriteINIString("Inventory", "A1", QString::number(start), invCountPath(folder));
        const quint16 port = freePort();
        QProcess server;
        server.start(cliPath(), {"serve", "--company", "Shop", "--root", env.root(), "--port",
                                 QString::number(port)});
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += server.readAllStandardOutput())
                                     .contains("Done. Ready for transactions."),
                                 10000);
        QTimer::singleShot(700, &server, &QProcess::kill); // SIGKILL amid the sales
        int acknowledged = 0;
        while (server.state() != QProcess::NotRunning)
            acknowledged += ask(port, "A1", 1000) == "1";
        QVERIFY(acknowledged > 10);
        QCOMPARE(runCli({"sale", "--company", "Shop", "--root", env.root(), "A1"}).exitCode, 0);
        const int sold = start - GetINIString("Inventory", "A1", "", invCountPath(folder)).toInt();
        QVERIFY2(sold == acknowledged + 1 || sold == acknowledged + 2,
                 qPrintable(QStringLiteral("%1 sold, %2 acknowledged").arg(sold).arg(acknowledged)));
        const QString daily = dailyPeriodFile(folder, QDate::currentDate());
        QCOMPARE(GetINIString("Totals", "Sales", "", daily), QString::number(sold));
        QCOMPARE(GetINIString("Sales", "A1", "", daily), QString::number(sold));
        QVERIFY(!QFile::exists(companyJournalPath(folder)));
    }

    void failuresGiveTheirExitStatus() {
        TestEnvironment env;
        env.makeCompany("Shop");
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        const QString busy = QString::number(holder.serverPort());
        CliResult inUse =
            runCli({"serve", "--company", "Shop", "--root", env.root(), "--port", busy});
        QCOMPARE(inUse.exitCode, 1);
        QCOMPARE(inUse.errText().count('\n'), 1);
        QVERIFY(inUse.errText().contains(busy));

        // Nobody answers on the holder's port: no reply within the time limit is an error.
        holder.close();
        CliResult nobody = runCli({"send", "--port", busy, "A1"});
        QCOMPARE(nobody.exitCode, 1);

        QCOMPARE(runCli({"serve", "--company", "Nope", "--root", env.root()}).exitCode, 2);
        QCOMPARE(runCli({"send"}).exitCode, 64);
        QCOMPARE(runCli({"send", "--port", "99999", "A1"}).exitCode, 64);
    }
};

QTEST_GUILESS_MAIN(ServerCliTest)
#include "tst_servercli.moc"
