// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/decimal.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// Report files: for each section of a period file, in the order "Info", "Totals", "GrossSale",
// "NetProfit", "Tax", "Sales", "Returns", a heading ("Info:"), one "key,value" line per entry in
// file order (every "=" turned into ","), and an empty line; CR LF line ends.
const QStringList& reportSections();
QByteArray reportBytes(const QString& periodFilePath);
// Writes the report of a period file to outputPath, replacing it atomically. A missing period
// file is RuntimeError 53; a failed write 75 (the old output stays).
void writeReport(const QString& periodFilePath, const QString& outputPath);

// The stock of a company, counted over every profit center file.
struct StockStatistics {
    int profitCenters = 0;
    int uniqueItems = 0;
    int outOfStock = 0;
    int taxed = 0;
    Decimal totalItems;
    Decimal totalCost;  // cost × count
    Decimal totalPrice; // price × count
};

// A stock count, cost or price that is not a number is a type mismatch (RuntimeError 13).
StockStatistics computeStatistics(const QString& companyFolder);

// The current date and time in the system's general date form.
QString generalDateText(const QDateTime& moment);

// The statistics text, lines joined by CR LF, without a final line break.
QString statisticsText(const QString& company, const StockStatistics& statistics,
                       const QString& taxPercent, const QDateTime& moment);

QString lastStatsPath(const QString& companyFolder); // Logs/LastStats.txt

// The statistics text of the company now, written nowhere.
QString currentStatistics(const QString& company, const QString& companyFolder,
                          const QDateTime& moment = QDateTime::currentDateTime());
// Computes the statistics, writes them with a final line break to "Logs/LastStats.txt"
// (replacing it atomically; nothing is written when the counting fails) and returns the text.
QString writeStatistics(const QString& company, const QString& companyFolder,
                        const QDateTime& moment = QDateTime::currentDateTime());

// Writes text to path in one atomic replacement, UTF-8. Throws RuntimeError 76 / 75.
void saveTextFile(const QString& path, const QString& text);
