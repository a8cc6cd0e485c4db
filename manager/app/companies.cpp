// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/companies.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/pathtext.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordcache.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QLocale>

#include <vector>

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
    QStringList paths;
    if (settings::dailyLogOn())
        paths << dailyPeriodFile(companyFolder, today);
    if (settings::monthlyLogOn())
        paths << monthlyPeriodFile(companyFolder, today);
    // Under the company's lock and from the files on disk, as every recording writes them, so a
    // sale another program records meanwhile is kept.
    const CompanyLock lock(companyFolder);
    QVector<QPair<QString, QByteArray>> files;
    std::vector<RecordFile> written;
    for (const QString& path : paths) {
        RecordFile file = recordcache::take(path);
        file.write(QStringLiteral("Info"), QStringLiteral("Company"), company);
        file.write(QStringLiteral("Info"), QStringLiteral("Date"), date);
        files.push_back({path, file.bytes()});
        written.push_back(std::move(file));
    }
    saveFilesTogether(files);
    for (int i = 0; i < paths.size(); ++i)
        recordcache::keep(paths[i], std::move(written[size_t(i)]));
}
