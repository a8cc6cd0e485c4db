// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/companytransfer.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector>

namespace {

const QString kStaging = QStringLiteral(".~tallyvane-transfer-XXXXXX");

struct Entry {
    QString relative;
    bool folder = false;
};

// Every folder and file under source, folders before what they hold. Symbolic links are not
// followed, so nothing outside the company is copied; temporary files left by a crash are not
// company data.
QVector<Entry> entriesOf(const QString& source, int* files) {
    QVector<Entry> entries;
    *files = 0;
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir from(source);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || (!info.isDir() && isTemporaryStoreFile(info.fileName())))
            continue;
        entries.append({from.relativeFilePath(path), info.isDir()});
        if (!info.isDir())
            ++*files;
    }
    return entries;
}

enum class Copy { Done, Failed, Cancelled };

// Copies the entries from source into the new folder target.
Copy copyEntries(const QString& source, const QString& target, const QVector<Entry>& entries,
                 int files, const TransferProgress& progress) {
    int done = 0;
    if (progress && !progress(0, files))
        return Copy::Cancelled;
    for (const Entry& entry : entries) {
        const QString out = target + QLatin1Char('/') + entry.relative;
        if (entry.folder) {
            if (!QDir().mkpath(out))
                return Copy::Failed;
            continue;
        }
        if (!QFile::copy(source + QLatin1Char('/') + entry.relative, out))
            return Copy::Failed;
        if (progress && !progress(++done, files))
            return Copy::Cancelled;
    }
    return Copy::Done;
}

// Moves the staged files over the copy, replacing files; folders are made as needed.
bool moveOverwriting(const QString& staged, const QString& target, const QVector<Entry>& entries,
                     TransferResult& result) {
    if (!QDir().mkpath(target))
        return false;
    for (const Entry& entry : entries) {
        const QString out = target + QLatin1Char('/') + entry.relative;
        if (entry.folder) {
            if (!QDir().mkpath(out))
                return false;
            continue;
        }
        if (QFileInfo(out).isDir())
            return false;
        QFile::remove(out);
        if (!QFile::rename(staged + QLatin1Char('/') + entry.relative, out))
            return false;
        result.copied.append(entry.relative);
    }
    return true;
}

} // namespace

TransferResult exportCompany(const QString& root, const QString& company,
                             const QString& destination, const TransferProgress& progress) {
    TransferResult result;
    if (!isStoreName(company) || !QFileInfo(companyFolder(root, company)).isDir()) {
        result.error = QStringLiteral("There is no company %1.").arg(company);
        return result;
    }
    if (!QFileInfo(destination).isDir()) {
        result.error = QStringLiteral("The folder %1 does not exist.")
                           .arg(QDir::toNativeSeparators(destination));
        return result;
    }
    const QString target = QDir(destination).filePath(company);
    const QString source = companyFolder(root, company);
    // The copy is taken under the company's lock: no recording is half-way in it.
    const CompanyLock lock(source);
    int files = 0;
    const QVector<Entry> entries = entriesOf(source, &files);
    QTemporaryDir staging(QDir(destination).filePath(kStaging));
    if (!staging.isValid()) {
        result.error = QStringLiteral("The folder %1 cannot be written.")
                           .arg(QDir::toNativeSeparators(destination));
        return result;
    }
    switch (copyEntries(source, staging.path(), entries, files, progress)) {
    case Copy::Cancelled:
        result.cancelled = true;
        return result;
    case Copy::Failed:
        result.error = QStringLiteral("The company export failed; nothing was changed in %1.")
                           .arg(QDir::toNativeSeparators(target));
        return result;
    case Copy::Done:
        break;
    }
    if (!moveOverwriting(staging.path(), target, entries, result)) {
        result.error = QStringLiteral("The company export stopped part-way. Copied so far: %1")
                           .arg(result.copied.isEmpty() ? QStringLiteral("nothing")
                                                        : result.copied.join(QStringLiteral(", ")));
    }
    return result;
}

TransferResult importCompany(const QString& root, const QString& source,
                             const TransferProgress& progress) {
    TransferResult result;
    if (!QFileInfo(QDir(source).filePath(QStringLiteral("Reports"))).isDir()) {
        result.error = QStringLiteral("The folder ") + source +
                       QStringLiteral(" is not an exported company and will not be imported.");
        return result;
    }
    QString trimmed = QDir::fromNativeSeparators(source);
    // The text after the last separator: empty for a path that ends in one.
    const QString name = trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
    const QString target = name.isEmpty() ? root : companyFolder(root, name);
    if (name.isEmpty() || QFileInfo::exists(target)) {
        result.error = QStringLiteral("The company ") + name +
                       QStringLiteral(" already exists and will not be imported.");
        return result;
    }
    if (!isStoreName(name)) {
        result.error = QStringLiteral("The folder name %1 cannot be a company name.").arg(name);
        return result;
    }
    int files = 0;
    const QVector<Entry> entries = entriesOf(source, &files);
    QTemporaryDir staging(root + kStaging);
    Copy copy = staging.isValid() ? copyEntries(source, staging.path(), entries, files, progress)
                                  : Copy::Failed;
    if (copy == Copy::Done && !QDir().rename(staging.path(), target))
        copy = Copy::Failed;
    if (copy == Copy::Done)
        staging.setAutoRemove(false); // it is the company now
    else if (copy == Copy::Cancelled)
        result.cancelled = true;
    else
        result.error = QStringLiteral("The company import failed and nothing was kept.");
    return result;
}

bool isRestrictedFolder(const QString& folder, const QString& root) {
    const QString a = QFileInfo(folder).canonicalFilePath();
    const QString b = QFileInfo(root).canonicalFilePath();
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}
