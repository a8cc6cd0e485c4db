#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "tests/support/testenvironment.h"

#include <QProcess>
#include <QTcpServer>
#include <QTest>

namespace {
QString cli() {
    return qEnvironmentVariable("TALLYVANE_BINARY_DIR") + QStringLiteral("/tallyvane-cli");
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run run(const QStringList& arguments) {
    QProcess process;
    process.start(cli(), arguments);
    process.waitForFinished(20000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
} // namespace

class ServerCliTest : public QObject {
    Q_OBJECT
private slots:
    void serveAndSendWorkTogetherAndServeStopsCleanly() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        WriteINIString("Inventory", "A1", "1", invCountPath(folder));
        const QString port = QString::number(freePort());

        QProcess server;
        server.start(cli(), {"serve", "--company", "Shop", "--root", env.root(), "--port", port});
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += server.readAllStandardOutput()).contains("Done. Ready for transactions."),
            10000);

        Run sale = run({"send", "--port", port, "A1"});
        QCOMPARE(sale.status, 0);
        QCOMPARE(sale.out, QStringLiteral("1\n"));
        Run refused = run({"send", "--port", port, "A1"});
        QCOMPARE(refused.status, 2);
        QCOMPARE(refused.out, QStringLiteral("2\n"));
        Run returned = run({"send", "--port", port, "!!A1"});
        QCOMPARE(returned.status, 0);
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

    void failuresGiveTheirExitStatus() {
        TestEnvironment env;
        env.makeCompany("Shop");
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        const QString busy = QString::number(holder.serverPort());
        Run inUse = run({"serve", "--company", "Shop", "--root", env.root(), "--port", busy});
        QCOMPARE(inUse.status, 1);
        QCOMPARE(inUse.err.count('\n'), 1);
        QVERIFY(inUse.err.contains(busy));

        // Nobody answers on the holder's port: no reply within the time limit is an error.
        holder.close();
        Run nobody = run({"send", "--port", busy, "A1"});
        QCOMPARE(nobody.status, 1);

        QCOMPARE(run({"serve", "--company", "Nope", "--root", env.root()}).status, 2);
        QCOMPARE(run({"send"}).status, 2);
        QCOMPARE(run({"send", "--port", "99999", "A1"}).status, 2);
    }
};

QTEST_GUILESS_MAIN(ServerCliTest)
#include "tst_servercli.moc"
