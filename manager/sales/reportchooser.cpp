// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/reportchooser.h"

#include "manager/sales/reports.h"
#include "manager/shell/dialogs.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

frmRepChoose::frmRepChoose(const QString& companyFolder, QWidget* parent)
    : QDialog(parent)
    , m_reportsFolder(reportsFolder(companyFolder)) {
    setObjectName(QStringLiteral("frmRepChoose"));
    lstReports = new QListWidget(this);
    lstReports->setObjectName(QStringLiteral("lstReports"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdDel = new QPushButton(QStringLiteral("&Del"), this);
    cmdDel->setObjectName(QStringLiteral("cmdDel"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdDel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstReports);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &frmRepChoose::cmdOK_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmRepChoose::cmdDel_Click);
    connect(lstReports, &QListWidget::itemDoubleClicked, this, &frmRepChoose::cmdOK_Click);
    refreshList();
}

void frmRepChoose::refreshList() {
    lstReports->clear();
    QStringList names = QDir(m_reportsFolder).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    names.erase(std::remove_if(names.begin(), names.end(), isTemporaryStoreFile), names.end());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    lstReports->addItems(names);
}

QString frmRepChoose::selectedName() const {
    const QListWidgetItem* item = lstReports->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void frmRepChoose::cmdOK_Click() {
    guarded(QStringLiteral("cmdOK_Click"), [this] {
        m_chosen = selectedName();
        accept();
    });
}

void frmRepChoose::cmdDel_Click() {
    guarded(QStringLiteral("cmdDel_Click"), [this] {
        const QString name = selectedName();
        if (name.isEmpty())
            return;
        if (dialogs().message(
                this, QStringLiteral("Are you sure you want to delete the selected report?"),
                QStringLiteral("Confirm"), Dialogs::YesNo) != Dialogs::Yes)
            return;
        DeleteFile(m_reportsFolder + name);
        refreshList();
    });
}

void showReportChooser(QWidget* parent, const QString& company, const QString& companyFolder) {
    guarded(QStringLiteral("mnuToolsReports_Click"), [&] {
        if (company.isEmpty())
            return;
        frmRepChoose chooser(companyFolder, parent);
        chooser.setWindowTitle(QStringLiteral("Choose Report"));
        dialogs().showModal(&chooser);
        const QString report =
            chooser.result() == QDialog::Accepted ? chooser.chosenReport() : QString();
        if (report.isEmpty())
            return;
        const QString output = dialogs().saveFile(
            parent, QStringLiteral("Save As"),
            QStringLiteral("Comma Seperated Values (*.csv)|*.csv|All Files (*.*)|*.*"));
        if (output.isEmpty())
            return;
        writeReport(reportsFolder(companyFolder) + report, output);
        dialogs().message(parent, QStringLiteral("Complete."), QStringLiteral("Done"));
    });
}
