// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/barcodes/labelstock.h"
#include "manager/store/companystore.h"

#include <QImage>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <QVector>

// Shelf labels: one label per item with its title, price and a symbol of its SKU, on a sheet of
// common self-adhesive labels, written as a PDF file.
class QPainter;
class QPagedPaintDevice;

namespace barcodes {

// The page size of the sheet's paper.
QPageSize labelPageSize(const LabelStock& stock);

enum class Symbology { Code39, Upc };

struct LabelSheetResult {
    int labels = 0;
    int pages = 0;
    QStringList skipped; // "TITLE (SKU): why", one per item left off the sheet
};

// Why a SKU gets no symbol of the symbology, or "" when it can have one. A symbol must read
// back as exactly the SKU: Code 39 has no lower-case letters and no "*", UPC-A needs 11 digits
// or 12 whose last is the right check digit.
QString labelRefusal(const QString& sku, Symbology symbology,
                     const LabelStock& stock = labelStocks().first());

// The items of the given profit centers (every one when empty) that can have a label of the
// symbology, in the order of the profit centers and their lines; why each other one cannot goes
// to skipped.
QVector<StoreItem> labelItems(const QString& companyFolder, const QStringList& profitCenters,
                              Symbology symbology, const LabelStock& stock, QStringList* skipped);

// Sheets needed for count labels from label number start.
int labelPages(const LabelStock& stock, int count, int start);

// "12 labels on 1 page.": the count the window and the command line both show.
QString labelCountText(int labels, int pages);

// The one drawing of the sheets: paints page (0 = the first) of the labels from label number
// start, in twips from the corner of the paper, the bars on the dots of a device of that
// resolution.
void paintLabelPage(QPainter& painter, const QVector<StoreItem>& labels, Symbology symbology,
                    const LabelStock& stock, int start, int page, int dotsPerInch);
// Paints every page on a printer or PDF writer the painter is open on, whose page is the
// sheet's paper with no margins. Returns false when the device failed.
bool paintLabelSheet(QPainter& painter, QPagedPaintDevice& device, const QVector<StoreItem>& labels,
                     Symbology symbology, const LabelStock& stock, int start);
// The first page as a picture of dpi dots per inch, for the screen, with faint outlines.
QImage labelPreview(const QVector<StoreItem>& labels, Symbology symbology, const LabelStock& stock,
                    int start, int dpi);
// Writes the labels as a PDF file. Throws RuntimeError when the file cannot be written.
void writeLabelPdf(const QVector<StoreItem>& labels, Symbology symbology, const QString& pdfFile,
                   const LabelStock& stock, int start);

// The labels of the items of the given profit centers (every one when empty), in the order of
// the profit centers and their lines, from label number start (1 = top left) of the first sheet,
// so that a sheet used in part can be used up. Throws RuntimeError when the file cannot be
// written.
LabelSheetResult writeLabelSheet(const QString& companyFolder, const QStringList& profitCenters,
                                 Symbology symbology, const QString& pdfFile,
                                 const LabelStock& stock = labelStocks().first(), int start = 1);

} // namespace barcodes
