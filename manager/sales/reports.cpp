// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/reports.h"
#include "manager/sales/recording.h"

#include "manager/store/filesystem.h"

#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"
#include "manager/store/textcodec.h"

#include <QFileInfo>
#include <QLocale>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

const QStringList& reportSections() {
    static const QStringList sections = {QStringLiteral("Info"),      QStringLiteral("Totals"),
                                         QStringLiteral("GrossSale"), QStringLiteral("NetProfit"),
                                         QStringLiteral("Tax"),       QStringLiteral("Sales"),
                                         QStringLiteral("Returns")};
    return sections;
}

QByteArray reportBytes(const QString& periodFilePath) {
    if (!QFileInfo(periodFilePath).isFile())
        throw RuntimeError::fileNotFound();
    const RecordFile period = RecordFile::load(periodFilePath);
    QString text;
    for (const QString& section : reportSections()) {
        text += section + QStringLiteral(":") + kCrLf;
        text += period.section(section, QString()).replace(QLatin1Char('='), QLatin1Char(','));
        text += kCrLf;
    }
    return encodeStoreText(text);
}

void writeReport(const QString& periodFilePath, const QString& outputPath) {
    saveTextFile(outputPath, decodeStoreText(reportBytes(periodFilePath)));
}

void saveTextFile(const QString& path, const QString& text) {
    saveFileAtomically(path, encodeStoreText(text));
}

StockStatistics computeStatistics(const QString& companyFolder) {
    StockStatistics s;
    const QStringList profitCenters = listProfitCenters(companyFolder);
    s.profitCenters = int(profitCenters.size());
    forEachItem(companyFolder, profitCenters, [&](const StoreItem& item) {
        ++s.uniqueItems;
        const Decimal count = storedSkuNumber(item.stock, QStringLiteral("stock"), item.sku);
        s.totalItems += count;
        s.totalCost += storedSkuNumber(item.cost, QStringLiteral("cost"), item.sku) * count;
        s.totalPrice += storedSkuNumber(item.price, QStringLiteral("price"), item.sku) * count;
        if (Decimal::fromTyped(item.tax) == Decimal(1))
            ++s.taxed;
        if (count <= Decimal(0))
            ++s.outOfStock;
    });
    return s;
}

QString generalDateText(const QDateTime& moment) {
    // Short date and the time with seconds, as the system writes them; no time zone.
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    timeFormat = timeFormat.trimmed();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(moment.time(), timeFormat);
}

QString statisticsText(const QString& company, const StockStatistics& s, const QString& taxPercent,
                       const QDateTime& moment) {
    QStringList lines;
    lines << QStringLiteral("Statistics for ") + company + QStringLiteral(" as of ") +
                 generalDateText(moment) + QStringLiteral(":");
    lines << QStringLiteral("Profit Centers: ") + QString::number(s.profitCenters);
    lines << QStringLiteral("Unique Items: ") + QString::number(s.uniqueItems);
    lines << QStringLiteral("Total Items: ") + s.totalItems.toString();
    lines << QStringLiteral("Out of Stock Items: ") + QString::number(s.outOfStock);
    lines << QStringLiteral("Items With Tax Applied: ") + QString::number(s.taxed);
    lines << QStringLiteral("Current Tax Rate Applied: %") + taxPercent;
    lines << QStringLiteral("Total Cost of Items: $") + s.totalCost.toString();
    lines << QStringLiteral("Total Price of Items: $") + s.totalPrice.toString();
    const Decimal zero;
    // Averages are per unit in stock.
    if (s.totalCost > zero && s.totalItems > zero)
        lines << QStringLiteral("Average Cost of Item: $") +
                     Decimal::divided(s.totalCost, s.totalItems, 2).toString();
    if (s.totalPrice > zero && s.totalItems > zero)
        lines << QStringLiteral("Average Price of Item: $") +
                     Decimal::divided(s.totalPrice, s.totalItems, 2).toString();
    lines << QStringLiteral("Total Possible Profit: $") + (s.totalPrice - s.totalCost).toString();
    return lines.join(kCrLf);
}

QString lastStatsPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("LastStats.txt");
}

QString currentStatistics(const QString& company, const QString& companyFolder,
                          const QDateTime& moment) {
    const StockStatistics statistics = computeStatistics(companyFolder);
    return statisticsText(company, statistics, settings::taxPercent(QStringLiteral("0")), moment);
}

QString writeStatistics(const QString& company, const QString& companyFolder,
                        const QDateTime& moment) {
    const QString text = currentStatistics(company, companyFolder, moment);
    saveTextFile(lastStatsPath(companyFolder), text + kCrLf);
    return text;
}
