// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/reportchooser.h"
#include "manager/sales/reports.h"
#include "manager/sales/resultswindow.h"
#include "manager/sales/salecommands.h"
#include "manager/store/periodfiles.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace fixture;

namespace {
const QString kTaxQuestion =
    QStringLiteral("Apply tax? (Ex. items sold over the internet may not have tax.)");

QString todaysDaily(const QString& folder) {
    return dailyPeriodFile(folder, QDate::currentDate());
}
} // namespace

class SaleWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        // Results windows free themselves on closing.
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        QApplication::processEvents();
    }

    void makeSaleAsksQuantityThenTax() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, QStringLiteral("A100"), QStringLiteral("10.00"), QStringLiteral("5.00"),
                  QStringLiteral("1"), QStringLiteral("5"));
        dialogs.inputAnswers << QStringLiteral("3");
        dialogs.messageAnswers << Dialogs::No;

        QVERIFY(
            makeSaleDialog(nullptr, folder, QStringLiteral("A100"), QStringLiteral("Blue mug")));
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].kind, QStringLiteral("input"));
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("How many of Blue mug to subtract:"));
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Quantity"));
        QCOMPARE(dialogs.shown[0].defaultText, QStringLiteral("1"));
        QCOMPARE(dialogs.shown[1].text, kTaxQuestion);
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Apply Tax"));
        QCOMPARE(dialogs.shown[1].buttons, int(Dialogs::YesNo));
        QCOMPARE(stockOf(folder, QStringLiteral("A100")), QStringLiteral("2"));
        const QString daily = todaysDaily(folder);
        QCOMPARE(
            GetINIString(QStringLiteral("GrossSale"), QStringLiteral("A100"), QString(), daily),
            QStringLiteral("32.37"));
        QCOMPARE(GetINIString(QStringLiteral("Tax"), QStringLiteral("A100"), QString(), daily),
                 QStringLiteral("0"));
    }

    void makeSaleReadsTheAnswerAsALeadingNumber_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("stock");
        QTest::newRow("fraction") << "2.5"
                                  << "2.5";
        QTest::newRow("blanks") << " 1 . 5 pieces"
                                << "3.5";
        QTest::newRow("hexadecimal") << "&H2"
                                     << "3";
        QTest::newRow("return") << "-2"
                                << "7";
    }
    void makeSaleReadsTheAnswerAsALeadingNumber() {
        QFETCH(QString, answer);
        QFETCH(QString, stock);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("1"),
                  QStringLiteral("0"), QStringLiteral("5"));
        dialogs.inputAnswers << answer;
        QVERIFY(makeSaleDialog(nullptr, folder, QStringLiteral("A"), QStringLiteral("A")));
        QCOMPARE(stockOf(folder, QStringLiteral("A")), stock);
        QCOMPARE(dialogs.shown.size(), 1); // flag 0: no tax question
    }

    void makeSaleWithoutANumberDoesNothing() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("1"),
                  QStringLiteral("1"), QStringLiteral("5"));
        dialogs.inputAnswers << QString() << QStringLiteral("some") << QStringLiteral("0.0");
        for (int i = 0; i < 3; ++i)
            QVERIFY(!makeSaleDialog(nullptr, folder, QStringLiteral("A"), QStringLiteral("A")));
        QCOMPARE(dialogs.shown.size(), 3);
        QCOMPARE(stockOf(folder, QStringLiteral("A")), QStringLiteral("5"));
        QVERIFY(!QFile::exists(todaysDaily(folder)));
    }

    void makeSaleRefusesMoreThanTheStock() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("1"),
                  QStringLiteral("1"), QStringLiteral("2"));
        dialogs.inputAnswers << QStringLiteral("2.5");
        QVERIFY(!makeSaleDialog(nullptr, folder, QStringLiteral("A"), QStringLiteral("A")));
        QCOMPARE(dialogs.messages(), QStringList{QStringLiteral("Not enough in inventory.")});
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Error"));
        QCOMPARE(dialogs.shown.last().buttons, int(Dialogs::OkOnly));
        QCOMPARE(stockOf(folder, QStringLiteral("A")), QStringLiteral("2"));
    }

    void makeSaleAsksNoTaxQuestionForFlagTwoButRecordsTax() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("10"));
        writeItem(folder, QStringLiteral("A"), QStringLiteral("10"), QStringLiteral("1"),
                  QStringLiteral("2"), QStringLiteral("2"));
        dialogs.inputAnswers << QStringLiteral("1");
        QVERIFY(makeSaleDialog(nullptr, folder, QStringLiteral("A"), QStringLiteral("A")));
        QVERIFY(dialogs.messages().isEmpty());
        QCOMPARE(GetINIString(QStringLiteral("Tax"), QStringLiteral("A"), QString(),
                              todaysDaily(folder)),
                 QStringLiteral("1"));
    }

    void makeSaleReportsBrokenRecords() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        writeItem(folder, QStringLiteral("A"), QStringLiteral("cheap"), QStringLiteral("1"),
                  QStringLiteral("0"), QStringLiteral("2"));
        dialogs.inputAnswers << QStringLiteral("1");
        makeSaleDialog(nullptr, folder, QStringLiteral("A"), QStringLiteral("A"));
        QCOMPARE(dialogs.messages(),
                 QStringList{QStringLiteral("Unexpected error in procedure: cmdMakeSale_Click\n"
                                            "Error #13: Type mismatch: the price of SKU A is "
                                            "\"cheap\", not a number")});
        QCOMPARE(dialogs.shown.last().icon, int(Dialogs::Critical));
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Tallyvane"));
        QCOMPARE(stockOf(folder, QStringLiteral("A")), QStringLiteral("2"));
    }

    void reportChooserListsAndDeletesReports() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        for (const char* name : {"Sales12-2026.txt", "sales1-2027.txt", "Sales12-6-2026.txt"})
            TestEnvironment::writeBytes(reportsFolder(folder) + QLatin1String(name), "x\r\n");
        frmRepChoose chooser(folder);
        QCOMPARE(chooser.cmdOK->text(), QStringLiteral("&OK"));
        QCOMPARE(chooser.cmdDel->text(), QStringLiteral("&Del"));
        QCOMPARE(chooser.lstReports->count(), 3);
        QCOMPARE(chooser.lstReports->item(0)->text(), QStringLiteral("sales1-2027.txt"));

        chooser.cmdDel_Click(); // nothing selected: nothing asked
        QVERIFY(dialogs.shown.isEmpty());

        chooser.lstReports->setCurrentRow(1);
        dialogs.messageAnswers << Dialogs::No << Dialogs::Yes;
        chooser.cmdDel_Click();
        QCOMPARE(chooser.lstReports->count(), 3);
        chooser.cmdDel_Click();
        QCOMPARE(
            dialogs.messages(),
            QStringList(2, QStringLiteral("Are you sure you want to delete the selected report?")));
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Confirm"));
        QCOMPARE(dialogs.shown.last().buttons, int(Dialogs::YesNo));
        QVERIFY(!QFile::exists(reportsFolder(folder) + QStringLiteral("Sales12-2026.txt")));
        QCOMPARE(chooser.lstReports->count(), 2);
    }

    void saveReportWritesTheChosenPeriodFile() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        TestEnvironment::writeBytes(reportsFolder(folder) + QStringLiteral("Sales12-2026.txt"),
                                    "Totals\\Sales=3\r\n");
        const QString out = env.base() + QStringLiteral("/december.csv");
        dialogs.modalActions << [](QDialog* dialog) {
            auto* chooser = static_cast<frmRepChoose*>(dialog);
            chooser->lstReports->setCurrentRow(0);
            chooser->cmdOK_Click();
            return chooser->result();
        };
        dialogs.fileAnswers << out;
        showReportChooser(nullptr, QStringLiteral("Shop"), folder);

        QCOMPARE(dialogs.shown.size(), 3);
        QCOMPARE(dialogs.shown[0].kind, QStringLiteral("modal"));
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Choose Report"));
        QCOMPARE(dialogs.shown[1].kind, QStringLiteral("save"));
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Save As"));
        QCOMPARE(dialogs.shown[1].defaultText,
                 QStringLiteral("Comma Seperated Values (*.csv)|*.csv|All Files (*.*)|*.*"));
        QCOMPARE(dialogs.shown[2].text, QStringLiteral("Complete."));
        QCOMPARE(dialogs.shown[2].title, QStringLiteral("Done"));
        QVERIFY(
            TestEnvironment::readBytes(out).startsWith("Info:\r\n\r\nTotals:\r\nSales,3\r\n\r\n"));
    }

    void saveReportStopsWhenNothingIsChosen() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        TestEnvironment::writeBytes(reportsFolder(folder) + QStringLiteral("Sales12-2026.txt"), "");
        showReportChooser(nullptr, QString(), folder); // no company: nothing at all
        QVERIFY(dialogs.shown.isEmpty());

        showReportChooser(nullptr, QStringLiteral("Shop"), folder); // chooser closed
        QCOMPARE(dialogs.shown.size(), 1);

        dialogs.modalActions << [](QDialog* dialog) {
            static_cast<frmRepChoose*>(dialog)->cmdOK_Click(); // OK without a selection
            return dialog->result();
        };
        showReportChooser(nullptr, QStringLiteral("Shop"), folder);
        QCOMPARE(dialogs.shown.size(), 2);

        dialogs.modalActions << [](QDialog* dialog) {
            auto* chooser = static_cast<frmRepChoose*>(dialog);
            chooser->lstReports->setCurrentRow(0);
            chooser->cmdOK_Click();
            return chooser->result();
        };
        showReportChooser(nullptr, QStringLiteral("Shop"), folder); // save dialog cancelled
        QCOMPARE(dialogs.shown.size(), 4);
        QCOMPARE(dialogs.shown.last().kind, QStringLiteral("save"));
    }

    void resultsWindowLaysOutAndSaves() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString path = env.base() + QStringLiteral("/batch.txt");
        TestEnvironment::writeBytes(path, "First line\r\nSecond \xc3\xa9 line\n");
        frmResults* window = ShowTextFile(path, QStringLiteral("Batch File Processing Results"));
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Batch File Processing Results"));
        QCOMPARE(window->cmdSave->text(), QStringLiteral("&Save"));
        QCOMPARE(window->text(), QString::fromUtf8("First line\r\nSecond \xc3\xa9 line\r\n"));

        window->resize(400, 300);
        window->Form_Resize();
        const int h = window->cmdSave->height();
        QCOMPARE(window->cmdSave->geometry(), QRect(0, 0, 400, h));
        QCOMPARE(window->txtResults->geometry(), QRect(0, h, 400, 300 - h));

        const QString out = env.base() + QStringLiteral("/saved.txt");
        dialogs.fileAnswers << out;
        window->cmdSave_Click();
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Save As"));
        QCOMPARE(dialogs.shown.last().defaultText,
                 QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        QCOMPARE(TestEnvironment::readBytes(out),
                 QByteArray("First line\r\nSecond \xc3\xa9 line\r\n\r\n"));

        // A second call opens a second window.
        QVERIFY(ShowTextFile(path, QStringLiteral("Again")) != window);
        QVERIFY(!ShowTextFile(env.base() + QStringLiteral("/missing.txt"), QStringLiteral("X")));
        QCOMPARE(dialogs.messages().last(),
                 QStringLiteral(
                     "Unexpected error in procedure: ShowTextFile\nError #53: File not found"));
    }

    void statisticsNeedACompanyAndOpenAResultsWindow() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        QVERIFY(!showStatistics(nullptr, QString(), folder));
        QCOMPARE(dialogs.messages(), QStringList{QStringLiteral("Please choose a company.")});
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Company"));

        frmResults* window = showStatistics(nullptr, QStringLiteral("Shop"), folder);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Statistics"));
        QCOMPARE(window->text().toUtf8(), TestEnvironment::readBytes(lastStatsPath(folder)));
        QVERIFY(window->text().startsWith(QStringLiteral("Statistics for Shop as of ")));
        QCOMPARE(dialogs.shown.size(), 1);

        // Where LastStats.txt cannot be written the statistics still show, and that is said.
        QVERIFY(QFile::remove(lastStatsPath(folder)) && QDir().mkdir(lastStatsPath(folder)));
        window = showStatistics(nullptr, QStringLiteral("Shop"), folder);
        QVERIFY(window && window->text().startsWith(QStringLiteral("Statistics for Shop as of ")));
        QVERIFY(dialogs.messages().last().contains("LastStats.txt could not be written"));
    }
};

QTEST_MAIN(SaleWindowsTest)
#include "tst_salewindows.moc"
