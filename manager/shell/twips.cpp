// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
double dpi(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double value = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return value > 0 ? value : 96.0;
}
} // namespace

double twipsPerPixelX() {
    return 1440.0 / dpi(true);
}
double twipsPerPixelY() {
    return 1440.0 / dpi(false);
}
