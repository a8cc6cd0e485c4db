#include "manager/interchange/companytransfer.h"

#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// Copies every file under source to the same relative path under target, replacing files.
// Symbolic links are not followed, so nothing outside the company is copied.
bool copyOverwriting(const QString& source, const QString& target, TransferResult& result) {
    if (!QDir().mkpath(target))
        return false;
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir from(source);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink())
            continue;
        const QString relative = from.relativeFilePath(path);
        const QString out = target + QLatin1Char('/') + relative;
        if (info.isDir()) {
            if (!QDir().mkpath(out))
                return false;
            continue;
        }
        if (isTemporaryStoreFile(info.fileName()))
            continue;
        QFile::remove(out);
        if (!QFile::copy(path, out))
            return false;
        result.copied.append(relative);
    }
    return true;
}

} // namespace

TransferResult exportCompany(const QString& root, const QString& company,
                             const QString& destination) {
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
    if (!copyOverwriting(companyFolder(root, company), target, result)) {
        result.error = QStringLiteral("The company export stopped part-way. Copied so far: %1")
                           .arg(result.copied.isEmpty() ? QStringLiteral("nothing")
                                                        : result.copied.join(QStringLiteral(", ")));
    }
    return result;
}

TransferResult importCompany(const QString& root, const QString& source) {
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
    try {
        copyFolderTree(source, target);
    } catch (const RuntimeError& error) {
        result.error = QStringLiteral("The company import failed and nothing was kept: %1")
                           .arg(error.description());
    }
    return result;
}

bool isRestrictedFolder(const QString& folder, const QString& root) {
    const QString a = QFileInfo(folder).canonicalFilePath();
    const QString b = QFileInfo(root).canonicalFilePath();
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}
