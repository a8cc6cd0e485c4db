// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli low-stock and levels: the stock levels of a company and what to reorder.

#include "cli/command.h"

#include "manager/interchange/levelscsv.h"
#include "manager/sales/lowstock.h"
#include "manager/sales/recording.h"
#include "manager/store/filesystem.h"
#include "manager/store/items.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// The list as columns, each as wide as its widest text.
QString listText(const LowStockList& list) {
    QList<QStringList> rows{{QStringLiteral("Profit Center"), QStringLiteral("Title"),
                             QStringLiteral("SKU"), QStringLiteral("In Stock"),
                             QStringLiteral("Minimum"), QStringLiteral("Order"),
                             QStringLiteral("Order Cost")}};
    for (const LowStockLine& l : list.lines)
        rows << QStringList{l.profitCenter,
                            l.title,
                            l.sku,
                            l.stock.toString(),
                            QString::number(l.minimum),
                            l.order.toString(),
                            lowStockMoney(l.orderCost)};
    QList<int> widths(rows.first().size(), 0);
    for (const QStringList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], int(row[c].size()));
    QStringList lines;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (int c = 0; c < row.size(); ++c) // text left, numbers right
            cells << (c < 3 ? row[c].leftJustified(widths[c]) : row[c].rightJustified(widths[c]));
        lines << cells.join(QStringLiteral("  ")).trimmed();
    }
    lines << QStringLiteral("To order: %1 units, cost %2.")
                 .arg(list.totalOrder.toString(), lowStockMoney(list.totalCost));
    return lines.join(QLatin1Char('\n'));
}

int runLowStock(const CliCall& call) {
    const LowStockList list = lowStockList(call.folder);
    if (call.isSet(QStringLiteral("csv")))
        saveFileAtomically(QFileInfo(call.value(QStringLiteral("csv"))).absoluteFilePath(),
                           lowStockCsv(list));
    if (list.lines.isEmpty()) {
        printOut(QStringLiteral("No item is at or below its minimum stock."));
        return ExitDone;
    }
    printOut(listText(list));
    return ExitFound;
}

CliCommand lowStockCommand() {
    CliCommand command;
    command.name = QStringLiteral("low-stock");
    command.summary = QStringLiteral("Prints every SKU at or below its minimum stock, most urgent "
                                     "first; exit status 3 when there is one.");
    command.company = CompanyUse::Company;
    command.options = {valueOption(QStringLiteral("csv"), QStringLiteral("FILE"),
                                   QStringLiteral("Also writes the list as a CSV purchase list."))};
    command.run = runLowStock;
    return command;
}

const QString kSet = QStringLiteral("set");
const QString kClear = QStringLiteral("clear");
const QString kImport = QStringLiteral("import");
const QString kExport = QStringLiteral("export");

int runLevels(const CliCall& call) {
    const QString action = call.arguments.at(0);
    if (call.arguments.size() < 2)
        return call.usageError(action == kSet || action == kClear
                                   ? QStringLiteral("Please give SKU.")
                                   : QStringLiteral("Please give FILE."));
    const QString target = call.arguments.at(1);
    if (action == kImport) {
        const LevelsImportSummary summary = importStockLevels(call.folder, target);
        printOut(summary.text().replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed());
        return ExitDone;
    }
    if (action == kExport) {
        saveFileAtomically(QFileInfo(target).absoluteFilePath(), stockLevelsCsv(call.folder));
        printOut(QStringLiteral("Export Complete."));
        return ExitDone;
    }
    StockLevel level;
    if (action == kSet) {
        if (!call.isSet(QStringLiteral("minimum")))
            return call.usageError(QStringLiteral("Please give --minimum N."));
        for (const auto& [name, value] : {std::pair{QStringLiteral("minimum"), &level.minimum},
                                          std::pair{QStringLiteral("order"), &level.order}}) {
            const QString text = call.value(name);
            if (!ItemRecords::parseLevel(text, value) || (call.isSet(name) && !*value))
                return call.usageError(
                    QStringLiteral("--%1 takes a whole number of 0 or more, not \"%2\".")
                        .arg(name, text));
        }
    }
    if (!ItemRecords(call.folder).hasSku(target)) {
        printError(doesNotExistText(target));
        return ExitRefused;
    }
    saveStockLevels(call.folder, {{target, level}});
    printOut((action == kSet ? QStringLiteral("Levels of %1 saved.")
                             : QStringLiteral("Levels of %1 cleared."))
                 .arg(target));
    return ExitDone;
}

CliCommand levelsCommand() {
    CliCommand command;
    command.name = QStringLiteral("levels");
    command.summary = QStringLiteral("Sets, clears, imports or exports the minimum stock and "
                                     "order quantity of SKUs.");
    command.description = QStringLiteral(
        "set SKU needs --minimum; import and export read and write CSV files of SKU, minimum "
        "and order quantity, and an import prints a summary of the lines it skipped.");
    command.company = CompanyUse::Company;
    command.options = {
        valueOption(QStringLiteral("minimum"), QStringLiteral("N"),
                    QStringLiteral("The minimum stock (set only).")),
        valueOption(QStringLiteral("order"), QStringLiteral("N"),
                    QStringLiteral("The quantity to order (set only); none when not given."))};
    command.arguments = {{QStringLiteral("ACTION"),
                          QStringLiteral("What to do with the levels."),
                          false,
                          {kSet, kClear, kImport, kExport}},
                         {QStringLiteral("SKU|FILE"),
                          QStringLiteral("The SKU (set, clear) or the CSV file (import, export)."),
                          false,
                          {}}};
    command.run = runLevels;
    return command;
}

const CliRegistration registeredLowStock(lowStockCommand);
const CliRegistration registeredLevels(levelsCommand);

} // namespace
