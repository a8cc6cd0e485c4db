// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/companylock.h"

#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/periodfiles.h"
#include "manager/store/runtimeerror.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <QSysInfo>

#include <algorithm>
#include <atomic>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef sigev_notify_thread_id // older C libraries name it only inside the union
#define sigev_notify_thread_id _sigev_un._tid
#endif
#endif

namespace {
// The companies this thread holds locked, with their depth: a recording inside a removal, say,
// takes the lock again without waiting for itself. Another thread still waits on the file.
thread_local QHash<QString, int> t_held;
thread_local int t_patienceMs = -1; // -1: the process's rule

QMutex g_waitMutex;
LockWaitHandler g_waitHandler;
std::atomic<int> g_waitSeconds{30};

QString lockFilePath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral(".lock");
}

QString dateText(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

RuntimeError gaveUp(const LockHolder& holder, qint64 waitedMs, bool cancelled) {
    const QString who = holder.describe();
    if (cancelled)
        return RuntimeError(75, QStringLiteral("Stopped waiting for %1 to finish with this "
                                               "company; nothing was changed.")
                                    .arg(who));
    return RuntimeError(
        75, QStringLiteral("%1 has been using this company since %2; gave up waiting after %3 "
                           "seconds and nothing was changed. Try again when it has finished.")
                .arg(who, holder.since.isValid() ? dateText(holder.since) : QStringLiteral("?"))
                .arg((waitedMs + 500) / 1000));
}

#ifndef Q_OS_WIN
void wakeUp(int) {}

// A signal that interrupts a blocked flock without restarting it.
int wakeSignal() {
    static const int signal = [] {
        const int number = SIGRTMIN + 5;
        struct sigaction action = {};
        action.sa_handler = wakeUp;
        sigemptyset(&action.sa_mask);
        sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

// Waits for the lock at most about ms milliseconds; false when it is still held. The wait itself
// is the kernel's, so a writer that takes the lock again at once does not starve this one.
bool lockWithin(int descriptor, int ms) {
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        return true;
    if ((errno != EWOULDBLOCK && errno != EINTR) || ms <= 0)
        return false;
    const int signal = wakeSignal();
    sigevent event = {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signal;
    event.sigev_notify_thread_id = ::gettid();
    timer_t timer;
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
        ::usleep(useconds_t(ms) * 1000);
        return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
    }
    sigset_t wake;
    sigset_t previous;
    sigemptyset(&wake);
    sigaddset(&wake, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &wake, &previous);
    // Repeats, so a signal that came before the flock started cannot leave it blocked.
    itimerspec wakeUp = {};
    wakeUp.it_value.tv_sec = ms / 1000;
    wakeUp.it_value.tv_nsec = long(ms % 1000) * 1000000L;
    wakeUp.it_interval.tv_nsec = 20 * 1000000L;
    ::timer_settime(timer, 0, &wakeUp, nullptr);
    const bool locked = ::flock(descriptor, LOCK_EX) == 0;
    ::timer_delete(timer);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return locked;
}

bool sameFile(int descriptor, const QByteArray& path) {
    struct stat open = {};
    struct stat named = {};
    return ::fstat(descriptor, &open) == 0 && ::stat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

void recordHolder(int descriptor) {
    const QByteArray text =
        QStringLiteral("Process=%1\nHost=%2\nProgram=%3\nSince=%4\n")
            .arg(::getpid())
            .arg(QSysInfo::machineHostName(), QString::fromLocal8Bit(program_invocation_short_name),
                 QDateTime::currentDateTimeUtc().toString(Qt::ISODate))
            .toUtf8();
    // Only what waiters tell their users: a failure to write it changes nothing else.
    if (::ftruncate(descriptor, 0) == 0) [[maybe_unused]]
        const ssize_t written = ::pwrite(descriptor, text.constData(), size_t(text.size()), 0);
}

// A writer that has to wait says so: it holds a shared lock on the "Logs" folder itself until
// its wait is over, which companyLockWanted sees. No file is made for it.
class WaitingMark {
public:
    explicit WaitingMark(const QString& companyFolder)
        : m_descriptor(::open(QFile::encodeName(logsFolder(companyFolder)).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_descriptor >= 0)
            ::flock(m_descriptor, LOCK_SH);
    }
    ~WaitingMark() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    WaitingMark(const WaitingMark&) = delete;
    WaitingMark& operator=(const WaitingMark&) = delete;

private:
    int m_descriptor;
};

// Waits until the lock is taken, asking the handler (or the patience of the thread, or the
// process's limit) whether to go on. Throws RuntimeError when it gives up.
void waitForLock(int descriptor, const QString& companyFolder) {
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        return;
    const WaitingMark waiting(companyFolder);
    QElapsedTimer timer;
    timer.start();
    LockWaitHandler handler;
    {
        const QMutexLocker locker(&g_waitMutex);
        if (t_patienceMs < 0)
            handler = g_waitHandler;
    }
    const qint64 limitMs = t_patienceMs >= 0 ? t_patienceMs : qint64(g_waitSeconds) * 1000;
    LockWait wait{companyFolder, {}, 0, false};
    // A handler that was told of the wait hears when it is over, however it ends.
    const auto tellEnd = qScopeGuard([&] {
        if (handler && wait.waitedMs > 0) {
            wait.ended = true;
            handler(wait);
        }
    });
    for (;;) {
        const qint64 left = handler ? 100 : limitMs - timer.elapsed();
        if (lockWithin(descriptor, int(std::clamp<qint64>(left, 0, 100))))
            return;
        wait.holder = companyLockHolder(companyFolder);
        wait.waitedMs = std::max<qint64>(timer.elapsed(), 1);
        if (handler ? !handler(wait) : wait.waitedMs >= limitMs)
            throw gaveUp(wait.holder, wait.waitedMs, bool(handler));
    }
}
#endif
} // namespace

bool companyLockWanted(const QString& companyFolder) {
#ifndef Q_OS_WIN
    const int descriptor = ::open(QFile::encodeName(logsFolder(companyFolder)).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool wanted = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(descriptor); // and with it the lock just taken
    return wanted;
#else
    Q_UNUSED(companyFolder);
    return false;
#endif
}

QString LockHolder::describe() const {
    if (processId == 0)
        return QStringLiteral("another program");
    return QStringLiteral("%1 (process %2 on %3)").arg(program).arg(processId).arg(host);
}

LockHolder companyLockHolder(const QString& companyFolder) {
    QFile file(lockFilePath(companyFolder));
    LockHolder holder;
    if (!file.open(QIODevice::ReadOnly))
        return holder;
    for (const QByteArray& line : file.read(4096).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        const QByteArray key = line.left(equals);
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (key == "Process")
            holder.processId = value.toLongLong();
        else if (key == "Host")
            holder.host = value;
        else if (key == "Program")
            holder.program = value;
        else if (key == "Since")
            holder.since = QDateTime::fromString(value, Qt::ISODate);
    }
    return holder;
}

LockWaitHandler setLockWaitHandler(LockWaitHandler handler) {
    const QMutexLocker locker(&g_waitMutex);
    std::swap(handler, g_waitHandler);
    return handler;
}

void setLockWaitSeconds(int seconds) {
    g_waitSeconds = std::max(0, seconds);
}

CompanyLock::Patience::Patience(int ms)
    : m_previous(t_patienceMs) {
    t_patienceMs = std::max(0, ms);
}

CompanyLock::Patience::~Patience() {
    t_patienceMs = m_previous;
}

CompanyLock::Depth::Depth(const QString& companyFolder)
    : folder(companyFolder)
    , nested(t_held.value(companyFolder) > 0) {
    if (nested)
        count();
}

void CompanyLock::Depth::count() {
    ++t_held[folder];
    counted = true;
}

CompanyLock::Depth::~Depth() {
    if (counted && --t_held[folder] == 0)
        t_held.remove(folder);
}

CompanyLock::Descriptor::~Descriptor() {
#ifndef Q_OS_WIN
    if (value >= 0)
        ::close(value); // closing releases the lock
#endif
}

CompanyLock::CompanyLock(const QString& companyFolder, Recovery recovery)
    : m_depth(companyFolder) {
    if (m_depth.nested)
        return;
#ifndef Q_OS_WIN
    const QByteArray path = QFile::encodeName(lockFilePath(companyFolder));
    for (;;) {
        m_descriptor.value = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_descriptor.value < 0) {
            m_depth.count();
            return; // a read-only or missing folder: the writes that follow fail on their own
        }
        waitForLock(m_descriptor.value, companyFolder);
        // A lock file deleted or replaced meanwhile locks nothing that others see: take the one
        // in the folder now.
        if (sameFile(m_descriptor.value, path))
            break;
        ::close(m_descriptor.value);
        m_descriptor.value = -1;
    }
    m_depth.count();
    recordHolder(m_descriptor.value);
    if (recovery == Leave)
        return;
    completeInterruptedSave(companyJournalPath(companyFolder));
    static QMutex cleanedMutex;
    static QSet<QString> cleaned;
    const QMutexLocker locker(&cleanedMutex);
    if (!cleaned.contains(companyFolder)) {
        cleaned.insert(companyFolder);
        const QDate today = QDate::currentDate();
        for (const QString& folder :
             {QFileInfo(companyFolder).absoluteFilePath(), logsFolder(companyFolder),
              QFileInfo(dailyPeriodFile(companyFolder, today)).path(),
              QFileInfo(monthlyPeriodFile(companyFolder, today)).path()})
            removeStaleTemporaryFiles(folder);
    }
#else
    m_depth.count();
    Q_UNUSED(companyFolder);
    Q_UNUSED(recovery);
#endif
}

CompanyLock::~CompanyLock() = default;

QString companyJournalPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral(".~tallyvane-journal");
}
