// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/windowhost.h"

#include <QWidget>

namespace {
WindowShower& shower() {
    static WindowShower current;
    return current;
}
} // namespace

void setWindowShower(WindowShower s) {
    shower() = std::move(s);
}

void showToolWindow(QWidget* window) {
    if (shower())
        shower()(window);
    else
        window->show();
}
