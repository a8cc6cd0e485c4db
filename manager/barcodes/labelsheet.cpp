// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/labelsheet.h"

#include "manager/barcodes/symbols.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace barcodes {

namespace {

// Twips of an A4 page, its margins and one label.
constexpr int kPageWidth = 11906, kPageHeight = 16838;
constexpr int kSideMargin = 397, kTopMargin = 567; // 7 mm and 10 mm
constexpr int kColumns = 3, kRows = 8;
constexpr int kLabelWidth = (kPageWidth - 2 * kSideMargin) / kColumns;
constexpr int kLabelHeight = (kPageHeight - 2 * kTopMargin) / kRows;
constexpr int kPadding = 120;
constexpr int kUpcModule = 18;      // 0.32 mm
constexpr int kCode39Narrow = 20;   // the windows' narrow element
constexpr int kCode39Thinnest = 11; // still two dots at 300 dpi

QFont labelFont(int points, bool bold = false) {
    QFont f(QStringLiteral("sans-serif"));
    f.setPixelSize(points * 20);
    f.setBold(bold);
    return f;
}

// Narrow elements of a Code 39 symbol with its quiet zones of ten narrow each side.
int code39Units(const QString& sku) {
    return (sku.size() + 2) * 16 - 1 + 20;
}

// Bars from left, top, each module (or narrow element) unit twips wide.
void drawSymbol(QPainter& p, const QString& sku, Symbology symbology, double left, double top,
                double height) {
    if (symbology == Symbology::Upc) {
        const QString code = sku.left(11);
        const QString stream = moduleStream(upcElements(code, upcCheckDigit(code)));
        for (int i = 0; i < stream.size(); ++i)
            if (stream.at(i) == '1')
                p.fillRect(QRectF(left + i * kUpcModule, top, kUpcModule, height), Qt::black);
        return;
    }
    const int units = code39Units(sku);
    const double narrow = qMin<double>(kCode39Narrow, (kLabelWidth - 2 * kPadding) / double(units));
    double x = left + ((kLabelWidth - 2 * kPadding) - units * narrow) / 2 + 10 * narrow;
    for (const QString& pattern : code39PatternList(sku)) {
        bool black = true;
        for (const QChar d : pattern) {
            const double e = d == '2' ? 3 * narrow : narrow; // wide is three narrow
            if (black)
                p.fillRect(QRectF(x, top, e, height), Qt::black);
            black = !black;
            x += e;
        }
        x += narrow;
    }
}

void drawLabel(QPainter& p, const StoreItem& item, Symbology symbology, double left, double top) {
    const double inner = kLabelWidth - 2 * kPadding;
    const double x = left + kPadding;
    p.setPen(QColor(200, 200, 200));
    p.drawRect(QRectF(left, top, kLabelWidth, kLabelHeight));
    p.setPen(Qt::black);
    p.setFont(labelFont(9, true));
    const QFontMetricsF titleMetrics(p.font());
    p.drawText(QPointF(x, top + kPadding + titleMetrics.ascent()),
               titleMetrics.elidedText(item.title, Qt::ElideRight, inner));
    p.setFont(labelFont(9));
    p.drawText(QPointF(x, top + kPadding + titleMetrics.height() + titleMetrics.ascent()),
               ShowMoney(item.price));
    const double symbolTop = top + kPadding + 2 * titleMetrics.height() + 60;
    p.setFont(labelFont(7));
    const QFontMetricsF skuMetrics(p.font());
    const double symbolHeight = top + kLabelHeight - kPadding - skuMetrics.height() - symbolTop;
    const double symbolLeft = symbology == Symbology::Upc ? x + (inner - 95 * kUpcModule) / 2 : x;
    drawSymbol(p, item.sku, symbology, symbolLeft, symbolTop, symbolHeight);
    const QString shown =
        symbology == Symbology::Upc
            ? item.sku.left(11) + QString::number(upcCheckDigit(item.sku.left(11)))
            : item.sku;
    p.drawText(QPointF(x + (inner - skuMetrics.horizontalAdvance(shown)) / 2,
                       top + kLabelHeight - kPadding - skuMetrics.descent()),
               shown);
}

} // namespace

QString labelRefusal(const QString& sku, Symbology symbology) {
    if (sku.isEmpty())
        return QStringLiteral("no SKU");
    if (symbology == Symbology::Upc) {
        const QString code = sku.left(11);
        if ((sku.size() != 11 && sku.size() != 12) || !isUpcCode(code) ||
            (sku.size() == 12 && !sku.at(11).isDigit()))
            return QStringLiteral("a UPC-A symbol needs 11 or 12 digits");
        if (sku.size() == 12 && sku.at(11).digitValue() != upcCheckDigit(code))
            return QStringLiteral("the last digit is not the UPC-A check digit");
        return QString();
    }
    QString skipped;
    code39PatternList(sku, &skipped);
    if (!skipped.isEmpty() || sku.toUpper() != sku)
        return QStringLiteral("Code 39 cannot encode it exactly");
    if ((kLabelWidth - 2 * kPadding) / code39Units(sku) < kCode39Thinnest)
        return QStringLiteral("too long for a label");
    return QString();
}

LabelSheetResult writeLabelSheet(const QString& companyFolder, const QStringList& profitCenters,
                                 Symbology symbology, const QString& pdfFile) {
    const QStringList centers =
        profitCenters.isEmpty() ? listProfitCenters(companyFolder) : profitCenters;
    LabelSheetResult result;
    QVector<StoreItem> labels;
    for (const QString& center : centers) {
        for (const StoreItem& item : readItems(companyFolder, center)) {
            const QString refusal = labelRefusal(item.sku, symbology);
            if (refusal.isEmpty())
                labels.append(item);
            else
                result.skipped << QStringLiteral("%1 (%2): %3").arg(item.title, item.sku, refusal);
        }
    }
    if (!QFileInfo(pdfFile).absoluteDir().exists())
        throw RuntimeError::pathNotFound();
    QSaveFile file(pdfFile);
    if (!file.open(QIODevice::WriteOnly))
        throw RuntimeError::accessError();
    {
        QPdfWriter writer(&file);
        writer.setResolution(1440); // the painter's unit is the twip
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QStringLiteral("Shelf labels"));
        writer.setCreator(QStringLiteral("Tallyvane"));
        QPainter painter(&writer);
        for (int i = 0; i < labels.size(); ++i) {
            const int onPage = i % (kColumns * kRows);
            if (i > 0 && onPage == 0)
                writer.newPage();
            drawLabel(painter, labels.at(i), symbology,
                      kSideMargin + (onPage % kColumns) * kLabelWidth,
                      kTopMargin + (onPage / kColumns) * kLabelHeight);
        }
        if (!painter.end())
            throw RuntimeError::accessError();
    }
    if (!file.commit())
        throw RuntimeError::accessError();
    result.labels = static_cast<int>(labels.size());
    result.pages = labels.isEmpty() ? 1 : static_cast<int>((labels.size() + 23) / 24);
    return result;
}

} // namespace barcodes
