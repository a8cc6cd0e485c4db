// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/checkcompanycommand.h"

#include "manager/sales/companycheck.h"
#include "manager/shell/dialogs.h"
#include "manager/store/runtimeerror.h"

namespace {
const QString kTitle = QStringLiteral("Check Company");

// At most a screenful of problems in one message; the rest are counted.
QString listed(const QStringList& lines) {
    const int shown = 15;
    QString text = lines.mid(0, shown).join(QLatin1Char('\n'));
    if (lines.size() > shown)
        text += QStringLiteral("\n…and %1 more.").arg(lines.size() - shown);
    return text;
}

bool crashLeftovers(const CompanyCheck& check) {
    for (const QString& problem : check.problems)
        if (problem.endsWith(QLatin1String("left unfinished by a crash.")) ||
            problem.endsWith(QLatin1String("left by a crash.")))
            return true;
    return false;
}
} // namespace

void checkCompanyCommand(QWidget* parent, const QString& company, const QString& companyFolder) {
    guarded(QStringLiteral("mnuToolsCheck_Click"), [&] {
        if (company.isEmpty()) {
            dialogs().message(parent, QStringLiteral("Please choose a company."),
                              QStringLiteral("Company"));
            return;
        }
        const CompanyCheck check = checkCompany(companyFolder, false);
        if (check.clean()) {
            dialogs().message(parent, QStringLiteral("No problems found in %1.").arg(company),
                              kTitle, Dialogs::OkOnly, Dialogs::Information);
            return;
        }
        const QString found =
            QStringLiteral("Problems found in %1:\n\n%2").arg(company, listed(check.problems));
        if (!crashLeftovers(check)) {
            dialogs().message(parent, found, kTitle, Dialogs::OkOnly, Dialogs::Exclamation);
            return;
        }
        if (dialogs().message(parent,
                              found + QStringLiteral("\n\nRepair what the crash left behind? "
                                                     "Nothing else is changed."),
                              kTitle, Dialogs::YesNo, Dialogs::Question) != Dialogs::Yes)
            return;
        const CompanyCheck repaired = checkCompany(companyFolder, true);
        QString text = listed(repaired.repairs);
        text += repaired.clean()
                    ? QStringLiteral("\n\nNo problems remain.")
                    : QStringLiteral("\n\nStill to look at:\n") + listed(repaired.problems);
        dialogs().message(parent, text, kTitle, Dialogs::OkOnly,
                          repaired.clean() ? Dialogs::Information : Dialogs::Exclamation);
    });
}
