// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/itemwindow.h"

#include "manager/barcodes/labelwindow.h"
#include "manager/charts/saleschartswindow.h"
#include "manager/inventory/importcommand.h"

#include "manager/sales/salecommands.h"
#include "manager/sales/scanwindow.h"

#include "manager/inventory/filterwindow.h"
#include "manager/inventory/itemeditor.h"
#include "manager/inventory/itemmodel.h"
#include "manager/inventory/lowstockwindow.h"
#include "manager/inventory/search.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/placement.h"
#include "manager/shell/twips.h"
#include "manager/shell/windowhost.h"
#include "manager/store/companystore.h"
#include "manager/store/numbertext.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
const QString kApplyFilter = QStringLiteral("Apply &Filter");
// The most rows a sale or a save changes in place; more are listed again from memory.
constexpr qsizetype kRowsChangedInPlace = 16;

int pixelsX(double twips) {
    return static_cast<int>(std::lround(twips / twipsPerPixelX()));
}
int pixelsY(double twips) {
    return static_cast<int>(std::lround(twips / twipsPerPixelY()));
}

// Places a control given in twips, below the menu bar.
void place(QWidget* control, double left, double top, double width, double height, int menuHeight) {
    control->setGeometry(pixelsX(left), pixelsY(top) + menuHeight, std::max(0, pixelsX(width)),
                         std::max(0, pixelsY(height)));
}

// The classic twips width leaves today's fonts no room: the width that shows the longest caption
// in the row of five commands and a whole 12-digit SKU in its column.
int contentWidth(const frmMain& window) {
    int caption = 0;
    for (const QPushButton* command : {window.cmdNewItem, window.cmdEditItem, window.cmdRemoveItem,
                                       window.cmdImportItems, window.cmdFilter})
        caption = std::max(caption, command->sizeHint().width());
    const int sku =
        window.lstTitles->fontMetrics().horizontalAdvance(QStringLiteral("000000000000")) + 16;
    return std::max({pixelsX(6615), 5 * caption + pixelsX(600), 6 * sku + pixelsX(200)});
}
} // namespace

frmMain::frmMain(const QString& companyFolder, const QString& companyName, QWidget* parent)
    : QWidget(parent)
    , m_companyFolder(companyFolder) {
    setObjectName(QStringLiteral("frmMain"));
    buildControls();
    buildMenu();
    // Form load: caption, colours, background, then the profit centers sorted by title.
    setWindowTitle(companyName);
    applyControlColor(lblProfitCenter);
    applyControlColor(lblSKU);
    applyControlColor(lstTitles);
    applyControlColor(lblStatus);
    paintsGradient(this, 0);
    resize(contentWidth(*this), pixelsY(7500));
    Form_Resize();
    cboSort->blockSignals(true);
    cboSort->setCurrentIndex(0);
    cboSort->blockSignals(false);
    LoadProfs(m_companyFolder);
}

frmMain::~frmMain() {
    delete m_scan.data();
}

