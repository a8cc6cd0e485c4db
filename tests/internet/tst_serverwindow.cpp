// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/salesserver.h"
#include "manager/internet/serverwindow.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/settings.h"
#include "tests/internet/salesclient.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using fixture::freePort;

class ServerWindowTest : public QObject {
    Q_OBJECT
private slots:
    void loadsListensAndLogsEachSale() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Corner Shop");
        const quint16 port = freePort();
        settings::write("Server", "Port", QString::number(port));
        WriteINIString("Inventory", "A1", "2", invCountPath(folder));

        frmServer window("Corner Shop", folder);
        QCOMPARE(window.windowTitle(), QStringLiteral("Internet Sales Server Side"));
        window.Form_Load();
        QCOMPARE(window.server()->port(), port);
        QCOMPARE(ask(port, "A1"), QByteArray("1"));
        QTRY_VERIFY(window.txtOutput->toPlainText().endsWith("Closed connection with 127.0.0.1."));
        const QString expected =
            "Welcome to Internet Sales Server\n\nLoading Corner Shop...\nLocal IP is {" +
            SalesServer::localAddress() +
            "}.\nDone. Ready for transactions.\nConnection request received.\n"
            "Connected to 127.0.0.1.\nReceiving data from 127.0.0.1.\n"
            "Received sale of SKU: A1.\n"
            "Data transfer comlete. Closed connection with 127.0.0.1.";
        QCOMPARE(window.txtOutput->toPlainText(), expected);
        QVERIFY(dialogs.shown.isEmpty());

        QSignalSpy closed(&window, &frmServer::closed);
        window.close();
        QCOMPARE(closed.size(), 1);
    }

    void aPortInUseGivesTheStandardErrorAndTheWindowStays() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        settings::write("Server", "Port", QString::number(holder.serverPort()));
        frmServer window("Shop", folder);
        window.show();
        window.Form_Load();
        QCOMPARE(
            dialogs.messages(),
            QStringList{"Unexpected error in procedure: Form_Load\nError #10048: Address in use"});
        QVERIFY(window.isVisible());
        QCOMPARE(window.txtOutput->toPlainText(),
                 QStringLiteral("Welcome to Internet Sales Server\n\nLoading Shop..."));
    }
};

QTEST_MAIN(ServerWindowTest)
#include "tst_serverwindow.moc"
