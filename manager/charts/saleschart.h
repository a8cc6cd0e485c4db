// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/sales/salessummary.h"

#include <QColor>
#include <QSize>
#include <QString>

#include <optional>

class QChart;
class QPainter;

// The chart of a sales summary, shared by the "Sales Charts" window and the command line: bars
// for the days of a month or the months of a year and, where the same period of the year
// before has period files, a line for it.

enum class ChartMeasure { Gross, NetProfit, Tax, Units };

// "Gross", "Net Profit", "Tax", "Units"; and the command line's gross, net, tax, units.
QString measureCaption(ChartMeasure measure);
std::optional<ChartMeasure> measureFromName(const QString& name);
// Units are those sold less those returned.
Decimal measureOf(const SalesFigures& figures, ChartMeasure measure);

// "Corner Shop: Gross, March 2026".
QString chartTitle(const QString& company, const SalesSummary& summary, ChartMeasure measure);

// The bars take the first colour of the program's gradient, the line of the year before a
// colour that stands apart from it.
struct ChartColors {
    QColor bars;
    QColor previousYear;
};
ChartColors chartColors();

// A new chart (the caller owns it). previous may be null or hold no period file: then no line.
QChart* buildSalesChart(const QString& company, const SalesSummary& summary,
                        const SalesSummary* previous, ChartMeasure measure,
                        const ChartColors& colors);

// The picture size of saved charts and of the command line.
constexpr QSize kChartPictureSize{1200, 700};

// Draws the chart, laid out at size, into the painter's rectangle (0, 0, size).
void paintChart(QChart* chart, QPainter& painter, const QSize& size);
// Writes the chart as PNG, SVG or PDF by the file's extension (case ignored). Returns "" when
// written, else the reason it was not; the file is then left as it was.
QString saveChartPicture(QChart* chart, const QString& path, const QSize& size = kChartPictureSize);
