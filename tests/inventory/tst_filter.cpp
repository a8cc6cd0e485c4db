// SPDX-License-Identifier: GPL-3.0-or-later
// The filter window, the filter in the item window, and the search.

#include "manager/inventory/filterwindow.h"
#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"
#include "manager/store/companystore.h"
#include "tests/inventory/itemgrid.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <functional>

namespace {

const QString kApply = QStringLiteral("Apply &Filter");
const QString kRemove = QStringLiteral("Remove &Filter");

// Gifts: A100 -> X1, Mug -> A100. Kitchen: Blue Mug -> A100, Cup -> C3, a100 -> A100,
// MUGGY -> M2. Zoo: Lion -> L1.
QString store(const TestEnvironment& env) {
    const QString folder = env.makeCompany("Shop");
    TestEnvironment::writeBytes(folder + "Gifts", "Titles\\Mug=A100\r\nTitles\\A100=X1\r\n");
    TestEnvironment::writeBytes(folder + "Kitchen", "Titles\\Blue Mug=A100\r\nTitles\\Cup=C3\r\n"
                                                    "Titles\\a100=A100\r\nTitles\\MUGGY=M2\r\n");
    TestEnvironment::writeBytes(folder + "Zoo", "Titles\\Lion=L1\r\n");
    TestEnvironment::writeBytes(priceLogPath(folder), "Cost\\A100=2.10\r\nPrices\\A100=4.50\r\n"
                                                      "Cost\\C3=5\r\nPrices\\C3=10.00\r\n"
                                                      "Cost\\M2=1\r\nPrices\\M2=10.01\r\n"
                                                      "Cost\\X1=1\r\nPrices\\X1=5.00\r\n");
    TestEnvironment::writeBytes(invCountPath(folder),
                                "Inventory\\A100=12\r\nInventory\\C3=0\r\nInventory\\M2=3\r\n");
    return folder;
}

QStringList rows(const frmMain& w) {
    return gridRows(w);
}

QStringList titles(const frmMain& w) {
    QStringList texts;
    for (int r = 0; r < w.model()->rowCount(); ++r)
        texts << w.model()->cellText(r, 0);
    return texts;
}

void select(frmMain& w, const QString& profitCenter) {
    w.cboProfs->setCurrentIndex(w.cboProfs->findText(profitCenter));
}

// A modal action that sets the filter window up and presses OK.
std::function<int(QDialog*)> filterWith(std::function<void(frmFilter*)> setUp) {
    return [setUp](QDialog* dialog) {
        auto* filter = qobject_cast<frmFilter*>(dialog);
        setUp(filter);
        filter->cmdOK_Click();
        return filter->result();
    };
}

void leave(QLineEdit* box) {
    QFocusEvent event(QEvent::FocusOut);
    QApplication::sendEvent(box, &event);
}

// Reads each question for 0.7 s before answering, counting the times a progress box covered it.
struct SlowReader : ScriptedDialogs {
    int covered = 0;
    int message(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                Icon icon) override {
        QTest::qWait(700);
        for (QWidget* top : QApplication::topLevelWidgets())
            covered += qobject_cast<QProgressDialog*>(top) && top->isVisible();
        return ScriptedDialogs::message(parent, text, title, buttons, icon);
    }
};

} // namespace

class FilterTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    QString folder;

