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

void showToolBeside(QWidget* owner, QWidget* tool) {
    owner->hide();
    showToolWindow(tool);
    // Shown again while still marked modal, the owner would block every other window.
    owner->setWindowModality(Qt::NonModal);
    owner->setAttribute(Qt::WA_ShowModal, false);
    owner->show();
    // The small owner stays in sight over the frame that now shows the tool window.
    owner->raise();
    owner->activateWindow();
}
