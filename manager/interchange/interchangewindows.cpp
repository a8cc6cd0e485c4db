// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/interchangewindows.h"

#include "manager/interchange/companytransfer.h"
#include "manager/interchange/itemimport.h"
#include "manager/shell/dialogs.h"
#include "manager/store/runtimeerror.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>

namespace {

// The folder the user picks in "Browse to and Open", or "CANCEL". The company folder root is a
// restricted program folder: a company copied into it or out of it would mix with the companies.
// Choosing it moves the chooser to the program's own folder, where the user picks again.
QString chooseFolder(QWidget* parent, const QString& root) {
    QString start;
    for (;;) {
        const QString folder =
            dialogs().chooseFolder(parent, QStringLiteral("Browse to and Open"), start);
        if (folder.isEmpty())
            return QStringLiteral("CANCEL");
        if (!isRestrictedFolder(folder, root))
            return folder;
        dialogs().message(parent,
                          QStringLiteral("That folder is a restricted program folder. Any changes "
                                         "to anything in that folder can cause serious errors."),
                          QStringLiteral("Restricted"));
        start = QCoreApplication::applicationDirPath();
    }
}

// Disables the window (and shows the busy cursor) while a copy runs, on every way out.
class BusyWindow {
public:
    explicit BusyWindow(QWidget* window)
        : m_window(window) {
        if (m_window)
            m_window->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyWindow() {
        QApplication::restoreOverrideCursor();
        if (m_window)
            m_window->setEnabled(true);
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    QWidget* m_window;
};

// A progress window with Cancel for a copy; it shows itself only when the copy takes a while.
class CopyProgress {
public:
    CopyProgress(QWidget* parent, const QString& label)
        : m_dialog(label, QStringLiteral("&Cancel"), 0, 1, parent ? parent->window() : nullptr) {
        m_dialog.setWindowTitle(QStringLiteral("Tallyvane"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoReset(false);
    }
    TransferProgress callback() {
        return [this](int done, int total) {
            m_dialog.setMaximum(std::max(total, 1));
            m_dialog.setValue(done);
            QCoreApplication::processEvents();
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

void exportCurrentInventory(QWidget* parent, const QString& company, const QString& folder) {
    guarded(QStringLiteral("mnuToolsInventory_Click"), [&] {
        if (company.isEmpty()) {
            dialogs().message(parent,
                              QStringLiteral("Please choose a company to export inventory from."),
                              QStringLiteral("Company"));
            return;
        }
        const QString path = dialogs().saveFile(
            parent, QStringLiteral("Save As"),
            QStringLiteral("Comma Seperated Values (*.csv)|*.csv|All Files (*.*)|*.*"));
        if (path.isEmpty())
            return;
        bool done = false;
        {
            BusyWindow busy(parent);
            CopyProgress progress(parent,
                                  QStringLiteral("Exporting the inventory of %1...").arg(company));
            // The old file stays whole when this fails or is cancelled.
            done = exportInventory(folder, path, progress.callback());
        }
        if (!done)
            return;
        dialogs().message(parent, QStringLiteral("Export Complete."), QStringLiteral("Done"));
    });
}

void exportCompanyFolder(QWidget* parent, const QString& root, const QString& company) {
    guarded(QStringLiteral("mnuToolsExport_Click"), [&] {
        if (company.isEmpty())
            return;
        const QString folder = chooseFolder(parent, root);
        if (folder == QLatin1String("CANCEL"))
            return;
        TransferResult result;
        {
            BusyWindow busy(parent);
            CopyProgress progress(parent, QStringLiteral("Exporting %1...").arg(company));
            result = exportCompany(root, company, folder, progress.callback());
        }
        if (result.cancelled)
            return; // nothing was changed
        if (!result.error.isEmpty()) {
            dialogs().message(parent, result.error, QStringLiteral("Error"), Dialogs::OkOnly,
                              Dialogs::Critical);
            return;
        }
        dialogs().message(parent, QStringLiteral("Company export is complete."),
                          QStringLiteral("Finished"));
    });
}

bool importCompanyFolder(QWidget* parent, const QString& root, QString* imported) {
    bool tried = false;
    imported->clear();
    guarded(QStringLiteral("mnuToolsImport_Click"), [&] {
        const QString folder = chooseFolder(parent, root);
        if (folder == QLatin1String("CANCEL"))
            return;
        tried = true;
        TransferResult result;
        {
            BusyWindow busy(parent);
            CopyProgress progress(parent, QStringLiteral("Importing a company..."));
            result = importCompany(root, folder, progress.callback());
        }
        if (result.cancelled)
            return;
        if (!result.error.isEmpty()) {
            dialogs().message(parent, result.error, QStringLiteral("Error"));
            return;
        }
        const QString path = QDir::fromNativeSeparators(folder);
        *imported = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        dialogs().message(parent, QStringLiteral("Company import is complete."),
                          QStringLiteral("Finished"));
    });
    return tried;
}