void frmMain::buildControls() {
    auto button = [this](QPushButton*& member, const char* name, const QString& caption) {
        member = new QPushButton(caption, this);
        member->setObjectName(QLatin1String(name));
    };
    lblProfitCenter = new QLabel(QStringLiteral("&Profit Center:"), this);
    lblProfitCenter->setObjectName(QStringLiteral("lblProfitCenter"));
    cboProfs = new QComboBox(this);
    cboProfs->setObjectName(QStringLiteral("cboProfs"));
    lblProfitCenter->setBuddy(cboProfs);
    button(cmdAddC, "cmdAddC", QStringLiteral("&Add"));
    button(cmdRemC, "cmdRemC", QStringLiteral("Rem&ove"));
    button(cmdRename, "cmdRename", QStringLiteral("&Rename"));
    button(cmdNewItem, "cmdNewItem", QStringLiteral("&New Item"));
    button(cmdEditItem, "cmdEditItem", QStringLiteral("&Edit Item"));
    button(cmdRemoveItem, "cmdRemoveItem", QStringLiteral("Remove I&tem"));
    button(cmdImportItems, "cmdImportItems", QStringLiteral("&Import Items"));
    button(cmdFilter, "cmdFilter", kApplyFilter);
    lblSKU = new QLabel(QStringLiteral("Sort &By"), this);
    lblSKU->setObjectName(QStringLiteral("lblSKU"));
    cboSort = new QComboBox(this);
    cboSort->setObjectName(QStringLiteral("cboSort"));
    cboSort->addItems(ItemModel::sortEntries());
    lblSKU->setBuddy(cboSort);
    button(cmdMakeSale, "cmdMakeSale", QStringLiteral("&Make a Sale"));
    button(cmdSearch, "cmdSearch", QStringLiteral("&Search"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    m_model = new ItemModel(this);
    lstTitles = new QTableView(this);
    lstTitles->setObjectName(QStringLiteral("lstTitles"));
    lstTitles->setModel(m_model);
    // A new listing leaves no item current until the user clicks one: without this the grid
    // would make its first row current on getting the focus back.
    connect(m_model, &QAbstractItemModel::modelReset, lstTitles,
            [this] { lstTitles->setCurrentIndex(QModelIndex()); });
    lstTitles->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The current column is always "Title" between operations, whatever cell a click or a key
    // made current, so the current cell's text is the current item's title.
    connect(lstTitles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.column() != 0)
                    lstTitles->setCurrentIndex(m_model->index(current.row(), 0));
            });
    lstTitles->setSelectionMode(QAbstractItemView::SingleSelection);
    lstTitles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTitles->setWordWrap(false);
    lstTitles->verticalHeader()->hide();
    // Fixed row heights keep a grid of 100,000 rows as quick as one of ten.
    lstTitles->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstTitles->verticalHeader()->setDefaultSectionSize(lstTitles->fontMetrics().height() + 6);
    lstTitles->horizontalHeader()->setSectionsClickable(false);
    lstTitles->horizontalHeader()->setHighlightSections(false);

    connect(cmdImportItems, &QPushButton::clicked, this, [this] { cmdImportItems_Click(this); });

    // Selecting a name lists it, also the name already selected. A new choice emits
    // currentIndexChanged and then activated at once; the second must not list again.
    connect(cboProfs, &QComboBox::currentIndexChanged, this, [this] {
        ListTitles();
        m_profListedByChange = true;
        QTimer::singleShot(0, this, [this] { m_profListedByChange = false; });
    });
    connect(cboProfs, &QComboBox::activated, this, [this] {
        if (!m_profListedByChange)
            ListTitles();
        m_profListedByChange = false;
    });
    cboProfs->installEventFilter(this);
    connect(cboSort, &QComboBox::currentIndexChanged, this, [this] { cboSort_Click(); });
    connect(cmdAddC, &QPushButton::clicked, this, &frmMain::cmdAddC_Click);
    connect(cmdRemC, &QPushButton::clicked, this, &frmMain::cmdRemC_Click);
    connect(cmdRename, &QPushButton::clicked, this, &frmMain::cmdRename_Click);
    connect(cmdNewItem, &QPushButton::clicked, this, &frmMain::cmdNewItem_Click);
    connect(cmdEditItem, &QPushButton::clicked, this, &frmMain::cmdEditItem_Click);
    connect(cmdRemoveItem, &QPushButton::clicked, this, &frmMain::cmdRemoveItem_Click);
    connect(lstTitles, &QTableView::doubleClicked, this, &frmMain::cmdEditItem_Click);
    connect(cmdMakeSale, &QPushButton::clicked, this, &frmMain::cmdMakeSale_Click);
    connect(cmdFilter, &QPushButton::clicked, this, &frmMain::cmdFilter_Click);
    connect(cmdSearch, &QPushButton::clicked, this, &frmMain::cmdSearch_Click);
}

