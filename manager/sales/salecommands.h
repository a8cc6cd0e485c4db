// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;
class frmResults;

// "&Make a Sale" for one item of the item list, after the list's own checks: asks "How many of "
// + itemText + " to subtract:", refuses a sale beyond the stock count ("Not enough in
// inventory."), asks the tax question for an item whose taxable flag is 1, then writes the stock
// and records the sale, or the return for a negative quantity. Errors go to the standard handler
// ("cmdMakeSale_Click"). Returns true when the item list must be reloaded. A sale that leaves the
// stock at or below the SKU's minimum sets *lowStock to the line that says so.
bool makeSaleDialog(QWidget* parent, const QString& companyFolder, const QString& sku,
                    const QString& itemText, QString* lowStock = nullptr);

// "S&tatistics" of the company chooser: counts the company's stock, writes "Logs/LastStats.txt"
// and opens it in a results window captioned "Statistics" (returned). With no company selected
// (company empty) it says "Please choose a company." and returns nullptr.
frmResults* showStatistics(QWidget* parent, const QString& company, const QString& companyFolder);
