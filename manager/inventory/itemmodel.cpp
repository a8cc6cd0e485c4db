// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/itemmodel.h"

#include "manager/store/numbertext.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {
const QString& field(const StoreItem& item, int column) {
    switch (column) {
    case ItemModel::TitleColumn:
        return item.title;
    case ItemModel::SkuColumn:
        return item.sku;
    case ItemModel::CostColumn:
        return item.cost;
    case ItemModel::PriceColumn:
        return item.price;
    default:
        return item.stock;
    }
}
} // namespace

ItemModel::ItemModel(QObject* parent)
    : QAbstractTableModel(parent) {}

int ItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_filling ? 0 : static_cast<int>(m_rows.size());
}

int ItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const bool lowCell = index.column() == StockColumn && isLow(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const QString& text = field(m_rows.at(index.row()), index.column());
        return lowCell ? text + QStringLiteral(" \u25BC") : text;
    }
    case Qt::ForegroundRole:
        return lowCell ? QVariant(m_warning) : QVariant();
    case Qt::ToolTipRole:
        return lowCell ? QVariant(QStringLiteral("At or below the minimum stock of %1")
                                      .arg(*m_levels.value(m_rows.at(index.row()).sku).minimum))
                       : QVariant();
    default:
        return QVariant();
    }
}

void ItemModel::setStockLevels(QHash<QString, StockLevel> levels, const QColor& warning) {
    m_levels = std::move(levels);
    m_warning = warning;
    if (!m_rows.isEmpty() && !m_filling)
        emit dataChanged(index(0, StockColumn), index(rowCount() - 1, StockColumn));
}

QColor ItemModel::warningColorOn(const QColor& background) {
    // A deep red on light grounds, a light red on dark ones: both keep a contrast of about 5:1.
    return background.lightness() >= 128 ? QColor(0xB0, 0x00, 0x20) : QColor(0xFF, 0x8A, 0x80);
}

bool ItemModel::isLow(int row) const {
    if (m_levels.isEmpty() || row < 0 || row >= m_rows.size())
        return false;
    const StoreItem& item = m_rows.at(row);
    const auto found = m_levels.constFind(item.sku);
    if (found == m_levels.constEnd() || !found->minimum)
        return false;
    double stock = 0;
    return storedNumber(item.stock, &stock) && stock <= double(*found->minimum);
}

QVariant ItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return sortEntries().at(section);
}

void ItemModel::sort(int column, Qt::SortOrder) {
    sortByColumn(column);
}

QString ItemModel::cellText(int row, int column) const {
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= ColumnCount)
        return QString();
    return field(m_rows.at(row), column);
}

void ItemModel::clear() {
    setItems({});
}

void ItemModel::setItems(QVector<StoreItem> items) {
    beginResetModel();
    m_rows = std::move(items);
    m_filling = false;
    endResetModel();
}

void ItemModel::beginFill() {
    beginResetModel();
    m_rows.clear();
    m_filling = true;
    endResetModel();
}

void ItemModel::appendRow(const StoreItem& item) {
    if (m_filling) {
        m_rows.push_back(item);
        return;
    }
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(item);
    endInsertRows();
}

void ItemModel::endFill() {
    if (!m_filling)
        return;
    beginResetModel();
    m_filling = false;
    endResetModel();
}

void ItemModel::sortByColumn(int column) {
    if (column < 0 || column >= ColumnCount || m_rows.size() < 2)
        return;
    std::vector<int> order(static_cast<size_t>(m_rows.size()));
    std::iota(order.begin(), order.end(), 0);
    if (column == TitleColumn || column == SkuColumn) {
        std::vector<QStringView> keys(order.size());
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = field(m_rows[static_cast<int>(i)], column);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return keys[a] < keys[b]; });
    } else {
        // Each text is read once, not once per comparison.
        std::vector<double> keys(order.size());
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = leadingNumber(field(m_rows[static_cast<int>(i)], column));
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return keys[a] < keys[b]; });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QVector<StoreItem> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[order[i]]));
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);
    // The current and selected cells follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after << this->index(newRowOf[static_cast<size_t>(index.row())], index.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList ItemModel::sortEntries() {
    return {QStringLiteral("Title"), QStringLiteral("SKU"), QStringLiteral("Cost"),
            QStringLiteral("Price"), QStringLiteral("In Stock")};
}

int ItemModel::columnForSortEntry(const QString& entry) {
    return static_cast<int>(sortEntries().indexOf(entry));
}
