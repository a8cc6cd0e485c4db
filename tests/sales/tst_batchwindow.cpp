// SPDX-License-Identifier: GPL-3.0-or-later
// "Process &Batch File": the questions in order, the chooser's enabling, progress, the results.

#include "manager/app/companywindow.h"
#include "manager/sales/batch.h"
#include "manager/sales/batchwindow.h"
#include "manager/sales/resultswindow.h"
#include "manager/store/periodfiles.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTest>

#include <algorithm>

using namespace fixture;

namespace {

const QString kTaxQuestion = QStringLiteral(
    "Apply tax to taxed items? (Ex. items sold over the internet may not have tax.)");

// Records the progress calls and whether the chooser was disabled meanwhile.
struct ProgressLog {
    qint64 total = -1;
    QList<qint64> steps;
    bool chooserDisabled = true;
    bool cancel = false; // Cancel pressed at the first progress step
};

class RecordingProgress : public BatchProgress {
public:
    RecordingProgress(ProgressLog* log, QWidget* chooser)
        : m_log(log)
        , m_chooser(chooser) {}
    void start(qint64 total) override {
        m_log->total = total;
        note();
    }
    void advance(qint64 done) override {
        m_log->steps << done;
        note();
    }
    bool cancelled() const override { return m_log->cancel; }

private:
    void note() { m_log->chooserDisabled = m_log->chooserDisabled && !m_chooser->isEnabled(); }
    ProgressLog* m_log;
    QPointer<QWidget> m_chooser;
};

} // namespace

class BatchWindowTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    QString folder;
    QString batchPath;
    ProgressLog progress;

