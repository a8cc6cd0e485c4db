// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

// The scan window's processing of one scanned SKU.

enum class ScanMode { Sale, Return, Add };

enum class ScanStatus {
    Done,         // stock changed (and the sale or return recorded)
    NoSku,        // the SKU box was empty: nothing to do
    DoesNotExist, // SKU + " doesn't exist."
    NotEnough,    // "Not enough of SKU ... to process a sale, or ... doesn't exist."
    Failed,       // the recording failed and was reported ("LogSale" / "LogReturn"): no change
};

// Processes one scan: number units (read as a whole number, halves to even, of any size; 0 and
// negative numbers too) are sold, returned or added to the stock count of sku. A sale needs a
// stock record holding at least number; a return and an addition need a stock record. A sale or
// return changes the stock and records the units in the period files together, all or nothing;
// an addition only changes the stock. A stored count or number that is not a number is
// RuntimeError 13, and nothing is written. A sale that leaves the stock at or below the SKU's
// minimum sets *lowStock to the line that says so (lowStockAlert).
ScanStatus processScan(const QString& companyFolder, ScanMode mode, const QString& sku,
                       const QString& numberText, int taxAnswer,
                       const QDate& date = QDate::currentDate(), QString* lowStock = nullptr);
