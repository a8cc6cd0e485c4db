// SPDX-License-Identifier: GPL-3.0-or-later
// The company lock and the journal it replays: a journal acts only on this program's temporary
// files inside its company, a failed replay releases the lock, a wait names its holder and ends.

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/runtimeerror.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QtTest>

#include <csignal>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
// The error a lock of the company throws, or a default one (number 0).
RuntimeError lockError(const QString& company) {
    try {
        const CompanyLock lock(company);
    } catch (const RuntimeError& error) {
        return error;
    }
    return RuntimeError(0, QString());
}

QStringList setAside(const QString& company) {
    return QDir(logsFolder(company))
        .entryList({".tallyvane-journal-set-aside-*"}, QDir::Files | QDir::Hidden);
}

bool lockFree(const QString& company) {
    bool free = false;
    std::thread([&] {
        const int fd = ::open(QFile::encodeName(company + "Logs/.lock").constData(), O_RDWR);
        free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
    }).join();
    return free;
}
} // namespace

class TestCompanyLock : public QObject {
    Q_OBJECT

private slots:
    // Journals this program never writes: each is set aside untouched, reported once, and what
    // it names outside the company stays as it was.
    void foreignJournalIsSetAside_data() {
        QTest::addColumn<QByteArray>("journal");
        QTest::newRow("absolute names") << QByteArray("@/Other/Logs/.~tallyvane-x\n@/Other/Logs/"
                                                      "InvCount\nend\n");
        QTest::newRow("a step out") << QByteArray("../Other/Logs/.~tallyvane-x\n../Other/Logs/"
                                                  "InvCount\nend\n");
        QTest::newRow("torn, absolute names")
            << QByteArray("@/Other/Logs/.~tallyvane-x\n@/Other/Logs/InvCount\n");
        QTest::newRow("not a temporary file") << QByteArray("Logs/PriceLog\nLogs/InvCount\nend\n");
        QTest::newRow("another folder")
            << QByteArray("Reports/.~tallyvane-x\nLogs/InvCount\nend\n");
    }
    void foreignJournalIsSetAside() {
        QFETCH(QByteArray, journal);
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        const QString other = env.makeCompany("Other");
        TestEnvironment::writeBytes(other + "Logs/.~tallyvane-x", "theirs");
        TestEnvironment::writeBytes(other + "Logs/InvCount", "kept");
        TestEnvironment::writeBytes(company + "Logs/PriceLog", "prices");
        TestEnvironment::writeBytes(company + "Reports/.~tallyvane-x", "new");
        TestEnvironment::writeBytes(companyJournalPath(company),
                                    journal.replace('@', QFile::encodeName(env.root())));

        const RuntimeError error = lockError(company);
        QCOMPARE(error.number(), 75);
        QVERIFY2(error.description().contains("set aside"), qPrintable(error.description()));
        QCOMPARE(TestEnvironment::readBytes(other + "Logs/.~tallyvane-x"), QByteArray("theirs"));
        QCOMPARE(TestEnvironment::readBytes(other + "Logs/InvCount"), QByteArray("kept"));
        QCOMPARE(TestEnvironment::readBytes(company + "Logs/PriceLog"), QByteArray("prices"));
        QVERIFY(!QFile::exists(company + "Logs/InvCount"));
        QCOMPARE(setAside(company).size(), 1);
        QCOMPARE(lockError(company).number(), 0);
    }

    // Names relative to the company: a journal left by a crash is finished after the company
    // was renamed; one whose files are gone is reported and set aside, never dropped silently.
    void journalFollowsItsCompany_data() {
        QTest::addColumn<bool>("reportFileGone");
        QTest::newRow("renamed company") << false;
        QTest::newRow("a named file gone") << true;
    }
    void journalFollowsItsCompany() {
        QFETCH(bool, reportFileGone);
        TestEnvironment env;
        const QString old = env.makeCompany("Old");
        TestEnvironment::writeBytes(old + "Logs/InvCount", "old");
        TestEnvironment::writeBytes(old + "Logs/.~tallyvane-a", "new");
        TestEnvironment::writeBytes(old + "Reports/12-7-2026.txt", "old");
        if (!reportFileGone)
            TestEnvironment::writeBytes(old + "Reports/.~tallyvane-b", "new");
        TestEnvironment::writeBytes(companyJournalPath(old),
                                    "Logs/.~tallyvane-a\nLogs/InvCount\n"
                                    "Reports/.~tallyvane-b\nReports/12-7-2026.txt\nend\n");
        if (reportFileGone)
            QVERIFY(QFile::remove(old + "Reports/12-7-2026.txt"));
        QVERIFY(QDir().rename(env.root() + "Old", env.root() + "New"));
        const QString company = env.root() + "New/";

        const RuntimeError error = lockError(company);
        QCOMPARE(TestEnvironment::readBytes(company + "Logs/InvCount"), QByteArray("new"));
        QCOMPARE(error.number(), reportFileGone ? 75 : 0);
        QCOMPARE(error.description().contains("Reports/12-7-2026.txt is missing"), reportFileGone);
        QCOMPARE(setAside(company).size(), reportFileGone ? 1 : 0);
        QVERIFY(!QFile::exists(companyJournalPath(company)));
        if (!reportFileGone)
            QCOMPARE(TestEnvironment::readBytes(company + "Reports/12-7-2026.txt"),
                     QByteArray("new"));
    }