private slots:
    void init() {
        env = new TestEnvironment;
        dialogs = new ScriptedDialogs;
        folder = env->makeCompany(QStringLiteral("Shop"));
        writeItem(folder, "A100", "10.00", "5.00", "1", "5");
        writeItem(folder, "B200", "4.00", "1.00", "0", "7");
        batchPath = env->base() + QStringLiteral("/batch.txt");
        TestEnvironment::writeBytes(batchPath, "A100\r\n!!B200\r\nC300\r\n");
        progress = ProgressLog();
        setBatchProgressFactory([this](QWidget* parent) {
            return std::make_unique<RecordingProgress>(&progress, parent);
        });
    }
    void cleanup() {
        setBatchProgressFactory({});
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        QApplication::processEvents();
        delete dialogs;
        delete env;
    }

    // Cancel keeps what was recorded, processes nothing more, and the log says where it stopped.
    void cancelStopsAndSaysWhere() {
        QByteArray lines;
        for (int i = 0; i < 200000; ++i)
            lines += "!!B200\r\n";
        TestEnvironment::writeBytes(batchPath, lines);
        progress.cancel = true;
        QWidget chooser;
        dialogs->fileAnswers << batchPath;
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes;
        frmResults* results = processBatchFileCommand(&chooser, "Shop", folder);
        QVERIFY(results);
        const QStringList log = results->text().split("\r\n", Qt::SkipEmptyParts);
        const int done = log.count("Received return for SKU: B200.");
        QVERIFY(done > 0 && done < 200000);
        QCOMPARE(log.last(), QString("Processing stopped by the user after line %1; the lines after "
                                     "it were not processed.").arg(done));
        QCOMPARE(stockOf(folder, "B200"), QString::number(7 + done));
    }

    void noCompanyAsksForOne() {
        QWidget chooser;
        QVERIFY(!processBatchFileCommand(&chooser, QString(), folder));
        QCOMPARE(dialogs->messages(), QStringList{"Please choose a company to process for."});
        QCOMPARE(dialogs->shown[0].title, QString("Company"));
        QVERIFY(chooser.isEnabled());
    }

    void questionsInOrderThenTheResults() {
        QWidget chooser;
        dialogs->fileAnswers << batchPath;
        dialogs->messageAnswers << Dialogs::No << Dialogs::Yes;
        frmResults* results = processBatchFileCommand(&chooser, "Shop", folder);
        QVERIFY(results);

        const QString shownPath = QDir::toNativeSeparators(batchPath);
        QCOMPARE(dialogs->shown.size(), 4);
        QCOMPARE(dialogs->shown[0].kind, QString("open"));
        QCOMPARE(dialogs->shown[0].title, QString("Choose Batch File"));
        QCOMPARE(dialogs->shown[0].defaultText,
                 QString("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        QCOMPARE(dialogs->shown[1].text, kTaxQuestion);
        QCOMPARE(dialogs->shown[1].title, QString("Apply Tax"));
        QCOMPARE(dialogs->shown[1].buttons, int(Dialogs::YesNo));
        QCOMPARE(dialogs->shown[2].text, "About to process batch file " + shownPath +
                                             " for Shop. Are you sure you want to continue?");
        QCOMPARE(dialogs->shown[2].title, QString("Confirm"));
        QCOMPARE(dialogs->shown[3].text, QString("Batch file processing is complete."));
        QCOMPARE(dialogs->shown[3].title, QString("Complete"));

        QCOMPARE(results->windowTitle(), QString("Batch File Processing Results"));
        QCOMPARE(results->text(),
                 "Processing batch file " + shownPath +
                     ".\r\nReceived sale of SKU: A100.\r\nReceived return for SKU: B200.\r\n"
                     "Not enough of SKU C300 to process a sale, or C300 doesn't exist.\r\n"
                     "Processing complete.\r\n");
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        // The answer No keeps the tax out.
        const QString daily = dailyPeriodFile(folder, QDate::currentDate());
        QCOMPARE(GetINIString("Tax", "A100", "", daily), QString("0"));
        QVERIFY(chooser.isEnabled());
        QVERIFY(progress.chooserDisabled);
        QCOMPARE(progress.total, QFileInfo(batchPath).size());
        QCOMPARE(progress.steps.last(), progress.total);
    }

    void everyWayOutEnablesTheChooser() {
        QWidget chooser;
        const QByteArray stock = TestEnvironment::readBytes(invCountPath(folder));
        // Cancel in the file dialog.
        QVERIFY(!processBatchFileCommand(&chooser, "Shop", folder));
        QVERIFY(chooser.isEnabled());
        QCOMPARE(dialogs->shown.size(), 1);
        // No to the confirmation.
        dialogs->fileAnswers << batchPath;
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::No;
        QVERIFY(!processBatchFileCommand(&chooser, "Shop", folder));
        QVERIFY(chooser.isEnabled());
        QCOMPARE(dialogs->shown.size(), 4);
        QCOMPARE(TestEnvironment::readBytes(invCountPath(folder)), stock);
        QVERIFY(!QFileInfo::exists(lastBatchProcessPath(folder)));
        QCOMPARE(progress.total, -1);
    }

    void anInvalidFileSaysSoAndKeepsEarlierLines() {
        QWidget chooser;
        WriteINIString("Inventory", "BAD", "n/a", invCountPath(folder));
        TestEnvironment::writeBytes(batchPath, "A100\r\nBAD\r\nA100\r\n");
        dialogs->fileAnswers << batchPath;
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes;
        // The line recorded before stays, and the log and the message say where it stopped.
        QVERIFY(processBatchFileCommand(&chooser, "Shop", folder));
        QCOMPARE(dialogs->shown.last().text,
                 batchErrorText() + "\n\nProcessing stopped at line 2 after recording 1 lines: "
                                    "Type mismatch: the stock of SKU BAD is \"n/a\", not a "
                                    "number.");
        QCOMPARE(dialogs->shown.last().title, QString("Tallyvane"));
        QVERIFY(chooser.isEnabled());
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QVERIFY(TestEnvironment::readBytes(lastBatchProcessPath(folder))
                    .endsWith("SKU: A100.\r\nProcessing stopped at line 2 after recording 1 "
                              "lines: Type mismatch: the stock of SKU BAD is \"n/a\", not a "
                              "number.\r\n"));

        // A file that cannot be read is no batch file either.
        dialogs->fileAnswers << env->base() + "/missing.txt";
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes;
        QVERIFY(!processBatchFileCommand(&chooser, "Shop", folder));
        QCOMPARE(dialogs->shown.last().text, batchErrorText());
    }

    void longFilesReportProgressAsTheyGo() {
        QWidget chooser;
        QByteArray lines;
        for (int i = 0; i < 3000; ++i)
            lines += (i % 2 ? "!!A100\r\n" : "A100\r\n");
        TestEnvironment::writeBytes(batchPath, lines);
        dialogs->fileAnswers << batchPath;
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes;
        QVERIFY(processBatchFileCommand(&chooser, "Shop", folder));
        QCOMPARE(stockOf(folder, "A100"), QString("5"));
        QCOMPARE(progress.total, lines.size());
        QCOMPARE(progress.steps.last(), progress.total);
        QVERIFY(std::is_sorted(progress.steps.begin(), progress.steps.end()));
        QCOMPARE(
            GetINIString("Totals", "Returns", "", monthlyPeriodFile(folder, QDate::currentDate())),
            QString("1500"));
    }

    void theChoosersMenuEntryRunsIt() {
        frmCompany chooser;
        chooser.LoadComps();
        QVERIFY(chooser.mnuToolsDump->isEnabled());
        dialogs->fileAnswers << batchPath;
        dialogs->messageAnswers << Dialogs::Yes << Dialogs::Yes;
        chooser.mnuToolsDump->trigger();
        QCOMPARE(chooser.cboCompanies->currentText(), QString("Shop"));
        QCOMPARE(dialogs->shown[2].text.endsWith(" for Shop. Are you sure you want to continue?"),
                 true);
        QCOMPARE(stockOf(folder, "A100"), QString("4"));
        QVERIFY(progress.chooserDisabled);
        QVERIFY(chooser.isEnabled());
    }
};

QTEST_MAIN(BatchWindowTest)
#include "tst_batchwindow.moc"
