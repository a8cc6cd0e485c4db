// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli sale, stats and report: "&Make a Sale" without its questions, the statistics and
// the report export, over the same core code as the desktop program.

#include "cli/command.h"

#include "manager/sales/recording.h"
#include "manager/sales/reports.h"
#include "manager/store/companystore.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QFileInfo>

namespace {

int runSale(const CliCall& call) {
    const QString sku = call.arguments.first();
    const QString quantityText = call.value(QStringLiteral("quantity"));
    const auto quantity = Decimal::parse(quantityText);
    if (!quantity || quantity->isZero())
        return call.usageError(
            QStringLiteral("\"%1\" is not a quantity: give a number other than 0.")
                .arg(quantityText));
    const int taxAnswer = call.yes(QStringLiteral("tax")) ? TaxYes : TaxNo;
    const SaleOutcome outcome =
        makeSale(call.folder, sku, *quantity, taxAnswer, MissingStock::Refused);
    switch (outcome.status) {
    case SaleStatus::UnknownSku:
        printError(doesNotExistText(sku));
        return ExitRefused;
    case SaleStatus::NotEnough:
        printError(notEnoughInInventoryText());
        return ExitRefused;
    case SaleStatus::NoQuantity:
        return ExitRefused;
    case SaleStatus::Recorded:
        break;
    }
    printOut(QStringLiteral("Recorded %1 of %2 of SKU %3; in stock: %4.")
                 .arg(outcome.isReturn ? QStringLiteral("return") : QStringLiteral("sale"),
                      outcome.quantity.toString(), sku, outcome.stock.toString()));
    return ExitDone;
}

CliCommand saleCommand() {
    CliCommand command;
    command.name = QStringLiteral("sale");
    command.summary = QStringLiteral("Sells Q units (default 1) of a SKU, or returns them when Q "
                                     "is negative: stock count and period files.");
    command.company = CompanyUse::Company;
    command.options = {
        valueOption(QStringLiteral("quantity"), QStringLiteral("Q"),
                    QStringLiteral("How many units; a negative number records a return."),
                    QStringLiteral("1")),
        yesNoOption(QStringLiteral("tax"), QStringLiteral("Whether tax is recorded."), true)};
    command.arguments = {{QStringLiteral("SKU"), QStringLiteral("The item's SKU."), false, {}}};
    command.run = runSale;
    return command;
}

int runStats(const CliCall& call) {
    // Shown even where the company cannot be written (a read-only share, a CD).
    const QString text = currentStatistics(call.company, call.folder);
    printOut(text);
    try {
        saveTextFile(lastStatsPath(call.folder), text + QStringLiteral("\r\n"));
    } catch (const RuntimeError& error) {
        printError(
            QStringLiteral("%1 could not be written: %2.")
                .arg(QDir::toNativeSeparators(lastStatsPath(call.folder)), error.description()));
        return ExitError;
    }
    return ExitDone;
}

CliCommand statsCommand() {
    CliCommand command;
    command.name = QStringLiteral("stats");
    command.summary =
        QStringLiteral("Writes the stock statistics to Logs/LastStats.txt and prints them.");
    command.company = CompanyUse::Company;
    command.run = runStats;
    return command;
}

int runReport(const CliCall& call) {
    const QString name = call.arguments.at(0);
    // Only files of the company's "Reports" folder.
    const QString period = reportsFolder(call.folder) + name;
    if (!isStoreName(name) || !QFileInfo(period).isFile()) {
        printError(QStringLiteral("There is no period file \"%1\" in %2.")
                       .arg(name, QDir::toNativeSeparators(reportsFolder(call.folder))));
        return ExitRefused;
    }
    writeReport(period, call.arguments.at(1));
    printOut(QStringLiteral("Complete."));
    return ExitDone;
}

CliCommand reportCommand() {
    CliCommand command;
    command.name = QStringLiteral("report");
    command.summary =
        QStringLiteral("Writes the report of the period file Reports/PERIODFILE to OUTFILE.");
    command.company = CompanyUse::Company;
    command.arguments = {
        {QStringLiteral("PERIODFILE"),
         QStringLiteral("A period file of the company's Reports folder (Sales12-2026.txt)."),
         false,
         {}},
        {QStringLiteral("OUTFILE"), QStringLiteral("The report file to write."), false, {}}};
    command.run = runReport;
    return command;
}

const CliRegistration registeredSale(saleCommand);
const CliRegistration registeredStats(statsCommand);
const CliRegistration registeredReport(reportCommand);

} // namespace