    // What a save killed in the company folder itself (a profit center, an item) left behind goes
    // with the first lock, as in Logs and Reports; a fresh one (a writer at work) stays.
    void staleTemporaryFilesInTheCompanyFolderGo() {
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        for (const char* name : {"Kitchen", ".~tallyvane-old1", ".~tallyvane-new1"})
            TestEnvironment::writeBytes(company + QString(name), "x");
        QFile old(company + ".~tallyvane-old1");
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                QFileDevice::FileModificationTime));
        old.close();
        { const CompanyLock lock(company); }
        QCOMPARE(QDir(company).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{".~tallyvane-new1", "Kitchen"}));
    }

    // A replacement that cannot be finished leaves the journal for the next try, says what to
    // do, and leaves the company unlocked.
    void failedReplayReleasesTheLock() {
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        TestEnvironment::writeBytes(company + "Logs/.~tallyvane-a", "new");
        const QByteArray tooLong(300, 'x');
        TestEnvironment::writeBytes(companyJournalPath(company),
                                    "Logs/.~tallyvane-a\nLogs/" + tooLong + "\nend\n");
        const RuntimeError error = lockError(company);
        QCOMPARE(error.number(), 75);
        QVERIFY2(error.description().contains("Check Company"), qPrintable(error.description()));
        QVERIFY(QFile::exists(companyJournalPath(company)));
        QVERIFY(lockFree(company));
    }

    // A waiter that opened the lock file before it was deleted takes the one in the folder
    // once it gets the old one, so two writers never hold the company together.
    void deletedLockFileStillExcludes() {
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        std::optional<CompanyLock> first(std::in_place, company);
        QSemaphore waiterHolds, secondHolds, secondRelease;
        std::thread waiter([&] {
            const CompanyLock lock(company);
            waiterHolds.release();
        });
        QTest::qWait(200); // the waiter has opened the old file and waits on it
        QVERIFY(QFile::remove(company + "Logs/.lock"));
        std::thread second([&] {
            const CompanyLock lock(company);
            secondHolds.release();
            secondRelease.acquire();
        });
        QVERIFY(secondHolds.tryAcquire(1, 5000));
        first.reset();
        QVERIFY(!waiterHolds.tryAcquire(1, 300)); // the second writer still holds the company
        secondRelease.release();
        QVERIFY(waiterHolds.tryAcquire(1, 5000));
        waiter.join();
        second.join();
    }

    // The holder sees a writer that waits for the company (a batch then ends its slice), and
    // no longer once that one has had its turn.
    void holderSeesAWaiter() {
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        std::optional<CompanyLock> held(std::in_place, company);
        QVERIFY(!companyLockWanted(company));
        QSemaphore waiterHolds;
        std::thread waiter([&] {
            const CompanyLock lock(company);
            waiterHolds.release();
        });
        QTRY_VERIFY_WITH_TIMEOUT(companyLockWanted(company), 5000);
        held.reset();
        QVERIFY(waiterHolds.tryAcquire(1, 5000));
        waiter.join();
        QVERIFY(!companyLockWanted(company));
    }

    // A holder stopped with the lock held: the wait ends after its limit and names the holder.
    void stoppedHolderEndsTheWait() {
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const CompanyLock lock(company);
            [[maybe_unused]] const ssize_t n = ::write(ready[1], "x", 1);
            ::pause();
            ::_exit(0);
        }
        char byte = 0;
        QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
        ::kill(child, SIGSTOP);
        setLockWaitSeconds(1);
        QElapsedTimer timer;
        timer.start();
        const RuntimeError error = lockError(company);
        const qint64 waited = timer.elapsed();
        {
            const CompanyLock::Patience patience(200);
            QCOMPARE(lockError(company).number(), 75);
        }
        setLockWaitSeconds(30);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        QCOMPARE(error.number(), 75);
        QVERIFY2(error.description().contains(QString("(process %1 on ").arg(child)),
                 qPrintable(error.description()));
        QVERIFY(waited >= 900 && waited < 5000);
        QCOMPARE(lockError(company).number(), 0); // the holder gone, the lock is free again
    }
};

QTEST_GUILESS_MAIN(TestCompanyLock)
#include "tst_companylock.moc"
