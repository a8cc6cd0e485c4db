// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A file the programs ship beside themselves ("offline.html", ...): the one in the program's
// own folder when it is there (a build folder, a copied installation), else the one in the
// installed data folder (share/tallyvane). When neither exists, the program-folder path, so a
// message names where the file was looked for. Nothing is ever written to either folder.
QString programFile(const QString& name);

// Another Tallyvane program ("tallyvane-help", ".exe" added on Windows): the one beside this
// program, in the build folder as in /usr/bin.
QString programExecutable(const QString& name);
