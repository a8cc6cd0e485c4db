// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/decimal.h"

#include <QString>
#include <QVector>

// The sales of a month, day by day, or of a year, month by month, read from the period files
// the recordings keep. Reads only and takes no lock: a recording replaces a period file
// atomically, so a file read here is always a whole one.

// Units and money of a day, a month or a SKU.
struct SalesFigures {
    Decimal sold;
    Decimal returned;
    Decimal gross;
    Decimal net;
    Decimal tax;

    Decimal units() const { return sold - returned; }
    SalesFigures& operator+=(const SalesFigures& other);
};

struct SkuSales {
    QString sku;
    QString title; // the first title found pointing to the SKU, "" when none does
    SalesFigures figures;
};

// A period file that could not be used: its file name and why.
struct SkippedPeriodFile {
    QString name;
    QString reason;
};

struct SalesSummary {
    int year = 0;
    int month = 0; // 1 to 12: the days of that month; 0: the months of the year

    QVector<SalesFigures> rows; // one per day of the month or per month of the year
    QVector<bool> found;        // whether a period file gave that row
    SalesFigures total;
    QVector<SkuSales> skus; // every SKU sold or returned, by gross, highest first
    QVector<SkippedPeriodFile> skipped;

    bool isMonth() const { return month != 0; }
    bool anyFound() const { return found.contains(true); }
    // The first n SKUs by gross (the order of skus) or by units (sold less returned).
    QVector<SkuSales> topByGross(int n) const;
    QVector<SkuSales> topByUnits(int n) const;
};

// A period file larger than this is refused: the busiest shop's file is a few megabytes.
constexpr qint64 kLargestPeriodFile = 64LL * 1024 * 1024;

// A month from its daily period files; the days without a file are zeros. The SKUs come from
// the same daily files.
SalesSummary summarizeMonth(const QString& companyFolder, int year, int month);
// A year from its monthly period files; a month without one is summed from its daily files,
// so a shop that keeps daily files only still sees its year.
SalesSummary summarizeYear(const QString& companyFolder, int year);

// "March 2026" for a month, "2026" for a year.
QString periodCaption(const SalesSummary& summary);
// "Day 5" / "March": one row of the summary.
QString rowCaption(const SalesSummary& summary, int row);

// A part of the gross as a share of the whole, "92.7%" (one decimal); "" when the whole is not
// above zero.
QString grossShareText(const Decimal& part, const Decimal& whole);

// "12-2026" -> December 2026; false for anything else.
bool parseMonthText(const QString& text, int* year, int* month);
