// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/itemeditor.h"
#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"
#include "manager/inventory/search.h"
#include "manager/sales/recording.h"
#include "manager/sales/scanwindow.h"
#include "manager/shell/twips.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/settings.h"
#include "tests/inventory/itemgrid.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <functional>

namespace {
const QString kChooseMessage = QStringLiteral("Please choose a profit center.");

QByteArray bytes(const QString& path) {
    return TestEnvironment::readBytes(path);
}

// The grid as "title|sku|cost|price|stock" rows, top to bottom.
QStringList rows(const frmMain& w) {
    return gridRows(w);
}

QStringList profitCenters(const QComboBox* box) {
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

// Clicks the row's Cost cell: the current column goes back to "Title" all the same.
void clickRow(frmMain& w, const QString& title) {
    for (int r = 0; r < w.model()->rowCount(); ++r)
        if (w.model()->cellText(r, 0) == title) {
            QTableView* grid = w.lstTitles;
            const QRect cell = grid->visualRect(w.model()->index(r, 2));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QCOMPARE(grid->currentIndex().column(), 0);
        }
}

// Kitchen: Blue mug -> A100 and Plate -> P1; Gifts: Mug, blue -> A100.
QString sharedStore(const TestEnvironment& env) {
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + "Kitchen",
                                "Titles\\Blue mug=A100\r\nTitles\\Plate=P1\r\n");
    TestEnvironment::writeBytes(folder + "Gifts", "Titles\\Mug, blue=A100\r\n");
    TestEnvironment::writeBytes(priceLogPath(folder),
                                "Cost\\A100=2.10\r\nPrices\\A100=4.95\r\nTax\\A100=1\r\n"
                                "Cost\\P1=5\r\nPrices\\P1=3.00\r\nTax\\P1=0\r\n");
    TestEnvironment::writeBytes(invCountPath(folder), "Inventory\\A100=12\r\nInventory\\P1=4\r\n");
    return folder;
}

// Kitchen: Blue mug and Cup share A100 (minimum stock 10), Plate -> P1 and Bowl -> B2 share a
// price.
QString kitchenStore(const TestEnvironment& env) {
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + "Kitchen", "Titles\\Blue mug=A100\r\nTitles\\Plate=P1\r\n"
                                                    "Titles\\Bowl=B2\r\nTitles\\Cup=A100\r\n");
    fixture::writeItem(folder, "A100", "4.95", "2.10", "1", "12");
    fixture::writeItem(folder, "P1", "3.00", "5", "0", "4");
    fixture::writeItem(folder, "B2", "3.00", "1", "0", "7");
    TestEnvironment::writeBytes(ItemRecords::levelsPath(folder), "Minimum\\A100=10\r\n");
    return folder;
}

// The grid as the user reads it: every cell's text, the "In Stock" cell with its mark.
QStringList shownRows(const frmMain& w) {
    QStringList texts;
    for (int r = 0; r < w.model()->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ItemModel::ColumnCount; ++c)
            cells << w.model()->index(r, c).data().toString();
        texts << cells.join('|');
    }
    return texts;
}

// A modal action that fills the editor's boxes and saves it.
std::function<int(QDialog*)> editAndSave(std::function<void(frmAddEdit*)> fill) {
    return [fill](QDialog* dialog) {
        auto* editor = qobject_cast<frmAddEdit*>(dialog);
        fill(editor);
        editor->cmdSave_Click();
        return editor->result();
    };
}
} // namespace

class tst_itemwindow : public QObject {
    Q_OBJECT

private slots:
    void makeASaleWorksOnTheClickedRow() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        settings::write("Tax", "Percent", "0");
        const QString folder = sharedStore(env);
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentIndex(w.cboProfs->findText("Kitchen"));
        w.cmdMakeSale_Click(); // nothing is current after a listing
        QVERIFY(dialogs.shown.isEmpty());

