// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/companywindow.h"

#include "manager/app/checkcompanycommand.h"
#include "manager/app/companies.h"
#include "manager/app/framewindow.h"
#include "manager/barcodes/barcodewindows.h"
#include "manager/charts/saleschartswindow.h"
#include "manager/interchange/csveditor.h"
#include "manager/interchange/interchangewindows.h"
#include "manager/internet/serverwindow.h"
#include "manager/internet/storefrontwindows.h"
#include "manager/inventory/itemwindow.h"
#include "manager/inventory/lowstockwindow.h"
#include "manager/sales/batchwindow.h"
#include "manager/sales/reportchooser.h"
#include "manager/sales/salecommands.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/optionswindow.h"
#include "manager/shell/windowhost.h"
#include "manager/store/companystore.h"
#include "manager/store/runtimeerror.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <optional>

namespace {

QPointer<frmCompany> g_chooser;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QAction* makeEntry(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

frmCompany::frmCompany(QWidget* parent)
    : QWidget(parent) {
    g_chooser = this;
    setObjectName(QStringLiteral("frmCompany"));
    setWindowTitle(QStringLiteral("Choose Company"));

    auto* label = new QLabel(QStringLiteral("&Company:"), this);
    cboCompanies = new QComboBox(this);
    cboCompanies->setObjectName(QStringLiteral("cboCompanies"));
    cboCompanies->setMinimumWidth(260);
    cboCompanies->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    label->setBuddy(cboCompanies);

    cmdOpen = makeButton(this, "cmdOpen", QStringLiteral("&Open"));
    cmdOpen->setDefault(true);
    cmdInternet = makeButton(this, "cmdInternet", QStringLiteral("Open for &Internet Sales"));
    cmdAddC = makeButton(this, "cmdAddC", QStringLiteral("&New"));
    cmdRemC = makeButton(this, "cmdRemC", QStringLiteral("&Delete"));
    cmdRename = makeButton(this, "cmdRename", QStringLiteral("&Rename"));
    cmdTools = makeButton(this, "cmdTools", QStringLiteral("&Tools"));
    cmdHelp = makeButton(this, "cmdHelp", QStringLiteral("&Help"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setSpacing(8);
    grid->addWidget(label, 0, 0, 1, 3);
    grid->addWidget(cboCompanies, 1, 0, 1, 3);
    grid->addWidget(cmdOpen, 2, 0);
    grid->addWidget(cmdInternet, 2, 1, 1, 2);
    grid->addWidget(cmdAddC, 3, 0);
    grid->addWidget(cmdRemC, 3, 1);
    grid->addWidget(cmdRename, 3, 2);
    grid->addWidget(cmdTools, 4, 0);
    grid->addWidget(cmdHelp, 4, 2);
    grid->setRowStretch(5, 1);

    mnuTools = new QMenu(QStringLiteral("Tools"), this);
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuToolsInventory =
        makeEntry(mnuTools, "mnuToolsInventory", QStringLiteral("&Export Current Inventory"));
    mnuToolsDump = makeEntry(mnuTools, "mnuToolsDump", QStringLiteral("Process &Batch File"));
    mnuToolsReports = makeEntry(mnuTools, "mnuToolsReports", QStringLiteral("&Save Report"));
    mnuToolsStats = makeEntry(mnuTools, "mnuToolsStats", QStringLiteral("S&tatistics"));
    mnuToolsLowStock = makeEntry(mnuTools, "mnuToolsLowStock", QStringLiteral("&Low Stock"));
    connect(makeEntry(mnuTools, "mnuToolsSalesCharts", QStringLiteral("Sales C&harts")),
            &QAction::triggered, this,
            [this] { showSalesCharts(this, cboCompanies->currentText(), CompPath()); });
    mnuToolsCheck = makeEntry(mnuTools, "mnuToolsCheck", QStringLiteral("Chec&k Company"));
    mnuToolsTransferAll = makeEntry(mnuTools, "mnuToolsTransferAll",
                                    QStringLiteral("Transfer &All Items to Storefront"));
    mnuTools->addSeparator();
    mnuToolsImport = makeEntry(mnuTools, "mnuToolsImport", QStringLiteral("I&mport Company"));
    mnuToolsExport = makeEntry(mnuTools, "mnuToolsExport", QStringLiteral("E&xport Company"));
    mnuTools->addSeparator();
    mnuToolsCSV = makeEntry(mnuTools, "mnuToolsCSV", QStringLiteral("CSV E&ditor"));
    mnuToolsUPC = makeEntry(mnuTools, "mnuToolsUPC", QStringLiteral("&UPC Barcode Generator"));
    mnuToolsCode = makeEntry(mnuTools, "mnuToolsCode", QStringLiteral("&Code39 Barcode Generator"));
    mnuTools->addSeparator();
    mnuToolsSTransferSettings = makeEntry(mnuTools, "mnuToolsSTransferSettings",
                                          QStringLiteral("St&orefront Transfer Settings"));
    mnuToolsOptions = makeEntry(mnuTools, "mnuToolsOptions", QStringLiteral("O&ptions"));
    connect(mnuToolsInventory, &QAction::triggered, this,
            [this] { exportCurrentInventory(this, cboCompanies->currentText(), CompPath()); });
    connect(mnuToolsExport, &QAction::triggered, this,
            [this] { exportCompanyFolder(this, companyRoot(), cboCompanies->currentText()); });
    connect(mnuToolsImport, &QAction::triggered, this, [this] {
        QString imported;
        if (!importCompanyFolder(this, companyRoot(), &imported))
            return;
        // The list is read again after every import, refused or not.
        LoadComps();
        const int at =
            cboCompanies->findText(imported, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (!imported.isEmpty() && at >= 0)
            cboCompanies->setCurrentIndex(at);
    });
    connect(mnuToolsCSV, &QAction::triggered, this, [this] { showCsvEditor(this); });
    connect(mnuToolsUPC, &QAction::triggered, this, [] {
        guarded(QStringLiteral("mnuToolsUPC_Click"), [] { showToolWindow(new frmUPC); });
    });
    connect(mnuToolsCode, &QAction::triggered, this, [] {
        guarded(QStringLiteral("mnuToolsCode_Click"), [] { showToolWindow(new frmCode39); });
    });
    connect(mnuToolsTransferAll, &QAction::triggered, this, [this] {
        guarded(QStringLiteral("mnuToolsTransferAll_Click"),
                [this] { showToolWindow(new frmTransferAll(CompPath())); });
    });
    connect(mnuToolsSTransferSettings, &QAction::triggered, this, [this] {
        guarded(QStringLiteral("mnuToolsSTransferSettings_Click"), [this] {
            frmXferOptions settingsWindow(CompPath(), window());
            dialogs().showModal(&settingsWindow);
        });
    });
    connect(mnuToolsDump, &QAction::triggered, this, &frmCompany::mnuToolsDump_Click);
    connect(mnuToolsReports, &QAction::triggered, this, &frmCompany::mnuToolsReports_Click);
    connect(mnuToolsStats, &QAction::triggered, this, &frmCompany::mnuToolsStats_Click);
    connect(mnuToolsLowStock, &QAction::triggered, this, [this] {
        guarded(QStringLiteral("mnuToolsLowStock_Click"),
                [this] { showLowStockWindow(this, CompPath(), cboCompanies->currentText()); });
    });
    connect(mnuToolsCheck, &QAction::triggered, this,
            [this] { checkCompanyCommand(this, cboCompanies->currentText(), CompPath()); });
    connect(mnuToolsOptions, &QAction::triggered, this, &frmCompany::mnuToolsOptions_Click);

    connect(cmdOpen, &QPushButton::clicked, this, &frmCompany::cmdOpen_Click);
    connect(cmdInternet, &QPushButton::clicked, this, &frmCompany::cmdInternet_Click);
    connect(cmdAddC, &QPushButton::clicked, this, &frmCompany::cmdAddC_Click);
    connect(cmdRemC, &QPushButton::clicked, this, &frmCompany::cmdRemC_Click);
    connect(cmdRename, &QPushButton::clicked, this, &frmCompany::cmdRename_Click);
    connect(cmdTools, &QPushButton::clicked, this, &frmCompany::cmdTools_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmCompany::cmdHelp_Click);

    guarded(QStringLiteral("Form_Load"), [this] {
        for (QWidget* control :
             std::initializer_list<QWidget*>{cboCompanies, cmdOpen, cmdInternet, cmdAddC, cmdRemC,
                                             cmdRename, cmdTools, cmdHelp})
            applyControlColor(control);
        paintsGradient(this, 1);
    });
    LoadComps();
    resize(sizeHint().expandedTo(QSize(420, 230)));
}

frmCompany::~frmCompany() = default;

frmCompany* frmCompany::instance() {
    return g_chooser;
}

void frmCompany::LoadComps() {
    guarded(QStringLiteral("LoadComps"), [this] {
        const QString root = companyRoot();
        if (root.isEmpty())
            return;
        const QStringList companies =
            listCompanies(root); // a missing root leaves the box as it was
        const QDate today = QDate::currentDate();
        cboCompanies->clear();
        // A folder whose period files cannot be written (a copied folder without "Reports",
        // lost+found) is still listed, and every company after it too; one message names them.
        QStringList unwritable;
        std::optional<RuntimeError> firstError;
        for (const QString& company : companies) {
            cboCompanies->addItem(company);
            cboCompanies->setCurrentIndex(cboCompanies->count() - 1);
            try {
                writeCompanyInfo(companyFolder(root, company), company, today);
            } catch (const RuntimeError& error) {
                unwritable << company;
                if (!firstError)
                    firstError = error;
            }
        }
        if (firstError)
            throw RuntimeError(firstError->number(), firstError->description() +
                                                         QStringLiteral(": ") +
                                                         unwritable.join(QStringLiteral(", ")));
    });
}

bool frmCompany::companyChosen(const QString& message) {
    if (!cboCompanies->currentText().isEmpty())
        return true;
    dialogs().message(this, message, QStringLiteral("Company"));
    return false;
}

void frmCompany::openCompanyWindow(QWidget* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_companyWindowOpen = true;
    frmFrame::hideChild(this);
    frmFrame::showWindow(window);
}

void frmCompany::cmdOpen_Click() {
    guarded(QStringLiteral("cmdOpen_Click"), [this] {
        if (!companyChosen(QStringLiteral("Please choose a company to open.")))
            return;
        auto* window = new frmMain(CompPath(), cboCompanies->currentText());
        connect(window, &frmMain::closed, this, &frmCompany::showAgain);
        openCompanyWindow(window);
    });
}

void frmCompany::cmdInternet_Click() {
    guarded(QStringLiteral("cmdInternet_Click"), [this] {
        if (!companyChosen(QStringLiteral("Please choose a company to open.")))
            return;
        auto* window = new frmServer(cboCompanies->currentText(), CompPath());
        connect(window, &frmServer::closed, this, &frmCompany::showAgain);
        openCompanyWindow(window);
        window->Form_Load();
    });
}

void frmCompany::showAgain() {
    m_companyWindowOpen = false;
    frmFrame* frame = frmFrame::instance();
    if (frame && frame->isClosing())
        return;
    frmFrame::showWindow(this);
}

void frmCompany::mnuToolsDump_Click() {
    // Batch processing shows its own message for every error.
    processBatchFileCommand(this, cboCompanies->currentText(), CompPath());
}

void frmCompany::mnuToolsReports_Click() {
    guarded(QStringLiteral("mnuToolsReports_Click"),
            [this] { showReportChooser(this, cboCompanies->currentText(), CompPath()); });
}

void frmCompany::mnuToolsStats_Click() {
    guarded(QStringLiteral("mnuToolsStats_Click"),
            [this] { showStatistics(this, cboCompanies->currentText(), CompPath()); });
}

void frmCompany::mnuToolsOptions_Click() {
    guarded(QStringLiteral("mnuToolsOptions_Click"), [this] { frmOptions::showOptions(this); });
}

void frmCompany::cmdAddC_Click() {
    guarded(QStringLiteral("cmdAddC_Click"), [this] {
        const QString name =
            dialogs().input(this, QStringLiteral("Name of new company:"), QStringLiteral("Name"));
        if (name.isEmpty())
            return;
        if (!createCompany(companyRoot(), name)) {
            dialogs().message(this, QStringLiteral("Error. Company not created."),
                              QStringLiteral("Not Created"));
            return;
        }
        dialogs().message(this, QStringLiteral("Company created."), QStringLiteral("Created"));
        LoadComps();
        cboCompanies->setCurrentIndex(
            cboCompanies->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive));
    });
}

void frmCompany::cmdRemC_Click() {
    guarded(QStringLiteral("cmdRemC_Click"), [this] {
        const QString name = dialogs().input(this, QStringLiteral("Name of company to delete:"),
                                             QStringLiteral("Name"), cboCompanies->currentText());
        if (name.isEmpty())
            return;
        const QString question =
            QStringLiteral("Are you sure you want to remove %1 and all items within %1?").arg(name);
        if (dialogs().message(this, question, QStringLiteral("Confirm"), Dialogs::YesNo) !=
            Dialogs::Yes)
            return;
        if (!deleteCompany(companyRoot(), name)) {
            dialogs().message(this, QStringLiteral("Error. Company not deleted."),
                              QStringLiteral("Not Deleted"));
            return;
        }
        dialogs().message(this, QStringLiteral("Company deleted."), QStringLiteral("Deleted"));
        LoadComps();
    });
}

void frmCompany::cmdRename_Click() {
    const QString oldName = cboCompanies->currentText();
    if (oldName.isEmpty())
        return;
    QString newName;
    const bool renamed = guarded(QStringLiteral("cmdRename_Click"), [&] {
        newName = dialogs().input(this, QStringLiteral("Rename company %1 to:").arg(oldName),
                                  QStringLiteral("Rename"));
        if (!newName.isEmpty())
            renameCompany(companyRoot(), oldName, newName);
    });
    // A refused rename changed nothing: the list and its selection stay as they are.
    if (newName.isEmpty() || !renamed)
        return;
    LoadComps();
    cboCompanies->setCurrentIndex(
        cboCompanies->findText(newName, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

void frmCompany::cmdTools_Click() {
    guarded(QStringLiteral("cmdTools_Click"), [this] { mnuTools->popup(QCursor::pos()); });
}

void frmCompany::cmdHelp_Click() {
    guarded(QStringLiteral("cmdHelp_Click"), [] {
        if (frmFrame* frame = frmFrame::instance())
            frame->mnuHelp->popup(QCursor::pos());
    });
}

QString selectedCompany() {
    frmCompany* chooser = frmCompany::instance();
    return chooser ? chooser->cboCompanies->currentText() : QString();
}

QString CompPath() {
    return companyFolder(companyRoot(), selectedCompany());
}
