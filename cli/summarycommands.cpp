// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli summary and chart: the sales of a month day by day or of a year month by month,
// as a table (and CSV) with the best sellers, or as the chart the Sales Charts window draws (run
// by the drawing program: cli/draw/chartdrawing.cpp).

#include "cli/summarycommands.h"

#include "cli/command.h"

#include "manager/interchange/csvtext.h"
#include "manager/sales/salessummary.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"

#include <QFileInfo>
#include <QRegularExpression>

int salesSummaryOf(const CliCall& call, SalesSummary* summary) {
    const bool month = call.isSet(QStringLiteral("month"));
    if (month == call.isSet(QStringLiteral("year")))
        return call.usageError(QStringLiteral("Please give either --month M-YYYY or --year YYYY."));
    if (month) {
        int y = 0, m = 0;
        if (!parseMonthText(call.value(QStringLiteral("month")), &y, &m))
            return call.usageError(QStringLiteral("--month takes a month as M-YYYY, not \"%1\".")
                                       .arg(call.value(QStringLiteral("month"))));
        *summary = summarizeMonth(call.folder, y, m);
    } else {
        static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
        const QString year = call.value(QStringLiteral("year")).trimmed();
        if (!fourDigits.match(year).hasMatch() || year.toInt() == 0)
            return call.usageError(
                QStringLiteral("--year takes a year as YYYY, not \"%1\".").arg(year));
        *summary = summarizeYear(call.folder, year.toInt());
    }
    for (const SkippedPeriodFile& file : summary->skipped)
        printError(QStringLiteral("Not counted: %1 (%2)").arg(file.name, file.reason));
    return ExitDone;
}

namespace {

const int kBestSellers = 10;

QList<CliOption> periodOptions() {
    return {valueOption(QStringLiteral("month"), QStringLiteral("M-YYYY"),
                        QStringLiteral("A month, day by day (12-2026).")),
            valueOption(QStringLiteral("year"), QStringLiteral("YYYY"),
                        QStringLiteral("A year, month by month."))};
}

// Columns padded to their widest cell; text columns to the left, numbers to the right.
QString textTable(const QList<QStringList>& rows, const QList<bool>& numeric) {
    QList<int> widths(numeric.size(), 0);
    for (const QStringList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], int(row[c].size()));
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (int c = 0; c < row.size(); ++c)
            cells << (numeric[c] ? row[c].rightJustified(widths[c])
                                 : row[c].leftJustified(widths[c]));
        text += cells.join(QStringLiteral("  ")).trimmed() + QLatin1Char('\n');
    }
    return text;
}

QStringList figureCells(const QString& label, const SalesFigures& f) {
    return {label,
            f.sold.toString(),
            f.returned.toString(),
            f.gross.toString(),
            f.net.toString(),
            f.tax.toString()};
}

// One line per day or month, totals last.
QList<QStringList> periodRows(const SalesSummary& summary) {
    QList<QStringList> rows{{summary.isMonth() ? QStringLiteral("Day") : QStringLiteral("Month"),
                             QStringLiteral("Sold"), QStringLiteral("Returned"),
                             QStringLiteral("Gross"), QStringLiteral("Net Profit"),
                             QStringLiteral("Tax")}};
    for (int row = 0; row < summary.rows.size(); ++row) {
        const QString label =
            summary.isMonth() ? QString::number(row + 1) : rowCaption(summary, row);
        rows << figureCells(label, summary.rows[row]);
    }
    rows << figureCells(QStringLiteral("Total"), summary.total);
    return rows;
}

QList<QStringList> bestSellerRows(const SalesSummary& summary) {
    QList<QStringList> rows{{QStringLiteral("SKU"), QStringLiteral("Title"),
                             QStringLiteral("Units"), QStringLiteral("Gross"),
                             QStringLiteral("Share")}};
    for (const SkuSales& sku : summary.topByGross(kBestSellers))
        rows << QStringList{sku.sku, sku.title, sku.figures.units().toString(),
                            sku.figures.gross.toString(),
                            grossShareText(sku.figures.gross, summary.total.gross)};
    return rows;
}

// The table, an empty line and the best sellers, as CSV in UTF-8 with a byte-order mark.
QByteArray summaryCsv(const QList<QStringList>& rows, const QList<QStringList>& best) {
    QByteArray csv = "\xEF\xBB\xBF";
    for (const QStringList& row : rows)
        csv += csvLine(row).toUtf8() + "\r\n";
    csv += "\r\n";
    for (const QStringList& row : best)
        csv += csvLine(row).toUtf8() + "\r\n";
    return csv;
}

int runSummary(const CliCall& call) {
    SalesSummary summary;
    if (const int status = salesSummaryOf(call, &summary); status != ExitDone)
        return status;
    const QList<QStringList> rows = periodRows(summary);
    const QList<QStringList> best = bestSellerRows(summary);
    if (call.isSet(QStringLiteral("csv"))) {
        const QString file = call.value(QStringLiteral("csv"));
        try {
            saveFileAtomically(QFileInfo(file).absoluteFilePath(), summaryCsv(rows, best));
        } catch (const RuntimeError& error) {
            printError(QStringLiteral("Cannot write %1: %2").arg(file, error.description()));
            return ExitError;
        }
    }
    printOut(QStringLiteral("Sales of %1, %2\n\n").arg(call.company, periodCaption(summary)) +
             textTable(rows, {false, true, true, true, true, true}) +
             QStringLiteral("\nBest sellers\n\n") +
             textTable(best, {false, false, true, true, true}).chopped(1));
    return ExitDone;
}

CliCommand summaryCommand() {
    CliCommand command;
    command.name = QStringLiteral("summary");
    command.summary = QStringLiteral("Prints the sales of a month or a year and the best sellers.");
    command.description = QStringLiteral(
        "One line per day of the month or month of the year: units sold and returned, gross,\n"
        "net profit and tax, the totals last; then the ten best sellers by gross. Period\n"
        "files that cannot be used are named on standard error and left out.");
    command.company = CompanyUse::Company;
    command.options = periodOptions();
    command.options << valueOption(
        QStringLiteral("csv"), QStringLiteral("FILE"),
        QStringLiteral("Also writes the table and the best sellers to FILE "
                       "as CSV."));
    command.run = runSummary;
    return command;
}

CliCommand chartCommand() {
    CliCommand command;
    command.name = QStringLiteral("chart");
    command.summary =
        QStringLiteral("Draws the sales chart of a month or a year (PNG, SVG or PDF).");
    command.description = QStringLiteral(
        "Bars for the days of the month or the months of the year, and a line for the same\n"
        "period of the year before where its period files exist.");
    command.company = CompanyUse::Company;
    command.options = periodOptions();
    command.options << choiceOption(
        QStringLiteral("measure"),
        {QStringLiteral("gross"), QStringLiteral("net"), QStringLiteral("tax"),
         QStringLiteral("units")},
        QStringLiteral("What the bars show (units: sold less returned)."), QStringLiteral("gross"));
    command.arguments = {{QStringLiteral("OUT.png|svg|pdf"),
                          QStringLiteral("The picture to write, its kind by the extension."),
                          false,
                          {}}};
    command.draws = true;
    return command;
}

const CliRegistration registeredSummary(summaryCommand);
const CliRegistration registeredChart(chartCommand);

} // namespace
