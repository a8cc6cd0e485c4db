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

bool isTextColumn(int column) {
    return column == ItemModel::TitleColumn || column == ItemModel::SkuColumn;
}

// Negative, zero or positive as a's sort key comes before, with or after b's: "Title" and
// "SKU" as text with letter case taken into account, the others by their leading number.
int compareKeys(const StoreItem& a, const StoreItem& b, int column) {
    if (isTextColumn(column))
        return QStringView(field(a, column)).compare(field(b, column));
    const double x = leadingNumber(field(a, column));
    const double y = leadingNumber(field(b, column));
    return x < y ? -1 : (y < x ? 1 : 0);
}
} // namespace

ItemModel::ItemModel(QObject* parent)
    : QAbstractTableModel(parent) {}

int ItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
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
    if (!m_rows.isEmpty())
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

void ItemModel::setItems(QVector<StoreItem> items, QVector<int> lines) {
    beginResetModel();
    m_rows = std::move(items);
    if (lines.size() != m_rows.size()) {
        lines.resize(m_rows.size());
        std::iota(lines.begin(), lines.end(), 0);
    }
    m_lines = std::move(lines);
    m_nextLine = m_lines.isEmpty() ? 0 : *std::max_element(m_lines.cbegin(), m_lines.cend()) + 1;
    m_sortColumn = -1;
    endResetModel();
}

int ItemModel::rowOfTitle(const QString& title, int from) const {
    for (int row = std::max(0, from); row < m_rows.size(); ++row)
        if (m_rows.at(row).title == title)
            return row;
    return -1;
}

QVector<int> ItemModel::rowsOfSku(const QString& sku) const {
    QVector<int> rows;
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows.at(row).sku == sku)
            rows << row;
    return rows;
}

void ItemModel::removeItemRow(int row) {
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.remove(row);
    m_lines.remove(row);
    endRemoveRows();
}

int ItemModel::sortedPlace(const StoreItem& item, int line) const {
    if (m_sortColumn < 0)
        return static_cast<int>(m_rows.size());
    int low = 0, high = static_cast<int>(m_rows.size());
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const int order = compareKeys(m_rows.at(middle), item, m_sortColumn);
        if (order < 0 || (order == 0 && m_lines.at(middle) < line))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void ItemModel::insertAt(int row, const StoreItem& item, int line) {
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(row, item);
    m_lines.insert(row, line);
    endInsertRows();
}

void ItemModel::addItem(const StoreItem& item) {
    const int line = m_nextLine++;
    insertAt(sortedPlace(item, line), item, line);
}

void ItemModel::changeItem(int row, const StoreItem& item) {
    if (row < 0 || row >= m_rows.size())
        return;
    if (m_sortColumn < 0 || compareKeys(m_rows.at(row), item, m_sortColumn) == 0) {
        m_rows[row] = item;
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return;
    }
    const int line = m_lines.at(row);
    removeItemRow(row);
    insertAt(sortedPlace(item, line), item, line);
}

void ItemModel::sortByColumn(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    if (m_rows.size() < 2)
        return;
    std::vector<int> order(static_cast<size_t>(m_rows.size()));
    std::iota(order.begin(), order.end(), 0);
    // Equal keys keep the order of their lines.
    const auto byLine = [&](int a, int b) { return m_lines[a] < m_lines[b]; };
    if (isTextColumn(column)) {
        std::vector<QStringView> keys(order.size());
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = field(m_rows[static_cast<int>(i)], column);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = keys[a].compare(keys[b]);
            return c < 0 || (c == 0 && byLine(a, b));
        });
    } else {
        // Each text is read once, not once per comparison.
        std::vector<double> keys(order.size());
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = leadingNumber(field(m_rows[static_cast<int>(i)], column));
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return keys[a] < keys[b] || (!(keys[b] < keys[a]) && byLine(a, b));
        });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QVector<StoreItem> sorted;
    QVector<int> lines;
    sorted.reserve(m_rows.size());
    lines.reserve(m_rows.size());
    std::vector<int> newRowOf(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[order[i]]));
        lines.push_back(m_lines[order[i]]);
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);
    m_lines = std::move(lines);
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
