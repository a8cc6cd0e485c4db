// SPDX-License-Identifier: GPL-3.0-or-later
// Stock levels in the windows: the editor's two boxes, the grid's mark, the Low Stock window's
// CSV and print, and the status line a sale leaves.
#include "manager/interchange/levelscsv.h"
#include "manager/inventory/itemeditor.h"
#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"
#include "manager/inventory/lowstockwindow.h"
#include "manager/sales/scanwindow.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace fixture;

namespace {
// Kitchen: Plate -> P1 (4 in stock, minimum 4, order 10) and Cup -> C1 (9 in stock, minimum 2).
QString shop(const TestEnvironment& env) {
    const QString folder = env.makeCompany("Shop");
    writeTitle(folder, "Kitchen", "Plate", "P1");
    writeTitle(folder, "Kitchen", "Cup", "C1");
    writeItem(folder, "P1", "3.00", "1.25", "0", "4");
    writeItem(folder, "C1", "2.00", "0.50", "0", "9");
    saveStockLevels(folder, {{"P1", {4, 10}}, {"C1", {2, std::nullopt}}});
    return folder;
}

QString stockCell(const frmMain& w, int row) {
    return w.model()->data(w.model()->index(row, ItemModel::StockColumn)).toString();
}
} // namespace

class tst_lowstockwindows : public QObject {
    Q_OBJECT

private slots:
    void theEditorSavesOrRefusesALevel_data() {
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("stored"); // minimum|order
        QTest::newRow("both") << "6"
                              << "12"
                              << ""
                              << "6|12";
        QTest::newRow("blank order") << "3"
                                     << ""
                                     << ""
                                     << "3|";
        QTest::newRow("blank: none") << ""
                                     << ""
                                     << ""
                                     << "|";
        QTest::newRow("negative")
            << "-1"
            << ""
            << "The minimum stock must be a whole number of 0 or more, or blank "
               "for none."
            << "4|10";
        QTest::newRow("decimal order")
            << "2"
            << "1.5"
            << "The order quantity must be a whole number of 0 or more, or "
               "blank for none."
            << "4|10";
    }
    void theEditorSavesOrRefusesALevel() {
        QFETCH(QString, minimum);
        QFETCH(QString, order);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = shop(env);
        ItemRecord item = readItemForEdit(folder, "Kitchen", "Plate");
        frmAddEdit editor(folder, item);
        QCOMPARE(editor.txtMinimum->text() + '|' + editor.txtOrder->text(), QString("4|10"));
        editor.txtMinimum->setText(minimum);
        editor.txtOrder->setText(order);
        editor.cmdSave_Click();
        QCOMPARE(dialogs.messages(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
        QCOMPARE(editor.result(), int(refusal.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
        const StockLevel level = ItemRecords(folder).level("P1");
        const auto text = [](const std::optional<qint64>& v) {
            return v ? QString::number(*v) : QString();
        };
        QCOMPARE(text(level.minimum) + '|' + text(level.order), stored);
    }

    void theGridMarksLowRowsAfterASale() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = shop(env);
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        w.cboSort->setCurrentText("Title"); // Cup, Plate
        QCOMPARE(stockCell(w, 0), QString("9"));
        QCOMPARE(stockCell(w, 1), QString("4 \u25BC"));
        const QColor warning =
            w.model()
                ->data(w.model()->index(1, ItemModel::StockColumn), Qt::ForegroundRole)
                .value<QColor>();
        QVERIFY(qAbs(warning.lightness() -
                     w.lstTitles->palette().color(QPalette::Base).lightness()) > 100);
        QVERIFY(!w.model()
                     ->data(w.model()->index(0, ItemModel::StockColumn), Qt::ForegroundRole)
                     .isValid());

        w.lstTitles->setCurrentIndex(w.model()->index(0, 0));
        dialogs.inputAnswers << "7";
        w.cmdMakeSale_Click();
        QCOMPARE(stockCell(w, 0), QString("2 \u25BC"));
        QCOMPARE(w.lblStatus->text(), QString("Stock of Cup is down to 2 (minimum 2)."));
        QCOMPARE(dialogs.messages(), QStringList());
    }

    void theScanWindowSaysWhatASaleLeftLow() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = shop(env);
        frmScan scan(folder);
        scan.optSale->setChecked(true);
        scan.txtSKU->setText("C1");
        scan.cmdProcess_Click();
        QCOMPARE(scan.lblStatus->text(), QString());
        scan.txtNumber->setText("6");
        scan.txtSKU->setText("C1");
        scan.cmdProcess_Click();
        QCOMPARE(scan.lblStatus->text(), QString("Stock of Cup is down to 2 (minimum 2)."));
        QCOMPARE(dialogs.messages(), QStringList());
    }

    void theLowStockWindowSavesAndPrintsItsList() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = shop(env);
        frmLowStock window(folder, "Shop");
        QCOMPARE(window.grdLow->model()->rowCount(), 1);
        QCOMPARE(window.lblTotals->text(),
                 QString("SKUs at or below their minimum: 1. To order: 10 units, cost 12.50."));

        const QString csv = env.base() + "/order.csv";
        dialogs.fileAnswers << csv;
        window.cmdSaveCsv_Click();
        QCOMPARE(TestEnvironment::readBytes(csv), lowStockCsv(window.list()));

        const QString pdf = env.base() + "/low.pdf";
        dialogs.printActions << [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        window.cmdPrint_Click();
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(text.waitForFinished());
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(printed.contains("Low Stock - Shop") && printed.contains("Plate") &&
                     printed.contains("12.50"),
                 qPrintable(printed));
        QCOMPARE(dialogs.messages(), QStringList());
    }
};

QTEST_MAIN(tst_lowstockwindows)
#include "tst_lowstockwindows.moc"
