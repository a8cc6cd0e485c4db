// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/decimal.h"

#include <QString>
#include <QVector>

struct SaleOutcome;

// What to order: every SKU of a company whose stock is at or below its minimum.
struct LowStockLine {
    QString profitCenter;
    QString title; // the first title found for the SKU
    QString sku;
    Decimal stock;
    qint64 minimum = 0;
    Decimal order;     // the order quantity, or minimum - stock + 1 when none is set
    Decimal orderCost; // the SKU's cost times order
};

struct LowStockList {
    QVector<LowStockLine> lines; // most urgent first: stock / minimum, lowest first
    Decimal totalOrder;
    Decimal totalCost;
};

// The list over every profit center of the company, read once each. Throws RuntimeError as the
// statistics do for a stock or cost that is not a number.
LowStockList lowStockList(const QString& companyFolder);

// Money of the list as shown and written: two decimals, rounded as a till rounds.
QString lowStockMoney(const Decimal& amount);

// "Stock of TITLE is down to N (minimum M)."
QString lowStockText(const QString& title, const Decimal& stock, qint64 minimum);
// The line a sale of sku warrants: lowStockText when the outcome is a recorded sale that left
// the stock at or below the SKU's minimum, an empty text otherwise. The title is the first one
// found for the SKU, or the SKU itself.
QString lowStockAlert(const QString& companyFolder, const QString& sku, const SaleOutcome& outcome);
