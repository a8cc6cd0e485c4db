// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/salecommands.h"

#include "manager/sales/lowstock.h"
#include "manager/sales/recording.h"
#include "manager/sales/reports.h"
#include "manager/sales/resultswindow.h"
#include "manager/shell/dialogs.h"
#include "manager/store/runtimeerror.h"

bool makeSaleDialog(QWidget* parent, const QString& companyFolder, const QString& sku,
                    const QString& itemText, QString* lowStock) {
    bool reload = false;
    guarded(QStringLiteral("cmdMakeSale_Click"), [&] {
        const QString answer = dialogs().input(
            parent, QStringLiteral("How many of ") + itemText + QStringLiteral(" to subtract:"),
            QStringLiteral("Quantity"), QStringLiteral("1"));
        // Cancel, an empty answer and text that is no number all read as 0: nothing happens.
        const Decimal quantity = Decimal::fromTyped(answer);
        if (quantity.isZero())
            return;
        // Check the stock before asking about tax, so a refused sale asks nothing more.
        if (stockCount(companyFolder, sku) < quantity) {
            dialogs().message(parent, notEnoughInInventoryText(), QStringLiteral("Error"));
            return;
        }
        int taxAnswer = TaxNotAsked;
        if (asksTaxQuestion(companyFolder, sku))
            taxAnswer = dialogs().message(
                parent,
                QStringLiteral("Apply tax? (Ex. items sold over the internet may not have tax.)"),
                QStringLiteral("Apply Tax"), Dialogs::YesNo);
        reload = true; // from here on the stock may change, even when something fails later
        const SaleOutcome outcome = makeSale(companyFolder, sku, quantity, taxAnswer);
        if (outcome.status == SaleStatus::NotEnough) // the stock changed since it was read
            dialogs().message(parent, notEnoughInInventoryText(), QStringLiteral("Error"));
        if (lowStock)
            *lowStock = lowStockAlert(companyFolder, sku, outcome);
    });
    return reload;
}

frmResults* showStatistics(QWidget* parent, const QString& company, const QString& companyFolder) {
    frmResults* window = nullptr;
    guarded(QStringLiteral("mnuToolsStats_Click"), [&] {
        if (company.isEmpty()) {
            dialogs().message(parent, QStringLiteral("Please choose a company."),
                              QStringLiteral("Company"));
            return;
        }
        const QString text = currentStatistics(company, companyFolder);
        try {
            saveTextFile(lastStatsPath(companyFolder), text + QStringLiteral("\r\n"));
        } catch (const RuntimeError& error) {
            // A company on a read-only share or disc still shows its statistics.
            reportError(QStringLiteral("mnuToolsStats_Click"),
                        RuntimeError(error.number(),
                                     QStringLiteral("Logs/LastStats.txt could not be written: ") +
                                         error.description()));
            window = ShowText(text + QStringLiteral("\r\n"), QStringLiteral("Statistics"));
            return;
        }
        window = ShowTextFile(lastStatsPath(companyFolder), QStringLiteral("Statistics"));
    });
    return window;
}
