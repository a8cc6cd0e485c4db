// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli import, export-inventory, export-company, import-company: the interchange of the
// desktop program without its questions, over the same core code.

#include "cli/command.h"

#include "manager/interchange/companytransfer.h"
#include "manager/interchange/itemimport.h"
#include "manager/store/runtimeerror.h"

#include <QFileInfo>

namespace {

int runImport(const CliCall& call) {
    const QString center = call.value(QStringLiteral("profit-center"));
    if (!knownProfitCenter(call, center))
        return ExitRefused;
    const bool dryRun = call.isSet(QStringLiteral("dry-run"));
    ImportHandlers handlers;
    const OverwriteAnswer answer = call.yes(QStringLiteral("overwrite")) ? OverwriteAnswer::YesToAll
                                                                         : OverwriteAnswer::NoToAll;
    handlers.overwrite = [answer](const QString&) { return answer; };
    ImportSummary summary;
    try {
        summary = importItemFile(call.folder, center, call.arguments.first(), handlers, dryRun);
        if (!dryRun)
            saveImportSummary(call.folder, summary);
    } catch (const RuntimeError& error) {
        printError(importCannotContinueText());
        printError(QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
        return ExitError;
    }
    printOut(summary.text().replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed());
    return ExitDone;
}

CliCommand importCommand() {
    CliCommand command;
    command.name = QStringLiteral("import");
    command.summary =
        QStringLiteral("Imports an item CSV file into a profit center and prints the summary.");
    command.company = CompanyUse::Company;
    CliOption center = valueOption(QStringLiteral("profit-center"), QStringLiteral("P"),
                                   QStringLiteral("The profit center the items go into."));
    center.required = true;
    command.options = {
        center,
        yesNoOption(QStringLiteral("overwrite"),
                    QStringLiteral("Whether an existing title is overwritten or skipped."), false),
        flagOption(QStringLiteral("dry-run"),
                   QStringLiteral("Prints the summary without writing anything."))};
    command.arguments = {{QStringLiteral("FILE"), QStringLiteral("The item CSV file."), false, {}}};
    command.run = runImport;
    return command;
}

int runExportInventory(const CliCall& call) {
    exportInventory(call.folder, QFileInfo(call.arguments.first()).absoluteFilePath());
    printOut(QStringLiteral("Export Complete."));
    return ExitDone;
}

CliCommand exportInventoryCommand() {
    CliCommand command;
    command.name = QStringLiteral("export-inventory");
    command.summary = QStringLiteral("Writes every item of the company to an item CSV file.");
    command.company = CompanyUse::Company;
    command.arguments = {
        {QStringLiteral("FILE"), QStringLiteral("The item CSV file to write."), false, {}}};
    command.run = runExportInventory;
    return command;
}

// A copy that failed after copying something is an error; one that copied nothing is refused.
int report(const TransferResult& result, const QString& done) {
    if (!result.error.isEmpty()) {
        printError(result.error);
        return result.copied.isEmpty() ? ExitRefused : ExitError;
    }
    printOut(done);
    return ExitDone;
}

int runExportCompany(const CliCall& call) {
    return report(exportCompany(call.root, call.company, call.arguments.first()),
                  QStringLiteral("Company export is complete."));
}

CliCommand exportCompanyCommand() {
    CliCommand command;
    command.name = QStringLiteral("export-company");
    command.summary =
        QStringLiteral("Copies the company folder into FOLDER, overwriting an earlier copy.");
    command.company = CompanyUse::Company;
    command.arguments = {{QStringLiteral("FOLDER"),
                          QStringLiteral("The folder the company's folder is copied into."),
                          false,
                          {}}};
    command.run = runExportCompany;
    return command;
}

int runImportCompany(const CliCall& call) {
    return report(importCompany(call.root, call.arguments.first()),
                  QStringLiteral("Company import is complete."));
}

CliCommand importCompanyCommand() {
    CliCommand command;
    command.name = QStringLiteral("import-company");
    command.summary = QStringLiteral("Copies an exported company folder into the company folder "
                                     "root; an existing company is never overwritten.");
    command.company = CompanyUse::Root;
    command.arguments = {{QStringLiteral("FOLDER"),
                          QStringLiteral("The exported company's folder; its name is the "
                                         "company's."),
                          false,
                          {}}};
    command.run = runImportCompany;
    return command;
}

const CliRegistration registeredImport(importCommand);
const CliRegistration registeredExportInventory(exportInventoryCommand);
const CliRegistration registeredExportCompany(exportCompanyCommand);
const CliRegistration registeredImportCompany(importCompanyCommand);

} // namespace
