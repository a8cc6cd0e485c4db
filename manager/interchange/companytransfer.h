#pragma once

#include <QString>
#include <QStringList>

// Moving a whole company folder out of and into the company folder root.

// What a refused or failed transfer says; empty when it went through.
struct TransferResult {
    QString error;
    QStringList copied; // the files copied, relative to the target, in copy order
};

// Copies the company folder to destination + company name, overwriting files that exist there;
// files only in the earlier copy stay. A copy that fails part-way says what it copied.
TransferResult exportCompany(const QString& root, const QString& company,
                             const QString& destination);

// Copies an exported company (a folder with a "Reports" sub-folder) to root + its folder name.
// An existing company is never overwritten; a name that is not a store name is refused. A copy
// that fails part-way removes what it made.
TransferResult importCompany(const QString& root, const QString& source);

// Whether folder is the company folder root itself (canonical paths, letter case ignored): a
// company copied there would mix with the companies.
bool isRestrictedFolder(const QString& folder, const QString& root);
