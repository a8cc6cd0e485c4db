// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/charts/saleschart.h"

#include "manager/shell/gradient.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

QString measureCaption(ChartMeasure measure) {
    switch (measure) {
    case ChartMeasure::Gross:
        return QStringLiteral("Gross");
    case ChartMeasure::NetProfit:
        return QStringLiteral("Net Profit");
    case ChartMeasure::Tax:
        return QStringLiteral("Tax");
    case ChartMeasure::Units:
        return QStringLiteral("Units");
    }
    return {};
}

std::optional<ChartMeasure> measureFromName(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("gross"))
        return ChartMeasure::Gross;
    if (n == QLatin1String("net"))
        return ChartMeasure::NetProfit;
    if (n == QLatin1String("tax"))
        return ChartMeasure::Tax;
    if (n == QLatin1String("units"))
        return ChartMeasure::Units;
    return std::nullopt;
}

Decimal measureOf(const SalesFigures& figures, ChartMeasure measure) {
    switch (measure) {
    case ChartMeasure::Gross:
        return figures.gross;
    case ChartMeasure::NetProfit:
        return figures.net;
    case ChartMeasure::Tax:
        return figures.tax;
    case ChartMeasure::Units:
        return figures.units();
    }
    return {};
}

QString chartTitle(const QString& company, const SalesSummary& summary, ChartMeasure measure) {
    return QStringLiteral("%1: %2, %3")
        .arg(company, measureCaption(measure), periodCaption(summary));
}

ChartColors chartColors() {
    QColor bars = gradientFirstColor();
    // A colour as light as the white plot behind it would hide the bars.
    if (bars.lightness() > 200)
        bars = bars.darker(160);
    const int hue = bars.hsvHue() < 0 ? 30 : (bars.hsvHue() + 150) % 360;
    return {bars, QColor::fromHsv(hue, 220, 200)};
}

QChart* buildSalesChart(const QString& company, const SalesSummary& summary,
                        const SalesSummary* previous, ChartMeasure measure,
                        const ChartColors& colors) {
    auto* chart = new QChart;
    chart->setTitle(chartTitle(company, summary, measure));
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);

    QStringList categories;
    auto* bars = new QBarSet(periodCaption(summary));
    bars->setColor(colors.bars);
    bars->setBorderColor(colors.bars.darker(130));
    double low = 0;
    double high = 0;
    for (int row = 0; row < summary.rows.size(); ++row) {
        const double value = measureOf(summary.rows[row], measure).toDouble();
        *bars << value;
        low = std::min(low, value);
        high = std::max(high, value);
        categories << (summary.isMonth() ? QString::number(row + 1)
                                         : QLocale::c().monthName(row + 1, QLocale::ShortFormat));
    }
    auto* series = new QBarSeries;
    series->append(bars);
    chart->addSeries(series);

    auto* axisX = new QBarCategoryAxis;
    axisX->append(categories);
    // Day numbers are short enough to stand whole even where the axis thinks them too wide;
    // thirty-one of them side by side need a smaller type in a window's chart.
    axisX->setTruncateLabels(false);
    if (categories.size() > 16) {
        QFont small = axisX->labelsFont();
        small.setPointSizeF(small.pointSizeF() * 0.75);
        axisX->setLabelsFont(small);
    }
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    auto* axisY = new QValueAxis;
    axisY->setTitleText(measureCaption(measure));
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);

    if (previous && previous->anyFound() && previous->rows.size() == summary.rows.size()) {
        auto* line = new QLineSeries;
        line->setName(periodCaption(*previous));
        QPen pen(colors.previousYear, 2.5);
        line->setPen(pen);
        line->setPointsVisible(true);
        for (int row = 0; row < previous->rows.size(); ++row) {
            const double value = measureOf(previous->rows[row], measure).toDouble();
            line->append(row, value);
            low = std::min(low, value);
            high = std::max(high, value);
        }
        chart->addSeries(line);
        line->attachAxis(axisX);
        line->attachAxis(axisY);
    }
    axisY->setRange(low, high > low ? high : low + 1);
    axisY->applyNiceNumbers();
    axisY->setLabelFormat(measure == ChartMeasure::Units ? QStringLiteral("%g")
                                                         : QStringLiteral("%.2f"));
    return chart;
}

void paintChart(QChart* chart, QPainter& painter, const QSize& size) {
    const QRectF area(QPointF(0, 0), QSizeF(size));
    QGraphicsScene scene;
    scene.addItem(chart);
    scene.setSceneRect(area);
    chart->setGeometry(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, area, area);
    scene.removeItem(chart); // the caller keeps the chart
}

namespace {

QByteArray pngBytes(QChart* chart, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paintChart(chart, painter, size);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray svgBytes(QChart* chart, const QSize& size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(chart->title());
        QPainter painter(&generator);
        paintChart(chart, painter, size);
    }
    return bytes;
}

QByteArray pdfBytes(QChart* chart, const QSize& size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        const int dpi = 96;
        writer.setResolution(dpi);
        writer.setTitle(chart->title());
        writer.setCreator(QStringLiteral("Tallyvane"));
        writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / dpi, QPageSize::Point));
        writer.setPageMargins(QMarginsF());
        QPainter painter(&writer);
        paintChart(chart, painter, size);
    }
    return bytes;
}

} // namespace

QString saveChartPicture(QChart* chart, const QString& path, const QSize& size) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    if (suffix == QLatin1String("png"))
        bytes = pngBytes(chart, size);
    else if (suffix == QLatin1String("svg"))
        bytes = svgBytes(chart, size);
    else if (suffix == QLatin1String("pdf"))
        bytes = pdfBytes(chart, size);
    else
        return QStringLiteral("the picture must be a .png, .svg or .pdf file");
    if (bytes.isEmpty())
        return QStringLiteral("the picture could not be drawn");
    try {
        saveFileAtomically(path, bytes);
    } catch (const RuntimeError& error) {
        return error.description();
    }
    return {};
}
