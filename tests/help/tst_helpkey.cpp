// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/barcodewindows.h"
#include "manager/shell/helpkey.h"
#include "manager/shell/optionswindow.h"
#include "manager/shell/windowhost.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QFileInfo>
#include <QtTest>

#include <memory>

class tst_HelpKey : public QObject {
    Q_OBJECT
private slots:
    void f1OpensTheHelpAtTheWindowsPage_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("page");
        QTest::newRow("options") << "frmOptions"
                                 << "options.html";
        QTest::newRow("UPC") << "frmUPC"
                             << "upc.html";
        QTest::newRow("a window without a page") << "other"
                                                 << "index.html";
    }
    void f1OpensTheHelpAtTheWindowsPage() {
        QFETCH(QString, window);
        QFETCH(QString, page);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        QStringList started;
        setHelpStarter([&](const QString& program, const QStringList& arguments) {
            started << QFileInfo(program).fileName() + QLatin1Char(' ') + arguments.join(' ');
        });
        std::unique_ptr<QWidget> shown;
        if (window == "frmOptions")
            shown = std::make_unique<frmOptions>();
        else if (window == "frmUPC")
            shown = std::make_unique<frmUPC>();
        else
            shown = std::make_unique<QWidget>();
        new QWidget(shown.get()); // the key goes to a control inside the window
        showToolWindow(shown.get());
        QTest::keyClick(shown->findChild<QWidget*>(), Qt::Key_F1);
        setHelpStarter({});
        QCOMPARE(started, QStringList{"tallyvane-help --page " + page});
        QCOMPARE(dialogs.messages(), QStringList());
    }
};

QTEST_MAIN(tst_HelpKey)
#include "tst_helpkey.moc"
