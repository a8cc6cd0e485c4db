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

// The number of characters every text starts with alike.
qsizetype sharedStart(const std::vector<QStringView>& texts) {
    if (texts.empty())
        return 0;
    QStringView first = texts.front();
    qsizetype shared = first.size();
    for (const QStringView text : texts) {
        qsizetype i = 0;
        const qsizetype end = std::min(shared, text.size());
        while (i < end && text[i] == first[i])
            ++i;
        shared = i;
    }
    return shared;
}

// Four UTF-16 units of text from from on, in an integer that orders as the texts do: a text
// that ends sooner gives zeros, which come first.
quint64 packedChars(QStringView text, qsizetype from) {
    quint64 packed = 0;
    for (qsizetype i = from; i < from + 4; ++i)
        packed = (packed << 16) | (i < text.size() ? text[i].unicode() : 0u);
    return packed;
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
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
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
        const QString& text = field(item(index.row()), index.column());
        return lowCell ? text + QStringLiteral(" \u25BC") : text;
    }
    case Qt::ForegroundRole:
        return lowCell ? QVariant(m_warning) : QVariant();
    case Qt::ToolTipRole:
        return lowCell ? QVariant(QStringLiteral("At or below the minimum stock of %1")
                                      .arg(*m_levels.value(item(index.row()).sku).minimum))
                       : QVariant();
    default:
        return QVariant();
    }
}

void ItemModel::setStockLevels(QHash<QString, StockLevel> levels, const QColor& warning) {
    m_levels = std::move(levels);
    m_warning = warning;
    if (rowCount() > 0)
        emit dataChanged(index(0, StockColumn), index(rowCount() - 1, StockColumn));
}

QColor ItemModel::warningColorOn(const QColor& background) {
    // A deep red on light grounds, a light red on dark ones: both keep a contrast of about 5:1.
    return background.lightness() >= 128 ? QColor(0xB0, 0x00, 0x20) : QColor(0xFF, 0x8A, 0x80);
}

bool ItemModel::isLow(int row) const {
    if (m_levels.isEmpty() || row < 0 || row >= rowCount())
        return false;
    const StoreItem& shown = item(row);
    const auto found = m_levels.constFind(shown.sku);
    if (found == m_levels.constEnd() || !found->minimum)
        return false;
    double stock = 0;
    return storedNumber(shown.stock, &stock) && stock <= double(*found->minimum);
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
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return QString();
    return field(item(row), column);
}

void ItemModel::clear() {
    setItems({});
}

void ItemModel::setItems(QVector<StoreItem> items) {
    beginResetModel();
    m_items = std::move(items);
    m_order.resize(static_cast<size_t>(m_items.size()));
    std::iota(m_order.begin(), m_order.end(), 0);
    m_sortColumn = -1;
    endResetModel();
}

int ItemModel::rowOfTitle(const QString& title, int from) const {
    for (int row = std::max(0, from); row < rowCount(); ++row)
        if (item(row).title == title)
            return row;
    return -1;
}

void ItemModel::removeItemRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    // The item stays among the lines, shown by no row.
    beginRemoveRows(QModelIndex(), row, row);
    m_order.erase(m_order.begin() + row);
    endRemoveRows();
}

bool ItemModel::before(int a, int b) const {
    const int order = compareKeys(m_items.at(a), m_items.at(b), m_sortColumn);
    return order < 0 || (order == 0 && a < b);
}

void ItemModel::insertRow(int line) {
    int row = static_cast<int>(m_order.size());
    if (m_sortColumn >= 0)
        row = static_cast<int>(std::lower_bound(m_order.begin(), m_order.end(), line,
                                                [this](int a, int b) { return before(a, b); }) -
                               m_order.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_order.insert(m_order.begin() + row, line);
    endInsertRows();
}

void ItemModel::addItem(const StoreItem& item) {
    m_items.push_back(item);
    insertRow(static_cast<int>(m_items.size()) - 1);
}

void ItemModel::changeItem(int row, const StoreItem& item) {
    if (row < 0 || row >= rowCount())
        return;
    const int line = m_order[static_cast<size_t>(row)];
    const bool stays = m_sortColumn < 0 || compareKeys(m_items.at(line), item, m_sortColumn) == 0;
    m_items[line] = item;
    if (stays) {
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return;
    }
    removeItemRow(row);
    insertRow(line);
}

void ItemModel::sortByColumn(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    if (m_order.size() < 2)
        return;
    // Stable: equal keys keep the order of their rows (a new listing's rows come in line order).
    std::vector<int> order = m_order;
    if (isTextColumn(column)) {
        std::vector<QStringView> keys(order.size());
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = field(m_items.at(order[i]), column);
        // Most comparisons are settled by four characters after the start all texts share,
        // held beside the row numbers: reading each text for every comparison is mostly
        // waiting for memory at 100,000 rows.
        const qsizetype shared = sharedStart(keys);
        std::vector<std::pair<quint64, int>> sorted(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            sorted[i] = {packedChars(keys[i], shared), static_cast<int>(i)};
        std::sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            const int c = keys[size_t(a.second)].compare(keys[size_t(b.second)]);
            return c < 0 || (c == 0 && a.second < b.second);
        });
        std::vector<int> lines(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            lines[i] = order[size_t(sorted[i].second)];
        order = std::move(lines);
    } else {
        // Each text is read once, not once per comparison.
        std::vector<std::pair<double, int>> keyed(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            keyed[i] = {leadingNumber(field(m_items.at(order[i]), column)), static_cast<int>(i)};
        std::sort(keyed.begin(), keyed.end());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = m_order[size_t(keyed[i].second)];
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The current and selected cells follow their rows.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rowOfLine;
    if (!before.isEmpty()) {
        rowOfLine.resize(static_cast<size_t>(m_items.size()));
        for (size_t row = 0; row < order.size(); ++row)
            rowOfLine[static_cast<size_t>(order[row])] = static_cast<int>(row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after << this->index(rowOfLine[static_cast<size_t>(m_order[size_t(index.row())])],
                             index.column());
    m_order = std::move(order);
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
