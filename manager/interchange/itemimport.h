// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Item CSV files: six columns per line (title, cost, price, taxable flag, SKU, stock), read into
// one profit center and written by the inventory export.

// The messages of an import, as the item window shows them.
QString importInstructionsText();
QString importMissingText();  // "Required information ..."
QString importContinueText(); // "... Attempting to continue..."
QString importCannotContinueText();
QString importOverwriteText(const QString& title);

enum class OverwriteAnswer { Yes, No, YesToAll, NoToAll };

struct ImportHandlers {
    // A fourth field that is empty or not a number (TRUE, yes, FALSE and no are read as 1 and
    // 0): the flag of the line before is kept.
    std::function<void(int line)> taxError;
    // A line without title or SKU; it is skipped.
    std::function<void(int line)> missing;
    // The title exists already in the profit center (or was written by an earlier line).
    std::function<OverwriteAnswer(const QString& title)> overwrite;
    // Called now and then while lines are handled; false cancels, and then nothing is written.
    std::function<bool(int done, int total)> progress;
};

struct ImportSummary {
    int added = 0;
    int overwritten = 0;
    int skipped = 0;
    QStringList skippedLines; // "Line 4: ..." for each skipped line
    // Lines stored with the flag of the line before, as their fourth field is not a number:
    // "Line 4: "maybe"".
    QStringList taxLines;
    // Lines stored with a cost, price or stock that is not a number, which sales and statistics
    // will refuse: "Line 5: price "$3.00"".
    QStringList numberWarnings;
    // Why Logs/LastImport.txt could not be written; empty when it was (or was not tried).
    QString notSaved;
    bool cancelled = false;
    int filesWritten = 0;
    // The results text: the counts, one line per skipped line, then each kind of warning with
    // its lines; CR LF line ends.
    QString text() const;
};

// Imports the file's lines into the profit center. Each line is handled as if written record by
// record, but every touched file is rewritten once at the end: "Logs/PriceLog" and
// "Logs/InvCount" first, then the profit center file, so a title never points to a SKU without
// records. Nothing is written when dryRun is set or the import is cancelled.
// Throws RuntimeError for a file that cannot be read or written, a refused profit center name,
// or a file that is not comma separated text (then nothing is written).
ImportSummary importItemFile(const QString& companyFolder, const QString& profitCenter,
                             const QString& path, const ImportHandlers& handlers,
                             bool dryRun = false);

// Keeps the summary text in "Logs/LastImport.txt". A summary that cannot be written changes
// nothing of what was imported: the reason goes into summary.notSaved and false is returned.
bool saveImportSummary(const QString& companyFolder, ImportSummary& summary);

// Every item of every profit center as item CSV lines with CR LF ends, after a UTF-8
// byte-order mark; fields holding a comma, a quote or a line break are quoted, so the file
// imports back to the same items.
QByteArray inventoryCsv(const QString& companyFolder);
// Writes inventoryCsv to path atomically, telling progress after each profit center (false
// cancels). Returns false when cancelled, and then the file is left as it was. Throws
// RuntimeError when it cannot write.
bool exportInventory(const QString& companyFolder, const QString& path,
                     const std::function<bool(int done, int total)>& progress = {});
