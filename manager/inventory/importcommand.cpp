// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/importcommand.h"

#include "manager/interchange/itemimport.h"
#include "manager/inventory/itemwindow.h"
#include "manager/sales/resultswindow.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/windowhost.h"
#include "manager/store/companystore.h"
#include "manager/store/runtimeerror.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace {

// The "Overwrite" question with Yes and No for this line and two buttons for all the rest.
OverwriteAnswer askOverwrite(QWidget* parent, const QString& title) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Overwrite"), importOverwriteText(title),
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    QPushButton* yesAll = box.addButton(QStringLiteral("Yes to &All"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QMessageBox::No);
    QPushButton* noAll = box.addButton(QStringLiteral("No to A&ll"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    dialogs().showModal(&box);
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == yes)
        return OverwriteAnswer::Yes;
    if (clicked == yesAll)
        return OverwriteAnswer::YesToAll;
    if (clicked == noAll)
        return OverwriteAnswer::NoToAll;
    Q_UNUSED(no);
    return OverwriteAnswer::No;
}

} // namespace

void cmdImportItems_Click(frmMain* window) {
    const QString center = window->cboProfs->currentText();
    if (center.isEmpty()) {
        dialogs().message(window, QStringLiteral("Please choose a profit center."),
                          QStringLiteral("Error"));
        return;
    }
    window->setEnabled(false);
    struct Enable {
        frmMain* w;
        ~Enable() { w->setEnabled(true); }
    } enableAgain{window};
    window->CurrentItem = ItemRecord();
    window->CurrentItem.profitCenter = center;
    dialogs().message(window, importInstructionsText(),
                      QStringLiteral("Important Formatting Information"), Dialogs::OkOnly,
                      Dialogs::Exclamation);
    const QString path =
        dialogs().openFile(window, QStringLiteral("Choose File"),
                           QStringLiteral("Comma Seperated Values Files (*.csv)|*.csv"));
    if (path.isEmpty())
        return;
    const QString question = QStringLiteral("About to import .CSV file ") +
                             QDir::toNativeSeparators(path) +
                             QStringLiteral(" for profit center ") + center +
                             QStringLiteral(". Are you sure you want to continue?");
    if (dialogs().message(window, question, QStringLiteral("Confirm"), Dialogs::YesNo) !=
        Dialogs::Yes)
        return;

    QProgressDialog progress(QStringLiteral("Importing items..."), QStringLiteral("Cancel"), 0, 0,
                             window);
    progress.setWindowTitle(QStringLiteral("Import Items"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    ImportHandlers handlers;
    handlers.taxError = [&](int) { dialogs().message(window, importContinueText(), QString()); };
    handlers.missing = [&](int) {
        dialogs().message(window, importMissingText(), QStringLiteral("Error"));
    };
    handlers.overwrite = [&](const QString& title) { return askOverwrite(window, title); };
    handlers.progress = [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QApplication::processEvents();
        return !progress.wasCanceled();
    };
    ImportSummary summary;
    try {
        summary = importItemFile(window->companyFolder(), center, path, handlers);
    } catch (const RuntimeError&) {
        dialogs().message(window, importCannotContinueText(), QString());
        return;
    }
    if (summary.cancelled)
        return;
    // The items are in; a summary that cannot be kept is told apart, after the outcome.
    const bool saved = saveImportSummary(window->companyFolder(), summary);
    progress.reset();
    dialogs().message(window, QStringLiteral("The import process is complete."),
                      QStringLiteral("Complete"));
    window->ListTitles();
    if (saved) {
        ShowTextFile(logsFolder(window->companyFolder()) + QStringLiteral("LastImport.txt"),
                     QStringLiteral("Import Results"));
        return;
    }
    dialogs().message(window,
                      QStringLiteral("The import summary could not be saved in "
                                     "Logs/LastImport.txt: ") +
                          summary.notSaved,
                      QStringLiteral("Warning"), Dialogs::OkOnly, Dialogs::Exclamation);
    auto* results = new frmResults;
    results->setText(summary.text());
    results->setWindowTitle(QStringLiteral("Import Results"));
    showToolWindow(results);
}
