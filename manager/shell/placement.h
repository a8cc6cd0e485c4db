// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/settings.h"

#include <QRect>
#include <QString>

class QWidget;

// A placement moved inside an area (a screen's free part, the frame's inside): the size is kept
// where it fits, else cut to the area (but not below the minimum).
QRect fitInside(const QRect& placed, const QRect& area, const QSize& minimum = QSize(1, 1));

// A window's placement stored in the settings in twips: a state ("0" restores the stored
// position and size, anything else opens maximised) and left, top, width and height.
// An unmoved window stores back exactly the texts it read, so twips survive pixel rounding.
class TwipsPlacement {
public:
    // Defaults in the order left, top, width, height, as texts.
    TwipsPlacement(const settings::PlacementKeys& keys, const QString (&defaults)[4]);

    // Shows the window maximised or at its stored place; the minimum size applies to the latter.
    void restore(QWidget* window, const QSize& minimum = QSize(1, 1));
    void store(const QWidget* window) const;

private:
    settings::PlacementKeys m_keys;
    QString m_defaults[4];
    QString m_loadedTwips[4];
    QRect m_loadedPixels;
};
