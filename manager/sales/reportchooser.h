// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// The report chooser: the files of a company's "Reports" folder; "&OK" chooses the selected
// one, "&Del" deletes it after a question. Closing it any other way chooses nothing.
class frmRepChoose : public QDialog {
    Q_OBJECT
public:
    explicit frmRepChoose(const QString& companyFolder, QWidget* parent = nullptr);

    // The file name (without folder) chosen with "&OK"; "" when nothing was chosen.
    QString chosenReport() const { return m_chosen; }
    // Lists the folder's files again (a missing folder lists nothing).
    void refreshList();

    QListWidget* lstReports = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdDel = nullptr;

public slots:
    void cmdOK_Click();
    void cmdDel_Click();

private:
    QString selectedName() const;

    QString m_reportsFolder;
    QString m_chosen;
};

// "&Save Report" of the company chooser: choose a period file, choose where to save it, write
// the report and say "Complete.". Does nothing when no company is selected (company empty).
void showReportChooser(QWidget* parent, const QString& company, const QString& companyFolder);
