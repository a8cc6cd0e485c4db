// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli check: a company looked over after a crash or a restore, and the repair of what
// a crash leaves behind.

#include "cli/command.h"

#include "manager/sales/companycheck.h"

namespace {

int runCheck(const CliCall& call) {
    const CompanyCheck check = checkCompany(call.folder, call.isSet(QStringLiteral("repair")));
    for (const QString& repair : check.repairs)
        printOut(QStringLiteral("Repaired: ") + repair);
    for (const QString& problem : check.problems)
        printOut(problem);
    if (check.clean()) {
        printOut(QStringLiteral("No problems found in %1.").arg(call.company));
        return ExitDone;
    }
    printOut(
        QStringLiteral("%1 problem(s) found in %2.").arg(check.problems.size()).arg(call.company));
    return ExitFound;
}

CliCommand checkCommand() {
    CliCommand command;
    command.name = QStringLiteral("check");
    command.summary = QStringLiteral("Checks a company's files after a crash or a restore.");
    command.description = QStringLiteral(
        "Every record file must parse, no unfinished recording or temporary file may be left,\n"
        "every title's SKU must have its records, stock counts must be whole numbers and period\n"
        "totals must equal the sums of their SKU lines. Exit 0 when clean, 3 when problems are "
        "found.");
    command.company = CompanyUse::Company;
    command.options = {flagOption(
        QStringLiteral("repair"),
        QStringLiteral("Finishes or sets aside an unfinished recording and removes temporary "
                       "files a crash left; changes nothing else."))};
    command.run = runCheck;
    return command;
}

const CliRegistration registered(checkCommand);

} // namespace