void frmMain::buildMenu() {
    menuBar = new QMenuBar(this);
    menuBar->setNativeMenuBar(false);
    mnuAction = menuBar->addMenu(QStringLiteral("A&ction"));
    mnuAction->setObjectName(QStringLiteral("mnuAction"));
    auto entry = [this](QAction*& member, const char* name, const QString& caption) {
        member = mnuAction->addAction(caption);
        member->setObjectName(QLatin1String(name));
    };
    entry(mnuActionApplyFilter, "mnuActionApplyFilter", kApplyFilter);
    entry(mnuActionNewItem, "mnuActionNewItem", QStringLiteral("&New Item"));
    entry(mnuActionEditItem, "mnuActionEditItem", QStringLiteral("&Edit Item"));
    entry(mnuActionRemoveItem, "mnuActionRemoveItem", QStringLiteral("Remove I&tem"));
    entry(mnuActionImportItems, "mnuActionImportItems", QStringLiteral("&Import Items"));
    entry(mnuActionScanItems, "mnuActionScanItems", QStringLiteral("&Scan Items"));
    entry(mnuActionLowStock, "mnuActionLowStock", QStringLiteral("&Low Stock"));
    connect(mnuActionLowStock, &QAction::triggered, this,
            [this] { showLowStockWindow(this, m_companyFolder, windowTitle()); });
    entry(mnuActionLabels, "mnuActionLabels", QStringLiteral("Print La&bels"));
    connect(mnuActionLabels, &QAction::triggered, this,
            [this] { showToolWindow(labelsWindow(m_companyFolder, cboProfs->currentText())); });
    connect(mnuAction->addAction(QStringLiteral("Sales C&harts")), &QAction::triggered, this,
            [this] { showSalesCharts(this, QDir(m_companyFolder).dirName(), m_companyFolder); });
    connect(mnuActionImportItems, &QAction::triggered, this,
            [this] { cmdImportItems_Click(this); });
    connect(mnuActionApplyFilter, &QAction::triggered, this, &frmMain::cmdFilter_Click);
    connect(mnuActionScanItems, &QAction::triggered, this, &frmMain::mnuActionScanItems_Click);
    connect(mnuActionNewItem, &QAction::triggered, this, &frmMain::cmdNewItem_Click);
    connect(mnuActionEditItem, &QAction::triggered, this, &frmMain::cmdEditItem_Click);
    connect(mnuActionRemoveItem, &QAction::triggered, this, &frmMain::cmdRemoveItem_Click);
}

void frmMain::ListTitles() {
    // The old listing goes first: the new one is then read into the memory it leaves, which
    // makes freeing it and reading cheaper than freeing it afterwards.
    m_items.clear();
    m_model->clear();
    const QString profitCenter = cboProfs->currentText();
    m_model->setStockLevels(ItemRecords::stockLevels(m_companyFolder),
                            ItemModel::warningColorOn(lstTitles->palette().color(QPalette::Base)));
    // No profit center or a missing or unreadable file: nothing is listed.
    QVector<StoreItem> items;
    if (isStoreName(profitCenter) &&
        QFileInfo(profitCenterPath(m_companyFolder, profitCenter)).isFile()) {
        try {
            items = readItems(m_companyFolder, profitCenter);
        } catch (...) {
            items.clear();
        }
    }
    m_items = std::move(items);
    ListAgain();
}

void frmMain::ListAgain() {
    showListing(listingOf(m_items));
}

frmMain::Listing frmMain::listingOf(const QVector<StoreItem>& items) {
    Listing listing;
    if (!FilterOn) {
        listing.rows = items;
        return listing;
    }
    const ItemFilter filter = currentFilter();
    for (const StoreItem& item : items) {
        std::optional<StoreItem> row;
        if (!shownRow(filter, item, &row)) {
            listing.complete = false;
            break;
        }
        if (row) {
            listing.rows.push_back(std::move(*row));
        }
    }
    return listing;
}

ItemFilter frmMain::currentFilter() const {
    return ItemFilter({Filter, CaseSen, Num1, Num2, Exclude, TextString});
}

bool frmMain::shownRow(const ItemFilter& filter, const StoreItem& item,
                       std::optional<StoreItem>* row) {
    if (!FilterOn) {
        *row = item;
        return true;
    }
    double cost = 0, price = 0, stock = 0;
    if (!storedNumber(item.cost, &cost) || !storedNumber(item.price, &price) ||
        !storedNumber(item.stock, &stock))
        return false;
    *row = FilterItem(filter, item, cost, price, stock);
    return true;
}

void frmMain::showListing(Listing listing) {
    const bool complete = listing.complete;
    m_model->setItems(std::move(listing.rows));
    clearCurrent();
    if (complete)
        cboSort_Click();
}

void frmMain::clearCurrent() {
    if (QItemSelectionModel* selection = lstTitles->selectionModel())
        selection->clear();
    // Set explicitly, so that the grid does not make its first row current on getting the
    // focus back.
    lstTitles->setCurrentIndex(QModelIndex());
}

