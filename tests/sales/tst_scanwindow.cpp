// SPDX-License-Identifier: GPL-3.0-or-later
// The scan window: its controls, the number box, Enter in the SKU box, messages, the item list.

#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"
#include "manager/sales/scanwindow.h"
#include "manager/store/periodfiles.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace fixture;

class ScanWindowTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    QString folder;

    QString daily() const { return dailyPeriodFile(folder, QDate::currentDate()); }

private slots:
    void init() {
        env = new TestEnvironment;
        dialogs = new ScriptedDialogs;
        folder = env->makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, "A100", "10.00", "5.00", "1", "5");
        TestEnvironment::writeBytes(folder + "Kitchen", "Titles\\Blue mug=A100\r\n");
    }
    void cleanup() {
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        QApplication::processEvents();
        delete dialogs;
        delete env;
    }

    void opensWithNothingChosenAndNoTax() {
        frmScan scan(folder);
        QCOMPARE(scan.windowTitle(), QString("Scan Items"));
        QCOMPARE(scan.txtNumber->text(), QString("1"));
        QVERIFY(!scan.chkTax->isChecked());
        QVERIFY(!scan.optSale->isChecked() && !scan.optReturn->isChecked() &&
                !scan.optAdd->isChecked());
    }

    void aMaximisedWindowKeepsItsLabelsOneLineHigh() {
        frmScan scan(folder);
        scan.resize(1000, 740);
        scan.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scan));
        QCOMPARE(scan.lblProcessAs->height(), scan.lblProcessAs->sizeHint().height());
        QCOMPARE(scan.lblSKU->height(), scan.lblSKU->sizeHint().height());
    }

    void theNumberBoxAlwaysHoldsANumber_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("trailing point") << "12."
                                        << "12";
        QTest::newRow("text") << "abc"
                              << "0";
        QTest::newRow("leading number") << "3 boxes"
                                        << "3";
        QTest::newRow("negative") << "-5"
                                  << "-5";
        QTest::newRow("fraction") << "2.50"
                                  << "2.5";
        QTest::newRow("beyond 16 bits") << "100000"
                                        << "100000";
    }
    void theNumberBoxAlwaysHoldsANumber() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        frmScan scan(folder);
        scan.txtNumber->setText(typed);
        QCOMPARE(scan.txtNumber->text(), shown);
    }

    void noOptionAddsToStockAndEnterProcesses() {
        frmScan scan(folder);
        QSignalSpy processed(&scan, &frmScan::processed);
        scan.show();
        scan.txtNumber->setText("3");
        QTest::keyClicks(scan.txtSKU, "A100");
        QTest::keyClick(scan.txtSKU, Qt::Key_Return);
        QCOMPARE(stockOf(folder, "A100"), QString("8"));
        QVERIFY(!QFile::exists(daily()));
        QCOMPARE(scan.txtSKU->text(), QString());
        QCOMPARE(processed.count(), 1);
        QVERIFY(dialogs->shown.isEmpty());
        // An empty SKU box does nothing but clear it.
        scan.cmdProcess_Click();
        QCOMPARE(processed.count(), 1);
    }

    void saleAndReturnRecordWithTheTaxBox() {
        frmScan scan(folder);
        scan.optSale->setChecked(true);
        scan.txtNumber->setText("2");
        scan.txtSKU->setText("A100");
        scan.cmdProcess_Click();
        QCOMPARE(stockOf(folder, "A100"), QString("3"));
        QCOMPARE(GetINIString("GrossSale", "A100", "", daily()), QString("21.58"));
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("0")); // box clear: No
        scan.chkTax->setChecked(true);
        scan.optReturn->setChecked(true);
        scan.txtSKU->setText("A100");
        scan.cmdProcess_Click();
        QCOMPARE(stockOf(folder, "A100"), QString("5"));
        QCOMPARE(GetINIString("Tax", "A100", "", daily()), QString("-1.58"));
        QCOMPARE(GetINIString("Returns", "A100", "", daily()), QString("2"));
        QVERIFY(dialogs->shown.isEmpty());
    }

    void refusalsSayWhyAndChangeNothing() {
        frmScan scan(folder);
        QSignalSpy processed(&scan, &frmScan::processed);
        const QByteArray stock = TestEnvironment::readBytes(invCountPath(folder));
        scan.optSale->setChecked(true);
        scan.txtNumber->setText("6");
        scan.txtSKU->setText("A100");
        scan.cmdProcess_Click();
        scan.optReturn->setChecked(true);
        scan.txtSKU->setText("Z9");
        scan.cmdProcess_Click();
        QCOMPARE(dialogs->messages(),
                 (QStringList{"Not enough of SKU A100 to process a sale, or A100 doesn't exist.",
                              "Z9 doesn't exist."}));
        QCOMPARE(dialogs->shown[0].title, QString("Not Enough or Doesn't Exist"));
        QCOMPARE(dialogs->shown[1].title, QString("Doesn't Exist"));
        QCOMPARE(dialogs->shown[0].icon, int(Dialogs::Critical));
        QCOMPARE(dialogs->shown[1].icon, int(Dialogs::Critical));
        QCOMPARE(TestEnvironment::readBytes(invCountPath(folder)), stock);
        QVERIFY(!QFile::exists(daily()));
        // The list reloads and the box clears after a refusal too.
        QCOMPARE(processed.count(), 2);
        QCOMPARE(scan.txtSKU->text(), QString());
    }

    void aStoredCountThatIsNoNumberLeavesTheWindowOpen() {
        WriteINIString("Inventory", "A100", "lots", invCountPath(folder));
        frmScan scan(folder);
        scan.show();
        scan.optSale->setChecked(true);
        scan.txtSKU->setText("A100");
        scan.cmdProcess_Click();
        QCOMPARE(dialogs->messages(),
                 QStringList{"Unexpected error in procedure: cmdProcess_Click\nError #13: Type "
                             "mismatch: the stock of SKU A100 is \"lots\", not a number"});
        QCOMPARE(dialogs->shown[0].title, QString("Tallyvane"));
        QCOMPARE(scan.txtSKU->text(), QString("A100"));
        QVERIFY(scan.isVisible());
        QCOMPARE(stockOf(folder, "A100"), QString("lots"));
    }

    void theItemWindowOpensItAndListsAfterEachScan() {
        auto* items = new frmMain(folder, "Shop");
        QVERIFY(items->mnuActionScanItems->isEnabled());
        items->mnuActionScanItems->trigger();
        auto* scan = items->findChild<frmScan*>();
        if (!scan)
            for (QWidget* window : QApplication::topLevelWidgets())
                if ((scan = qobject_cast<frmScan*>(window)))
                    break;
        QVERIFY(scan);
        QVERIFY(scan->isVisible());
        QCOMPARE(scan->companyFolder(), folder);
        // One scan window per item window.
        items->mnuActionScanItems->trigger();
        int windows = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            windows += qobject_cast<frmScan*>(window) != nullptr;
        QCOMPARE(windows, 1);

        QCOMPARE(items->model()->cellText(0, ItemModel::StockColumn), QString("5"));
        scan->optSale->setChecked(true);
        scan->txtSKU->setText("A100");
        scan->cmdProcess_Click();
        QCOMPARE(items->model()->cellText(0, ItemModel::StockColumn), QString("4"));

        // Closing the item window closes its scan window.
        QPointer<frmScan> alive(scan);
        items->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!alive || !alive->isVisible());
        delete items;
        QVERIFY(!alive);
    }
};

QTEST_MAIN(ScanWindowTest)
#include "tst_scanwindow.moc"
