// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/lowstock.h"

#include "manager/sales/recording.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {
Decimal whole(qint64 value) {
    return Decimal::fromParts(value, 0);
}

// Urgency: the share of the minimum still in stock. A minimum of 0 is reached only at or below
// no stock, which is as urgent as it gets.
double urgency(const LowStockLine& line) {
    if (line.minimum > 0)
        return line.stock.toDouble() / double(line.minimum);
    return line.stock.isNegative() ? -std::numeric_limits<double>::infinity() : 0.0;
}
} // namespace

LowStockList lowStockList(const QString& companyFolder) {
    LowStockList list;
    const QHash<QString, StockLevel> levels = ItemRecords::stockLevels(companyFolder);
    if (levels.isEmpty())
        return list;
    QSet<QString> seen;
    for (const QString& center : listProfitCenters(companyFolder)) {
        for (const StoreItem& item : readItems(companyFolder, center)) {
            if (seen.contains(item.sku))
                continue;
            seen.insert(item.sku);
            const StockLevel level = levels.value(item.sku);
            if (!level.minimum)
                continue;
            const Decimal stock = Decimal::fromStored(item.stock);
            if (stock > whole(*level.minimum))
                continue;
            const Decimal order =
                level.order ? whole(*level.order) : whole(*level.minimum) - stock + Decimal(1);
            const Decimal cost = Decimal::fromStored(item.cost) * order;
            list.lines.push_back(
                {center, item.title, item.sku, stock, *level.minimum, order, cost});
            list.totalOrder += order;
            list.totalCost += cost;
        }
    }
    // Each line's urgency is worked out once, not once per comparison.
    std::vector<std::pair<double, int>> order;
    order.reserve(size_t(list.lines.size()));
    for (int i = 0; i < list.lines.size(); ++i)
        order.emplace_back(urgency(list.lines[i]), i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QVector<LowStockLine> sorted;
    sorted.reserve(list.lines.size());
    for (const auto& [key, i] : order)
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