std::optional<StoreItem> frmMain::FilterItem(const ItemFilter& filter, const StoreItem& item,
                                             double FCost, double FPrice, double FInStock) {
    bool passes = false;
    if (!guarded(QStringLiteral("FilterItem"),
                 [&] { passes = filter.passes(item.title, item.sku, FCost, FPrice, FInStock); }) ||
        !passes)
        return std::nullopt;
    return StoreItem{
        item.title, item.sku, generalNumber(FCost), generalNumber(FPrice), generalNumber(FInStock),
        item.tax};
}

void frmMain::showChanged(const QVector<StoreItem>& items, const QSet<QString>& movedTitles) {
    // A listing the filter stopped is unsorted: only a new one shows the change. Each changed
    // row is found by a look through the rows, so for a SKU shared by many titles one new
    // listing from memory is quicker.
    if ((FilterOn && m_model->sortColumn() < 0) || items.size() > kRowsChangedInPlace)
        return ListAgain();
    for (const QString& title : movedTitles)
        for (int row = m_model->rowOfTitle(title); row >= 0; row = m_model->rowOfTitle(title))
            m_model->removeItemRow(row);
    const ItemFilter filter = currentFilter();
    for (const StoreItem& item : items) {
        std::optional<StoreItem> shown;
        if (!shownRow(filter, item, &shown))
            return ListAgain();
        if (movedTitles.contains(item.title)) {
            if (shown)
                m_model->addItem(*shown);
            continue;
        }
        const int row = m_model->rowOfTitle(item.title);
        const bool repeated = row >= 0 && m_model->rowOfTitle(item.title, row + 1) >= 0;
        // A title the filter left out that now passes needs its place among the lines.
        if (repeated || (row < 0 && shown))
            return ListAgain();
        if (row >= 0 && shown)
            m_model->changeItem(row, *shown);
        else if (row >= 0)
            m_model->removeItemRow(row);
    }
}

