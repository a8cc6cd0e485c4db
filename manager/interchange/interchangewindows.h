// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The chooser's Tools commands that move data out of and into the company store. Each shows
// its dialogs and messages; errors are reported, never thrown.

// "&Export Current Inventory": every item of the company into one CSV file the user names.
void exportCurrentInventory(QWidget* parent, const QString& company, const QString& folder);
// "E&xport Company": copies the company's folder into a folder the user picks. The parent is
// disabled while it copies.
void exportCompanyFolder(QWidget* parent, const QString& root, const QString& company);
// "I&mport Company": copies an exported company into the root. Returns false when the user
// cancelled; imported is then, and for a refused import, "".
bool importCompanyFolder(QWidget* parent, const QString& root, QString* imported);
