// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/sales/lowstock.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Stock levels and the low-stock list as comma separated text (UTF-8 with a byte-order mark,
// CR LF line ends, fields quoted as spreadsheets expect).

// The low-stock list as a purchase list: a header line, one line per SKU, then the totals.
QByteArray lowStockCsv(const LowStockList& list);

// Every SKU that has a level: "SKU,Minimum,Order" lines after that header, by SKU.
QByteArray stockLevelsCsv(const QString& companyFolder);

struct LevelsImportSummary {
    int set = 0;
    int skipped = 0;
    QStringList skippedLines; // "Line 4: ..." for each skipped line
    // The counts, then one line per skipped line, CR LF line ends.
    QString text() const;
};

// Reads lines of SKU, minimum and order quantity (blank = none; a header line is skipped) and
// writes the levels of the SKUs the company has in one save. Lines with an unknown SKU or a level
// that is not a whole number >= 0 are skipped. Throws RuntimeError for a file that cannot be read
// or is not comma separated text, or when the levels cannot be written; then nothing is written.
LevelsImportSummary importStockLevels(const QString& companyFolder, const QString& path);
