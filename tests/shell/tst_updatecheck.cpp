// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/framewindow.h"
#include "manager/shell/aboutwindow.h"
#include "manager/shell/updatewindow.h"
#include "manager/store/settings.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

namespace {
// The maker's update server on 127.0.0.1: answers every request with one reply, after a delay
// when given one; an empty reply keeps the connection open without answering.
struct UpdateServer : QTcpServer {
    explicit UpdateServer(QByteArray answer, int delayMs = 0)
        : reply(std::move(answer)) {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this, delayMs] {
            while (QTcpSocket* socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, delayMs] {
                    socket->readAll();
                    if (!reply.isEmpty())
                        QTimer::singleShot(delayMs, socket, [this, socket] {
                            socket->write(reply);
                            socket->disconnectFromHost();
                        });
                });
        });
    }
    QByteArray reply;
};

QByteArray page(const QByteArray& title, const QByteArray& status = "200 OK") {
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n\r\n<html><head><title>" + title +
           "</title></head><body>page</body></html>";
}

void pointAt(quint16 port) {
    settings::write(settings::UpdateServer, QStringLiteral("http://127.0.0.1:%1").arg(port));
}
} // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
private slots:
    void addressFollowsTheServerSetting_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("address");
        const QString path = "/updates/tallyvane/1_0_0.html";
        // clang-format off
        QTest::newRow("port") << "http://127.0.0.1:8080" << "http://127.0.0.1:8080" + path;
        QTest::newRow("trailing slash") << "https://up.example.org/" << "https://up.example.org" + path;
        QTest::newRow("not a web address") << "file:///etc" << "";
        QTest::newRow("no scheme") << "up.example.org" << "";
        // clang-format on
    }
    void addressFollowsTheServerSetting() {
        QFETCH(QString, server);
        QFETCH(QString, address);
        TestEnvironment env;
        settings::write(settings::UpdateServer, server);
        QCOMPARE(update::pageAddress().toString(), address);
    }

    void fetchRefusesBadRepliesAndGivesUp_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("title");
        const QString offline = update::offlineTitle();
        QTest::newRow("update") << page("  Update &amp; More ") << "Update & More";
        QTest::newRow("not found") << page("Update Available", "404 Not Found") << offline;
        QTest::newRow("not http") << QByteArray("<title>Update Available</title>") << offline;
        QTest::newRow("no title") << page("x").replace("<title>x</title>", "") << "";
        QTest::newRow("oversized") << page("No Update") + QByteArray(3 << 20, 'x') << offline;
        QTest::newRow("slow") << QByteArray() << offline;
        QTest::newRow("dead") << QByteArray("dead") << offline;
    }
    void fetchRefusesBadRepliesAndGivesUp() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, title);
        UpdateServer server(reply);
        const quint16 port = reply == "dead" ? fixture::freePort() : server.serverPort();
        UpdateFetch fetch(nullptr, 1500);
        QSignalSpy found(&fetch, &UpdateFetch::titleFound);
        fetch.start(QUrl(QStringLiteral("http://127.0.0.1:%1/u.html").arg(port)));
        QVERIFY(fetch.isBusy());
        QVERIFY(found.wait(2500)); // within the limit, with a margin for a busy machine
        QCOMPARE(found[0][0].toString(), title);
        QVERIFY(!fetch.isBusy());
    }

    void titlesActInOrder_data() {
        QTest::addColumn<QString>("autoUpdate");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<bool>("updater");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("ended");
        QTest::addColumn<QStringList>("errors");
        const QStringList none;
        const QString missing =
            "Unexpected error in procedure: wbUpdate_TitleChange\nError #53: File not found";
        // clang-format off
        QTest::newRow("flag only") << "0" << QStringList{"Update Available"} << true << true << false << none;
        QTest::newRow("cleared again") << "0" << QStringList{"Update Available", "No Update"} << true << false << false << none;
        QTest::newRow("case differs") << "0" << QStringList{"Update Available", "no update", "UPDATE NOW"} << true << true << false << none;
        QTest::newRow("auto updates") << "1" << QStringList{"Update Available"} << true << true << true << none;
        QTest::newRow("update now") << "0" << QStringList{"Update Now"} << true << false << true << none;
        QTest::newRow("no updater") << "1" << QStringList{"Update Available"} << false << true << false << QStringList{missing};
        // clang-format on
    }
    void titlesActInOrder() {
        QFETCH(QString, autoUpdate);
        QFETCH(QStringList, titles);
        QFETCH(bool, updater);
        TestEnvironment env;
        settings::write(settings::AutoUpdate, autoUpdate);
        QFile program(update::updaterPath());
        if (updater) {
            QVERIFY(program.open(QIODevice::WriteOnly));
            program.write("#!/bin/sh\nexit 0\n");
            program.close();
            program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        bool ended = false;
        update::setProgramEnder([&] { ended = true; });
        update::setUpdateAvailable(false);
        for (const QString& title : titles)
            QVERIFY(!update::actOnTitle(title));
        update::setProgramEnder({});
        QTest::qWait(200); // the started updater reads its script first
        program.remove();
        QVERIFY(update::actOnTitle(update::offlineTitle()));
        QTEST(update::updateAvailable(), "available");
        QTEST(ended, "ended");
        QTEST(env.errors, "errors");
    }

    // The splash's own 2 s are all the check may take from the start; an update found later
    // is shown then, in front.
    void splashNeverWaitsForTheCheck_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("resolving");
        QTest::addColumn<QString>("status");
        QTest::newRow("slow") << QByteArray() << 0 << true << "Resolving server...";
        QTest::newRow("unreachable") << QByteArray("dead") << 0 << false << "No update available.";
        QTest::newRow("update") << page("Update Available") << 0 << false << "Update available.";
        QTest::newRow("late update")
            << page("Update Available") << 2500 << true << "Resolving server...";
    }
    void splashNeverWaitsForTheCheck() {
        QFETCH(QByteArray, reply);
        QFETCH(int, delay);
        QFETCH(QString, status);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        UpdateServer server(reply, delay);
        pointAt(reply == "dead" ? fixture::freePort() : server.serverPort());
        update::setUpdateAvailable(false);
        auto* splash = new frmSplash(nullptr, [] { return new StartupUpdateCheck(3000); });
        QCOMPARE(splash->lblStatus->text(), QStringLiteral("Checking for updates..."));
        QSignalSpy finished(splash, &frmSplash::finished);
        QStringList statuses;
        connect(splash->tmrTimer, &QTimer::timeout, [&] { statuses << splash->lblStatus->text(); });
        QVERIFY(finished.wait(3000));
        QTEST(statuses.contains("Resolving server..."), "resolving");
        QCOMPARE(statuses.last(), status);
        // The update window is shown, not modal, only when there is an update.
        QWidget* window = nullptr;
        auto findWindow = [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (qobject_cast<frmUpdate*>(top) && top->isVisible())
                    window = top;
            return window != nullptr;
        };
        if (delay)
            QTRY_VERIFY_WITH_TIMEOUT(findWindow(), 4000);
        QCOMPARE(findWindow(), reply.contains("Update Available"));
        if (window)
            QTRY_COMPARE(static_cast<frmUpdate*>(window)->wbUpdate->title(), "Update Available");
        delete window;
    }

    void updateWindowShowsTheOfflinePage_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("slow") << QByteArray();
        QTest::newRow("unreachable") << QByteArray("dead");
    }
    void updateWindowShowsTheOfflinePage() {
        QFETCH(QByteArray, reply);
        TestEnvironment env;
        UpdateServer server(reply);
        pointAt(reply == "dead" ? fixture::freePort() : server.serverPort());
        frmUpdate window(nullptr, 2000);
        QCOMPARE(window.windowTitle(), QStringLiteral("Update"));
        QTRY_VERIFY_WITH_TIMEOUT(window.wbUpdate->url().fileName() == "offline.html", 6000);
        QTRY_COMPARE(window.wbUpdate->title(), QStringLiteral("Update Check"));
    }

    // Only the page's title decides: its scripts never run. The window says what it does while
    // the server is slow, and Escape or Close ends it.
    void updateWindowRunsNoScriptsAndClosesAtOnce() {
        TestEnvironment env;
        UpdateServer server(page("Other").replace(
            "page", "<script>document.title='Update Now';alert('infected')</script>"));
        pointAt(server.serverPort());
        bool ended = false;
        update::setProgramEnder([&] { ended = true; });
        frmUpdate window(nullptr, 3000);
        window.show();
        auto* checking = window.findChild<QLabel*>("lblChecking");
        QVERIFY(checking->isVisible());
        QTRY_COMPARE(window.wbUpdate->title(), QStringLiteral("Other"));
        QVERIFY(!checking->isVisible());
        QTest::qWait(300);
        QCOMPARE(window.wbUpdate->title(), QStringLiteral("Other"));
        QVERIFY(!ended);
        update::setProgramEnder({});
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        window.show();
        window.findChild<QPushButton*>()->click();
        QVERIFY(!window.isVisible());
    }

    void helpMenuShowsUpdateAndAboutModal() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        pointAt(fixture::freePort());
        QStringList versions;
        dialogs.modalActions << [&](QDialog* box) {
            versions << box->findChild<QLabel*>("lblTitle")->text()
                     << box->findChild<QLabel*>("lblVersion")->text();
            return 1;
        };
        frmFrame frame;
        frame.mnuHelpAbout->trigger();
        frame.mnuHelpUpdate->trigger();
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("About Tallyvane"));
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Update"));
        QCOMPARE(versions, QStringList({"Brannock's Tallyvane",
                                        frmAbout::versionText(TALLYVANE_VERSION_MAJOR,
                                                              TALLYVANE_VERSION_MINOR,
                                                              TALLYVANE_VERSION_REVISION)}));
        QVERIFY(env.errors.isEmpty());
        // Revision 0 is left out of the about box only.
        QCOMPARE(frmAbout::versionText(1, 6, 0), QStringLiteral("Version 1.6"));
        QCOMPARE(frmAbout::versionText(1, 6, 4), QStringLiteral("Version 1.6.4"));
        QCOMPARE(update::pagePath(1, 6, 0), QStringLiteral("/updates/tallyvane/1_6_0.html"));
    }
};

QTEST_MAIN(UpdateCheckTest)
#include "tst_updatecheck.moc"
