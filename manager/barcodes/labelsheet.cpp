// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/labelsheet.h"

#include "manager/barcodes/picture.h"
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
#include <QPen>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace barcodes {

namespace {

constexpr int kPadding = 120;
constexpr int kUpcModule = 18;      // 0.32 mm
constexpr int kCode39Narrow = 20;   // the windows' narrow element
constexpr int kCode39Thinnest = 12; // 0.21 mm, five dots at 600 dpi
// A PDF file is drawn on the dots of a 600 dpi printer, which are whole dots at 1200 dpi too.
constexpr int kPdfDotsPerInch = 600;

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

// The symbol centred in the width from left, top. Scanners read bars by their widths, so each
// module (or narrow element) is a whole number of the device's dots, dot twips each, and the
// symbol starts on a dot: every bar of one width then prints exactly as wide as the others.
void drawSymbol(QPainter& p, const QString& sku, Symbology symbology, double left, double top,
                double height, double width, double dot) {
    if (symbology == Symbology::Upc) {
        const QString code = sku.left(11);
        const QString stream = moduleStream(upcElements(code, upcCheckDigit(code)));
        const double module = std::max(1.0, std::round(kUpcModule / dot)) * dot;
        const double x = onDot(left + (width - stream.size() * module) / 2, dot);
        for (int i = 0; i < stream.size(); ++i)
            if (stream.at(i) == '1')
                p.fillRect(QRectF(x + i * module, top, module, height), Qt::black);
        return;
    }
    const int units = code39Units(sku);
    const double narrow = wholeDots(std::min<double>(kCode39Narrow, width / units), dot);
    double x = onDot(left + (width - units * narrow) / 2, dot) + 10 * narrow;
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

// No outline: on a sheet that is cut already, a line printed a little off lands on the next label.
void drawLabel(QPainter& p, const StoreItem& item, Symbology symbology, const LabelStock& stock,
               double left, double top, double dot) {
    const double inner = stock.labelWidth - 2 * kPadding;
    const double x = left + kPadding;
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
    const double symbolHeight =
        top + stock.labelHeight - kPadding - skuMetrics.height() - symbolTop;
    drawSymbol(p, item.sku, symbology, x, symbolTop, symbolHeight, inner, dot);
    const QString shown =
        symbology == Symbology::Upc
            ? item.sku.left(11) + QString::number(upcCheckDigit(item.sku.left(11)))
            : item.sku;
    p.drawText(QPointF(x + (inner - skuMetrics.horizontalAdvance(shown)) / 2,
                       top + stock.labelHeight - kPadding - skuMetrics.descent()),
               shown);
}

} // namespace

QPageSize labelPageSize(const LabelStock& stock) {
    return QPageSize(stock.paper == LabelPaper::Letter ? QPageSize::Letter : QPageSize::A4);
}

QString labelRefusal(const QString& sku, Symbology symbology, const LabelStock& stock) {
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
    if ((stock.labelWidth - 2 * kPadding) / code39Units(sku) < kCode39Thinnest)
        return QStringLiteral("too long for a label");
    return QString();
}

QVector<StoreItem> labelItems(const QString& companyFolder, const QStringList& profitCenters,
                              Symbology symbology, const LabelStock& stock, QStringList* skipped) {
    const QStringList centers =
        profitCenters.isEmpty() ? listProfitCenters(companyFolder) : profitCenters;
    QVector<StoreItem> labels;
    // One walk over the company: the SKU records are read once for every profit center.
    forEachItem(companyFolder, centers, [&](const StoreItem& item) {
        const QString refusal = labelRefusal(item.sku, symbology, stock);
        if (refusal.isEmpty())
            labels.append(item);
        else if (skipped)
            *skipped << QStringLiteral("%1 (%2): %3").arg(item.title, item.sku, refusal);
    });
    return labels;
}

int labelPages(const LabelStock& stock, int count, int start) {
    const int used = std::clamp(start, 1, stock.perPage()) - 1 + count;
    return count == 0 ? 1 : (used + stock.perPage() - 1) / stock.perPage();
}

QString labelCountText(int labels, int pages) {
    return QStringLiteral("%1 %2 on %3 %4.")
        .arg(labels)
        .arg(labels == 1 ? QStringLiteral("label") : QStringLiteral("labels"))
        .arg(pages)
        .arg(pages == 1 ? QStringLiteral("page") : QStringLiteral("pages"));
}

void paintLabelPage(QPainter& painter, const QVector<StoreItem>& labels, Symbology symbology,
                    const LabelStock& stock, int start, int page, int dotsPerInch) {
    const int skip = std::clamp(start, 1, stock.perPage()) - 1;
    const int first = qMax(0, page * stock.perPage() - skip);
    const int last = qMin(static_cast<int>(labels.size()), (page + 1) * stock.perPage() - skip);
    for (int i = first; i < last; ++i) {
        const int onPage = (skip + i) % stock.perPage();
        drawLabel(painter, labels.at(i), symbology, stock,
                  stock.left + (onPage % stock.columns) * stock.columnPitch,
                  stock.top + (onPage / stock.columns) * stock.rowPitch, 1440.0 / dotsPerInch);
    }
}

bool paintLabelSheet(QPainter& painter, QPagedPaintDevice& device, const QVector<StoreItem>& labels,
                     Symbology symbology, const LabelStock& stock, int start) {
    painter.save();
    painter.scale(device.logicalDpiX() / 1440.0, device.logicalDpiY() / 1440.0);
    const int pages = labelPages(stock, static_cast<int>(labels.size()), start);
    bool written = true;
    for (int page = 0; page < pages && written; ++page) {
        if (page > 0)
            written = device.newPage();
        paintLabelPage(painter, labels, symbology, stock, start, page, device.logicalDpiX());
    }
    painter.restore();
    return written;
}

QImage labelPreview(const QVector<StoreItem>& labels, Symbology symbology, const LabelStock& stock,
                    int start, int dpi) {
    const QSize size = labelPageSize(stock).sizePixels(dpi);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpi / 1440.0, dpi / 1440.0);
    // Faint outlines on the screen only, so that the user sees which label comes first.
    painter.setPen(QPen(QColor(210, 210, 210), 0, Qt::DashLine));
    for (int slot = 0; slot < stock.perPage(); ++slot)
        painter.drawRect(QRectF(stock.left + slot % stock.columns * stock.columnPitch,
                                stock.top + slot / stock.columns * stock.rowPitch, stock.labelWidth,
                                stock.labelHeight));
    paintLabelPage(painter, labels, symbology, stock, start, 0, dpi);
    return image;
}

