// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/windowhost.h"

#include "manager/shell/helpkey.h"

#include <QWidget>

namespace {
WindowShower& shower() {
    static WindowShower current;
    return current;
}
} // namespace

void setWindowShower(WindowShower s) {
    installHelpKey(); // F1 opens the help wherever windows are shown
    shower() = std::move(s);
}

void showToolWindow(QWidget* window) {
    installHelpKey();
    if (shower())
        shower()(window);
    else
        window->show();
}