void frmMain::showSaved(const std::optional<ItemIdentity>& before, const ItemIdentity& saved) {
    m_model->setStockLevels(ItemRecords::stockLevels(m_companyFolder),
                            ItemModel::warningColorOn(lstTitles->palette().color(QPalette::Base)));
    const QString listed = cboProfs->currentText();
    if (saved.profitCenter != listed) {
        // The grid follows the item to its profit center.
        selectProfitCenter(
            cboProfs->findText(saved.profitCenter, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        return ListTitles();
    }
    // The save wrote the title's line again, at the end of the file, and removed the old one.
    QSet<QString> moved{saved.title};
    if (before && before->profitCenter == listed)
        moved.insert(before->title);
    m_items.removeIf([&](const StoreItem& item) { return moved.contains(item.title); });
    const StoreItem item = ItemRecords(m_companyFolder).item(saved.title, saved.sku);
    // Titles sharing the SKU show its new records too.
    QVector<StoreItem> changed{item};
    for (StoreItem& other : m_items)
        if (other.sku == item.sku) {
            other = {other.title, other.sku, item.cost, item.price, item.stock, item.tax};
            changed.push_back(other);
        }
    m_items.push_back(item);
    showChanged(changed, moved);
}

void frmMain::showStock(const QString& sku) {
    const QString stock = GetINIString(ItemRecords::Inventory, sku, ItemRecords::ZeroStock,
                                       invCountPath(m_companyFolder));
    QVector<StoreItem> changed;
    for (StoreItem& item : m_items)
        if (item.sku == sku) {
            item.stock = stock;
            changed.push_back(item);
        }
    showChanged(changed, {});
}

void frmMain::selectProfitCenter(int index) {
    if (index < 0)
        return;
    cboProfs->blockSignals(true);
    cboProfs->setCurrentIndex(index);
    cboProfs->blockSignals(false);
}

void frmMain::cboSort_Click() {
    const int column = ItemModel::columnForSortEntry(cboSort->currentText());
    if (column < 0)
        return;
    m_model->sortByColumn(column);
}

void frmMain::LoadProfs(const QString& LibraryPath) {
    fillProfs(LibraryPath, QString());
}

void frmMain::fillProfs(const QString& folder, const QString& select) {
    guarded(QStringLiteral("LoadProfs"), [&] {
        const QStringList names = listProfitCenters(folder);
        cboProfs->blockSignals(true);
        cboProfs->clear();
        cboProfs->addItems(names);
        const int wanted = static_cast<int>(names.indexOf(select));
        cboProfs->setCurrentIndex(wanted >= 0 ? wanted : (names.isEmpty() ? -1 : 0));
        cboProfs->blockSignals(false);
        ListTitles();
    });
}

int frmMain::currentRow() const {
    const QModelIndex current = lstTitles->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString frmMain::currentTitle() const {
    return m_model->cellText(currentRow(), 0);
}

void frmMain::cmdAddC_Click() {
    guarded(QStringLiteral("cmdAddC_Click"), [&] {
        const QString name = dialogs().input(this, QStringLiteral("Name of new profit center:"),
                                             QStringLiteral("Name"), QString());
        if (name.isEmpty())
            return;
        if (addProfitCenter(m_companyFolder, name)) {
            dialogs().message(this, QStringLiteral("Profit center added."),
                              QStringLiteral("Added"));
            fillProfs(m_companyFolder, name);
        } else {
            dialogs().message(this, QStringLiteral("Error. Profit center not added."),
                              QStringLiteral("Not Added"));
        }
    });
}

void frmMain::cmdRemC_Click() {
    guarded(QStringLiteral("cmdRemC_Click"), [&] {
        const QString name =
            dialogs().input(this, QStringLiteral("Name of profit center to remove:"),
                            QStringLiteral("Name"), cboProfs->currentText());
        if (name.isEmpty())
            return;
        const QString question = QStringLiteral("Are you sure you want to remove ") + name +
                                 QStringLiteral(" and all items associated with ") + name +
                                 QStringLiteral("?");
        if (dialogs().message(this, question, QStringLiteral("Confirm"), Dialogs::YesNo) !=
            Dialogs::Yes)
            return;
        if (removeProfitCenter(m_companyFolder, name)) {
            dialogs().message(this, QStringLiteral("Profit center removed."),
                              QStringLiteral("Removed"));
            LoadProfs(m_companyFolder);
        } else {
            dialogs().message(this, QStringLiteral("Error. Profit center not removed."),
                              QStringLiteral("Not Removed"));
        }
    });
}

void frmMain::cmdRename_Click() {
    guarded(QStringLiteral("cmdRename_Click"), [&] {
        const QString oldName = cboProfs->currentText();
        if (oldName.isEmpty())
            return;
        const QString newName = dialogs().input(
            this, QStringLiteral("Rename profit center ") + oldName + QStringLiteral(" to:"),
            QStringLiteral("Rename"), QString());
        if (newName.isEmpty())
            return;
        renameProfitCenter(m_companyFolder, oldName, newName);
        fillProfs(m_companyFolder, newName);
    });
}

void frmMain::cmdNewItem_Click() {
    guarded(QStringLiteral("cmdNewItem_Click"), [&] {
        const QString profitCenter = cboProfs->currentText();
        if (profitCenter.isEmpty()) {
            dialogs().message(this, QStringLiteral("Please choose a profit center."),
                              QStringLiteral("Error"));
            return;
        }
        CurrentItem = ItemRecord();
        CurrentItem.profitCenter = profitCenter;
        openEditor();
    });
}

void frmMain::cmdEditItem_Click() {
    guarded(QStringLiteral("cmdEditItem_Click"), [&] {
        const QString title = currentTitle();
        if (title.isEmpty())
            return;
        CurrentItem = readItemForEdit(m_companyFolder, cboProfs->currentText(), title);
        openEditor();
    });
}

void frmMain::openEditor() {
    std::optional<ItemIdentity> before;
    if (CurrentItem.editing)
        before = ItemIdentity{CurrentItem.profitCenter, CurrentItem.title, CurrentItem.sku};
    // A side trip (barcode, storefront) hides the editor, which ends its modal showing, and
    // shows it again as a window of its own: then it lives on until Save, Cancel or its close box.
    auto* editor = new frmAddEdit(m_companyFolder, CurrentItem, this);
    connect(editor, &frmAddEdit::saved, this, [this, editor, before](const QString& profitCenter) {
        showSaved(before, {profitCenter, editor->txtTitle->text(), editor->txtSKU->text()});
        clearCurrent();
    });
    dialogs().showModal(editor);
    clearCurrent();
    if (editor->isVisible())
        connect(editor, &QDialog::finished, editor, &QObject::deleteLater);
    else
        delete editor;
}

void frmMain::cmdMakeSale_Click() {
    guarded(QStringLiteral("cmdMakeSale_Click"), [&] {
        const QModelIndex current = lstTitles->currentIndex();
        if (!current.isValid())
            return; // nothing is current after a listing
        const QString cellText = m_model->cellText(current.row(), current.column());
        if (cellText.isEmpty())
            return;
        const QString sku = m_model->cellText(current.row(), 1);
        QString lowStock;
        if (makeSaleDialog(this, m_companyFolder, sku, cellText, &lowStock)) {
            showStock(sku);
            clearCurrent();
        }
        lblStatus->setText(lowStock);
    });
}

void frmMain::cmdFilter_Click() {
    guarded(QStringLiteral("cmdFilter_Click"), [&] {
        if (cmdFilter->text() == kApplyFilter) {
            frmFilter filter(this, this);
            dialogs().showModal(&filter);
            return;
        }
        FilterOn = false;
        ListAgain();
        cmdFilter->setText(kApplyFilter);
        mnuActionApplyFilter->setText(kApplyFilter);
    });
}

void frmMain::cmdSearch_Click() {
    guarded(QStringLiteral("cmdSearch_Click"), [&] {
        const QString key =
            searchKey(dialogs().input(this, QStringLiteral("Item title or SKU to search for:"),
                                      QStringLiteral("Search"), QString()));
        if (key.isEmpty())
            return;
        // A long search shows its progress, one step a profit center, and may be cancelled.
        QProgressDialog progress(QStringLiteral("Searching..."), QStringLiteral("Cancel"), 0,
                                 cboProfs->count(), this);
        progress.setWindowTitle(QStringLiteral("Search"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        // false when the user stops at this hit. The progress steps aside while the question is
        // open (its pending showing too), so that nothing covers the question.
        auto keepGoing = [this, &progress](const QString& title, const QString& profitCenter) {
            progress.reset();
            return dialogs().message(this, foundItemText(title, profitCenter),
                                     QStringLiteral("Found One"), Dialogs::YesNo) == Dialogs::Yes;
        };
        // Every profit center is read once, the price and stock records once for all. Only one
        // with a hit is shown in the grid, its hits made current one by one in the grid's order;
        // the last one is shown at the end.
        QStringList names;
        for (int index = 0; index < cboProfs->count(); ++index)
            names << cboProfs->itemText(index);
        QVector<StoreItem> items;
        bool finished = names.isEmpty();
        forEachItem(
            m_companyFolder, names, [&](const StoreItem& item) { items.push_back(item); },
            [&](int done) {
                const int index = done - 1;
                Listing listing = listingOf(items); // through the filter, when one is on
                const auto hit = [&](const StoreItem& row) {
                    return searchMatches(row.title, key) || searchMatches(row.sku, key);
                };
                const bool hits = std::any_of(listing.rows.cbegin(), listing.rows.cend(), hit);
                if (hits || done == names.size()) {
                    selectProfitCenter(index);
                    m_items = std::move(items);
                    showListing(std::move(listing));
                }
                items.clear();
                for (int row = 0; hits && row < m_model->rowCount(); ++row) {
                    const QString title = m_model->cellText(row, 0);
                    const bool titleHit = searchMatches(title, key);
                    // The row holds the SKU its title's record gives.
                    const bool skuHit = searchMatches(m_model->cellText(row, 1), key);
                    if (!titleHit && !skuHit)
                        continue;
                    lstTitles->setCurrentIndex(m_model->index(row, 0));
                    if ((titleHit && !keepGoing(title, names.at(index))) ||
                        (skuHit && !keepGoing(title, names.at(index))))
                        return false;
                }
                progress.setValue(done);
                finished = done == names.size();
                return !progress.wasCanceled();
            });
        if (!finished)
            return;
        progress.reset();
        dialogs().message(this, QStringLiteral("Finished searching through the database."),
                          QStringLiteral("Finished"));
    });
}

void frmMain::mnuActionScanItems_Click() {
    guarded(QStringLiteral("mnuActionScanItems_Click"), [&] {
        if (!m_scan) {
            m_scan = new frmScan(m_companyFolder);
            connect(m_scan, &frmScan::processed, this, [this](const QString& sku) {
                guarded(QStringLiteral("frmScan_processed"), [&] { showStock(sku); });
            });
        }
        showToolWindow(m_scan);
        m_scan->txtSKU->setFocus();
    });
}

void frmMain::cmdRemoveItem_Click() {
    guarded(QStringLiteral("cmdRemoveItem_Click"), [&] {
        const int row = currentRow();
        const QString title = currentTitle();
        if (title.isEmpty())
            return;
        const QString profitCenter = cboProfs->currentText();
        const QString question = QStringLiteral("Are you sure you want to delete ") + title +
                                 QStringLiteral(" from the ") + profitCenter +
                                 QStringLiteral(" profit center?");
        if (dialogs().message(this, question, QStringLiteral("Confirm Delete"), Dialogs::YesNo) !=
            Dialogs::Yes)
            return;
        removeItem(m_companyFolder, profitCenter, title, m_model->cellText(row, 1));
        dialogs().message(this, title + QStringLiteral(" has been deleted."),
                          QStringLiteral("Deleted"));
        // The title's line is gone; records of its SKU left are unchanged.
        m_items.removeIf([&](const StoreItem& item) { return item.title == title; });
        showChanged({}, {title});
        clearCurrent();
    });
}

QWidget* frmMain::placementWindow() {
    if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return child;
    return this;
}

void frmMain::restorePlacement() {
    const QWidget* window = placementWindow();
    const QMargins border = window == this ? QMargins() : window->contentsMargins();
    const QString defaults[4] = {
        QStringLiteral("300"), QStringLiteral("300"),
        generalNumber((contentWidth(*this) + border.left() + border.right()) * twipsPerPixelX()),
        QStringLiteral("7500")};
    m_placement = std::make_unique<TwipsPlacement>(settings::ItemWindowPlacement, defaults);
    m_placement->restore(placementWindow());
}

void frmMain::storePlacement() {
    if (m_placement)
        m_placement->store(placementWindow());
}

void frmMain::Form_Resize() {
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, width(), menuHeight);
    const double w = width() * twipsPerPixelX();
    const double h = (height() - menuHeight) * twipsPerPixelY();

    // Top row: the list, then "&Add", "Rem&ove" and "&Rename" up to 100 from the right border.
    const double buttonWidth = 1000, gap = 60;
    const double renameLeft = w - 100 - buttonWidth;
    const double removeLeft = renameLeft - gap - buttonWidth;
    const double addLeft = removeLeft - gap - buttonWidth;
    place(lblProfitCenter, 100, 60, 1600, 255, menuHeight);
    place(cboProfs, 100, 360, addLeft - 300, 315, menuHeight);
    place(cmdAddC, addLeft, 330, buttonWidth, 375, menuHeight);
    place(cmdRemC, removeLeft, 330, buttonWidth, 375, menuHeight);
    place(cmdRename, renameLeft, 330, buttonWidth, 375, menuHeight);

    // Five item commands share one row.
    const double fifth = (w - 600) / 5;
    QPushButton* const row[] = {cmdNewItem, cmdEditItem, cmdRemoveItem, cmdImportItems, cmdFilter};
    for (int i = 0; i < 5; ++i)
        place(row[i], 100 + i * (fifth + 100), 810, fifth, 375, menuHeight);

    place(lblSKU, 100, 1350, 700, 255, menuHeight);
    place(cboSort, 850, 1290, 1500, 315, menuHeight);
    place(cmdMakeSale, 2450, 1260, 1500, 375, menuHeight);
    place(cmdSearch, 4050, 1260, 1200, 375, menuHeight);

    // The grid fills the rest, 100 from the sides and the bottom.
    const double gridTop = 1740;
    const double gridWidth = w - 200;
    place(lstTitles, 100, gridTop, gridWidth, h - gridTop - 400, menuHeight);
    place(lblStatus, 100, h - 355, gridWidth, 255, menuHeight);
    const int titleWidth = std::max(0, pixelsX(gridWidth * 2 / 6 - 125));
    const int otherWidth = std::max(0, pixelsX(gridWidth / 6));
    lstTitles->setColumnWidth(0, titleWidth);
    for (int column = 1; column < ItemModel::ColumnCount; ++column)
        lstTitles->setColumnWidth(column, otherWidth);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    // The frame's child window exists once shown; the placement applies to it.
    QMetaObject::invokeMethod(
        this, [this] { restorePlacement(); }, Qt::QueuedConnection);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The scan window works on this window's company and list.
    if (m_scan)
        m_scan->close();
    storePlacement();
    event->accept();
    emit closed();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    // Releasing any key in the profit-center list lists again.
    if (watched == cboProfs && event->type() == QEvent::KeyRelease)
        ListTitles();
    return QWidget::eventFilter(watched, event);
}
