#pragma once

#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/settings.h"

#include <QDate>

// Items and settings for the sales tests, written the way the item editor stores them.
namespace salestest {

inline const QDate kDay(2026, 12, 6);

inline void writeItem(const QString& folder, const QString& sku, const QString& price,
                      const QString& cost, const QString& flag, const QString& stock) {
    WriteINIString(QStringLiteral("Cost"), sku, cost, priceLogPath(folder));
    WriteINIString(QStringLiteral("Prices"), sku, price, priceLogPath(folder));
    WriteINIString(QStringLiteral("Tax"), sku, flag, priceLogPath(folder));
    if (!stock.isNull())
        WriteINIString(QStringLiteral("Inventory"), sku, stock, invCountPath(folder));
}

inline void setRate(const QString& percent) {
    settings::write(QStringLiteral("Tax"), QStringLiteral("Percent"), percent);
}

inline void setLogs(const QString& daily, const QString& monthly) {
    settings::write(QStringLiteral("Log"), QStringLiteral("Daily"), daily);
    settings::write(QStringLiteral("Log"), QStringLiteral("Monthly"), monthly);
}

inline QString stockOf(const QString& folder, const QString& sku) {
    return GetINIString(QStringLiteral("Inventory"), sku, QStringLiteral("(none)"),
                        invCountPath(folder));
}

} // namespace salestest
