// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/storefrontwindows.h"
#include "manager/inventory/itemeditor.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "tests/internet/storefrontserver.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

namespace {
const QString kQuery = "?action=new&TITLE=%1&SKU=%2&IMAGE=images/%2.jpg&PRICE=%3&USERNAME=ann"
                       "&PASSWORD=pw&CATEGORY=%4";

QString company(TestEnvironment& env, const QString& location) {
    const QString folder = env.makeCompany("Corner Shop");
    fixture::writeTitle(folder, "Books", "Atlas & Maps", "B1");
    fixture::writeTitle(folder, "Books", "Zebra", "B2");
    fixture::writeTitle(folder, "Toys", "Kite", "K1");
    fixture::writeItem(folder, "B1", "12.50", "1", "1", "1");
    fixture::writeItem(folder, "K1", "3.00", "1", "1", "1");
    storefront::writeSettings(folder, {location, "ann", "pw", "", "new", false});
    return folder;
}
} // namespace

class StorefrontWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void transferAllSendsEachItemThenStops() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        StorefrontServer server;
        const QString folder = company(env, server.script());
        frmTransferAll window(folder);
        window.show();
        QComboBox* addresses = window.browser->cboAddress;
        QTRY_COMPARE(addresses->count(), 1);
        QTRY_COMPARE(window.windowTitle(), QStringLiteral("Current Item: 1"));
        window.cmdNext->click();
        QTRY_COMPARE(addresses->count(), 2);
        window.cmdNext->click();
        QTRY_COMPARE(addresses->count(), 3);
        const QString path = "/cgi-bin/s.cgi";
        QCOMPARE(server.pages(),
                 QStringList({path + kQuery.arg("Atlas%20%26%20Maps", "B1", "12.50", "Books"),
                              path + kQuery.arg("Zebra", "B2", "0.00", "Books"),
                              path + kQuery.arg("Kite", "K1", "3.00", "Toys")}));
        QTRY_COMPARE(window.windowTitle(), QStringLiteral("Current Item: 3"));
        // The address box holds each page once, the newest first.
        QCOMPARE(addresses->itemText(0), server.script() + server.pages()[2].mid(path.size()));
        // Choosing an earlier entry opens it again and moves it to the top, once.
        const QString first = addresses->itemText(2);
        addresses->setCurrentIndex(2);
        emit addresses->activated(2);
        QTRY_COMPARE(server.pages().size(), 4);
        QTRY_COMPARE(addresses->itemText(0), first);
        QCOMPARE(addresses->count(), 3);
        window.cmdNext->click();
        QCOMPARE(dialogs.messages(), QStringList{"No more items."});
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Done"));
        QVERIFY(!window.cmdNext->isEnabled() && !window.cmdJump->isEnabled());
        QCOMPARE(server.pages().size(), 4);
    }

    void transferKeepsToItsOwnCaptionAndWalksTheStoreAsItIsNow() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        StorefrontServer server;
        const QString folder = company(env, server.script());
        QMainWindow frame;
        frame.setWindowTitle("Frame");
        auto* area = new QMdiArea;
        frame.setCentralWidget(area);
        auto* window = new frmTransferAll(folder);
        area->addSubWindow(window);
        frame.show();
        QTRY_COMPARE(server.pages().size(), 1);
        fixture::writeTitle(folder, "Books", "Banjo", "B3");
        window->cmdNext->click();
        QTRY_COMPARE(server.pages().size(), 2);
        window->cmdNext->click();
        QTRY_COMPARE(server.pages().size(), 3);
        QVERIFY(server.pages()[2].contains("&SKU=B3&"));
        QTRY_COMPARE(window->windowTitle(), QStringLiteral("Current Item: 3"));
        // A typed address opens on Enter.
        QLineEdit* typed = window->browser->cboAddress->lineEdit();
        typed->setText(server.script() + "?typed=1");
        QTest::keyClick(typed, Qt::Key_Return);
        QTRY_COMPARE(server.pages().size(), 4);
        QCOMPARE(server.pages()[3], QStringLiteral("/cgi-bin/s.cgi?typed=1"));
        QTRY_COMPARE(window->windowTitle(), QStringLiteral("Current Item: 3"));
        QCOMPARE(frame.windowTitle(), QStringLiteral("Frame"));
    }

    void jumpGoesToTheNumberedItem_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("sku");
        QTest::newRow("two") << "2"
                             << "B2";
        QTest::newRow("half to even") << "2.5"
                                      << "B2";
        QTest::newRow("negative") << "-3"
                                  << "K1";
        QTest::newRow("not a number") << "abc"
                                      << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void jumpGoesToTheNumberedItem() {
        QFETCH(QString, answer);
        QFETCH(QString, sku);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        StorefrontServer server;
        frmTransferAll window(company(env, server.script()));
        window.show();
        QTRY_COMPARE(server.pages().size(), 1);
        dialogs.inputAnswers << answer;
        window.cmdJump->click();
        QCOMPARE(dialogs.shown[0].defaultText, QStringLiteral("1"));
        if (sku.isEmpty()) {
            QCOMPARE(dialogs.messages(), QStringList{"No more items."});
            QVERIFY(!window.cmdNext->isEnabled());
            return;
        }
        QTRY_COMPARE(server.pages().size(), 2);
        QVERIFY(server.pages()[1].contains("&SKU=" + sku + "&"));
        QTRY_COMPARE(window.windowTitle(), "Current Item: " + QString::number(window.itemIndex()));
    }

    void aLocationThatIsNotAWebAddressIsRefused() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmTransferAll window(company(env, "file:///etc/passwd"));
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.messages()[0].contains("file:///etc/passwd"));
        QVERIFY(window.browser->brwWebBrowser->url().isEmpty());
    }

    void settingsLoadDefaultsAndApplyWritesAll() {
        TestEnvironment env;
        const QString folder = env.makeCompany("Corner Shop");
        {
            frmXferOptions window(folder);
            QCOMPARE(window.txtLocation->text(), storefront::defaultLocation());
            QCOMPARE(window.txtAction->text(), QStringLiteral("new"));
            QVERIFY(window.optFillIn->isChecked());
            QCOMPARE(window.txtAdmin->echoMode(), QLineEdit::Password);
            window.txtUsername->setText("ann");
            window.cmdCancel->click();
            QVERIFY(!QFile::exists(storefrontPath(folder)));
            window.optLeaveBlank->setChecked(true);
            window.cmdApply->click();
        }
        const storefront::Settings stored = storefront::readSettings(folder);
        QCOMPARE(stored.username, QStringLiteral("ann"));
        QVERIFY(stored.leaveBlank);
    }

    void editorTripsLeaveEveryWindowUsable_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("barcode") << "cmdCopySKU";
        QTest::newRow("add") << "cmdAdd";
        QTest::newRow("delete") << "cmdDelete";
    }
    void editorTripsLeaveEveryWindowUsable() {
        QFETCH(QString, button);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        StorefrontServer server;
        const QString folder = company(env, server.script());
        WriteINIString("Script", "Admin", "pw", storefrontPath(folder));
        ItemRecord item{"Books", "Zebra", "1.00", "2.00", "B2", "1", 1, true};
        frmAddEdit editor(folder, item);
        QTimer::singleShot(0, editor.findChild<QPushButton*>(button), &QPushButton::click);
        editor.exec(); // the trip ends the modal showing
        QVERIFY(editor.isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        editor.cmdCancel->click();
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != &editor)
                top->close();
    }

    void editorDeleteNeedsTheAdminPassword() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        StorefrontServer server;
        const QString folder = company(env, server.script());
        ItemRecord item{"Books", "Zebra", "1.00", "2.00", "B2", "1", 1, true};
        frmAddEdit editor(folder, item);
        editor.show();
        editor.cmdDelete->click();
        QCOMPARE(dialogs.shown.value(0).title, QStringLiteral("Restricted"));
        WriteINIString("Script", "Admin", "se cret", storefrontPath(folder));
        editor.txtSKU->setText("B&2");
        editor.cmdDelete->click();
        QTRY_COMPARE(
            server.pages(),
            QStringList{"/cgi-bin/s.cgi?action=admin&SKU=B%262&CATEGORY=Books&PASSWORD=se%20cret"});
        QVERIFY(editor.isVisible());
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmTransferOne")
                top->close();
    }
};

QTEST_MAIN(StorefrontWindowsTest)
#include "tst_storefrontwindows.moc"
