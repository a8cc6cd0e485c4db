// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/companylock.h"

#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/periodfiles.h"

#include <QDate>
#include <QFileInfo>
#include <QMutex>
#include <QHash>
#include <QSet>

#include <QFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {
// The companies this thread holds locked, with their depth: a recording inside a removal, say,
// takes the lock again without waiting for itself. Another thread still waits on the file.
thread_local QHash<QString, int> t_held;
} // namespace

CompanyLock::CompanyLock(const QString& companyFolder)
    : m_folder(companyFolder) {
    if (t_held.value(companyFolder) > 0) {
        ++t_held[companyFolder];
        return;
    }
    ++t_held[companyFolder];
#ifndef Q_OS_WIN
    const QByteArray path = QFile::encodeName(logsFolder(companyFolder) + QStringLiteral(".lock"));
    m_descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_descriptor < 0)
        return; // a read-only or missing folder: the writes that follow fail on their own
    while (::flock(m_descriptor, LOCK_EX) != 0 && errno == EINTR) {
    }
    completeInterruptedSave(companyJournalPath(companyFolder));
    static QMutex cleanedMutex;
    static QSet<QString> cleaned;
    const QMutexLocker locker(&cleanedMutex);
    if (!cleaned.contains(companyFolder)) {
        cleaned.insert(companyFolder);
        const QDate today = QDate::currentDate();
        for (const QString& folder :
             {logsFolder(companyFolder), QFileInfo(dailyPeriodFile(companyFolder, today)).path(),
              QFileInfo(monthlyPeriodFile(companyFolder, today)).path()})
            removeStaleTemporaryFiles(folder);
    }
#else
    Q_UNUSED(companyFolder);
#endif
}

CompanyLock::~CompanyLock() {
    if (--t_held[m_folder] == 0)
        t_held.remove(m_folder);
#ifndef Q_OS_WIN
    if (m_descriptor >= 0)
        ::close(m_descriptor); // closing releases the lock
#endif
}

QString companyJournalPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral(".~tallyvane-journal");
}
