// SPDX-License-Identifier: GPL-3.0-or-later
// A writer process killed at any moment leaves the record file complete: the old file or the new
// one, never a missing, empty or half-written one.

#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/recordfile.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

namespace {
// Checks that bytes are a complete copy of the writer's file: 51 records, CR LF line ends.
void checkComplete(const QByteArray& bytes, qint64* counter) {
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), 51);
    QCOMPARE(bytes.count('\r'), 51);
    QCOMPARE(bytes.count('\n'), 51);
    const RecordFile records = RecordFile::fromBytes(bytes);
    QCOMPARE(records.lineCount(), 51);
    for (int i = 0; i < 50; ++i)
        QVERIFY(
            records.value("Items", QStringLiteral("K%1").arg(i), "").endsWith("\r\nsecond line"));
    *counter = records.value("Counter", "Value", "-1").toLongLong();
    QVERIFY(*counter >= 0);
}
} // namespace

class TestRecordFileKillSafety : public QObject {
    Q_OBJECT

private slots:
    void killedWriterLeavesCompleteFile() {
        TestEnvironment env;
        const QString path = env.base() + "/InvCount";
        RecordFile seed;
        seed.write("Counter", "Value", "0");
        for (int i = 0; i < 50; ++i)
            seed.write("Items", QStringLiteral("K%1").arg(i), "seed\r\nsecond line");
        seed.save(path);

        QRandomGenerator random(4711);
        qint64 lastCounter = 0;
        int strayFiles = 0;
        for (int round = 0; round < 12; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(TALLYVANE_RECORD_WRITER), {path});
            QVERIFY(writer.waitForStarted(5000));
            QVERIFY(writer.waitForReadyRead(10000));
            QThread::msleep(random.bounded(1, 120));
            writer.kill();
            QVERIFY(writer.waitForFinished(5000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            qint64 counter = -1;
            checkComplete(TestEnvironment::readBytes(path), &counter);
            if (QTest::currentTestFailed())
                return;
            QVERIFY(counter >= lastCounter);
            lastCounter = counter;

            // A kill between writing the new bytes and renaming them over the old file leaves a
            // hidden temporary file; no listing of the store shows it.
            QCOMPARE(listProfitCenters(env.base() + "/"), QStringList{"InvCount"});
            for (const QString& name : QDir(env.base()).entryList(QDir::Files | QDir::Hidden)) {
                if (name == QLatin1String("InvCount"))
                    continue;
                QVERIFY2(isTemporaryStoreFile(name), qPrintable(name));
                QFile::remove(env.base() + "/" + name);
                ++strayFiles;
            }
        }
        if (strayFiles > 0)
            qInfo("%d kill(s) left the rewrite's temporary file beside the record file",
                  strayFiles);
        QVERIFY(lastCounter > 0);
    }
};

QTEST_GUILESS_MAIN(TestRecordFileKillSafety)
#include "tst_recordfile_killsafety.moc"
