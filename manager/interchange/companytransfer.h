// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Moving a whole company folder out of and into the company folder root.

// What a refused or failed transfer says; empty when it went through.
struct TransferResult {
    QString error;
    QStringList copied;     // the files copied, relative to the target, in copy order
    bool cancelled = false; // the user cancelled: nothing was changed
};

// Told after each file is copied; false cancels the transfer.
using TransferProgress = std::function<bool(int done, int total)>;

// Copies the company folder to destination + company name, overwriting files that exist there;
// files only in the earlier copy stay. The files are first copied into a hidden folder beside
// the copy, so a cancelled or failed copy changes nothing there; only the final moves can stop
// part-way, and then the error says what was moved.
TransferResult exportCompany(const QString& root, const QString& company,
                             const QString& destination, const TransferProgress& progress = {});

// Copies an exported company (a folder with a "Reports" sub-folder) to root + its folder name.
// An existing company is never overwritten; a name that is not a store name is refused. A copy
// that fails part-way or is cancelled removes what it made: the copy is made in a hidden folder
// of the root and renamed into place when complete.
TransferResult importCompany(const QString& root, const QString& source,
                             const TransferProgress& progress = {});

// Whether folder is the company folder root itself (canonical paths, letter case ignored): a
// company copied there would mix with the companies.
bool isRestrictedFolder(const QString& folder, const QString& root);
