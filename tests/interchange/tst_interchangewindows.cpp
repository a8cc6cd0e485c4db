// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/companywindow.h"
#include "manager/interchange/companytransfer.h"
#include "manager/interchange/csveditor.h"
#include "manager/inventory/importcommand.h"
#include "manager/inventory/itemwindow.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

namespace {
// The text of each page of a PDF file, as pdftotext reads it.
QStringList pdfPages(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    process.waitForFinished();
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

void openInEditor(ScriptedDialogs& dialogs, const QString& path) {
    dialogs.fileAnswers << path;
    showCsvEditor(nullptr);
}

// An open dialog that fails, for the message of a failed dialog.
struct FailingFileDialogs : ScriptedDialogs {
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override {
        throw RuntimeError::invalidCall();
    }
};

const QString kEditorFilter =
    QStringLiteral("Comma Separated Values(*.csv)|*.csv|All Files (*.*)|*.*");
} // namespace

class InterchangeWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        delete frmCSV::instance();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->inherits("frmResults"))
                delete window;
    }

    void savingGivesBackWhatWasOpened_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("firstCell");
        QTest::newRow("uneven lines get trailing fields")
            << QByteArray("a,b,c\r\nd\r\n") << QByteArray("a,b,c\r\nd,,\r\n") << "a";
        QTest::newRow("quoted comma is one cell")
            << QByteArray("\"Mug, large\",4.5\r\n") << QByteArray("\"Mug, large\",4.5\r\n")
            << "Mug, large";
        QTest::newRow("doubled quotes and a line break")
            << QByteArray("\"say \"\"hi\"\"\",\"two\nlines\"\n")
            << QByteArray("\"say \"\"hi\"\"\",\"two\nlines\"\r\n") << "say \"hi\"";
        QTest::newRow("empty file saves one line end") << QByteArray() << QByteArray("\r\n") << "";
        QTest::newRow("Windows-1252 stays")
            << QByteArray("caf\xe9 \x80,1\r\n") << QByteArray("caf\xe9 \x80,1\r\n") << "café €";
        QTest::newRow("byte-order mark stays") << QByteArray("\xef\xbb\xbf"
                                                             "caf\xc3\xa9,1\r\n")
                                               << QByteArray("\xef\xbb\xbf"
                                                             "caf\xc3\xa9,1\r\n")
                                               << "café";
        QTest::newRow("CR-only lines")
            << QByteArray("Mug,2\rCup,3\r") << QByteArray("Mug,2\r\nCup,3\r\n") << "Mug";
        QTest::newRow("CR CR LF lines")
            << QByteArray("Mug,2\r\r\nCup,3\r\r\n") << QByteArray("Mug,2\r\nCup,3\r\n") << "Mug";
        QTest::newRow("stray quotes") << QByteArray("\"12\" Ruler,5\r\n")
                                      << QByteArray("\"\"\"12\"\" Ruler\",5\r\n") << "\"12\" Ruler";
    }
    void savingGivesBackWhatWasOpened() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QFETCH(QString, firstCell);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString path = env.base() + "/items.csv";
        TestEnvironment::writeBytes(path, file);
        openInEditor(dialogs, path);
        frmCSV* editor = frmCSV::instance();
        QVERIFY(editor);
        QCOMPARE(editor->table()->cell(1, 1), firstCell);
        editor->mnuTableSave_Click();
        QCOMPARE(TestEnvironment::readBytes(path), saved);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void typedCellsAndTableChangesAreSaved() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString wide = env.base() + "/wide.csv";
        const QString narrow = env.base() + "/narrow.csv";
        TestEnvironment::writeBytes(wide, "a,b,c\r\n");
        TestEnvironment::writeBytes(narrow, "x\r\ny\r\n");
        frmCSV* made = frmCSV::editor(); // a table of no file is saved as UTF-8 with a BOM
        QCOMPARE(made->windowTitle(), QStringLiteral("CSV Edit Utility"));
        dialogs.fileAnswers << env.base() + "/made.csv";
        made->mnuTableSave_Click();
        QCOMPARE(TestEnvironment::readBytes(env.base() + "/made.csv"),
                 QByteArray("\xef\xbb\xbf\r\n"));
        QCOMPARE(made->windowTitle(), QStringLiteral("CSV Edit Utility - made.csv"));
        openInEditor(dialogs, wide);
        openInEditor(dialogs, narrow); // one window; the columns stay
        frmCSV* editor = frmCSV::instance();
        editor->MSFlexGrid->setCurrentIndex(editor->table()->index(1, 1));
        QCOMPARE(editor->txtValue->selectedText(), QString());
        QTest::keyClicks(editor->txtValue, "Tea, \"green\"");
        editor->mnuTableAddRow_Click();
        editor->mnuTableAddCol_Click();
        editor->mnuTableRemCol_Click();
        for (int i = 0; i < 5; ++i)
            editor->mnuTableRemRow_Click(); // stops at the fixed row
        QCOMPARE(editor->table()->rows(), 1);
        editor->mnuTableAddRow_Click();
        editor->mnuTableAddRow_Click();
        dialogs.fileAnswers << env.base() + "/out.csv";
        editor->mnuTableSaveAs_Click();
        QCOMPARE(TestEnvironment::readBytes(env.base() + "/out.csv"), QByteArray(",,\r\n,,\r\n"));
        QCOMPARE(dialogs.shown.last().title, QStringLiteral("Save As"));

        openInEditor(dialogs, narrow);
        editor->MSFlexGrid->setCurrentIndex(editor->table()->index(1, 1));
        editor->mnuTableAddRow_Click(); // the current cell stays where it was
        QTest::keyClicks(editor->txtValue, "Tea, \"green\"");
        editor->mnuTableRemRow_Click();
        editor->mnuTableSave_Click();
        QCOMPARE(TestEnvironment::readBytes(narrow),
                 QByteArray("x,,\r\ny,\"Tea, \"\"green\"\"\",\r\n"));
    }

    void badFilesAreRefusedAndTheTableStays_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("message");
        QTest::newRow("binary") << QByteArray("a,b\0c", 5) << 0LL
                                << "The file bad.csv cannot be opened:\r\nThe file is not a text "
                                   "file.";
        QTest::newRow("open quote") << QByteArray("ok\r\n\"never,closed\r\n") << 0LL
                                    << "The file bad.csv cannot be opened:\r\nA quoted field that "
                                       "starts on line 2 is never closed.";
        QTest::newRow("over 64 MB")
            << QByteArray("a,b\r\n") << (qint64(64) << 20) + 1
            << "The file bad.csv is too large for the CSV editor (more than 64 MB).";
    }
    void badFilesAreRefusedAndTheTableStays() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(qint64, size);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString good = env.base() + "/good.csv";
        TestEnvironment::writeBytes(good, "keep,me\r\n");
        TestEnvironment::writeBytes(env.base() + "/bad.csv", bytes);
        if (size) // sparse: the size alone is refused, before anything is read
            QVERIFY(QFile::resize(env.base() + "/bad.csv", size));
        openInEditor(dialogs, good);
        openInEditor(dialogs, env.base() + "/bad.csv");
        QCOMPARE(dialogs.messages(), QStringList{message});
        frmCSV* editor = frmCSV::instance();
        QCOMPARE(editor->table()->cell(1, 2), QStringLiteral("me"));
        openInEditor(dialogs, env.base() + "/missing.csv");
        QCOMPARE(dialogs.messages().last(),
                 QStringLiteral("Unexpected error in procedure: OpenCSV\nError #53: File not "
                                "found"));
        // Save writes the file the table came from, never the refused or missing one.
        QCOMPARE(editor->windowTitle(), QStringLiteral("CSV Edit Utility - good.csv"));
        editor->mnuTableSave_Click();
        QCOMPARE(QFileInfo(env.base() + "/bad.csv").size(), size ? size : bytes.size());
        QVERIFY(!QFileInfo::exists(env.base() + "/missing.csv"));
        QCOMPARE(TestEnvironment::readBytes(good), QByteArray("keep,me\r\n"));
    }

    void unsavedChangesAreAskedAbout() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString path = env.base() + "/a.csv";
        TestEnvironment::writeBytes(path, "a\r\n");
        openInEditor(dialogs, path);
        frmCSV* editor = frmCSV::instance();
        editor->show();
        dialogs.fileAnswers << env.base() + "/gone/a.csv"; // a failed Save As leaves no mark
        editor->mnuTableSaveAs_Click();
        QVERIFY(!editor->isModified());
        editor->mnuTableAddRow_Click();
        dialogs.messageAnswers << Dialogs::Cancel;
        QVERIFY(!editor->close());
        dialogs.messageAnswers << Dialogs::Cancel;
        showCsvEditor(nullptr); // another file would replace the table: Cancel keeps it
        QCOMPARE(dialogs.shown.last().kind, QStringLiteral("message"));
        QCOMPARE(TestEnvironment::readBytes(path), QByteArray("a\r\n"));
        dialogs.fileAnswers << env.base() + "/gone/a.csv"; // a failed save keeps a.csv
        editor->mnuTableSaveAs_Click();
        QCOMPARE(dialogs.messages().last(),
                 QStringLiteral("Unexpected error in procedure: mnuTableSave_Click\nError #76: "
                                "Path not found"));
        QCOMPARE(editor->fileName(), path);
        dialogs.messageAnswers << Dialogs::Yes;
        QVERIFY(editor->close());
        QCOMPARE(dialogs.messages().last(), QStringLiteral("Do you want to save the changes to "
                                                           "a.csv?"));
        QCOMPARE(TestEnvironment::readBytes(path), QByteArray("a\r\n\r\n"));
    }

    void printingBreaksThePageEverySixtyRows_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("pages");
        QTest::newRow("59 rows") << 59 << 1 << false << 1;
        QTest::newRow("60 rows") << 60 << 1 << false << 2;
        QTest::newRow("60 rows twice") << 60 << 2 << false << 4;
        QTest::newRow("landscape: fewer rows to a page") << 100 << 1 << true << 3;
    }
    void printingBreaksThePageEverySixtyRows() {
        QFETCH(int, rows);
        QFETCH(int, copies);
        QFETCH(bool, landscape);
        QFETCH(int, pages);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        QByteArray file;
        for (int r = 1; r <= rows; ++r)
            file += "Row" + QByteArray::number(r) + ",Price" + QByteArray::number(r) + "\r\n";
        const QString path = env.base() + "/rows.csv";
        TestEnvironment::writeBytes(path, file);
        openInEditor(dialogs, path);
        const QString pdf = env.base() + "/print.pdf";
        dialogs.printActions << [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setCopyCount(copies);
            if (landscape)
                printer.setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        frmCSV::instance()->mnuTablePrint_Click();
        QVERIFY(dialogs.messages().isEmpty());
        const QStringList text = pdfPages(pdf);
        QCOMPARE(text.size(), pages);
        // Every row is on the paper, once for each copy.
        const QString all = text.join(QChar('\f'));
        for (int r = 1; r <= rows; ++r)
            QCOMPARE(all.count(QRegularExpression(QStringLiteral("\\bRow%1\\b").arg(r))), copies);
        if (landscape)
            return;
        QVERIFY(text.first().contains("Row59"));
        QVERIFY(!text.first().contains("Row60"));
        if (rows == 60)
            QVERIFY(text.at(1).simplified() == QStringLiteral("Row60 Price60"));
        // Cancel prints nothing.
        QFile::remove(pdf);
        frmCSV::instance()->mnuTablePrint_Click();
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // What the item import, the CSV editor and the inventory export show, as the user sees it.
    void messagesAsShown_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("kind"); // a Dialogs kind, or "window" for a window's caption
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("filter");
        QTest::newRow("instructions")
            << "import"
            << "message"
            << "Important Formatting Information"
            << "The import feature uses .CSV files (comma separated values). In order for this "
               "feature to work, your .CSV file must be properly setup. Before you continue, be "
               "ABSOLUTELY SURE that your .CSV file follows this exact format:\r\n"
               "   The first column of values contains each product's title.\r\n"
               "   The second column of values contains each product's cost (format: ####.##).\r\n"
               "   The third column of values contains each product's price (format: ####.##).\r\n"
               "   The fourth column of values determines whether to apply tax to the item or not "
               "(0=no, 1=yes).\r\n"
               "   The fifth column of values contains each product's SKU or item number.\r\n"
               "   Finally, the sixth column of values contains the amount of each product in "
               "stock.\r\n"
               "There should be no extra data, just what is mentioned above. Once you are sure "
               "that the file is in this proper format, you may continue."
            << "";
        QTest::newRow("choose file") << "import"
                                     << "open"
                                     << "Choose File"
                                     << ""
                                     << "Comma Seperated Values Files (*.csv)|*.csv";
        QTest::newRow("confirm") << "import"
                                 << "message"
                                 << "Confirm"
                                 << "About to import .CSV file %1 for profit center Kitchen. Are "
                                    "you sure you want to continue?"
                                 << "";
        QTest::newRow("attempting to continue")
            << "import"
            << "message"
            << ""
            << "There was an error during the import process. Attempting to continue..."
            << "";
        QTest::newRow("import results") << "import"
                                        << "window"
                                        << "Import Results"
                                        << ""
                                        << "";
        QTest::newRow("cannot continue")
            << "import a missing file"
            << "message"
            << ""
            << "There was an error during the import process. Cannot continue."
            << "";
        QTest::newRow("choose CSV file") << "editor"
                                         << "open"
                                         << "Choose CSV File"
                                         << "" << kEditorFilter;
        QTest::newRow("save as") << "editor"
                                 << "save"
                                 << "Save As"
                                 << "" << kEditorFilter;
        QTest::newRow("print failed") << "editor"
                                      << "message"
                                      << "Error"
                                      << "An error occured:\r\n482: Printer error"
                                      << "";
        QTest::newRow("open dialog failed")
            << "failing dialogs"
            << "message"
            << "Error"
            << "An error occured:\r\nInvalid procedure call or argument"
            << "";
        QTest::newRow("no company") << "no company"
                                    << "message"
                                    << "Company"
                                    << "Please choose a company to export inventory from."
                                    << "";
    }
    void messagesAsShown() {
        QFETCH(QString, scenario);
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, filter);
        TestEnvironment env;
        FailingFileDialogs failing;
        ScriptedDialogs scripted;
        ScriptedDialogs& dialogs = scenario == "failing dialogs" ? failing : scripted;
        Dialogs::install(&dialogs);
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(folder + "Kitchen", "");
        const QString csv = env.base() + "/items.csv";
        TestEnvironment::writeBytes(csv, "Mug,1,2,maybe,A1,3\n");
        if (scenario.startsWith("import")) {
            frmMain w(folder, "Shop");
            dialogs.messageAnswers << Dialogs::Ok << Dialogs::Yes;
            dialogs.fileAnswers << (scenario == "import" ? csv : env.base() + "/gone.csv");
            cmdImportItems_Click(&w);
            text = text.arg(QDir::toNativeSeparators(csv));
        } else if (scenario == "editor") {
            openInEditor(dialogs, csv);
            frmCSV::instance()->mnuTableSaveAs_Click();
            dialogs.printActions << [&](QPrinter& printer) {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(env.base() + "/no/such/folder/print.pdf");
                return true;
            };
            frmCSV::instance()->mnuTablePrint_Click();
        } else if (scenario == "failing dialogs") {
            showCsvEditor(nullptr);
        } else {
            QDir(folder).removeRecursively();
            frmCompany chooser;
            chooser.mnuToolsInventory->trigger();
        }
        if (kind == "window") {
            QStringList captions;
            for (QWidget* window : QApplication::topLevelWidgets())
                captions << window->windowTitle();
            QVERIFY2(captions.contains(title), qPrintable(captions.join(", ")));
            return;
        }
        QStringList seen;
        for (const ScriptedDialogs::Shown& shown : dialogs.shown)
            seen << shown.kind + "|" + shown.title + "|" + shown.text + "|" + shown.defaultText;
        const QString wanted = kind + "|" + title + "|" + text + "|" + filter;
        QVERIFY2(seen.contains(wanted), qPrintable(seen.join("\n")));
    }

    void companyImportRefusesAndImports() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString shop = env.makeCompany("Shop");
        fixture::writeTitle(shop, "Cups", "Mug, large", "77");
        frmCompany chooser;
        const QString out = env.base() + "/out";
        QDir().mkpath(out);
        dialogs.folderAnswers << env.root() << out;
        chooser.mnuToolsExport->trigger(); // the root is refused and the chooser opens again
        QCOMPARE(dialogs.shown.last().kind, QStringLiteral("message"));
        QCOMPARE(dialogs.shown.at(dialogs.shown.size() - 2).defaultText,
                 QCoreApplication::applicationDirPath());
        QVERIFY(QFileInfo::exists(out + "/Shop/Cups"));
        QVERIFY(chooser.isEnabled());

        QDir().mkpath(out + "/Plain");
        dialogs.folderAnswers << out + "/Plain" << out + "/Shop";
        chooser.mnuToolsImport->trigger();
        chooser.mnuToolsImport->trigger();
        QDir(shop).removeRecursively();
        dialogs.folderAnswers << out + "/Shop";
        chooser.mnuToolsImport->trigger();
        QCOMPARE(dialogs.messages(),
                 (QStringList{"That folder is a restricted program folder. Any changes to "
                              "anything in that folder can cause serious errors.",
                              "Company export is complete.",
                              "The folder " + out +
                                  "/Plain is not an exported company and "
                                  "will not be imported.",
                              "The company Shop already exists and will not be imported.",
                              "Company import is complete."}));
        QCOMPARE(chooser.cboCompanies->currentText(), QStringLiteral("Shop"));
        QCOMPARE(GetINIString("Titles", "Mug, large", "", shop + "Cups"), QStringLiteral("77"));

        dialogs.fileAnswers << env.base() + "/inventory.csv";
        chooser.mnuToolsInventory->trigger();
        QCOMPARE(dialogs.messages().last(), QStringLiteral("Export Complete."));
        QCOMPARE(TestEnvironment::readBytes(env.base() + "/inventory.csv"),
                 QByteArray("\xef\xbb\xbf\"Mug, large\",0.00,0.00,1,77,0\r\n"));
    }

    void aCancelledTransferChangesNothing() {
        TestEnvironment env;
        const QString shop = env.makeCompany("Shop");
        fixture::writeItem(shop, "77", "5", "2", "1", "3");
        fixture::writeTitle(shop, "Cups", "Mug", "77");
        const QString out = env.base() + "/out";
        QVERIFY(QDir().mkpath(out + "/Shop/Logs"));
        TestEnvironment::writeBytes(out + "/Shop/Logs/PriceLog", "old");
        const auto cancelAfterOne = [](int done, int) { return done < 1; };
        QVERIFY(exportCompany(env.root(), "Shop", out, cancelAfterOne).cancelled);
        QCOMPARE(TestEnvironment::readBytes(out + "/Shop/Logs/PriceLog"), QByteArray("old"));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"Shop"});

        QVERIFY(exportCompany(env.root(), "Shop", out).error.isEmpty());
        QDir(shop).removeRecursively();
        QVERIFY(importCompany(env.root(), out + "/Shop", cancelAfterOne).cancelled);
        QVERIFY(QDir(env.root())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
        QVERIFY(importCompany(env.root(), out + "/Shop").error.isEmpty());
        QCOMPARE(fixture::stockOf(shop, "77"), QStringLiteral("3"));
    }
};

QTEST_MAIN(InterchangeWindowsTest)
#include "tst_interchangewindows.moc"
