// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/items.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QVector>

// The rows of the item grid: title, SKU, cost, price and stock as texts, under the header
// "Title", "SKU", "Cost", "Price", "In Stock". Rows keep the order they were added in until
// sortByColumn sorts them. A row whose stock is at or below its SKU's minimum shows its
// "In Stock" cell in the warning colour with a trailing "▼".
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
    void setItems(QVector<StoreItem> items);
    // Rows added between beginFill and endFill are shown at endFill, in one reset.
    void beginFill();
    void appendRow(const StoreItem& item);
    void endFill();

    const StoreItem& item(int row) const { return m_rows.at(row); }
    QString cellText(int row, int column) const;

    // Ascending and stable: "Title" and "SKU" as text with letter case taken into account,
    // "Cost", "Price" and "In Stock" by the value of their leading number.
    void sortByColumn(int column);
    // The column of a "Sort By" entry ("Title", "SKU", "Cost", "Price", "In Stock"), or -1.
    static int columnForSortEntry(const QString& entry);
    static QStringList sortEntries();

private:
    QVector<StoreItem> m_rows;
    QHash<QString, StockLevel> m_levels;
    QColor m_warning;
    bool m_filling = false;
};