void writeLabelPdf(const QVector<StoreItem>& labels, Symbology symbology, const QString& pdfFile,
                   const LabelStock& stock, int start) {
    if (!QFileInfo(pdfFile).absoluteDir().exists())
        throw RuntimeError::pathNotFound();
    QSaveFile file(pdfFile);
    if (!file.open(QIODevice::WriteOnly))
        throw RuntimeError::accessError();
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfDotsPerInch);
        writer.setPageLayout(
            QPageLayout(labelPageSize(stock), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QStringLiteral("Shelf labels"));
        writer.setCreator(QStringLiteral("Tallyvane"));
        QPainter painter(&writer);
        const bool written = paintLabelSheet(painter, writer, labels, symbology, stock, start);
        if (!painter.end() || !written)
            throw RuntimeError::accessError();
    }
    if (!file.commit())
        throw RuntimeError::accessError();
}

LabelSheetResult writeLabelSheet(const QString& companyFolder, const QStringList& profitCenters,
                                 Symbology symbology, const QString& pdfFile,
                                 const LabelStock& stock, int start) {
    LabelSheetResult result;
    const QVector<StoreItem> labels =
        labelItems(companyFolder, profitCenters, symbology, stock, &result.skipped);
    writeLabelPdf(labels, symbology, pdfFile, stock, start);
    result.labels = static_cast<int>(labels.size());
    result.pages = labelPages(stock, result.labels, start);
    return result;
}

} // namespace barcodes
