// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The company store: one folder per company under the company folder root; in a company folder,
// one file per profit center and the folders "Logs" and "Reports".

// The default root: the per-user data folder + "Tallyvane/Companies/".
QString defaultCompanyRoot();
// The root from the settings ("Path"/"Company"), always with a trailing separator.
QString companyRoot();
// root + name + separator. Core code takes this folder as a parameter.
QString companyFolder(const QString& root, const QString& company);

// Company and profit-center names become folder and file names. Empty, ".", "..", and names
// holding "/", "\" or a control character would leave the store and are refused.
bool isStoreName(const QString& name);
// Throws RuntimeError 52 "Bad file name or number" for a name isStoreName refuses.
void checkStoreName(const QString& name);

// Relative store paths inside a company folder.
QString priceLogPath(const QString& companyFolder);   // Logs/PriceLog
QString invCountPath(const QString& companyFolder);   // Logs/InvCount
QString storefrontPath(const QString& companyFolder); // Logs/Storefront
QString logsFolder(const QString& companyFolder);     // Logs/
QString reportsFolder(const QString& companyFolder);  // Reports/

// Sub-folders of the root, sorted by name with case ignored. Throws 76 when the root is missing.
QStringList listCompanies(const QString& root);
// Files directly in a company folder, sorted by name with case ignored. Throws 76 when missing.
QStringList listProfitCenters(const QString& companyFolder);

// One item as stored: texts exactly as read, with the readers' defaults
// ("0.00" for cost and price, "0" for stock, "1" for the taxable flag).
struct StoreItem {
    QString title;
    QString sku;
    QString cost;
    QString price;
    QString stock;
    QString tax;
};

// The items of a profit center in line order. Every line starting with "Titles\" is an item;
// its title is the text up to the first "=". The profit center file, "Logs/PriceLog" and
// "Logs/InvCount" are each read once. A missing profit center file gives no items.
QVector<StoreItem> readItems(const QString& companyFolder, const QString& profitCenter);
// The SKU records a whole-company reader asks for; the others are left empty, unread (with none,
// "Logs/PriceLog" and "Logs/InvCount" are not read at all).
enum class ItemField { Cost = 1, Price = 2, Tax = 4, Stock = 8 };
Q_DECLARE_FLAGS(ItemFields, ItemField)
Q_DECLARE_OPERATORS_FOR_FLAGS(ItemFields)

// Every item of the profit centers, in that order, as readItems gives them, with each profit
// center file, "Logs/PriceLog" and "Logs/InvCount" read once for all (whole-company readers).
// afterProfitCenter(done) is told after each profit center and stops the walk by returning
// false; the result is false then.
bool forEachItem(const QString& companyFolder, const QStringList& profitCenters,
                 const std::function<void(const StoreItem& item)>& visit,
                 const std::function<bool(int done)>& afterProfitCenter = {},
                 ItemFields fields = {ItemField::Cost, ItemField::Price, ItemField::Tax,
                                      ItemField::Stock});
