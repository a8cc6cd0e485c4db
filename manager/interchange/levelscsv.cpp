// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/levelscsv.h"

#include "manager/interchange/csvtext.h"
#include "manager/store/items.h"
#include "manager/store/runtimeerror.h"

#include <QFile>

#include <algorithm>

namespace {
const QByteArray kBom("\xEF\xBB\xBF");

void addLine(QByteArray* bytes, const QStringList& fields) {
    *bytes += csvLine(fields).toUtf8();
    *bytes += "\r\n";
}

QString levelText(const std::optional<qint64>& level) {
    return level ? QString::number(*level) : QString();
}
} // namespace

QByteArray lowStockCsv(const LowStockList& list) {
    QByteArray bytes = kBom;
    addLine(&bytes, {QStringLiteral("Profit Center"), QStringLiteral("Title"),
                     QStringLiteral("SKU"), QStringLiteral("In Stock"), QStringLiteral("Minimum"),
                     QStringLiteral("Order Quantity"), QStringLiteral("Order Cost")});
    for (const LowStockLine& line : list.lines)
        addLine(&bytes, {line.profitCenter, line.title, line.sku, line.stock.toString(),
                         QString::number(line.minimum), line.order.toString(),
                         lowStockMoney(line.orderCost)});
    addLine(&bytes, {QStringLiteral("Total"), QString(), QString(), QString(), QString(),
                     list.totalOrder.toString(), lowStockMoney(list.totalCost)});
    return bytes;
}

QByteArray stockLevelsCsv(const QString& companyFolder) {
    const QHash<QString, StockLevel> levels = ItemRecords::stockLevels(companyFolder);
    QStringList skus;
    for (auto it = levels.begin(); it != levels.end(); ++it)
        if (it->minimum || it->order)
            skus << it.key();
    std::sort(skus.begin(), skus.end());
    QByteArray bytes = kBom;
    addLine(&bytes, {QStringLiteral("SKU"), QStringLiteral("Minimum"), QStringLiteral("Order")});
    for (const QString& sku : skus)
        addLine(&bytes,
                {sku, levelText(levels.value(sku).minimum), levelText(levels.value(sku).order)});
    return bytes;
}

QString LevelsImportSummary::text() const {
    QStringList lines{QStringLiteral("Levels set: %1").arg(set),
                      QStringLiteral("Skipped: %1").arg(skipped)};
    lines += skippedLines;
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

LevelsImportSummary importStockLevels(const QString& companyFolder, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError::fileNotFound();
    const CsvReadResult csv = readCsv(file.readAll(), 3);
    if (!csv.error.isEmpty())
        throw RuntimeError(62, csv.error);

    const ItemRecords records(companyFolder);
    LevelsImportSummary summary;
    QVector<QPair<QString, StockLevel>> levels;
    for (const CsvRecord& record : csv.records) {
        const auto field = [&](int i) {
            return i < record.fields.size() ? record.fields[i] : QString();
        };
        const QString sku = field(0);
        StockLevel level;
        const bool whole = ItemRecords::parseLevel(field(1), &level.minimum) &&
                           ItemRecords::parseLevel(field(2), &level.order);
        QString reason;
        if (!whole && record.line == 1)
            continue; // a header line
        if (sku.isEmpty())
            reason = QStringLiteral("the SKU is missing");
        else if (!whole)
            reason = QStringLiteral("a level is not a whole number of 0 or more");
        else if (!records.hasSku(sku))
            reason = QStringLiteral("no item has the SKU %1").arg(sku);
        if (!reason.isEmpty()) {
            ++summary.skipped;
            summary.skippedLines << QStringLiteral("Line %1: %2").arg(record.line).arg(reason);
            continue;
        }
        levels.push_back({sku, level});
        ++summary.set;
    }
    if (!levels.isEmpty())
        saveStockLevels(companyFolder, levels);
    return summary;
}
