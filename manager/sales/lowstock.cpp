// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/lowstock.h"

#include "manager/sales/recording.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

namespace {
Decimal whole(qint64 value) {
    return Decimal::fromParts(value, 0);
}

// Urgency: the share of the minimum still in stock. A minimum of 0 is reached only at or below
// no stock, which is as urgent as it gets.
double urgency(double stock, qint64 minimum) {
    if (minimum > 0)
        return stock / double(minimum);
    return stock < 0 ? -std::numeric_limits<double>::infinity() : 0.0;
}
} // namespace

LowStockList lowStockList(const QString& companyFolder) {
    LowStockList list;
    const QHash<QString, StockLevel> levels = ItemRecords::stockLevels(companyFolder);
    if (levels.isEmpty())
        return list;
    // The level of each line: a SKU's level stands once in levels, so its address tells the SKU.
    std::vector<const StockLevel*> levelOf;
    levelOf.reserve(size_t(levels.size()));
    std::vector<std::pair<double, int>> urgencies; // (stock / minimum, line)
    // At most a line per SKU with levels: growing the lists mid-walk costs more than the room.
    urgencies.reserve(size_t(levels.size()));
    list.lines.reserve(levels.size());
    // One walk over the company: the SKU records are read once for every profit center.
    const QStringList centers = listProfitCenters(companyFolder);
    int center = 0;
    forEachItem(
        companyFolder, centers,
        [&](const StoreItem& item) {
            const auto level = levels.constFind(item.sku);
            if (level == levels.constEnd() || !level->minimum)
                return;
            const qint64 minimum = *level->minimum;
            const Decimal stock = storedSkuNumber(item.stock, QStringLiteral("stock"), item.sku);
            if (stock > whole(minimum))
                return;
            const Decimal order =
                level->order ? whole(*level->order) : whole(minimum) - stock + Decimal(1);
            const Decimal cost =
                storedSkuNumber(item.cost, QStringLiteral("cost"), item.sku) * order;
            urgencies.emplace_back(urgency(item.stock.toDouble(), minimum), int(list.lines.size()));
            list.lines.push_back(
                {centers[center], item.title, item.sku, stock, minimum, order, cost});
            levelOf.push_back(&*level);
        },
        [&](int done) {
            center = done;
            return true;
        },
        ItemField::Stock | ItemField::Cost);
    // A SKU's records are the same wherever it is listed: only its first low line counts. A SKU
    // listed twice is rare, so repeats are found once after the walk, not looked up every line.
    std::vector<int> bySku(levelOf.size());
    std::iota(bySku.begin(), bySku.end(), 0);
    std::stable_sort(bySku.begin(), bySku.end(),
                     [&](int a, int b) { return std::less<>()(levelOf[a], levelOf[b]); });
    std::vector<bool> repeated(levelOf.size());
    for (size_t i = 1; i < bySku.size(); ++i)
        repeated[bySku[i]] = levelOf[bySku[i]] == levelOf[bySku[i - 1]];
    for (qsizetype i = 0; i < list.lines.size(); ++i)
        if (!repeated[i]) {
            list.totalOrder += list.lines[i].order;
            list.totalCost += list.lines[i].orderCost;
        }
    std::stable_sort(urgencies.begin(), urgencies.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QVector<LowStockLine> sorted;
    sorted.reserve(list.lines.size());
    for (const auto& [key, i] : urgencies)
        if (!repeated[i])
            sorted.push_back(std::move(list.lines[i]));
    list.lines = std::move(sorted);
    return list;
}

QString lowStockMoney(const Decimal& amount) {
    return ShowMoney(amount.toString());
}

QString lowStockText(const QString& title, const Decimal& stock, qint64 minimum) {
    return QStringLiteral("Stock of %1 is down to %2 (minimum %3).")
        .arg(title, stock.toString(), QString::number(minimum));
}

QString lowStockAlert(const QString& companyFolder, const QString& sku,
                      const SaleOutcome& outcome) {
    if (!outcome.lowMinimum)
        return QString();
    return lowStockText(titleOfSku(companyFolder, sku), outcome.stock, *outcome.lowMinimum);
}
