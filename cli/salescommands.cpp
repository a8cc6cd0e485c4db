// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli sale, stats and report: "&Make a Sale" without its questions, the statistics and
// the report export, over the same core code as the desktop program.

#include "cli/commands.h"

#include "manager/sales/recording.h"
#include "manager/sales/reports.h"
#include "manager/store/companystore.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSaleUsage =
    QStringLiteral("sale --company NAME [--root DIR] [--quantity Q] [--tax yes|no] SKU");
const QString kStatsUsage = QStringLiteral("stats --company NAME [--root DIR]");
const QString kReportUsage =
    QStringLiteral("report --company NAME [--root DIR] PERIODFILE OUTFILE");

int usageError(const QString& usage) {
    printError(QStringLiteral("Usage: tallyvane-cli ") + usage);
    return 2;
}

// The arguments left after the options: exactly count of them, none looking like an option.
bool positionals(const QStringList& args, int count) {
    if (args.size() != count)
        return false;
    for (const QString& arg : args)
        if (arg.startsWith(QLatin1String("--")))
            return false;
    return true;
}

int runSale(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    bool ok = true;
    const QString quantityText =
        takeOption(args, QStringLiteral("--quantity"), QStringLiteral("1"), ok);
    const QString taxText = takeOption(args, QStringLiteral("--tax"), QString(), ok);
    if (!ok || !positionals(args, 1))
        return usageError(kSaleUsage);
    const QString sku = args.first();

    const auto quantity = Decimal::parse(quantityText);
    if (!quantity || quantity->isZero()) {
        printError(QStringLiteral("\"%1\" is not a quantity: give a number other than 0.")
                       .arg(quantityText));
        return 2;
    }
    int taxAnswer = TaxNotAsked;
    if (taxText == QLatin1String("yes"))
        taxAnswer = TaxYes;
    else if (taxText == QLatin1String("no"))
        taxAnswer = TaxNo;
    else if (!taxText.isNull())
        return usageError(kSaleUsage);

    const SaleOutcome outcome =
        makeSale(company.folder, sku, *quantity, taxAnswer, MissingStock::Refused);
    switch (outcome.status) {
    case SaleStatus::UnknownSku:
        printError(doesNotExistText(sku));
        return 2;
    case SaleStatus::NotEnough:
        printError(notEnoughInInventoryText());
        return 2;
    case SaleStatus::NoQuantity:
        return 2;
    case SaleStatus::Recorded:
        break;
    }
    printOut(QStringLiteral("Recorded %1 of %2 of SKU %3; in stock: %4.")
                 .arg(outcome.isReturn ? QStringLiteral("return") : QStringLiteral("sale"),
                      outcome.quantity.toString(), sku, outcome.stock.toString()));
    return 0;
}

int runStats(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    if (!positionals(args, 0))
        return usageError(kStatsUsage);
    printOut(writeStatistics(company.company, company.folder));
    return 0;
}

int runReport(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    if (!positionals(args, 2))
        return usageError(kReportUsage);
    const QString name = args.at(0);
    // Only files of the company's "Reports" folder.
    const QString period = reportsFolder(company.folder) + name;
    if (!isStoreName(name) || !QFileInfo(period).isFile()) {
        printError(QStringLiteral("There is no period file \"%1\" in %2.")
                       .arg(name, QDir::toNativeSeparators(reportsFolder(company.folder))));
        return 2;
    }
    writeReport(period, args.at(1));
    printOut(QStringLiteral("Complete."));
    return 0;
}

} // namespace

CliCommand saleCommand() {
    return {QStringLiteral("sale"), kSaleUsage,
            QStringLiteral("Sells Q units (default 1) of a SKU, or returns them when Q is "
                           "negative: stock count and period files."),
            runSale};
}

CliCommand statsCommand() {
    return {QStringLiteral("stats"), kStatsUsage,
            QStringLiteral("Writes the stock statistics to Logs/LastStats.txt and prints them."),
            runStats};
}

CliCommand reportCommand() {
    return {QStringLiteral("report"), kReportUsage,
            QStringLiteral("Writes the report of the period file Reports/PERIODFILE to OUTFILE."),
            runReport};
}
