// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/companywindow.h"
#include "manager/internet/serverwindow.h"
#include "manager/inventory/itemwindow.h"
#include "manager/sales/recording.h"
#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/settings.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTcpServer>
#include <QTest>

#include <atomic>
#include <thread>

namespace {
template <typename Window> Window* topLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

QStringList boxItems(const frmCompany& chooser) {
    QStringList names;
    for (int i = 0; i < chooser.cboCompanies->count(); ++i)
        names << chooser.cboCompanies->itemText(i);
    return names;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

void setLogging(const char* daily, const char* monthly) {
    settings::write(QStringLiteral("Log"), QStringLiteral("Daily"), QLatin1String(daily));
    settings::write(QStringLiteral("Log"), QStringLiteral("Monthly"), QLatin1String(monthly));
}
} // namespace

class CompanyWindowTest : public QObject {
    Q_OBJECT
private slots:
    // The listing rewrites today's period files while another writer records sales: every sale
    // stays in them.
    void listingKeepsSalesRecordedMeanwhile() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        setLogging("1", "1");
        const QString folder = env.makeCompany("Shop");
        WriteINIString("Inventory", "A1", "1000", invCountPath(folder));
        frmCompany chooser;
        const int sales = 150;
        std::atomic<bool> done{false};
        std::thread seller([&] {
            for (int i = 0; i < sales; ++i)
                makeSales(folder, {unitRequest("A1", TaxNo)});
            done = true;
        });
        while (!done)
            chooser.LoadComps();
        seller.join();
        const QString count = QString::number(sales);
        QCOMPARE(GetINIString("Sales", "A1", "", dailyPeriodFile(folder, QDate::currentDate())),
                 count);
        QCOMPARE(GetINIString("Sales", "A1", "", monthlyPeriodFile(folder, QDate::currentDate())),
                 count);
        QCOMPARE(dialogs.messages(), QStringList());
    }

