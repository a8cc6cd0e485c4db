// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QComboBox;
class QMenu;
class QAction;
class QPushButton;

// The company chooser: lists, creates, renames and deletes companies, opens one, and carries the
// Tools menu. Its company box is the program's notion of the selected company.
class frmCompany : public QWidget {
    Q_OBJECT
public:
    explicit frmCompany(QWidget* parent = nullptr);
    ~frmCompany() override;

    // The chooser that is loaded, or nullptr.
    static frmCompany* instance();

    // Refills the company box from the company folder root; the last listed company is selected.
    void LoadComps();
    // Whether the chooser is hidden because a company window it opened is still open.
    bool companyWindowOpen() const { return m_companyWindowOpen; }

    QComboBox* cboCompanies = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdInternet = nullptr;
    QPushButton* cmdAddC = nullptr;
    QPushButton* cmdRemC = nullptr;
    QPushButton* cmdRename = nullptr;
    QPushButton* cmdTools = nullptr;
    QPushButton* cmdHelp = nullptr;

    QMenu* mnuTools = nullptr;
    QAction* mnuToolsInventory = nullptr;
    QAction* mnuToolsDump = nullptr;
    QAction* mnuToolsReports = nullptr;
    QAction* mnuToolsStats = nullptr;
    QAction* mnuToolsLowStock = nullptr;
    QAction* mnuToolsCheck = nullptr;
    QAction* mnuToolsTransferAll = nullptr;
    QAction* mnuToolsImport = nullptr;
    QAction* mnuToolsExport = nullptr;
    QAction* mnuToolsCSV = nullptr;
    QAction* mnuToolsUPC = nullptr;
    QAction* mnuToolsCode = nullptr;
    QAction* mnuToolsSTransferSettings = nullptr;
    QAction* mnuToolsOptions = nullptr;

public slots:
    void cmdOpen_Click();
    void cmdInternet_Click();
    void cmdAddC_Click();
    void cmdRemC_Click();
    void cmdRename_Click();
    void cmdTools_Click();
    void cmdHelp_Click();
    void mnuToolsDump_Click();
    void mnuToolsReports_Click();
    void mnuToolsStats_Click();
    void mnuToolsOptions_Click();
    // Shows the chooser again after a company window closed.
    void showAgain();

private:
    bool companyChosen(const QString& message);
    // Hides the chooser while a company window is open and shows it again when that closes.
    void openCompanyWindow(QWidget* window);

    bool m_companyWindowOpen = false;
};

// The selected company's folder: the company folder root + the chooser's company name + separator.
QString CompPath();
// The name in the chooser's company box ("" when no chooser is loaded).
QString selectedCompany();
