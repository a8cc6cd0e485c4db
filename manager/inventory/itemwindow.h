// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/inventory/search.h"
#include "manager/store/items.h"

#include <QPointer>
#include <QRect>
#include <QSet>
#include <QWidget>

#include <memory>
#include <optional>

class ItemModel;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableView;
class TwipsPlacement;
class frmScan;

// The item window: the profit centers of one company and the items of the selected one, with
// the commands that add, rename and remove profit centers and create, edit and remove items.
// Works as a child window of the frame and on its own; emits closed() when it closes.
class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain(const QString& companyFolder, const QString& companyName, QWidget* parent = nullptr);
    ~frmMain() override;

    QString companyFolder() const { return m_companyFolder; }

    // Reads the selected profit center and fills the grid from it through the filter, sorted.
    // No profit center or an unreadable file lists nothing; a stored number that is not a
    // number under a filter stops the listing there (keeping the rows so far, unsorted).
    void ListTitles();
    // Fills the grid again from the items ListTitles read (and the changes made here since),
    // through the filter when it is on: applying or removing a filter reads nothing.
    void ListAgain();
    // Fills the profit-center list from the folder, selects the first name and lists it.
    void LoadProfs(const QString& LibraryPath);
    // Sorts the grid by the entry shown in "Sort By".
    void cboSort_Click();
    // Whether the item passes the filter, and then its row with the numbers in general form. A
    // bound that is not a number is reported for each item, which is then left out.
    std::optional<StoreItem> FilterItem(const ItemFilter& filter, const StoreItem& item,
                                        double FCost, double FPrice, double FInStock);

    // The item handed to the item editor.
    ItemRecord CurrentItem;

    // Filter state, set by the filter window; a listing passes every item through FilterItem
    // while FilterOn is true.
    bool FilterOn = false;
    int Filter = 0;
    int CaseSen = 0;
    QString Num1;
    QString Num2;
    bool Exclude = false;
    QString TextString;

    // The grid row the user last clicked (-1: none) and its title.
    int currentRow() const;
    QString currentTitle() const;
    ItemModel* model() const { return m_model; }

    QLabel* lblProfitCenter = nullptr;
    QComboBox* cboProfs = nullptr;
    QPushButton* cmdAddC = nullptr;
    QPushButton* cmdRemC = nullptr;
    QPushButton* cmdRename = nullptr;
    QPushButton* cmdNewItem = nullptr;
    QPushButton* cmdEditItem = nullptr;
    QPushButton* cmdRemoveItem = nullptr;
    QPushButton* cmdImportItems = nullptr;
    QPushButton* cmdFilter = nullptr;
    QLabel* lblSKU = nullptr;
    QLabel* lblStatus = nullptr; // the status line: what the last sale left low
    QComboBox* cboSort = nullptr;
    QPushButton* cmdMakeSale = nullptr;
    QPushButton* cmdSearch = nullptr;
    QTableView* lstTitles = nullptr;

    QMenuBar* menuBar = nullptr;
    QMenu* mnuAction = nullptr;
    QAction* mnuActionApplyFilter = nullptr;
    QAction* mnuActionNewItem = nullptr;
    QAction* mnuActionEditItem = nullptr;
    QAction* mnuActionRemoveItem = nullptr;
    QAction* mnuActionImportItems = nullptr;
    QAction* mnuActionScanItems = nullptr;
    QAction* mnuActionLowStock = nullptr;
    QAction* mnuActionLabels = nullptr;

    // The placement of the window in twips as stored under "Settings".
    void restorePlacement();
    void storePlacement();

signals:
    void closed();

public slots:
    void cmdAddC_Click();
    void cmdRemC_Click();
    void cmdRename_Click();
    void cmdNewItem_Click();
    void cmdEditItem_Click();
    void cmdRemoveItem_Click();
    void cmdMakeSale_Click();
    // "Apply &Filter" opens the filter window; "Remove &Filter" lists every item again.
    void cmdFilter_Click();
    // Walks every profit center for titles and SKUs equal to a text, asking at each hit.
    void cmdSearch_Click();
    // Shows the scan window of this company, which lists again after each scan.
    void mnuActionScanItems_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The grid rows of items, in line order; complete is false when a stored number that is
    // not a number stopped the filter.
    struct Listing {
        QVector<StoreItem> rows;
        bool complete = true;
    };
    Listing listingOf(const QVector<StoreItem>& items);
    // Shows a listing, sorted as chosen when complete, with no item current.
    void showListing(Listing listing);
    // The filter as set now.
    ItemFilter currentFilter() const;
    // The row an item shows: false when the filter cannot read one of its numbers.
    bool shownRow(const ItemFilter& filter, const StoreItem& item, std::optional<StoreItem>* row);
    // After a save, a sale or a Cancel nothing is current until the user clicks a row.
    void clearCurrent();
    // The grid after the editor saved: the old title's row goes, the saved title's row shows
    // its records and every row of its SKU the same values.
    void showSaved(const std::optional<ItemIdentity>& before, const ItemIdentity& saved);
    // The grid after the stock of a SKU changed here.
    void showStock(const QString& sku);
    // Shows items of the listed profit center whose records changed (m_items holds them
    // already). The rows of movedTitles go first: those whose title line is now the last of the
    // file come back among items. What only a new listing can show is listed again from m_items.
    void showChanged(const QVector<StoreItem>& items, const QSet<QString>& movedTitles);
    // Selects a profit center in the list without listing it.
    void selectProfitCenter(int index);

    void buildControls();
    void buildMenu();
    void Form_Resize();
    // Fills the profit-center list, selects select (or the first name) and lists it once.
    void fillProfs(const QString& folder, const QString& select);
    void openEditor();
    // The window whose placement is stored: the child-window frame inside the frame, else this.
    QWidget* placementWindow();

    QString m_companyFolder;
    ItemModel* m_model = nullptr;
    // The items of the listed profit center as stored, in line order: filters work on these.
    QVector<StoreItem> m_items;
    bool m_profListedByChange = false;
    QPointer<frmScan> m_scan;
    bool m_placed = false;
    std::unique_ptr<TwipsPlacement> m_placement;
};