    void anEmptyRootGivesAnEmptyBoxAndOpenAsksForACompany() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmCompany chooser;
        QCOMPARE(chooser.windowTitle(), QStringLiteral("Choose Company"));
        QCOMPARE(chooser.cboCompanies->count(), 0);
        chooser.cmdOpen_Click();
        chooser.cmdInternet_Click();
        QCOMPARE(dialogs.messages(), (QStringList{"Please choose a company to open.",
                                                  "Please choose a company to open."}));
        QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("Company"));
        QCOMPARE(dialogs.shown.at(0).buttons, int(Dialogs::OkOnly));
    }

    void companiesAreListedWithTheLastOneSelectedAndInfoRecorded() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString b = env.makeCompany("bravo");
        env.makeCompany("Alpha");
        env.makeCompany("charlie");
        frmCompany chooser;
        QCOMPARE(boxItems(chooser), (QStringList{"Alpha", "bravo", "charlie"}));
        QCOMPARE(chooser.cboCompanies->currentText(), QStringLiteral("charlie"));
        QCOMPARE(selectedCompany(), QStringLiteral("charlie"));
        QCOMPARE(CompPath(), env.root() + "charlie/");

        const QDate today = QDate::currentDate();
        const QString date = QLocale::system().toString(today, QLocale::ShortFormat);
        const QByteArray expected = "Info\\Company=bravo\r\nInfo\\Date=" + date.toUtf8() + "\r\n";
        QCOMPARE(TestEnvironment::readBytes(dailyPeriodFile(b, today)), expected);
        QCOMPARE(TestEnvironment::readBytes(monthlyPeriodFile(b, today)), expected);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void loggingOffTouchesNoFile() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        setLogging("0", "0");
        const QString folder = env.makeCompany("Shop");
        frmCompany chooser;
        QCOMPARE(boxItems(chooser), QStringList{"Shop"});
        QVERIFY(entries(folder + "Reports").isEmpty());

        setLogging("0", "1");
        chooser.LoadComps();
        QCOMPARE(
            entries(folder + "Reports"),
            QStringList{QFileInfo(monthlyPeriodFile(folder, QDate::currentDate())).fileName()});
    }

    void aMissingRootLeavesTheBoxAsItWasAndReportsIt() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Shop");
        frmCompany chooser;
        settings::write(QStringLiteral("Path"), QStringLiteral("Company"),
                        env.base() + "/nowhere/");
        chooser.LoadComps();
        QCOMPARE(boxItems(chooser), QStringList{"Shop"});
        QCOMPARE(
            dialogs.messages(),
            QStringList{"Unexpected error in procedure: LoadComps\nError #76: Path not found"});
    }

    void aFolderWithoutReportsIsListedAndNamedOnce() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Alpha");
        QVERIFY(QDir().mkpath(env.root() + "lost+found"));
        const QString zed = env.makeCompany("Zed");
        frmCompany chooser;
        QCOMPARE(boxItems(chooser), (QStringList{"Alpha", "lost+found", "Zed"}));
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY2(dialogs.messages().first().endsWith(": lost+found"),
                 qPrintable(dialogs.messages().first()));
        QVERIFY(QFileInfo::exists(dailyPeriodFile(zed, QDate::currentDate())));
    }

    void newMakesAnEmptyCompanyAndSelectsIt() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        setLogging("0", "0");
        env.makeCompany("Zulu");
        frmCompany chooser;
        dialogs.inputAnswers << "Acme Café";
        chooser.cmdAddC_Click();
        QCOMPARE(dialogs.shown.at(0).kind, QStringLiteral("input"));
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Name of new company:"));
        QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("Name"));
        QCOMPARE(dialogs.shown.at(0).defaultText, QString());
        QCOMPARE(dialogs.messages(), QStringList{"Company created."});
        QCOMPARE(dialogs.shown.at(1).title, QStringLiteral("Created"));
        QCOMPARE(entries(env.root() + "Acme Café"), (QStringList{"Logs", "Reports"}));
        // Only the lock the listing took to write the period files' "Info" records.
        QCOMPARE(entries(env.root() + "Acme Café/Logs"), QStringList{".lock"});
        QCOMPARE(chooser.cboCompanies->currentText(), QStringLiteral("Acme Café"));
        QCOMPARE(boxItems(chooser), (QStringList{"Acme Café", "Zulu"}));
    }

    void newRefusesExistingAndUnsafeNames() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Shop");
        frmCompany chooser;
        dialogs.inputAnswers << "Shop"
                             << "../Outside"
                             << "";
        chooser.cmdAddC_Click();
        chooser.cmdAddC_Click();
        chooser.cmdAddC_Click(); // Cancel: silent
        const QStringList messages = dialogs.messages();
        QCOMPARE(messages.size(), 4);
        QVERIFY(messages.at(0).startsWith("Unexpected error in procedure: CreateFolder\nError #"));
        QCOMPARE(messages.at(1), QStringLiteral("Error. Company not created."));
        QCOMPARE(
            messages.at(2),
            QStringLiteral(
                "Unexpected error in procedure: CreateFolder\nError #52: Bad file name or number"));
        QCOMPARE(messages.at(3), QStringLiteral("Error. Company not created."));
        QCOMPARE(dialogs.shown.at(2).title, QStringLiteral("Not Created"));
        QVERIFY(!QFileInfo::exists(env.base() + "/Outside"));
        QCOMPARE(entries(env.root()), QStringList{"Shop"});
        QCOMPARE(boxItems(chooser), QStringList{"Shop"});
    }

    void deleteAsksWithTheNameTwiceAndOnlyYesDeletes() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Alpha");
        env.makeCompany("Beta");
        frmCompany chooser;
        dialogs.inputAnswers << "Alpha"
                             << "Alpha";
        dialogs.messageAnswers << Dialogs::No << Dialogs::Yes;
        chooser.cmdRemC_Click();
        QCOMPARE(dialogs.shown.at(0).defaultText, QStringLiteral("Beta"));
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Name of company to delete:"));
        QCOMPARE(
            dialogs.shown.at(1).text,
            QStringLiteral("Are you sure you want to remove Alpha and all items within Alpha?"));
        QCOMPARE(dialogs.shown.at(1).title, QStringLiteral("Confirm"));
        QCOMPARE(dialogs.shown.at(1).buttons, int(Dialogs::YesNo));
        QVERIFY(QFileInfo::exists(env.root() + "Alpha"));

        chooser.cmdRemC_Click();
        QVERIFY(!QFileInfo::exists(env.root() + "Alpha"));
        QCOMPARE(dialogs.messages().last(), QStringLiteral("Company deleted."));
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Deleted"));
        QCOMPARE(boxItems(chooser), QStringList{"Beta"});
    }

    void deleteRefusesANameOutsideTheRoot() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Shop");
        frmCompany chooser;
        dialogs.inputAnswers << "..";
        dialogs.messageAnswers << Dialogs::Yes;
        chooser.cmdRemC_Click();
        QCOMPARE(
            dialogs.messages().mid(1),
            (QStringList{
                "Unexpected error in procedure: DeleteFolder\nError #52: Bad file name or number",
                "Error. Company not deleted."}));
        QVERIFY(QFileInfo::exists(env.root() + "Shop"));
    }

    void renameCopiesThenRemovesTheOldFolder() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        setLogging("0", "0");
        const QString old = env.makeCompany("Old");
        TestEnvironment::writeBytes(old + "Main", "Titles\\Hat=H1\r\n");
        frmCompany chooser;
        dialogs.inputAnswers << "New";
        chooser.cmdRename_Click();
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Rename company Old to:"));
        QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("Rename"));
        QCOMPARE(dialogs.messages(), QStringList());
        QVERIFY(!QFileInfo::exists(old));
        QCOMPARE(TestEnvironment::readBytes(env.root() + "New/Main"),
                 QByteArray("Titles\\Hat=H1\r\n"));
        QCOMPARE(chooser.cboCompanies->currentText(), QStringLiteral("New"));
    }

    void renameOntoAnExistingCompanyChangesNothing() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        setLogging("0", "0");
        const QString a = env.makeCompany("A");
        const QString b = env.makeCompany("B");
        TestEnvironment::writeBytes(a + "Main", "Titles\\Hat=H1\r\n");
        TestEnvironment::writeBytes(b + "Main", "Titles\\Cap=C1\r\n");
        frmCompany chooser;
        chooser.cboCompanies->setCurrentIndex(0);
        dialogs.inputAnswers << "B";
        chooser.cmdRename_Click();
        QCOMPARE(
            dialogs.messages(),
            QStringList{
                "Unexpected error in procedure: cmdRename_Click\nError #58: File already exists"});
        QCOMPARE(TestEnvironment::readBytes(a + "Main"), QByteArray("Titles\\Hat=H1\r\n"));
        QCOMPARE(TestEnvironment::readBytes(b + "Main"), QByteArray("Titles\\Cap=C1\r\n"));
        QCOMPARE(boxItems(chooser), (QStringList{"A", "B"}));
        QCOMPARE(chooser.cboCompanies->currentText(), QStringLiteral("A")); // the selection too

        // An empty box or an empty answer does nothing.
        dialogs.inputAnswers << "";
        chooser.cmdRename_Click();
        QCOMPARE(entries(env.root()), (QStringList{"A", "B"}));
    }

    // Check Company finds what a crash left, and repairs just that when the user says so.
    void checkCompanyRepairsWhatACrashLeft() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany("Shop");
        frmCompany chooser; // its listing takes the lock, which would finish the journal itself
        TestEnvironment::writeBytes(folder + "Logs/.~tallyvane-journal",
                                    "Logs/.~tallyvane-a\nLogs/InvCount\nend\n");
        TestEnvironment::writeBytes(folder + "Logs/.~tallyvane-a", "Inventory\\A1=3\r\n");
        dialogs.messageAnswers << Dialogs::Yes;
        chooser.mnuToolsCheck->trigger();
        QCOMPARE(dialogs.messages(),
                 (QStringList{"Problems found in Shop:\n\nLogs/.~tallyvane-journal: a recording "
                              "was left unfinished by a crash.\nLogs/.~tallyvane-a: a temporary "
                              "file was left by a crash.\n\nRepair what the crash left "
                              "behind? Nothing else is changed.",
                              "The unfinished recording was finished.\n\nNo problems remain."}));
        QCOMPARE(TestEnvironment::readBytes(folder + "Logs/InvCount"),
                 QByteArray("Inventory\\A1=3\r\n"));
        QVERIFY(!QFile::exists(folder + "Logs/.~tallyvane-journal"));
    }

    void toolsMenuHoldsEveryEntryInOrder() {
        TestEnvironment env;
        frmCompany chooser;
        QStringList captions;
        for (const QAction* action : chooser.mnuTools->actions())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(captions,
                 (QStringList{"&Export Current Inventory", "Process &Batch File", "&Save Report",
                              "S&tatistics", "&Low Stock", "Sales C&harts", "Chec&k Company",
                              "Transfer &All Items to Storefront", "-", "I&mport Company",
                              "E&xport Company", "-", "CSV E&ditor", "&UPC Barcode Generator",
                              "&Code39 Barcode Generator", "-", "St&orefront Transfer Settings",
                              "O&ptions"}));
    }

    void openHidesTheChooserUntilTheItemWindowCloses() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Shop");
        frmCompany chooser;
        chooser.show();
        chooser.cmdOpen_Click();
        QPointer<frmMain> items = topLevel<frmMain>();
        QVERIFY(items);
        QVERIFY(!chooser.isVisible());
        items->close();
        QTRY_VERIFY(!items);
        QVERIFY(chooser.isVisible());
        QCOMPARE(chooser.cboCompanies->currentText(), QStringLiteral("Shop"));
    }

    void openForInternetSalesStartsTheServerOfTheCompany() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Shop");
        quint16 port = 0;
        {
            QTcpServer probe;
            probe.listen(QHostAddress::Any, 0);
            port = probe.serverPort();
        }
        settings::write("Server", "Port", QString::number(port));
        frmCompany chooser;
        chooser.show();
        chooser.cmdInternet_Click();
        QPointer<frmServer> server = topLevel<frmServer>();
        QVERIFY(server);
        QVERIFY(!chooser.isVisible());
        QVERIFY(server->txtOutput->toPlainText().contains("Loading Shop...\n"));
        QVERIFY(server->txtOutput->toPlainText().endsWith("Done. Ready for transactions."));
        server->close();
        QTRY_VERIFY(!server);
        QVERIFY(chooser.isVisible());
        QVERIFY(dialogs.messages().isEmpty());
    }

    void optionsOpenModally() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmCompany chooser;
        QVERIFY(chooser.mnuToolsOptions->isEnabled());
        QString caption;
        dialogs.modalActions << [&](QDialog* dialog) {
            caption = dialog->windowTitle();
            return int(QDialog::Rejected);
        };
        chooser.mnuToolsOptions->trigger();
        QCOMPARE(caption, QStringLiteral("Options"));
    }
};

QTEST_MAIN(CompanyWindowTest)
#include "tst_companywindow.moc"
