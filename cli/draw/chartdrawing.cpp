// SPDX-License-Identifier: GPL-3.0-or-later
// The run of tallyvane-cli chart, in the drawing program: the chart the Sales Charts window
// draws, as a PNG, SVG or PDF file.

#include "cli/command.h"
#include "cli/summarycommands.h"

#include "manager/charts/saleschart.h"

#include <QChart>
#include <QFileInfo>

#include <memory>

namespace {

int runChart(const CliCall& call) {
    const QString file = call.arguments.first();
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
        suffix != QLatin1String("pdf")) {
        printError(QStringLiteral("The file name must end in .png, .svg or .pdf."));
        return ExitRefused;
    }
    SalesSummary summary;
    if (const int status = salesSummaryOf(call, &summary); status != ExitDone)
        return status;
    const SalesSummary previous = summary.isMonth()
                                      ? summarizeMonth(call.folder, summary.year - 1, summary.month)
                                      : summarizeYear(call.folder, summary.year - 1);
    const ChartMeasure measure =
        measureFromName(call.value(QStringLiteral("measure"))).value_or(ChartMeasure::Gross);
    std::unique_ptr<QChart> chart(
        buildSalesChart(call.company, summary, &previous, measure, chartColors()));
    const QString failure = saveChartPicture(chart.get(), QFileInfo(file).absoluteFilePath());
    if (!failure.isEmpty()) {
        printError(QStringLiteral("Cannot write %1: %2").arg(file, failure));
        return ExitError;
    }
    return ExitDone;
}

const CliDrawingRegistration registeredChart("chart", runChart);

} // namespace
