// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/companies.h"

#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/pathtext.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QLocale>

namespace {
bool refuseBadName(const QString& procedure, const QString& name) {
    if (isStoreName(name))
        return false;
    reportError(procedure, RuntimeError::badFileName());
    return true;
}
} // namespace

bool createCompany(const QString& root, const QString& name) {
    if (refuseBadName(QStringLiteral("CreateFolder"), name))
        return false;
    const QString folder = AddBackslash(root) + name;
    return CreateFolder(folder) &&
           CreateFolder(folder + pathSeparator() + QStringLiteral("Logs")) &&
           CreateFolder(folder + pathSeparator() + QStringLiteral("Reports"));
}

bool deleteCompany(const QString& root, const QString& name) {
    if (refuseBadName(QStringLiteral("DeleteFolder"), name))
        return false;
    return DeleteFolder(AddBackslash(root) + name);
}

void renameCompany(const QString& root, const QString& oldName, const QString& newName) {
    checkStoreName(oldName);
    checkStoreName(newName);
    copyFolderTree(AddBackslash(root) + oldName, AddBackslash(root) + newName);
    if (!DeleteFolder(AddBackslash(root) + oldName))
        throw RuntimeError::permissionDenied();
}

void writeCompanyInfo(const QString& companyFolder, const QString& company, const QDate& today) {
    const QString date = QLocale::system().toString(today, QLocale::ShortFormat);
    auto writeInfo = [&](const QString& path) {
        RecordFile file = RecordFile::loadForWrite(path);
        file.write(QStringLiteral("Info"), QStringLiteral("Company"), company);
        file.write(QStringLiteral("Info"), QStringLiteral("Date"), date);
        file.save(path);
    };
    if (settings::dailyLogOn())
        writeInfo(dailyPeriodFile(companyFolder, today));
    if (settings::monthlyLogOn())
        writeInfo(monthlyPeriodFile(companyFolder, today));
}
