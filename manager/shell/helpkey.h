// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Starts the help viewer beside this program: at its home page (the Help menu) or, given a
// page name, at that page. A missing viewer or one that will not start throws RuntimeError.
void startHelp(const QString& page = QString());

// How the viewer is started; tests record the command line instead. An empty starter restores
// the real one.
using HelpStarter = std::function<void(const QString& program, const QStringList& arguments)>;
void setHelpStarter(HelpStarter starter);

// The book page of the window that holds widget: the nearest window, from widget outwards,
// that has a page of its own; the contents page when none has.
QString helpPageFor(const QWidget* widget);

// From now on F1 in any window of the program opens the viewer at that window's page. Called
// again it does nothing.
void installHelpKey();
