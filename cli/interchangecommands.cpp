// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli import, export-inventory, export-company, import-company: the interchange of the
// desktop program without its questions, over the same core code.

#include "cli/commands.h"

#include "manager/interchange/companytransfer.h"
#include "manager/interchange/itemimport.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kImportUsage = QStringLiteral("import --company NAME [--root DIR] --profit-center P "
                                            "[--overwrite yes|no] [--dry-run] FILE");
const QString kExportUsage = QStringLiteral("export-inventory --company NAME [--root DIR] FILE");
const QString kExportCompanyUsage =
    QStringLiteral("export-company --company NAME [--root DIR] FOLDER");
const QString kImportCompanyUsage = QStringLiteral("import-company [--root DIR] FOLDER");

int usageError(const QString& usage) {
    printError(QStringLiteral("Usage: tallyvane-cli ") + usage);
    return 2;
}

bool oneOperand(const QStringList& args) {
    return args.size() == 1 && !args.first().startsWith(QLatin1String("--"));
}

int runImport(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    bool ok = true;
    const QString center = takeOption(args, QStringLiteral("--profit-center"), QString(), ok);
    const QString overwrite =
        takeOption(args, QStringLiteral("--overwrite"), QStringLiteral("no"), ok);
    const bool dryRun = args.removeAll(QStringLiteral("--dry-run")) > 0;
    if (!ok || center.isEmpty() || !oneOperand(args) ||
        (overwrite != QLatin1String("yes") && overwrite != QLatin1String("no")))
        return usageError(kImportUsage);
    if (!isStoreName(center) || !QFileInfo(profitCenterPath(company.folder, center)).isFile()) {
        printError(
            QStringLiteral("There is no profit center \"%1\" in %2.").arg(center, company.company));
        return 2;
    }
    ImportHandlers handlers;
    const OverwriteAnswer answer =
        overwrite == QLatin1String("yes") ? OverwriteAnswer::YesToAll : OverwriteAnswer::NoToAll;
    handlers.overwrite = [answer](const QString&) { return answer; };
    ImportSummary summary;
    try {
        summary = importItemFile(company.folder, center, args.first(), handlers, dryRun);
        if (!dryRun)
            saveImportSummary(company.folder, summary);
    } catch (const RuntimeError& error) {
        printError(importCannotContinueText());
        printError(QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
        return 1;
    }
    printOut(summary.text().replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed());
    return 0;
}

int runExportInventory(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    if (!oneOperand(args))
        return usageError(kExportUsage);
    exportInventory(company.folder, QFileInfo(args.first()).absoluteFilePath());
    printOut(QStringLiteral("Export Complete."));
    return 0;
}

int report(const TransferResult& result, const QString& done) {
    if (!result.error.isEmpty()) {
        printError(result.error);
        return result.copied.isEmpty() ? 2 : 1;
    }
    printOut(done);
    return 0;
}

int runExportCompany(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    if (!oneOperand(args))
        return usageError(kExportCompanyUsage);
    return report(exportCompany(company.root, company.company, args.first()),
                  QStringLiteral("Company export is complete."));
}

int runImportCompany(QStringList args) {
    bool ok = true;
    QString root = takeOption(args, QStringLiteral("--root"), companyRoot(), ok);
    if (!ok || !oneOperand(args))
        return usageError(kImportCompanyUsage);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    if (!QFileInfo(root).isDir()) {
        printError(QStringLiteral("The company folder %1 does not exist.").arg(root));
        return 2;
    }
    return report(importCompany(root, args.first()), QStringLiteral("Company import is complete."));
}

} // namespace

CliCommand importCommand() {
    return {QStringLiteral("import"), kImportUsage,
            QStringLiteral("Imports an item CSV file into a profit center; existing titles are "
                           "skipped unless --overwrite yes; prints the summary (--dry-run writes "
                           "nothing). Exit 0 imported, 1 failed, 2 bad usage."),
            runImport};
}

CliCommand exportInventoryCommand() {
    return {QStringLiteral("export-inventory"), kExportUsage,
            QStringLiteral("Writes every item of the company to an item CSV file."),
            runExportInventory};
}

CliCommand exportCompanyCommand() {
    return {QStringLiteral("export-company"), kExportCompanyUsage,
            QStringLiteral("Copies the company folder into FOLDER, overwriting an earlier copy."),
            runExportCompany};
}

CliCommand importCompanyCommand() {
    return {QStringLiteral("import-company"), kImportCompanyUsage,
            QStringLiteral("Copies an exported company folder into the company folder root; an "
                           "existing company is never overwritten."),
            runImportCompany};
}
