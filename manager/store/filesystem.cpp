// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/filesystem.h"

#include <memory>
#include <vector>

#include "manager/store/runtimeerror.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
QString withoutTrailingSeparator(QString path) {
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

bool parentExists(const QString& path) {
    return QFileInfo(QFileInfo(withoutTrailingSeparator(path)).absolutePath()).isDir();
}

void makeWritable(const QString& path) {
    // A link is removed, never followed: changing it would change whatever it points to.
    if (QFileInfo(path).isSymLink())
        return;
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

void copyTree(const QString& source, const QString& destination) {
    if (!QDir().mkdir(destination))
        throw RuntimeError::accessError();
    const QDir from(source);
    const auto entries =
        from.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        const QString target = destination + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() && !entry.isSymLink())
            copyTree(entry.filePath(), target);
        else
            copyFileNoOverwrite(entry.filePath(), target);
    }
}
} // namespace

bool CreateFile(const QString& path) {
    return guarded(QStringLiteral("CreateFile"), [&] {
        if (QFileInfo::exists(path))
            throw RuntimeError::fileExists();
        if (!parentExists(path))
            throw RuntimeError::pathNotFound();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw RuntimeError::accessError();
    });
}

bool CreateFolder(const QString& path) {
    return guarded(QStringLiteral("CreateFolder"), [&] {
        const QString folder = withoutTrailingSeparator(path);
        if (QFileInfo::exists(folder))
            throw RuntimeError::fileExists();
        if (!parentExists(folder))
            throw RuntimeError::pathNotFound();
        if (!QDir().mkdir(folder))
            throw RuntimeError::accessError();
    });
}

bool DeleteFile(const QString& path) {
    return guarded(QStringLiteral("DeleteFile"), [&] {
        const QFileInfo info(path);
        if (!info.exists() || info.isDir())
            throw RuntimeError::fileNotFound();
        makeWritable(path);
        if (!QFile::remove(path))
            throw RuntimeError::permissionDenied();
    });
}

