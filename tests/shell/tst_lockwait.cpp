// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop writer that waits for a company says for whom after a second, and Cancel ends it.

#include "manager/shell/dialogs.h"
#include "manager/store/companylock.h"
#include "manager/store/runtimeerror.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QProgressDialog>
#include <QSemaphore>
#include <QtTest>

#include <thread>
#include <unistd.h>

class TestLockWait : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installLockWaitMessage(); }

    void waitIsExplainedAndCancelled_data() {
        QTest::addColumn<int>("holdMs"); // how long the other writer holds the company
        QTest::addColumn<bool>("cancel");
        QTest::newRow("a short wait says nothing") << 300 << false;
        QTest::newRow("a long wait, cancelled") << 20000 << true;
    }
    void waitIsExplainedAndCancelled() {
        QFETCH(int, holdMs);
        QFETCH(bool, cancel);
        TestEnvironment env;
        const QString company = env.makeCompany("Acme");
        QSemaphore held, release;
        std::thread holder([&] {
            const CompanyLock lock(company);
            held.release();
            release.tryAcquire(1, holdMs);
        });
        held.acquire();
        QStringList shown;
        bool innerTook = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                    dialog && dialog->isVisible() && !dialog->wasCanceled()) {
                    shown << dialog->labelText();
                    // Another writer started by the event loop while this one waits must
                    // wait too: the company is not this thread's yet.
                    try {
                        const CompanyLock::Patience patience(50);
                        const CompanyLock inner(company);
                        innerTook = true;
                    } catch (const RuntimeError&) {
                    }
                    if (cancel)
                        dialog->cancel();
                }
        });
        watch.start(100);
        int error = 0;
        QString description;
        try {
            const CompanyLock lock(company);
        } catch (const RuntimeError& e) {
            error = e.number();
            description = e.description();
        }
        watch.stop();
        release.release();
        holder.join();
        QCOMPARE(error, cancel ? 75 : 0);
        QVERIFY(!innerTook);
        if (cancel) {
            QCOMPARE(shown.value(0), QString("Waiting for tst_lockwait (process %1 on %2) to "
                                             "finish with this company…")
                                         .arg(::getpid())
                                         .arg(QSysInfo::machineHostName()));
            QVERIFY(description.startsWith("Stopped waiting for tst_lockwait"));
        } else {
            QVERIFY(shown.isEmpty());
        }
        QTRY_VERIFY(!QApplication::activeModalWidget()); // the message goes with its wait
    }
};

QTEST_MAIN(TestLockWait)
#include "tst_lockwait.moc"
