// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

// Company folders under the company folder root. These report failures through the standard
// error handler of the procedure that failed and return false.

// Makes root/name, then its "Logs", then its "Reports"; each step only when the previous one
// succeeded. A refused name is reported for "CreateFolder".
bool createCompany(const QString& root, const QString& name);
// Deletes root/name with everything in it; a refused name is reported for "DeleteFolder".
bool deleteCompany(const QString& root, const QString& name);
// Copies the company to the new name, then deletes the old folder. Throws RuntimeError when the
// copy fails (the new name exists, a name is refused); the old folder then stays as it was.
void renameCompany(const QString& root, const QString& oldName, const QString& newName);

// The "Info" records that listing the companies writes: Company and Date (short date form) into
// today's daily and this month's monthly period file, each only when its logging setting is on.
void writeCompanyInfo(const QString& companyFolder, const QString& company, const QDate& today);
