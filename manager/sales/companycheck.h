// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// A company looked over the way a careful owner would after a crash or a restore: every record
// file parses, no recovery journal or temporary file is left, every title's SKU has its cost,
// price, tax flag and stock, stock counts are whole numbers in the 32-bit range, and each period
// file's totals equal the sums of its per-SKU lines.
struct CompanyCheck {
    QStringList problems; // one sentence each, naming the file (relative to the company)
    QStringList repairs;  // what the repair did
    bool clean() const { return problems.isEmpty(); }
};

// Checks the company under its lock, changing nothing. With repair, first finishes the journal a
// crash left (or sets it aside when it cannot be finished) and removes the temporary files left
// beside the record files, nothing else; the problems are then those that remain. Throws
// RuntimeError when the company cannot be locked.
CompanyCheck checkCompany(const QString& companyFolder, bool repair);
