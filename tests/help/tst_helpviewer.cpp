// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/helpwindows.h"

#include "help/bookwriter.h"
#include "help/pageserver.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

// A book file made from the real book folder with some settings changed.
QString writeBook(const QTemporaryDir& dir, const QList<QPair<QString, QString>>& changes) {
    PropertyBag real = bookFromFolder(QFINDTESTDATA("../../help/book"));
    PropertyBag bag;
    for (const auto& change : changes)
        if (!change.second.isNull())
            bag.add(change.first, change.second);
    for (const auto& entry : real.entries()) {
        bool changed = false;
        for (const auto& change : changes)
            changed = changed || change.first == entry.first;
        if (!changed)
            bag.add(entry.first, entry.second);
    }
    const QString path = dir.filePath(QStringLiteral("book"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bookTail(bag, 0));
    return path;
}

// A page script's result, waited for; an invalid value when the page does not answer in time.
QVariant evaluate(QWebEnginePage* page, const QString& script) {
    const auto answer = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [answer](const QVariant& value) { *answer = value; });
    QElapsedTimer waited;
    waited.start();
    while (!answer->has_value() && waited.elapsed() < 20000)
        QTest::qWait(10);
    return answer->value_or(QVariant());
}

} // namespace

class tst_HelpViewer : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        setHelpMessageHook({});
        setHelpModalHook({});
    }

    void bookSettingsShapeTheWindow_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("search");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<bool>("gate");
        QTest::newRow("shipped") << "search"
                                 << "True" << true << false << false;
        QTest::newRow("no search entry") << "search" << QString() << true << false << false;
        QTest::newRow("search off") << "search"
                                    << "False" << false << false << false;
        QTest::newRow("maximised") << "state"
                                   << "Maximized" << true << true << false;
        QTest::newRow("unprotected ignores password") << "password"
                                                      << "x" << true << false << false;
        QTest::newRow("protected") << "protected"
                                   << "True" << true << false << true;
    }
    void bookSettingsShapeTheWindow() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, search);
        QFETCH(bool, maximised);
        QFETCH(bool, gate);
        QTemporaryDir dir;
        bool gateShown = false;
        setHelpModalHook([&](QDialog* login) {
            gateShown = true;
            static_cast<frmLogin*>(login)->cmdOK_Click(); // the stored password is empty
            return 0;
        });
        QStringList messages;
        setHelpMessageHook([&](const QString& text, const QString&) { messages << text; });
        frmMain window;
        QVERIFY(window.Form_Load(writeBook(dir, {{key, value}}), 0));
        QCOMPARE(messages, QStringList());
        QCOMPARE(gateShown, gate);
        QCOMPARE(!window.cmdSearch->isHidden(), search);
        QCOMPARE(bool(window.windowState() & Qt::WindowMaximized), maximised);
        if (!maximised)
            QCOMPARE(window.size(), QSize(800, 600));
    }

    void aProtectedBookThatCannotBeCheckedStaysShut_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password entry") << QString();
        QTest::newRow("password beyond one byte") << QStringLiteral("pa€");
    }
    void aProtectedBookThatCannotBeCheckedStaysShut() {
        QFETCH(QString, password);
        QTemporaryDir dir;
        bool gateShown = false;
        setHelpModalHook([&](QDialog*) { return int(gateShown = true); });
        QStringList messages;
        setHelpMessageHook([&](const QString& text, const QString&) { messages << text; });
        frmMain window;
        QVERIFY(
            !window.Form_Load(writeBook(dir, {{"protected", "True"}, {"password", password}}), 0));
        QVERIFY(!gateShown);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith("Error: "));
    }

    void aBookThatMayNotBeResizedKeepsItsState_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("userState");
        QTest::newRow("maximised") << "Maximized" << int(Qt::WindowNoState);
        QTest::newRow("normal") << "Normal" << int(Qt::WindowMaximized);
    }
    void aBookThatMayNotBeResizedKeepsItsState() {
        QFETCH(QString, state);
        QFETCH(int, userState);
        QTemporaryDir dir;
        frmMain window;
        QVERIFY(window.Form_Load(writeBook(dir, {{"resize", "False"}, {"state", state}}), 0));
        window.show();
        const Qt::WindowStates held = window.windowState();
        window.setWindowState(Qt::WindowStates(userState));
        QTRY_COMPARE(window.windowState(), held);
        if (held == Qt::WindowNoState)
            QCOMPARE(window.size(), QSize(800, 600));
    }

    void thePageOptionChoosesTheFirstPage_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no option") << QString() << "/index.html";
        QTest::newRow("a page") << "upc.html"
                                << "/upc.html";
        QTest::newRow("without extension") << "UPC"
                                           << "/upc.html";
        QTest::newRow("no such page") << "nosuch.html"
                                      << "/index.html";
    }
    void thePageOptionChoosesTheFirstPage() {
        QFETCH(QString, page);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        frmMain window;
        QVERIFY(window.Form_Load(writeBook(dir, {}), 0, page));
        QTRY_COMPARE(window.MainForm->page()->requestedUrl().path(), shown);
    }

    void badPortsAreRefused_data() {
        QTest::addColumn<QString>("port");
        QTest::newRow("letters") << "abc";
        QTest::newRow("too large") << "70000";
        QTest::newRow("negative") << "-1";
    }
    void badPortsAreRefused() {
        QFETCH(QString, port);
        QProcess viewer;
        viewer.start(QDir(qEnvironmentVariable("TALLYVANE_BINARY_DIR"))
                         .filePath(QStringLiteral("tallyvane-help")),
                     {QStringLiteral("--port"), port});
        QVERIFY(viewer.waitForFinished(20000));
        QCOMPARE(viewer.exitCode(), 2);
        QVERIFY(viewer.readAllStandardError().contains(port.toUtf8()));
    }

    void aMissingPageLeavesBackAndForwardWorking() {
        QTemporaryDir dir;
        frmMain window;
        QVERIFY(window.Form_Load(writeBook(dir, {}), 0));
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Tallyvane Help"), 20000);
        const auto text = [&] {
            return evaluate(window.MainForm->page(), QStringLiteral("document.body.innerText"))
                .toString();
        };
        window.MainForm->load(QUrl(window.server()->address() + QStringLiteral("/nosuch.html")));
        QTRY_COMPARE_WITH_TIMEOUT(text(), QStringLiteral("Page or file not found."), 20000);
        window.cmdBack->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Tallyvane Help"), 20000);
        window.cmdForward->click();
        QTRY_COMPARE_WITH_TIMEOUT(text(), QStringLiteral("Page or file not found."), 20000);
        window.cmdBack->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Tallyvane Help"), 20000);
    }

    void thePasswordGate() {
        frmLogin login(Crypt(QStringLiteral("Secret")).toLower() == QString()
                           ? QString()
                           : QStringLiteral("secret"));
        QStringList messages;
        setHelpMessageHook(
            [&](const QString& text, const QString& title) { messages << title + ":" + text; });
        for (int i = 0; i < 3; ++i) {
            login.txtPassword->setText(QStringLiteral("wrong"));
            login.cmdOK_Click();
        }
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.first(), QStringLiteral("Failed:Invalid Password, try again!"));
        QCOMPARE(login.txtPassword->selectedText(), QStringLiteral("wrong"));
        QVERIFY(!login.LoginSucceeded);
        login.txtPassword->setText(QStringLiteral("SeCrEt"));
        login.cmdOK_Click();
        QVERIFY(login.LoginSucceeded);
        QCOMPARE(login.txtPassword->echoMode(), QLineEdit::Password);
    }

    void aBrokenBookGivesErrorsAndAnEmptyViewer() {
        QTemporaryDir dir;
        QFile file(dir.filePath("bad"));
        file.open(QIODevice::WriteOnly);
        file.write("not a book at all");
        file.close();
        QStringList messages;
        setHelpMessageHook([&](const QString& text, const QString& title) {
            QCOMPARE(title, QStringLiteral("Error"));
            messages << text;
        });
        frmMain window;
        QVERIFY(window.Form_Load(file.fileName(), 0));
        QVERIFY(messages.size() >= 3);
        QVERIFY(messages.first().startsWith("Error: 6"));
        QVERIFY(messages.contains("Error: 327 - Data value named 'HomePage' not found"));
    }

    void theRealBookBrowsesWithLinksBackAndForward() {
        QTemporaryDir dir;
        frmMain window;
        QVERIFY(window.Form_Load(QDir(qEnvironmentVariable("TALLYVANE_BINARY_DIR"))
                                     .filePath(QStringLiteral("tallyvane-help")),
                                 0));
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Tallyvane Help"), 20000);
        // The first link of the contents leads to the main window's page.
        QWebEngineView* view = window.MainForm;
        // The title comes as soon as it is read, the link only once the page is laid out.
        const QString script = QStringLiteral(
            "var a = document.readyState == 'complete' && document.querySelector('a');"
            "a ? [a.getBoundingClientRect().left + 5, a.getBoundingClientRect().top + 5] : null");
        QVariantList xy;
        QTRY_VERIFY_WITH_TIMEOUT((xy = evaluate(view->page(), script).toList()).size() == 2, 20000);
        const QPoint link(xy.value(0).toInt(), xy.value(1).toInt());
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, link);
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("The main window"), 20000);
        window.cmdBack->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Tallyvane Help"), 20000);
        window.cmdForward->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("The main window"), 20000);
    }

    void buttonsShareANarrowWindow() {
        frmMain window;
        window.resize(300, 200);
        window.show();
        QCOMPARE(window.cmdSearch->geometry().left(), 5 * (300 / 6));
        window.resize(800, 200);
        QCOMPARE(window.cmdSearch->width(), qRound(855 / (1440.0 / window.logicalDpiX())));
    }
};

QTEST_MAIN(tst_HelpViewer)
#include "tst_helpviewer.moc"
