// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"

#include <QStringList>

// The item window's grid as "title|sku|cost|price|stock" rows, top to bottom.
inline QStringList gridRows(const frmMain& w) {
    QStringList texts;
    for (int r = 0; r < w.model()->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ItemModel::ColumnCount; ++c)
            cells << w.model()->cellText(r, c);
        texts << cells.join('|');
    }
    return texts;
}