bool DeleteFolder(const QString& path) {
    return guarded(QStringLiteral("DeleteFolder"), [&] {
        const QString folder = withoutTrailingSeparator(path);
        const QFileInfo info(folder);
        if (!info.isDir() || info.isSymLink())
            throw RuntimeError::pathNotFound();
        // Forced: read-only entries are made writable first.
        QDirIterator it(folder,
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        makeWritable(folder);
        while (it.hasNext())
            makeWritable(it.next());
        if (!QDir(folder).removeRecursively())
            throw RuntimeError::permissionDenied();
    });
}

void copyFileNoOverwrite(const QString& source, const QString& destination) {
    if (!QFileInfo(source).isFile())
        throw RuntimeError::fileNotFound();
    if (QFileInfo::exists(destination))
        throw RuntimeError::fileExists();
    if (!parentExists(destination))
        throw RuntimeError::pathNotFound();
    if (!QFile::copy(source, destination))
        throw RuntimeError::accessError();
}

void copyFolderTree(const QString& source, const QString& destination) {
    const QString from = withoutTrailingSeparator(source);
    const QString to = withoutTrailingSeparator(destination);
    if (!QFileInfo(from).isDir())
        throw RuntimeError::pathNotFound();
    if (QFileInfo::exists(to))
        throw RuntimeError::fileExists();
    if (!parentExists(to))
        throw RuntimeError::pathNotFound();
    try {
        copyTree(from, to);
    } catch (...) {
        QDir(to).removeRecursively();
        throw;
    }
}

namespace {
const QString kTemporaryPrefix = QStringLiteral(".~tallyvane-");

// Makes the file's bytes durable before the rename makes them visible.
bool syncToDisk(QFile& file) {
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool replaceFile(const QString& from, const QString& to) {
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}
} // namespace

bool isTemporaryStoreFile(const QString& name) {
    return name.startsWith(kTemporaryPrefix);
}

namespace {

// The new bytes of one file, written and synced to a temporary file beside it.
std::unique_ptr<QTemporaryFile> prepareReplacement(const QString& path,
                                                   const QByteArrayList& parts) {
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw RuntimeError::pathNotFound();
    if (target.isDir())
        throw RuntimeError::accessError();
    auto temporary = std::make_unique<QTemporaryFile>(folder + QLatin1Char('/') + kTemporaryPrefix +
                                                      QStringLiteral("XXXXXX"));
    if (!temporary->open())
        throw RuntimeError::accessError();
    temporary->setPermissions(target.exists() ? QFile::permissions(path)
                                              : QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ReadGroup | QFile::ReadOther);
    for (const QByteArray& part : parts)
        if (temporary->write(part) != part.size())
            throw RuntimeError::accessError();
    if (!syncToDisk(*temporary))
        throw RuntimeError::accessError();
    temporary->close();
    return temporary;
}

} // namespace

namespace {

const QByteArray kJournalEnd = QByteArrayLiteral("end");

// Makes a rename inside the folder durable, so an acknowledged change survives a power cut.
void syncFolder(const QString& folder) {
#ifndef Q_OS_WIN
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
#else
    Q_UNUSED(folder);
#endif
}

// The tree a journal guards: the folder above the one that holds it (a company above its Logs).
QString journalRoot(const QString& journalPath) {
    return QFileInfo(QFileInfo(journalPath).absolutePath()).absolutePath();
}

// A journal's name of a file: its path relative to the journal's tree, "/" between folders.
QByteArray journalName(const QString& root, const QString& path) {
    const QString relative = QDir(root).relativeFilePath(QFileInfo(path).absoluteFilePath());
    if (relative.isEmpty() || QDir::isAbsolutePath(relative) ||
        relative.startsWith(QLatin1String("..")))
        throw RuntimeError::internal(QStringLiteral("journalled file outside its company"));
    return QFile::encodeName(relative);
}

// The file a journal's name stands for, or "" when the name could lead anywhere outside the
// tree: an absolute path, a ".." step, a backslash, an empty step.
QString fileOfJournalName(const QString& root, const QByteArray& name) {
    const QString relative = QFile::decodeName(name);
    if (relative.isEmpty() || QDir::isAbsolutePath(relative) ||
        relative.contains(QLatin1Char('\\')))
        return {};
    for (const QString& step : relative.split(QLatin1Char('/')))
        if (step.isEmpty() || step == QLatin1String(".") || step == QLatin1String(".."))
            return {};
    return root + QLatin1Char('/') + relative;
}

void writeJournal(const QString& path, const QVector<QPair<QString, QString>>& renames) {
    const QString root = journalRoot(path);
    QByteArray text;
    for (const auto& rename : renames)
        text += journalName(root, rename.first) + '\n' + journalName(root, rename.second) + '\n';
    text += kJournalEnd + '\n';
    QFile journal(path);
    if (!journal.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        journal.write(text) != text.size() || !syncToDisk(journal))
        throw RuntimeError::accessError();
    journal.close();
    syncFolder(QFileInfo(path).absolutePath());
}

QStringList foldersOf(const QStringList& paths) {
    QStringList folders;
    for (const QString& path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

void finishRenames(const QVector<QPair<QString, QString>>& renames) {
    QStringList targets;
    for (const auto& rename : renames) {
        if (QFileInfo::exists(rename.first) && !replaceFile(rename.first, rename.second))
            throw RuntimeError::accessError();
        targets << rename.second;
    }
    for (const QString& folder : foldersOf(targets))
        syncFolder(folder);
}

// A replacement as only this program writes one: a temporary file of ours beside a record file
// that is neither a temporary file nor the journal.
bool isOwnReplacement(const QPair<QString, QString>& rename, const QString& journalPath) {
    const QFileInfo from(rename.first);
    const QFileInfo to(rename.second);
    return !rename.first.isEmpty() && !rename.second.isEmpty() &&
           isTemporaryStoreFile(from.fileName()) && !isTemporaryStoreFile(to.fileName()) &&
           from.absolutePath() == to.absolutePath() &&
           from.absoluteFilePath() != QFileInfo(journalPath).absoluteFilePath() && !from.isDir() &&
           !to.isDir() && !from.isSymLink();
}

QString shownName(const QString& root, const QString& path) {
    return QDir::toNativeSeparators(QDir(root).relativeFilePath(path));
}

RuntimeError journalError(const QString& text) {
    return RuntimeError(75, text);
}

} // namespace

void saveFilesTogether(const QVector<QPair<QString, QByteArray>>& files,
                       const QString& journalPath) {
    QVector<QPair<QString, QByteArrayList>> parted;
    parted.reserve(files.size());
    for (const auto& file : files)
        parted.push_back({file.first, QByteArrayList{file.second}});
    saveFilesTogether(parted, journalPath);
}

void saveFilesTogether(const QVector<QPair<QString, QByteArrayList>>& files,
                       const QString& journalPath) {
    // Every new file is complete on disk before the first one replaces its old file, so a full
    // disk or a file that cannot be written changes nothing.
    std::vector<std::unique_ptr<QTemporaryFile>> prepared;
    QVector<QPair<QString, QString>> renames;
    QStringList temporaries;
    for (const auto& file : files) {
        prepared.push_back(prepareReplacement(file.first, file.second));
        renames.push_back({prepared.back()->fileName(), file.first});
        temporaries << prepared.back()->fileName();
    }
    if (renames.isEmpty())
        return;
    if (!journalPath.isEmpty()) {
        // The temporary files' names are durable before the journal that names them, so a journal
        // that survives a power cut never names a file the cut took away.
        for (const QString& folder : foldersOf(temporaries))
            syncFolder(folder);
        writeJournal(journalPath, renames);
    }
    for (auto& temporary : prepared)
        temporary->setAutoRemove(false); // from here on the journal owns them
    finishRenames(renames); // on failure the journal stays: the next writer finishes it
    if (!journalPath.isEmpty())
        QFile::remove(journalPath);
}

QString setAsideJournal(const QString& journalPath) {
    const QString folder = QFileInfo(journalPath).absolutePath() + QLatin1Char('/');
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = folder + QStringLiteral(".tallyvane-journal-set-aside-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = folder + QStringLiteral(".tallyvane-journal-set-aside-%1-%2").arg(stamp).arg(n);
    if (!replaceFile(journalPath, aside))
        throw journalError(QStringLiteral("The recovery journal %1 could not be set aside. Make "
                                          "the company folder writable and try again.")
                               .arg(QDir::toNativeSeparators(journalPath)));
    syncFolder(folder);
    return aside;
}

void completeInterruptedSave(const QString& journalPath) {
    QFile journal(journalPath);
    if (!journal.open(QIODevice::ReadOnly))
        return;
    QList<QByteArray> lines = journal.readAll().split('\n');
    journal.close();
    lines.removeLast(); // after the last line break: empty, or a name cut off by a crash
    const QString root = journalRoot(journalPath);
    QVector<QPair<QString, QString>> renames;
    bool ours = true;
    for (int i = 0; i + 1 < lines.size(); i += 2) {
        renames.push_back(
            {fileOfJournalName(root, lines[i]), fileOfJournalName(root, lines[i + 1])});
        ours = ours && isOwnReplacement(renames.last(), journalPath);
    }
    const bool complete = !lines.isEmpty() && lines.last() == kJournalEnd && lines.size() % 2 == 1;
    if (!ours) {
        // Hand-made, copied from elsewhere or from another version: acting on it could rename or
        // delete files that are none of this company's.
        const QString aside = setAsideJournal(journalPath);
        throw journalError(
            QStringLiteral("The recovery journal of this company names files that are not its "
                           "own; nothing it names was changed and it was set aside as %1. "
                           "Check the company (Tools, Check Company) before going on.")
                .arg(shownName(root, aside)));
    }
    if (!complete) {
        // Torn while it was written: no replacement had started, the old files stand.
        for (const auto& rename : renames)
            QFile::remove(rename.first);
        QFile::remove(journalPath);
        syncFolder(QFileInfo(journalPath).absolutePath());
        return;
    }
    QStringList missing; // neither the new file nor the old one is there
    for (const auto& rename : renames) {
        if (QFileInfo::exists(rename.first) && !replaceFile(rename.first, rename.second))
            throw journalError(
                QStringLiteral("The last recording of this company could not be finished: %1 "
                               "could not be replaced. Make the company folder writable and try "
                               "again, or set the recording aside (Tools, Check Company, Repair).")
                    .arg(shownName(root, rename.second)));
        if (!QFileInfo::exists(rename.second))
            missing << shownName(root, rename.second);
    }
    QStringList targets;
    for (const auto& rename : renames)
        targets << rename.second;
    for (const QString& folder : foldersOf(targets))
        syncFolder(folder);
    if (!missing.isEmpty()) {
        const QString aside = setAsideJournal(journalPath);
        throw journalError(
            QStringLiteral("The last recording of this company could not be finished: %1 is "
                           "missing. Its journal was set aside as %2. Check the stock and period "
                           "files (Tools, Check Company).")
                .arg(missing.join(QStringLiteral(", ")), shownName(root, aside)));
    }
    QFile::remove(journalPath);
    syncFolder(QFileInfo(journalPath).absolutePath());
}

void removeStaleTemporaryFiles(const QString& folder) {
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {kTemporaryPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries)
        if (entry.lastModified().toUTC() < before)
            QFile::remove(entry.filePath());
}

void saveFileAtomically(const QString& path, const QByteArray& bytes) {
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw RuntimeError::pathNotFound();
    if (target.isDir())
        throw RuntimeError::accessError();
    QTemporaryFile temporary(folder + QLatin1Char('/') + kTemporaryPrefix +
                             QStringLiteral("XXXXXX"));
    if (!temporary.open())
        throw RuntimeError::accessError();
    // The new file keeps the old one's permissions; a new one gets the usual read/write for its
    // owner, read for others.
    temporary.setPermissions(target.exists() ? QFile::permissions(path)
                                             : QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ReadGroup | QFile::ReadOther);
    if (temporary.write(bytes) != bytes.size() || !syncToDisk(temporary))
        throw RuntimeError::accessError();
    temporary.close();
    if (!replaceFile(temporary.fileName(), path))
        throw RuntimeError::accessError();
    temporary.setAutoRemove(false);
}