private slots:
    void init() {
        env = new TestEnvironment;
        dialogs = new ScriptedDialogs;
        folder = store(*env);
    }
    void cleanup() {
        delete dialogs;
        delete env;
    }

    void filterWindowOpensForTitles() {
        frmMain w(folder, "Shop");
        frmFilter f(&w);
        QVERIFY(f.optFilter[0]->isChecked());
        QVERIFY(f.optText[0]->isChecked());
        QVERIFY(f.cmdOK->isDefault());
        QCOMPARE(f.Combo1->currentText(), QString("Greater Than"));
        QVERIFY(f.fraText->isEnabled());
        QVERIFY(!f.fraNum->isEnabled());
        QCOMPARE(f.txtGT->text(), QString("0"));
        QCOMPARE(f.txtLT->text(), QString("INF"));
        QVERIFY(!f.txtLT->isEnabled());
    }

    void fieldsAndModesEnableTheirControls() {
        frmMain w(folder, "Shop");
        frmFilter f(&w);
        f.optFilter[3]->click();
        QVERIFY(f.fraNum->isEnabled());
        QVERIFY(!f.fraText->isEnabled());
        QVERIFY(f.txtGT->isEnabled());
        QVERIFY(!f.txtLT->isEnabled()); // "INF" stays disabled inside an enabled frame
        f.Combo1->setCurrentIndex(frmFilter::LessThan);
        QCOMPARE(f.txtGT->text(), QString("INF"));
        QVERIFY(!f.txtGT->isEnabled());
        QCOMPARE(f.txtLT->text(), QString("0"));
        QVERIFY(f.txtLT->isEnabled());
        f.Combo1->setCurrentIndex(frmFilter::InTheRange);
        f.txtGT->setText("5");
        // A key press in the list sets the boxes up again.
        QTest::keyClick(f.Combo1, Qt::Key_Z);
        QCOMPARE(f.txtGT->text(), QString("0"));
        QCOMPARE(f.txtLT->text(), QString("0"));
        QVERIFY(f.txtGT->isEnabled() && f.txtLT->isEnabled());
        f.optFilter[1]->click();
        QVERIFY(f.fraText->isEnabled());
        QVERIFY(!f.fraNum->isEnabled());
        // Leaving a bound box keeps the absolute value of its leading number.
        f.txtGT->setText("-3");
        leave(f.txtGT);
        QCOMPARE(f.txtGT->text(), QString("3"));
        f.txtLT->setText("x");
        leave(f.txtLT);
        QCOMPARE(f.txtLT->text(), QString("0"));
    }

    void priceFilterListsStrictlyAboveInGeneralForm() {
        frmMain w(folder, "Shop");
        select(w, "Kitchen");
        dialogs->modalActions << filterWith([](frmFilter* f) {
            f->optFilter[3]->click();
            f->txtGT->setText("4.5");
        });
        w.cmdFilter_Click();
        QCOMPARE(dialogs->shown.last().kind, QString("modal"));
        QCOMPARE(dialogs->shown.last().title, QString("Filter"));
        QVERIFY(w.FilterOn);
        QCOMPARE(w.Filter, 3);
        QCOMPARE(w.Num1, QString("4.5"));
        QCOMPARE(w.Num2, QString("INF"));
        QCOMPARE(w.cmdFilter->text(), kRemove);
        QCOMPARE(w.mnuActionApplyFilter->text(), kRemove);
        // 4.50 is not above 4.5; numbers are shown in general form.
        QCOMPARE(rows(w), (QStringList{"Cup|C3|5|10|0", "MUGGY|M2|1|10.01|3"}));

        // The filter stays for every profit center.
        select(w, "Gifts");
        QCOMPARE(rows(w), (QStringList{"A100|X1|1|5|0"}));
        select(w, "Zoo");
        QCOMPARE(rows(w), QStringList());

        // "Remove &Filter" lists every item as stored again.
        select(w, "Kitchen");
        w.cmdFilter_Click();
        QVERIFY(!w.FilterOn);
        QCOMPARE(w.cmdFilter->text(), kApply);
        QCOMPARE(w.mnuActionApplyFilter->text(), kApply);
        QCOMPARE(rows(w).first(), QString("Blue Mug|A100|2.10|4.50|12"));
        QCOMPARE(rows(w).size(), 4);
    }

    void titleFilterThroughTheMenuWithAndWithoutCase() {
        frmMain w(folder, "Shop");
        select(w, "Kitchen");
        dialogs->modalActions << filterWith([](frmFilter* f) { f->txtText->setText("mug"); });
        w.mnuActionApplyFilter->trigger();
        QCOMPARE(rows(w), (QStringList{"Blue Mug|A100|2.1|4.5|12", "MUGGY|M2|1|10.01|3"}));
        w.mnuActionApplyFilter->trigger();
        dialogs->modalActions << filterWith([](frmFilter* f) {
            f->optFilter[1]->click();
            f->txtText->setText("a");
            f->chkCase->setChecked(true);
            f->optText[1]->setChecked(true);
        });
        w.cmdFilter_Click();
        QCOMPARE(w.Filter, 1);
        QCOMPARE(w.CaseSen, 1);
        QVERIFY(w.Exclude);
        QCOMPARE(titles(w), (QStringList{"Blue Mug", "Cup", "MUGGY", "a100"}));
    }

    void cancelKeepsTheStateAsItWas() {
        frmMain w(folder, "Shop");
        dialogs->modalActions << [](QDialog* dialog) {
            auto* f = qobject_cast<frmFilter*>(dialog);
            f->txtText->setText("zzz");
            f->cmdCancel_Click();
            return f->result();
        };
        w.cmdFilter_Click();
        QVERIFY(!w.FilterOn);
        QCOMPARE(w.TextString, QString());
        QCOMPARE(w.cmdFilter->text(), kApply);
        QCOMPARE(titles(w).size(), 2);
    }

    void boundsTakenStraightFromTheBoxes() {
        frmMain w(folder, "Shop");
        select(w, "Kitchen");
        // OK with the focus still in a bound box: a number stays as typed, anything else gets
        // the box's clean-up rather than failing for every item.
        dialogs->modalActions << filterWith([](frmFilter* f) {
            f->optFilter[4]->click();
            f->Combo1->setCurrentIndex(frmFilter::InTheRange);
            f->txtGT->setText("-1");
            f->txtLT->setText("lots");
        });
        w.cmdFilter_Click();
        QCOMPARE(w.Num1, QString("-1"));
        QCOMPARE(w.Num2, QString("0"));
        QVERIFY(dialogs->messages().isEmpty());
        QCOMPARE(titles(w), QStringList());

        // A bound that is no number, set directly: each item reports the error and is left out.
        w.Num2 = "lots";
        w.ListTitles();
        QCOMPARE(dialogs->messages().size(), 4);
        QCOMPARE(dialogs->messages().first(),
                 QString("Unexpected error in procedure: FilterItem\nError #13: Type mismatch"));
        QCOMPARE(titles(w), QStringList());
    }

    void searchAsksAtEveryHitInEveryProfitCenter() {
        frmMain w(folder, "Shop");
        dialogs->inputAnswers << "a100";
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes << Dialogs::Yes << Dialogs::Yes
                                << Dialogs::Yes;
        w.cmdSearch_Click();
        QCOMPARE(dialogs->shown[0].kind, QString("input"));
        QCOMPARE(dialogs->shown[0].text, QString("Item title or SKU to search for:"));
        QCOMPARE(dialogs->shown[0].title, QString("Search"));
        QCOMPARE(dialogs->shown[0].defaultText, QString());
        const QString ask = "Found item %1 in profit center %2. Would you like to skip this item "
                            "and keep going?";
        QCOMPARE(
            dialogs->messages(),
            (QStringList{ask.arg("A100", "Gifts"), ask.arg("Mug", "Gifts"),
                         ask.arg("Blue Mug", "Kitchen"), ask.arg("a100", "Kitchen"),
                         ask.arg("a100", "Kitchen"), "Finished searching through the database."}));
        QCOMPARE(dialogs->shown[1].title, QString("Found One"));
        QCOMPARE(dialogs->shown[1].buttons, int(Dialogs::YesNo));
        QCOMPARE(dialogs->shown.last().title, QString("Finished"));
        QCOMPARE(w.cboProfs->currentText(), QString("Zoo"));
        QCOMPARE(titles(w), QStringList{"Lion"}); // the grid lists the profit center shown
    }

    void aQuestionReadSlowlyIsNeverCoveredAndTheSearchEnds() {
        delete dialogs;
        auto* reader = new SlowReader;
        dialogs = reader;
        frmMain w(folder, "Shop");
        dialogs->inputAnswers << "a100";
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes << Dialogs::Yes << Dialogs::Yes
                                << Dialogs::Yes;
        w.cmdSearch_Click();
        QCOMPARE(reader->covered, 0);
        QCOMPARE(dialogs->messages().size(), 6);
        QCOMPARE(dialogs->messages().last(), QString("Finished searching through the database."));
    }

    void noStopsTheSearchAtTheHit() {
        frmMain w(folder, "Shop");
        select(w, "Zoo");
        dialogs->inputAnswers << "A100";
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes << Dialogs::No;
        w.cmdSearch_Click();
        QCOMPARE(dialogs->messages().size(), 3);
        QCOMPARE(w.cboProfs->currentText(), QString("Kitchen"));
        QCOMPARE(w.currentTitle(), QString("Blue Mug"));
        QCOMPARE(w.lstTitles->currentIndex().column(), 0);
    }

    void anEmptyAnswerSearchesNothing() {
        frmMain w(folder, "Shop");
        select(w, "Kitchen");
        w.cmdSearch_Click(); // Cancel gives ""
        QCOMPARE(dialogs->shown.size(), 1);
        QCOMPARE(w.cboProfs->currentText(), QString("Kitchen"));
        QCOMPARE(w.currentRow(), -1);
    }

    void searchGoesThroughTheFilter() {
        frmMain w(folder, "Shop");
        dialogs->modalActions << filterWith([](frmFilter* f) { f->txtText->setText("blue"); });
        w.cmdFilter_Click();
        dialogs->inputAnswers << "A100";
        w.cmdSearch_Click(); // No by default: stops at the first hit
        QCOMPARE(dialogs->messages(), QStringList{"Found item Blue Mug in profit center Kitchen. "
                                                  "Would you like to skip this item and keep "
                                                  "going?"});
    }
};

QTEST_MAIN(FilterTest)
#include "tst_filter.moc"
