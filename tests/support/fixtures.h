// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QDate>
#include <QHostAddress>
#include <QTcpServer>

// Shared test fixtures: items and settings written the way the programs store them, the error
// number a call throws, and a free loopback port.
namespace fixture {

inline const QDate kDay(2026, 12, 6);

// The SKU records of an item: cost, price and tax flag in Logs/PriceLog, the stock in
// Logs/InvCount (none when stock is a null text).
inline void writeItem(const QString& folder, const QString& sku, const QString& price,
                      const QString& cost, const QString& flag, const QString& stock) {
    WriteINIString(QStringLiteral("Cost"), sku, cost, priceLogPath(folder));
    WriteINIString(QStringLiteral("Prices"), sku, price, priceLogPath(folder));
    WriteINIString(QStringLiteral("Tax"), sku, flag, priceLogPath(folder));
    if (!stock.isNull())
        WriteINIString(QStringLiteral("Inventory"), sku, stock, invCountPath(folder));
}

// A title in a profit center file pointing to its SKU ("Titles\title=sku").
inline void writeTitle(const QString& folder, const QString& profitCenter, const QString& title,
                       const QString& sku) {
    WriteINIString(QStringLiteral("Titles"), title, sku, folder + profitCenter);
}

inline void setRate(const QString& percent) {
    settings::write(settings::TaxPercent, percent);
}

inline void setLogs(const QString& daily, const QString& monthly) {
    settings::write(settings::DailyLog, daily);
    settings::write(settings::MonthlyLog, monthly);
}

inline QString stockOf(const QString& folder, const QString& sku) {
    return GetINIString(QStringLiteral("Inventory"), sku, QStringLiteral("(none)"),
                        invCountPath(folder));
}

// The error number a call throws, or 0 when it throws nothing.
template <typename Body> int errorOf(Body body) {
    try {
        body();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

// A port on 127.0.0.1 that nothing listens on at this moment.
inline quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace fixture
