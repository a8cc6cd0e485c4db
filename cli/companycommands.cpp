// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli company and profit-center: what the company chooser and the item window's
// profit-center buttons do, with --yes in place of their confirmations.

#include "cli/command.h"

#include "manager/app/companies.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kCreate = QStringLiteral("create");
const QString kRename = QStringLiteral("rename");
const QString kDelete = QStringLiteral("delete");

// create NAME, delete NAME, rename NAME NEW; a usage error for anything else.
int checkArguments(const CliCall& call) {
    const bool renames = call.arguments.first() == kRename;
    if (renames && call.arguments.size() < 3)
        return call.usageError(QStringLiteral("Please give NEW, the new name."));
    if (!renames && call.arguments.size() > 2)
        return call.usageError(
            QStringLiteral("Only rename takes a new name: \"%1\".").arg(call.arguments.at(2)));
    return ExitDone;
}

// Whether a name refused by the store or one that exists already makes a failure a refusal.
bool refusal(const QString& name, const QString& path) {
    return !isStoreName(name) || QFileInfo::exists(path);
}

int refuseWithoutYes(const CliCall& call, const QString& what) {
    if (call.isSet(QStringLiteral("yes")))
        return ExitDone;
    printError(what + QStringLiteral(" Add --yes to remove it."));
    return ExitRefused;
}

// A rename that throws has changed nothing unless its copy failed on the way.
template <typename Rename>
int runRename(const QString& oldName, const QString& newName, const QString& newPath,
              const QString& done, Rename rename) {
    const bool refused = !isStoreName(oldName) || refusal(newName, newPath);
    try {
        rename();
    } catch (const RuntimeError& error) {
        printError(QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
        return refused ? ExitRefused : ExitError;
    }
    printOut(done);
    return ExitDone;
}

QList<CliArgument> arguments(const QString& what, const QString& name) {
    return {{QStringLiteral("ACTION"),
             QStringLiteral("What to do with the ") + what + '.',
             false,
             {kCreate, kRename, kDelete}},
            {name, QStringLiteral("The ") + what + QStringLiteral("'s name."), false, {}},
            {QStringLiteral("NEW"), QStringLiteral("The new name (rename only)."), true, {}}};
}

CliOption yesOption() {
    return flagOption(QStringLiteral("yes"), QStringLiteral("Confirms a delete."));
}

int runCompany(const CliCall& call) {
    if (const int status = checkArguments(call))
        return status;
    const QString action = call.arguments.at(0), name = call.arguments.at(1);
    const QString path = call.root + name;
    if (action == kCreate) {
        const bool refused = refusal(name, path);
        if (!createCompany(call.root, name)) {
            printError(QStringLiteral("Error. Company not created."));
            return refused ? ExitRefused : ExitError;
        }
        printOut(QStringLiteral("Company created."));
        return ExitDone;
    }
    if (isStoreName(name) && !QFileInfo(path).isDir()) {
        printError(QStringLiteral("There is no company \"%1\" in %2.")
                       .arg(name, QDir::toNativeSeparators(call.root)));
        return ExitRefused;
    }
    if (action == kRename) {
        const QString newName = call.arguments.at(2);
        return runRename(name, newName, call.root + newName, QStringLiteral("Company renamed."),
                         [&] { renameCompany(call.root, name, newName); });
    }
    // A name the store refuses is refused by the core before any question.
    const QString what = QStringLiteral("This removes %1 and all items within %1.").arg(name);
    if (const int status = isStoreName(name) ? refuseWithoutYes(call, what) : ExitDone)
        return status;
    if (!deleteCompany(call.root, name)) {
        printError(QStringLiteral("Error. Company not deleted."));
        return isStoreName(name) ? ExitError : ExitRefused;
    }
    printOut(QStringLiteral("Company deleted."));
    return ExitDone;
}

CliCommand companyCommand() {
    CliCommand command;
    command.name = QStringLiteral("company");
    command.summary = QStringLiteral("Creates, renames or deletes a company folder.");
    command.description = QStringLiteral(
        "A delete removes the company with all its items and records, and needs --yes.");
    command.company = CompanyUse::Root;
    command.options = {yesOption()};
    command.arguments = arguments(QStringLiteral("company"), QStringLiteral("NAME"));
    command.run = runCompany;
    return command;
}

int runProfitCenter(const CliCall& call) {
    if (const int status = checkArguments(call))
        return status;
    const QString action = call.arguments.at(0), name = call.arguments.at(1);
    if (action == kCreate) {
        const bool refused = refusal(name, profitCenterPath(call.folder, name));
        if (!addProfitCenter(call.folder, name)) {
            printError(QStringLiteral("Error. Profit center not added."));
            return refused ? ExitRefused : ExitError;
        }
        printOut(QStringLiteral("Profit center added."));
        return ExitDone;
    }
    if (!knownProfitCenter(call, name))
        return ExitRefused;
    if (action == kRename) {
        const QString newName = call.arguments.at(2);
        return runRename(name, newName, profitCenterPath(call.folder, newName),
                         QStringLiteral("Profit center renamed."),
                         [&] { renameProfitCenter(call.folder, name, newName); });
    }
    if (const int status = refuseWithoutYes(
            call, QStringLiteral("This removes %1 and all items associated with %1.").arg(name)))
        return status;
    if (!removeProfitCenter(call.folder, name)) {
        printError(QStringLiteral("Error. Profit center not removed."));
        return ExitError;
    }
    printOut(QStringLiteral("Profit center removed."));
    return ExitDone;
}

CliCommand profitCenterCommand() {
    CliCommand command;
    command.name = QStringLiteral("profit-center");
    command.summary = QStringLiteral("Creates, renames or deletes a profit center of a company.");
    command.description = QStringLiteral(
        "A delete removes the profit center's items, and the records of their SKUs that no other\n"
        "item uses; it needs --yes.");
    command.company = CompanyUse::Company;
    command.options = {yesOption()};
    command.arguments = arguments(QStringLiteral("profit center"), QStringLiteral("P"));
    command.run = runProfitCenter;
    return command;
}

const CliRegistration registeredCompany(companyCommand);
const CliRegistration registeredProfitCenter(profitCenterCommand);

} // namespace
