// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/batchwindow.h"

#include "manager/sales/batch.h"
#include "manager/sales/resultswindow.h"
#include "manager/shell/dialogs.h"

#include <QDir>
#include <QPointer>
#include <QProgressDialog>
#include <QScopeGuard>

namespace {

// Progress in thousandths, so that files beyond 2 GB fit the dialog's range.
class DialogProgress : public BatchProgress {
public:
    explicit DialogProgress(QWidget* parent)
        : m_dialog(QStringLiteral("Processing batch file..."), QStringLiteral("Cancel"), 0, 1000,
                   parent) {
        m_dialog.setWindowTitle(QStringLiteral("Process Batch File"));
        // Modal: while it shows, setValue lets the windows repaint but takes no other input.
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
    }
    void start(qint64 total) override {
        m_total = total;
        m_dialog.setValue(0);
    }
    void advance(qint64 done) override {
        m_dialog.setValue(m_total > 0 ? int(done * 1000 / m_total) : 1000);
    }
    bool cancelled() const override { return m_dialog.wasCanceled(); }

private:
    QProgressDialog m_dialog;
    qint64 m_total = 0;
};

BatchProgressFactory& progressFactory() {
    static BatchProgressFactory factory;
    return factory;
}

std::unique_ptr<BatchProgress> makeProgress(QWidget* parent) {
    if (progressFactory())
        return progressFactory()(parent);
    return std::make_unique<DialogProgress>(parent);
}

// A slice of the run between two progress updates: each slice is one durable commit, so it is
// as long as the progress and Cancel can wait (a sale arriving meanwhile ends it sooner).
constexpr int kSliceMs = 200;

} // namespace

void setBatchProgressFactory(BatchProgressFactory factory) {
    progressFactory() = std::move(factory);
}

frmResults* processBatchFileCommand(QWidget* chooserWindow, const QString& company,
                                    const QString& companyFolder) {
    if (company.isEmpty()) {
        dialogs().message(chooserWindow, QStringLiteral("Please choose a company to process for."),
                          QStringLiteral("Company"));
        return nullptr;
    }
    QPointer<QWidget> chooser(chooserWindow);
    auto enableChooser = [&chooser] {
        if (chooser)
            chooser->setEnabled(true);
    };
    if (chooser)
        chooser->setEnabled(false);
    const auto enableOnEveryWayOut = qScopeGuard(enableChooser);
    try {
        const QString path =
            dialogs().openFile(chooser, QStringLiteral("Choose Batch File"),
                               QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        if (path.isEmpty())
            return nullptr;
        const int taxAnswer = dialogs().message(
            chooser,
            QStringLiteral(
                "Apply tax to taxed items? (Ex. items sold over the internet may not have tax.)"),
            QStringLiteral("Apply Tax"), Dialogs::YesNo);
        const QString shownPath = QDir::toNativeSeparators(path);
        const QString question = QStringLiteral("About to process batch file ") + shownPath +
                                 QStringLiteral(" for ") + company +
                                 QStringLiteral(". Are you sure you want to continue?");
        if (dialogs().message(chooser, question, QStringLiteral("Confirm"), Dialogs::YesNo) !=
            Dialogs::Yes)
            return nullptr;

        BatchRun run(companyFolder, path, shownPath, taxAnswer);
        {
            const std::unique_ptr<BatchProgress> progress = makeProgress(chooser);
            progress->start(run.size());
            // Cancel stops after the current slice: what was recorded stays, and the log says
            // where the run stopped.
            try {
                while (!run.processSome(kSliceMs)) {
                    progress->advance(run.position());
                    if (progress->cancelled()) {
                        run.stop();
                        break;
                    }
                }
            } catch (const RuntimeError& error) {
                throw run.finishAfter(error);
            }
            progress->advance(run.position());
        }
        run.finish();
    } catch (const BatchStopped& stopped) {
        // What was recorded stays: the user sees where and why the run stopped, and its log.
        enableChooser();
        dialogs().message(chooser, batchErrorText() + QStringLiteral("\n\n") + stopped.description(),
                          QStringLiteral("Tallyvane"));
        return ShowTextFile(lastBatchProcessPath(companyFolder),
                            QStringLiteral("Batch File Processing Results"));
    } catch (...) {
        enableChooser();
        dialogs().message(chooser, batchErrorText(), QStringLiteral("Tallyvane"));
        return nullptr;
    }
    enableChooser();
    dialogs().message(chooser, QStringLiteral("Batch file processing is complete."),
                      QStringLiteral("Complete"));
    return ShowTextFile(lastBatchProcessPath(companyFolder),
                        QStringLiteral("Batch File Processing Results"));
}