        clickRow(w, "Plate"); // not taxable: no tax question
        dialogs.inputAnswers << "3";
        w.cmdMakeSale_Click();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.at(0).text, QString("How many of Plate to subtract:"));
        QCOMPARE(dialogs.shown.at(0).defaultText, QString("1"));
        QVERIFY(rows(w).contains("Plate|P1|5|3.00|1"));

        clickRow(w, "Plate");
        dialogs.inputAnswers << "2";
        w.cmdMakeSale_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Not enough in inventory."});
        QVERIFY(rows(w).contains("Plate|P1|5|3.00|1"));

        clickRow(w, "Blue mug"); // taxable: asks, then records a return for a negative quantity
        dialogs.inputAnswers << "-2";
        dialogs.messageAnswers << Dialogs::No;
        w.cmdMakeSale_Click();
        QCOMPARE(dialogs.messages().last(),
                 QString("Apply tax? (Ex. items sold over the internet may not have tax.)"));
        QCOMPARE(GetINIString("Inventory", "A100", "", invCountPath(folder)), QString("14"));
    }

    void newCompanyHasNoProfitCenterToAddItemsTo() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmMain w(env.makeCompany("Shop"), "Shop");
        QCOMPARE(w.windowTitle(), QString("Shop"));
        QCOMPARE(w.cboProfs->count(), 0);
        QCOMPARE(w.model()->rowCount(), 0);
        QCOMPARE(w.model()->headerData(0, Qt::Horizontal).toString(), QString("Title"));
        QCOMPARE(w.cboSort->currentText(), QString("Title"));
        w.cmdNewItem_Click();
        w.cmdRename_Click();
        QCOMPARE(dialogs.messages(), QStringList{kChooseMessage});
        QCOMPARE(dialogs.shown.last().title, QString("Error"));
        w.cmdImportItems->click(); // no profit center: refused before any file is read
        QCOMPARE(dialogs.messages().last(), kChooseMessage);
        for (QPushButton* ready : {w.cmdFilter, w.cmdSearch, w.cmdImportItems})
            QVERIFY(ready->isEnabled());
        QCOMPARE(w.cmdFilter->text(), QString("Apply &Filter"));
        QVERIFY(w.mnuActionScanItems->isEnabled());
        QVERIFY(w.mnuActionNewItem->isEnabled());
    }

    // "Yes to All" answers every later "Overwrite" question, also for a title an earlier line of
    // the same file wrote; the list shows the result and the window is usable again.
    void importOverwritesWithYesToAllAndRelists() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        fixture::writeItem(folder, "A1", "2.00", "1.00", "False", "3");
        fixture::writeTitle(folder, "Kitchen", "Mug", "A1");
        const QString csv = env.root() + "items.csv";
        TestEnvironment::writeBytes(csv, "Mug,1.50,4.00,True,A2,7\n"
                                         "\"Plate, large\",,,False,P1,\n"
                                         "Mug,1.75,4.50,True,A3,9\n");
        frmMain w(folder, "Shop");
        dialogs.messageAnswers << Dialogs::Ok << Dialogs::Yes; // instructions, confirmation
        dialogs.fileAnswers << csv;
        dialogs.modalActions << [](QDialog* box) {
            for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                if (b->text() == "Yes to &All")
                    b->click();
            return 0;
        };
        w.cmdImportItems->click();
        QCOMPARE(dialogs.unanswered, 0);
        QCOMPARE(dialogs.shown.count() - dialogs.messages().count(), 2); // overwrite box, results
        QVERIFY(dialogs.messages().contains("The import process is complete."));
        QVERIFY(w.isEnabled());
        QCOMPARE(rows(w), (QStringList{"Mug|A3|1.75|4.50|9", "Plate, large|P1|0.00|0.00|0"}));
    }

    void addingProfitCentersSortsAndSelectsThem() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(folder + "Alpha", "");
        TestEnvironment::writeBytes(folder + "beta", "");
        frmMain w(folder, "Shop");
        QCOMPARE(w.cboProfs->currentText(), QString("Alpha"));
        dialogs.inputAnswers = {"Zeta", "Alpha", "../Escape", ""};
        w.cmdAddC_Click();
        QCOMPARE(profitCenters(w.cboProfs), QStringList({"Alpha", "beta", "Zeta"}));
        QCOMPARE(w.cboProfs->currentText(), QString("Zeta"));
        QCOMPARE(w.model()->rowCount(), 0);
        QCOMPARE(bytes(folder + "Zeta"), QByteArray());
        QCOMPARE(dialogs.shown.first().text, QString("Name of new profit center:"));
        QCOMPARE(dialogs.shown.first().title, QString("Name"));

        w.cmdAddC_Click(); // exists
        w.cmdAddC_Click(); // leaves the company
        w.cmdAddC_Click(); // cancelled
        QCOMPARE(dialogs.messages(),
                 QStringList({"Profit center added.",
                              "Unexpected error in procedure: CreateFile\nError #58: File already "
                              "exists",
                              "Error. Profit center not added.",
                              "Unexpected error in procedure: CreateFile\nError #52: Bad file name "
                              "or number",
                              "Error. Profit center not added."}));
        QVERIFY(!QFileInfo::exists(env.root() + "Escape"));
        QCOMPARE(profitCenters(w.cboProfs), QStringList({"Alpha", "beta", "Zeta"}));
    }

    void renamingKeepsItemsAndRefusesExistingNames() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        const QStringList kitchen = rows(w);
        dialogs.inputAnswers = {"Pantry", "Gifts"};
        w.cmdRename_Click();
        QCOMPARE(dialogs.shown.first().text, QString("Rename profit center Kitchen to:"));
        QCOMPARE(profitCenters(w.cboProfs), QStringList({"Gifts", "Pantry"}));
        QCOMPARE(w.cboProfs->currentText(), QString("Pantry"));
        QCOMPARE(rows(w), kitchen);
        QVERIFY(dialogs.messages().isEmpty());

        w.cmdRename_Click();
        QCOMPARE(dialogs.messages(),
                 QStringList{"Unexpected error in procedure: cmdRename_Click\nError #58: File "
                             "already exists"});
        QCOMPARE(bytes(folder + "Gifts"), QByteArray("Titles\\Mug, blue=A100\r\n"));
        QVERIFY(QFileInfo::exists(folder + "Pantry"));
    }

    void removingAProfitCenterKeepsRecordsOfSharedSkus() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        dialogs.inputAnswers = {"Kitchen", "Kitchen", "Nowhere"};
        dialogs.messageAnswers = {Dialogs::No, Dialogs::Yes};
        w.cmdRemC_Click();
        QCOMPARE(dialogs.shown[0].defaultText, QString("Kitchen"));
        QCOMPARE(dialogs.shown[1].text,
                 QString("Are you sure you want to remove Kitchen and all items associated with "
                         "Kitchen?"));
        QCOMPARE(dialogs.shown[1].title, QString("Confirm"));
        QVERIFY(QFileInfo::exists(folder + "Kitchen"));

        w.cmdRemC_Click();
        QVERIFY(!QFileInfo::exists(folder + "Kitchen"));
        QCOMPARE(dialogs.messages().last(), QString("Profit center removed."));
        QCOMPARE(profitCenters(w.cboProfs), QStringList{"Gifts"});
        // Mug, blue still shares A100, so its values stay; P1 had no other title.
        QCOMPARE(rows(w), QStringList{"Mug, blue|A100|2.10|4.95|12"});
        QVERIFY(!bytes(priceLogPath(folder)).contains("P1"));
        QCOMPARE(bytes(invCountPath(folder)), QByteArray("Inventory\\A100=12\r\n"));

        dialogs.messageAnswers = {Dialogs::Yes};
        w.cmdRemC_Click();
        QCOMPARE(dialogs.messages().mid(dialogs.messages().size() - 2),
                 QStringList({"Unexpected error in procedure: DeleteFile\nError #53: File not "
                              "found",
                              "Error. Profit center not removed."}));
    }

    void gridShowsStoredTextsSortedAsChosen() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(
            folder + "Tools", "Titles\\saw=S3\r\nNotes\\saw=sharp\r\na line of another shape\r\n"
                              "Titles\\Hammer=H1\r\nTitles\\Tape=a=b\r\nTitles\\level=L2\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\S3=12.50\r\nCost\\H1=5\r\nPrices\\H1=9.5\r\n");
        TestEnvironment::writeBytes(invCountPath(folder),
                                    "Inventory\\S3=10\r\nInventory\\L2=9\r\n");
        frmMain w(folder, "Shop");
        // Only "Titles" lines; a title holding "=" is cut at its first "="; letter case counts.
        QCOMPARE(rows(w), QStringList({"Hammer|H1|5|9.5|0", "Tape|a=b|0.00|0.00|0",
                                       "level|L2|0.00|0.00|9", "saw|S3|12.50|0.00|10"}));
        QCOMPARE(w.currentRow(), -1);
        w.cboSort->setCurrentText("Cost");
        QCOMPARE(rows(w).first().section('|', 0, 0), QString("Tape"));
        QCOMPARE(rows(w).mid(2), QStringList({"Hammer|H1|5|9.5|0", "saw|S3|12.50|0.00|10"}));
        w.cboSort->setCurrentText("In Stock");
        QCOMPARE(rows(w).last(), QString("saw|S3|12.50|0.00|10"));
        // A new listing keeps the order chosen and leaves no row current.
        clickRow(w, "saw");
        w.ListTitles();
        QCOMPARE(rows(w).last(), QString("saw|S3|12.50|0.00|10"));
        QCOMPARE(w.currentRow(), -1);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void editAndRemoveNeedAClickedRow() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmMain w(sharedStore(env), "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        w.cmdEditItem_Click();
        w.cmdRemoveItem_Click();
        w.mnuActionEditItem->trigger();
        QVERIFY(dialogs.shown.isEmpty());

        clickRow(w, "Plate");
        QCOMPARE(w.currentTitle(), QString("Plate"));
        ItemRecord handed;
        QString cost;
        bool taxed = true;
        dialogs.modalActions = {[&](QDialog* d) {
            handed = w.CurrentItem;
            auto* editor = qobject_cast<frmAddEdit*>(d);
            cost = editor->txtCost->text();
            taxed = editor->chkTax->isChecked();
            return 0;
        }};
        w.cmdEditItem_Click();
        QCOMPARE(cost, QString("5"));
        QVERIFY(!taxed);
        QCOMPARE(dialogs.shown.last().kind, QString("modal"));
        QCOMPARE(dialogs.shown.last().title, QString("Add/Edit Product"));
        QCOMPARE(handed.sku, QString("P1"));
        QVERIFY(handed.editing);
    }

    void aListingLeavesNoItemCurrentWhenTheGridGetsTheFocus() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmMain w(sharedStore(env), "Shop");
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.cboProfs->setCurrentText("Kitchen");
        clickRow(w, "Plate");
        w.cboProfs->setFocus();
        w.ListTitles();                                     // as after a sale, a save or a cancel
        w.lstTitles->setFocus(Qt::ActiveWindowFocusReason); // the window comes back
        QCOMPARE(w.currentRow(), -1);
        w.cmdMakeSale->click();
        w.cmdEditItem->click();
        w.cmdRemoveItem->click();
        QVERIFY(dialogs.shown.isEmpty());
    }

    void removingAnItemAsksAndKeepsSharedRecords() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        clickRow(w, "Blue mug");
        dialogs.messageAnswers = {Dialogs::No, Dialogs::Yes};
        w.cmdRemoveItem_Click();
        QCOMPARE(
            dialogs.shown[0].text,
            QString("Are you sure you want to delete Blue mug from the Kitchen profit center?"));
        QCOMPARE(dialogs.shown[0].title, QString("Confirm Delete"));
        QCOMPARE(rows(w).size(), 2);
        w.cmdRemoveItem_Click();
        QCOMPARE(dialogs.messages().last(), QString("Blue mug has been deleted."));
        QCOMPARE(dialogs.shown.last().title, QString("Deleted"));
        QCOMPARE(rows(w), QStringList{"Plate|P1|5|3.00|4"});
        QCOMPARE(bytes(folder + "Kitchen"), QByteArray("Titles\\Plate=P1\r\n"));
        w.cboProfs->setCurrentText("Gifts");
        QCOMPARE(rows(w), QStringList{"Mug, blue|A100|2.10|4.95|12"});
    }

    void newItemIsSavedInOrderAndListed() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(folder + "Kitchen", "");
        frmMain w(folder, "Shop");
        dialogs.modalActions = {editAndSave([](frmAddEdit* e) {
            QCOMPARE(e->cboProfs->currentText(), QString("Kitchen"));
            QVERIFY(e->txtTitle->text().isEmpty());
            QVERIFY(e->chkTax->isChecked());
            e->txtTitle->setText("Bowl");
            e->txtSKU->setText("B7");
            e->txtInventory->setText("3");
        })};
        w.cmdNewItem_Click();
        QCOMPARE(rows(w), QStringList{"Bowl|B7|0.00|0.00|3"});
        QVERIFY(!w.CurrentItem.editing);
        QCOMPARE(bytes(folder + "Kitchen"), QByteArray("\r\nTitles\\Bowl=B7\r\n"));
        QCOMPARE(bytes(priceLogPath(folder)),
                 QByteArray("Cost\\B7=0.00\r\nPrices\\B7=0.00\r\nTax\\B7=1\r\n"));
        QCOMPARE(bytes(invCountPath(folder)), QByteArray("\r\nInventory\\B7=3\r\n"));
    }

    // Sales recorded while the editor is open: Save keeps them unless the user typed a count,
    // and then asks before replacing a count that moved.
    void editorSaveKeepsSalesMadeWhileOpen_data() {
        QTest::addColumn<QString>("typed"); // "" leaves the stock box as it was
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stock");
        QTest::newRow("stock box untouched") << "" << 0 << "9";
        QTest::newRow("typed count, replace") << "20" << int(Dialogs::Yes) << "20";
        QTest::newRow("typed count, keep") << "20" << int(Dialogs::No) << "9";
    }
    void editorSaveKeepsSalesMadeWhileOpen() {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, stock);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        ItemRecord item;
        item.profitCenter = "Kitchen";
        item.title = "Blue mug";
        item.cost = "2.10";
        item.price = "4.95";
        item.sku = "A100";
        item.inStock = "12";
        item.editing = true;
        frmAddEdit editor(folder, item);
        for (int i = 0; i < 3; ++i)
            makeSales(folder, {unitRequest("A100", TaxNo)});
        if (!typed.isEmpty())
            editor.txtInventory->setText(typed);
        dialogs.messageAnswers << answer;
        editor.cmdSave_Click();
        QCOMPARE(fixture::stockOf(folder, "A100"), stock);
        QCOMPARE(dialogs.messages(),
                 typed.isEmpty() ? QStringList()
                                 : QStringList{"The stock of SKU A100 changed from 12 to 9 since "
                                               "this item was opened. Do you want to replace it "
                                               "with 20?"});
    }

    void editorChecksBoxesThenAsksAboutDuplicates() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        const QByteArray prices = bytes(priceLogPath(folder));
        ItemRecord item;
        item.profitCenter = "Kitchen";
        frmAddEdit editor(folder, item);
        QCOMPARE(profitCenters(editor.cboProfs), QStringList({"Gifts", "Kitchen"}));
        QCOMPARE(editor.txtTitle->maxLength(), 255);
        QCOMPARE(editor.focusWidget(), editor.txtTitle); // typing starts with the title
        QSignalSpy saved(&editor, &frmAddEdit::saved);
        editor.cmdSave_Click();
        editor.txtTitle->setText("Plate");
        editor.cmdSave_Click();
        editor.txtInventory->setText("7");
        editor.cmdSave_Click();
        QCOMPARE(dialogs.messages(), QStringList({"Please enter a title.",
                                                  "Please enter Inventory.", "Please enter SKU."}));
        QCOMPARE(editor.txtCost->text(), QString("0.00"));

        const QString overwrite =
            "An item named Plate already exists. Do you want to overwrite the item?";
        const QString multiple =
            "An item with SKU A100 already exists. Do you want to create a multiple SKU item? "
            "(Cost, price, tax, and amount in stock will be the same on these items, but title "
            "and profit center can be different.)";
        editor.txtSKU->setText("A100");
        editor.txtPrice->setText("6.00");
        dialogs.shown.clear();
        dialogs.messageAnswers = {Dialogs::No, Dialogs::Yes, Dialogs::No};
        editor.cmdSave_Click();
        editor.cmdSave_Click();
        QCOMPARE(dialogs.messages(), QStringList({overwrite, overwrite, multiple}));
        QCOMPARE(dialogs.shown[0].title, QString("Overwrite"));
        QCOMPARE(dialogs.shown[2].title, QString("Create Multiple SKU"));
        QCOMPARE(saved.count(), 0);
        QCOMPARE(bytes(priceLogPath(folder)), prices);

        // Yes to both: Plate now shares A100, whose values are the editor's for every title.
        dialogs.messageAnswers = {Dialogs::Yes, Dialogs::Yes};
        editor.cmdSave_Click();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        frmMain w(folder, "Shop");
        QCOMPARE(rows(w), QStringList{"Mug, blue|A100|0.00|6.00|7"});
        w.cboProfs->setCurrentText("Kitchen");
        QCOMPARE(rows(w), QStringList({"Blue mug|A100|0.00|6.00|7", "Plate|A100|0.00|6.00|7"}));
        // P1 stays in the store: the overwritten title pointed to it.
        QVERIFY(bytes(invCountPath(folder)).contains("Inventory\\P1=4"));
    }

    void editingMovesAnItemToAnotherProfitCenter() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        clickRow(w, "Plate");
        dialogs.modalActions = {editAndSave([](frmAddEdit* e) {
            e->cboProfs->setCurrentText("Gifts");
            e->txtPrice->setText("3.25");
        })};
        w.cmdEditItem_Click();
        QCOMPARE(w.cboProfs->currentText(), QString("Gifts"));
        QCOMPARE(rows(w), QStringList({"Mug, blue|A100|2.10|4.95|12", "Plate|P1|5|3.25|4"}));
        QCOMPARE(bytes(folder + "Kitchen"), QByteArray("Titles\\Blue mug=A100\r\n"));
        QVERIFY(dialogs.messages().isEmpty());
    }

    void changingToAnExistingSkuAsksAndDropsTheUnusedOldOne() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        const QByteArray prices = bytes(priceLogPath(folder));
        frmMain w(folder, "Shop");
        w.cboProfs->setCurrentText("Kitchen");
        clickRow(w, "Plate");
        auto toA100 = [](frmAddEdit* e) { e->txtSKU->setText("A100"); };
        auto cancelAfterNo = [](QDialog* d) {
            auto* e = qobject_cast<frmAddEdit*>(d);
            e->txtSKU->setText("A100");
            e->cmdSave_Click();
            e->cmdCancel_Click();
            return e->result();
        };
        dialogs.modalActions = {cancelAfterNo, editAndSave(toA100)};
        dialogs.messageAnswers = {Dialogs::No, Dialogs::Yes};
        w.cmdEditItem_Click();
        QCOMPARE(bytes(priceLogPath(folder)), prices);
        QVERIFY(!w.CurrentItem.editing);
        clickRow(w, "Plate");
        w.cmdEditItem_Click();
        QCOMPARE(dialogs.messages().size(), 2);
        QCOMPARE(dialogs.shown.last().title, QString("Create Multiple SKU"));
        QCOMPARE(rows(w), QStringList({"Blue mug|A100|5|3.00|4", "Plate|A100|5|3.00|4"}));
        QVERIFY(!bytes(priceLogPath(folder)).contains("P1"));
        QCOMPARE(bytes(invCountPath(folder)), QByteArray("\r\nInventory\\A100=4\r\n"));
    }

    void leavingMoneyAndStockBoxesCleansThemUp() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        ItemRecord item = readItemForEdit(folder, "Kitchen", "Plate");
        frmAddEdit editor(folder, item);
        // Stored texts are shown unchanged until the box is left.
        QCOMPARE(editor.txtCost->text(), QString("5"));
        editor.show();
        editor.activateWindow();
        if (!QTest::qWaitForWindowActive(&editor))
            QSKIP("no active window on this platform");
        editor.txtCost->setFocus();
        editor.txtCost->setText("12.5");
        editor.txtInventory->setFocus();
        editor.txtInventory->setText("-4");
        editor.txtPrice->setFocus();
        editor.txtPrice->setText("7 dollars");
        editor.txtTitle->setFocus();
        if (!editor.txtTitle->hasFocus())
            QSKIP("no keyboard focus on this platform");
        QCOMPARE(editor.txtCost->text(), QString("12.50"));
        QCOMPARE(editor.txtInventory->text(), QString("4"));
        QCOMPARE(editor.txtPrice->text(), QString("7.00"));

        // Enter saves without leaving the box: its text is saved as typed. Esc does nothing.
        editor.txtInventory->setFocus();
        editor.txtInventory->setText("2.50 pcs");
        QTest::keyClick(editor.txtInventory, Qt::Key_Escape);
        QVERIFY(editor.isVisible());
        QTest::keyClick(editor.txtInventory, Qt::Key_Return);
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QVERIFY(bytes(invCountPath(folder)).endsWith("Inventory\\P1=2.50 pcs\r\n"));
        QVERIFY(bytes(priceLogPath(folder))
                    .endsWith("Cost\\P1=12.50\r\nPrices\\P1=7.00\r\nTax\\P1=0\r\n"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void typingIsLimitedButStoredTextsShowWhole() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        ItemRecord item;
        item.profitCenter = "Kitchen";
        item.title = QString(300, 'T');
        item.sku = QString(400, 'S');
        frmAddEdit editor(env.makeCompany("Shop"), item);
        QCOMPARE(editor.txtTitle->text().size(), 300);
        QCOMPARE(editor.txtSKU->text().size(), 400);
        QTest::keyClicks(editor.txtCost, QString(260, '1'));
        QCOMPARE(editor.txtCost->text().size(), 255);
        QTest::keyClicks(editor.txtInventory, QString(300, '2'));
        QCOMPARE(editor.txtInventory->text().size(), 300);
    }

    void placementIsRestoredAndStored() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        settings::write("Settings", "WState", "0");
        settings::write("Settings", "Top", "600");
        settings::write("Settings", "Left", "450");
        settings::write("Settings", "Height", "4500");
        settings::write("Settings", "Width", "6000");
        {
            frmMain w(folder, "Shop");
            QSignalSpy closed(&w, &frmMain::closed);
            w.show();
            QCoreApplication::processEvents();
            QVERIFY(!w.isMaximized());
            // Left and Top place the outer frame, as they do for the program's frame.
            QCOMPARE(QRect(w.pos(), w.size()),
                     QRect(qRound(450 / twipsPerPixelX()), qRound(600 / twipsPerPixelY()),
                           qRound(6000 / twipsPerPixelX()), qRound(4500 / twipsPerPixelY())));
            settings::write("Settings", "Top", "0");
            QVERIFY(w.close());
            QCOMPARE(closed.count(), 1);
            QCOMPARE(settings::read("Settings", "Top", ""), QString("600"));
            QCOMPARE(settings::read("Settings", "Width", ""), QString("6000"));
            QCOMPARE(settings::read("Settings", "WState", ""), QString("0"));
        }
        // Inside the frame the child window is placed; "WState" 2 maximizes it.
        settings::write("Settings", "WState", "2");
        settings::write("Settings", "Top", "1");
        QMdiArea area;
        area.resize(800, 600);
        area.show();
        auto* w = new frmMain(folder, "Shop");
        QMdiSubWindow* child = area.addSubWindow(w);
        child->show();
        QCoreApplication::processEvents();
        QVERIFY(child->isMaximized());
        QSignalSpy closed(w, &frmMain::closed);
        child->close();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(settings::read("Settings", "WState", ""), QString("2"));
        QCOMPARE(settings::read("Settings", "Top", ""), QString("1"));
    }

    void choosingAProfitCenterListsItOnceEvenWhenAlreadySelected() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = sharedStore(env);
        frmMain w(folder, "Shop");
        QSignalSpy resets(w.model(), &QAbstractItemModel::modelReset);
        w.ListTitles();
        const int perListing = resets.count();
        QVERIFY(perListing > 0);

        // A user's choice of another name: changed, then activated, one listing.
        resets.clear();
        const int kitchen = w.cboProfs->findText("Kitchen");
        w.cboProfs->setCurrentIndex(kitchen);
        emit w.cboProfs->activated(kitchen);
        QCOMPARE(resets.count(), perListing);
        QCoreApplication::processEvents();

        // Choosing it again lists it again, showing what changed on disk meanwhile.
        fixture::writeTitle(folder, "Kitchen", "Cup", "C9");
        emit w.cboProfs->activated(kitchen);
        QVERIFY(rows(w).join(",").contains("Cup|C9"));
    }

    // A sale, a save or Cancel changes the rows concerned in place: the grid then shows what a
    // new listing shows, marks and order included, and no row is current.
    void anActionShowsWhatANewListingShows_data() {
        QTest::addColumn<QString>("sortBy");
        QTest::addColumn<QString>("filter"); // "", "price>4" or "stock<10"
        QTest::addColumn<QString>("action"); // a step and its arguments, split by "|"
        QTest::newRow("sale of a shared SKU") << "In Stock"
                                              << ""
                                              << "sale|Blue mug|3";
        QTest::newRow("price moves the row") << "Price"
                                             << ""
                                             << "edit|Plate|price|9.00";
        QTest::newRow("price ties with earlier lines") << "Price"
                                                       << ""
                                                       << "edit|Plate|price|4.95";
        QTest::newRow("rename") << "Title"
                                << ""
                                << "edit|Bowl|title|Apple bowl";
        QTest::newRow("SKU made shared") << "Cost"
                                         << ""
                                         << "edit|Plate|sku|A100";
        QTest::newRow("new item over a title") << "Title"
                                               << ""
                                               << "new|Cup|C9";
        QTest::newRow("cancel") << "Title"
                                << ""
                                << "cancel|Plate";
        QTest::newRow("filtered sale") << "In Stock"
                                       << "stock<10"
                                       << "sale|Plate|1";
        QTest::newRow("filtered rows leave") << "Title"
                                             << "price>4"
                                             << "edit|Blue mug|price|3.50";
        QTest::newRow("filtered rows come") << "Title"
                                            << "stock<10"
                                            << "edit|Plate|sku|A100";
        QTest::newRow("filtered new item") << "SKU"
                                           << "stock<10"
                                           << "new|Mug|M1";
        QTest::newRow("scan of a shared SKU") << "Title"
                                              << ""
                                              << "scan|A100|3";
    }
    void anActionShowsWhatANewListingShows() {
        QFETCH(QString, sortBy);
        QFETCH(QString, filter);
        QFETCH(QString, action);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        fixture::setRate("0");
        frmMain w(kitchenStore(env), "Shop");
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.cboSort->setCurrentText(sortBy);
        if (!filter.isEmpty()) {
            const bool price = filter.startsWith("price");
            w.Filter = price ? FilterPrice : FilterStock;
            w.Num1 = price ? "4" : "INF";
            w.Num2 = price ? "INF" : "10";
            w.FilterOn = true;
            w.ListTitles();
        }
        const QStringList before = shownRows(w);
        const QStringList step = action.split('|');
        dialogs.messageAnswers = {Dialogs::Yes, Dialogs::Yes, Dialogs::Yes};
        if (step[0] == "sale") {
            clickRow(w, step[1]);
            dialogs.inputAnswers << step[2];
            w.cmdMakeSale_Click();
        } else if (step[0] == "edit") {
            clickRow(w, step[1]);
            dialogs.modalActions << editAndSave([&](frmAddEdit* e) {
                QLineEdit* box = step[2] == "price"   ? e->txtPrice
                                 : step[2] == "title" ? e->txtTitle
                                                      : e->txtSKU;
                box->setText(step[3]);
            });
            w.cmdEditItem_Click();
        } else if (step[0] == "new") {
            dialogs.modalActions << editAndSave([&](frmAddEdit* e) {
                e->txtTitle->setText(step[1]);
                e->txtSKU->setText(step[2]);
                e->txtInventory->setText("5");
            });
            w.cmdNewItem_Click();
        } else if (step[0] == "remove") {
            clickRow(w, step[1]);
            w.cmdRemoveItem_Click();
        } else if (step[0] == "scan") {
            w.mnuActionScanItems_Click();
            frmScan* scan = nullptr;
            for (QWidget* widget : QApplication::allWidgets())
                if (auto* found = qobject_cast<frmScan*>(widget))
                    scan = found;
            QVERIFY(scan);
            scan->txtNumber->setText(step[2]);
            scan->txtSKU->setText(step[1]);
            scan->cmdProcess_Click();
            scan->close();
        } else {
            clickRow(w, step[1]);
            dialogs.modalActions << [](QDialog* d) {
                qobject_cast<frmAddEdit*>(d)->cmdCancel_Click();
                return d->result();
            };
            w.cmdEditItem_Click();
        }
        const QStringList after = shownRows(w);
        QCOMPARE(after != before, step[0] != "cancel");
        w.lstTitles->setFocus(Qt::ActiveWindowFocusReason);
        QCOMPARE(w.currentRow(), -1);
        w.ListTitles();
        QCOMPARE(after, shownRows(w));
    }

    void filterSeamShowsGeneralNumbersAndStopsOnText() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(folder + "Shelf",
                                    "Titles\\b=B\r\nTitles\\a=A\r\nTitles\\c=C\r\n"
                                    "Titles\\x=X\r\nTitles\\d=D\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\B=4.50\r\nPrices\\A=1.00\r\nCost\\X=n/a\r\n");
        frmMain w(folder, "Shop");
        w.Filter = FilterSku;
        w.Exclude = true;
        w.TextString = "C";
        w.FilterOn = true;
        w.ListTitles();
        // C is filtered out; X's cost is not a number: the listing stops there, unsorted.
        QCOMPARE(rows(w), QStringList({"b|B|4.5|0|0", "a|A|0|1|0"}));
        w.FilterOn = false;
        w.ListTitles();
        QCOMPARE(rows(w).size(), 5);
        QCOMPARE(rows(w).first(), QString("a|A|0.00|1.00|0"));
    }
};

QTEST_MAIN(tst_itemwindow)
#include "tst_itemwindow.moc"
