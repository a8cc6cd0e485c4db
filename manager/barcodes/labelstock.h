// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

// The sheets of common self-adhesive labels that shelf labels are printed on, free of any
// drawing surface: the command line lists them without loading the drawing libraries.

namespace barcodes {

// The paper a sheet of labels comes on.
enum class LabelPaper { A4, Letter };

// A sheet of labels as sold: its paper, and where the labels stand on it, in twips.
struct LabelStock {
    QString name; // "a4-3x8"
    QString description;
    LabelPaper paper;
    int columns, rows;
    int labelWidth, labelHeight;
    int left, top;             // the first label's corner
    int columnPitch, rowPitch; // from one label's corner to the next one's
    int perPage() const { return columns * rows; }
};

// A4 3 x 8 of 70 x 37 mm (the first, and the default), A4 3 x 7 of 70 x 42.4 mm and US Letter
// 3 x 10 of 2 5/8 x 1 in.
const QVector<LabelStock>& labelStocks();
// The sheet of that name, or nullptr.
const LabelStock* labelStock(const QString& name);

} // namespace barcodes
