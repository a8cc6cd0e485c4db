// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// "Check Company" of the chooser's Tools: checks the company and says what it found; when a crash
// left an unfinished recording or temporary files, offers to repair just that.
void checkCompanyCommand(QWidget* parent, const QString& company, const QString& companyFolder);
