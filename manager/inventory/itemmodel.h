// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/items.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QVector>

#include <vector>

// The rows of the item grid: title, SKU, cost, price and stock as texts, under the header
// "Title", "SKU", "Cost", "Price", "In Stock". Rows keep the order they were added in until
// sortByColumn sorts them. A row whose stock is at or below its SKU's minimum shows its
// "In Stock" cell in the warning colour with a trailing "▼".
//
// The items are kept in the order of their title lines in the profit center file; the rows show
// them in the order of the last sort, where equal keys keep the order they had (line order in a
// new listing). A row changed or added later goes among its equals by its line.
class ItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, SkuColumn, CostColumn, PriceColumn, StockColumn, ColumnCount };

    explicit ItemModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The levels the rows are checked against, and the warning colour for the grid's
    // background (warningColorOn).
    void setStockLevels(QHash<QString, StockLevel> levels, const QColor& warning);
    static QColor warningColorOn(const QColor& background);
    bool isLow(int row) const;

    void clear();
    // Shows items, given in the order of their lines, in one reset; unsorted until sortByColumn.
    void setItems(QVector<StoreItem> items);

    // Changes made in place of a new listing, each keeping the order of the last sort.
    // The first row of a title from row from on, or -1.
    int rowOfTitle(const QString& title, int from = 0) const;
    void removeItemRow(int row);
    // Adds an item whose title line is now the last of the file.
    void addItem(const StoreItem& item);
    // Shows new texts for a row whose title line stays where it is.
    void changeItem(int row, const StoreItem& item);

    const StoreItem& item(int row) const { return m_items.at(m_order[static_cast<size_t>(row)]); }
    QString cellText(int row, int column) const;

    // Ascending and stable: "Title" and "SKU" as text with letter case taken into account,
    // "Cost", "Price" and "In Stock" by the value of their leading number.
    void sortByColumn(int column);
    // The column of a "Sort By" entry ("Title", "SKU", "Cost", "Price", "In Stock"), or -1.
    static int columnForSortEntry(const QString& entry);
    static QStringList sortEntries();
    // The column the rows are sorted by, or -1 while they are in the order they were given.
    int sortColumn() const { return m_sortColumn; }

private:
    // Whether the item of line a comes before that of line b in the sort order.
    bool before(int a, int b) const;
    // Shows the item of a line in a new row, where the sort order puts it.
    void insertRow(int line);

    QVector<StoreItem> m_items; // in line order; items of removed rows stay
    std::vector<int> m_order;   // the line each row shows
    int m_sortColumn = -1;
    QHash<QString, StockLevel> m_levels;
    QColor m_warning;
};
