// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/recordcache.h"

#include "manager/store/recordlines.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <optional>
#include <utility>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

struct Stamp {
    qint64 inode = -1;
    qint64 size = -1;
    qint64 modifiedNs = -1;
    bool operator==(const Stamp& other) const {
        return inode == other.inode && size == other.size && modifiedNs == other.modifiedNs;
    }
};

// No stamp (a missing file, or a system without inodes) never matches: the file is read.
bool stampOf(const QString& path, Stamp* stamp) {
#ifndef Q_OS_WIN
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    *stamp = {qint64(info.st_ino), qint64(info.st_size),
              qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    return true;
#else
    Q_UNUSED(path);
    Q_UNUSED(stamp);
    return false;
#endif
}

struct Kept {
    Stamp stamp;
    RecordFile file;
    quint64 generation = 0;
};

QMutex g_mutex;
// Never destroyed: a program that ends frees nothing it kept one file at a time (megabytes, in
// a one-sale command), the system takes it all back at once.
QHash<QString, Kept>& g_kept = *new QHash<QString, Kept>;
quint64 g_generations = 0;

} // namespace

namespace recordcache {

RecordFile take(const QString& path, quint64* generation, QByteArrayList* changed) {
    if (generation)
        *generation = 0;
    Stamp now;
    const bool stamped = stampOf(path, &now);
    std::optional<Kept> kept;
    {
        const QMutexLocker locker(&g_mutex);
        auto found = g_kept.find(path);
        if (found != g_kept.end()) {
            kept.emplace(std::move(found.value()));
            g_kept.erase(found);
        }
    }
    if (kept && stamped) {
        if (kept->stamp == now) {
            if (generation)
                *generation = kept->generation;
            return std::move(kept->file);
        }
        // Another program rewrote it: only what that changed is read into the kept copy.
        QByteArray bytes;
        if (readRecordBytes(path, &bytes)) {
            kept->file.catchUp(bytes, changed);
            if (generation && changed) // what changed is told: the rest is as kept
                *generation = kept->generation;
            return std::move(kept->file);
        }
    }
    return RecordFile::loadForWrite(path);
}

quint64 keep(const QString& path, RecordFile file) {
    Stamp now;
    if (!stampOf(path, &now))
        return 0;
    file.compactIfSparse();
    const QMutexLocker locker(&g_mutex);
    // Moved in: insert would copy every line of the file.
    const quint64 generation = ++g_generations;
    g_kept[path] = Kept{now, std::move(file), generation};
    return generation;
}

QByteArray fileStamp(const QString& path) {
    Stamp stamp;
    if (!stampOf(path, &stamp))
        return QByteArray();
    return QByteArray::number(stamp.inode) + ' ' + QByteArray::number(stamp.size) + ' ' +
           QByteArray::number(stamp.modifiedNs);
}

} // namespace recordcache
