// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Shelf labels: one label per item with its title, price and a symbol of its SKU, 3 x 8 to an
// A4 page, written as a PDF file.
namespace barcodes {

enum class Symbology { Code39, Upc };

struct LabelSheetResult {
    int labels = 0;
    int pages = 0;
    QStringList skipped; // "TITLE (SKU): why", one per item left off the sheet
};

// Why a SKU gets no symbol of the symbology, or "" when it can have one. A symbol must read
// back as exactly the SKU: Code 39 has no lower-case letters and no "*", UPC-A needs 11 digits
// or 12 whose last is the right check digit.
QString labelRefusal(const QString& sku, Symbology symbology);

// The labels of the items of the given profit centers (every one when empty), in the order of
// the profit centers and their lines. Throws RuntimeError when the file cannot be written.
LabelSheetResult writeLabelSheet(const QString& companyFolder, const QStringList& profitCenters,
                                 Symbology symbology, const QString& pdfFile);

} // namespace barcodes
