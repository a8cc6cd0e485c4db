// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/labelstock.h"

namespace barcodes {

namespace {

constexpr int mm(double millimetres) {
    return int(millimetres * 1440 / 25.4 + 0.5);
}

} // namespace

const QVector<LabelStock>& labelStocks() {
    static const QVector<LabelStock> stocks = {
        {QStringLiteral("a4-3x8"), QStringLiteral("A4, 3 x 8 labels of 70 x 37 mm"), LabelPaper::A4,
         3, 8, mm(70), mm(37), 0, mm(0.5), mm(70), mm(37)},
        {QStringLiteral("a4-3x7"), QStringLiteral("A4, 3 x 7 labels of 70 x 42.4 mm"),
         LabelPaper::A4, 3, 7, mm(70), mm(42.4), 0, mm(0.1), mm(70), mm(42.4)},
        {QStringLiteral("letter-3x10"), QStringLiteral("US Letter, 3 x 10 labels of 2 5/8 x 1 in"),
         LabelPaper::Letter, 3, 10, 3780, 1440, 270, 720, 3960, 1440},
    };
    return stocks;
}

const LabelStock* labelStock(const QString& name) {
    for (const LabelStock& stock : labelStocks())
        if (stock.name == name)
            return &stock;
    return nullptr;
}

} // namespace barcodes
