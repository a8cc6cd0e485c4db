// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// One writer at a time per company, across processes: an advisory lock on the hidden file
// ".lock" in the company's "Logs" folder, held from construction to destruction. Whoever reads
// and then writes a company's store holds it for that one read-modify-write, and reads the files
// afresh under it. The thread that holds it may take it again without waiting. Without a "Logs"
// folder there is nothing to guard and nothing is locked.
//
// The holder writes who it is into the lock file, so a writer that has to wait can say for whom.
// Waits are bounded: by the wait handler when one is installed (the desktop's message with
// Cancel), else by the patience of the thread (the sales server's) or the wait limit of the
// process (the command line's --wait). Giving up throws RuntimeError 75 saying who holds it.
//
// Taking the lock first finishes a recording that a killed process left half-replaced (its
// journal), and once per process removes the temporary files such a process left. When that
// replay fails the constructor throws and nothing stays locked.
class CompanyLock {
public:
    // Leave: takes the lock as it finds the company, without finishing a journal or cleaning
    // (a check that looks at what a crash left, a repair that decides what to do with it).
    enum Recovery { Recover, Leave };
    explicit CompanyLock(const QString& companyFolder, Recovery recovery = Recover);
    ~CompanyLock();
    CompanyLock(const CompanyLock&) = delete;
    CompanyLock& operator=(const CompanyLock&) = delete;

    // Gives up a wait after ms milliseconds on this thread, without asking the wait handler, for
    // the life of the object: the sales server's clients wait only so long for their reply.
    class Patience {
    public:
        explicit Patience(int ms);
        ~Patience();
        Patience(const Patience&) = delete;
        Patience& operator=(const Patience&) = delete;

    private:
        int m_previous;
    };

private:
    // Members, so that a constructor that throws still releases what it took.
    // This thread's hold, counted once the lock is taken: a wait that runs the event loop may
    // start another writer on this thread, which must wait too instead of taking it as its own.
    struct Depth {
        explicit Depth(const QString& folder);
        ~Depth();
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
        void count();
        QString folder;
        bool nested = false;
        bool counted = false;
    };
    struct Descriptor {
        Descriptor() = default;
        ~Descriptor();
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        int value = -1;
    };
    Depth m_depth;
    Descriptor m_descriptor;
};

// Whether a writer waits for the company's lock now: its holder, on long work, asks so as to let
// go soon. (A waiter holds a shared lock on the company's "Logs" folder while it waits.)
bool companyLockWanted(const QString& companyFolder);

// Who holds a company's lock, as its lock file says.
struct LockHolder {
    qint64 processId = 0;
    QString host;
    QString program;
    QDateTime since;
    // "PROGRAM (process P on HOST)"
    QString describe() const;
};

// The holder of the company's lock, as its lock file records it (empty when nothing is recorded).
LockHolder companyLockHolder(const QString& companyFolder);

// A wait for a company's lock, told to the wait handler about ten times a second, and once more
// with ended set when the wait is over (its answer then counts for nothing).
struct LockWait {
    QString companyFolder;
    LockHolder holder;
    qint64 waitedMs = 0;
    bool ended = false;
};
// Returns false to give up; called on the thread that waits. The desktop installs one that shows
// who it waits for, with Cancel.
using LockWaitHandler = std::function<bool(const LockWait&)>;
LockWaitHandler setLockWaitHandler(LockWaitHandler handler); // returns the previous one
// Without a handler a wait gives up after this many seconds (default 30).
void setLockWaitSeconds(int seconds);

// The journal of the company's recordings, in its "Logs" folder (hidden from every listing).
QString companyJournalPath(const QString& companyFolder);
