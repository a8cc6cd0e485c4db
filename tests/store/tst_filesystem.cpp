// SPDX-License-Identifier: GPL-3.0-or-later
// File-system routines: each failure is reported under the routine's own name and gives false;
// copies never mix into or leave behind a partial folder.

#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

using fixture::errorOf;

namespace {

QString report(const char* procedure, const char* error) {
    return QStringLiteral("Unexpected error in procedure: %1\nError #%2").arg(procedure, error);
}

// Relative path -> bytes ("/" for a folder) of everything under folder.
QMap<QString, QByteArray> treeOf(const QString& folder) {
    QMap<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        tree[relative] = it.fileInfo().isDir() ? QByteArray("/") : TestEnvironment::readBytes(path);
    }
    return tree;
}
} // namespace

class TestFileSystem : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString base;

    void makeSampleTree(const QString& folder) {
        QDir().mkpath(folder + "/Logs");
        QDir().mkpath(folder + "/Reports/empty");
        TestEnvironment::writeBytes(folder + "/Kitchen", "Titles\\Mug=A100\r\n");
        TestEnvironment::writeBytes(folder + "/Logs/PriceLog", "Cost\\A100=2.10\r\n");
        TestEnvironment::writeBytes(folder + "/Reports/.hidden", "h");
    }

private slots:
    void init() {
        env = new TestEnvironment;
        base = env->base() + "/fs";
        QDir().mkdir(base);
    }
    void cleanup() { delete env; }

    void createFileMakesNewEmptyFileOnly() {
        QVERIFY(CreateFile(base + "/Kitchen"));
        QVERIFY(QFileInfo(base + "/Kitchen").isFile());
        QCOMPARE(QFileInfo(base + "/Kitchen").size(), 0);
        QVERIFY(env->errors.isEmpty());

        TestEnvironment::writeBytes(base + "/Kitchen", "Titles\\Mug=A100\r\n");
        QVERIFY(!CreateFile(base + "/Kitchen"));
        QCOMPARE(env->errors, QStringList(report("CreateFile", "58: File already exists")));
        QCOMPARE(TestEnvironment::readBytes(base + "/Kitchen"), QByteArray("Titles\\Mug=A100\r\n"));

        QVERIFY(!CreateFile(base + "/missing/Kitchen"));
        QCOMPARE(env->errors.last(), report("CreateFile", "76: Path not found"));
        QVERIFY(!QFileInfo::exists(base + "/missing"));
    }

    void createFolderFailsOnExistingOrMissingParent() {
        QVERIFY(CreateFolder(base + "/Acme"));
        QVERIFY(CreateFolder(base + "/Acme/Logs/"));
        QVERIFY(QFileInfo(base + "/Acme/Logs").isDir());
        QVERIFY(env->errors.isEmpty());
        QVERIFY(!CreateFolder(base + "/Acme"));
        QCOMPARE(env->errors.last(), report("CreateFolder", "58: File already exists"));
        QVERIFY(!CreateFolder(base + "/none/Logs"));
        QCOMPARE(env->errors.last(), report("CreateFolder", "76: Path not found"));
        QVERIFY(!QFileInfo::exists(base + "/none"));
    }

    void deleteFileRemovesReadOnlyFilesOnly() {
        TestEnvironment::writeBytes(base + "/ro", "x");
        QFile::setPermissions(base + "/ro", QFileDevice::ReadOwner);
        QVERIFY(DeleteFile(base + "/ro"));
        QVERIFY(!QFileInfo::exists(base + "/ro"));
        QVERIFY(!DeleteFile(base + "/ro"));
        QCOMPARE(env->errors, QStringList(report("DeleteFile", "53: File not found")));
        QDir().mkdir(base + "/folder");
        QVERIFY(!DeleteFile(base + "/folder"));
        QVERIFY(QFileInfo(base + "/folder").isDir());
    }

    void deleteFolderRemovesEverythingInside() {
        makeSampleTree(base + "/Acme");
        QFile::setPermissions(base + "/Acme/Kitchen", QFileDevice::ReadOwner);
        QFile::setPermissions(base + "/Acme/Reports/empty",
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(base + "/Acme/Logs", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QVERIFY(DeleteFolder(base + "/Acme/"));
        QVERIFY(!QFileInfo::exists(base + "/Acme"));
        QVERIFY(env->errors.isEmpty());
        QVERIFY(!DeleteFolder(base + "/Acme"));
        QCOMPARE(env->errors, QStringList(report("DeleteFolder", "76: Path not found")));
    }

    void deleteFolderDoesNotFollowLink() {
        makeSampleTree(base + "/Real");
        QVERIFY(QFile::link(base + "/Real", base + "/Link"));
        QVERIFY(!DeleteFolder(base + "/Link"));
        QCOMPARE(env->errors.size(), 1);
        QVERIFY(QFileInfo::exists(base + "/Real/Kitchen"));

        // A link inside the folder is removed; what it points to keeps its permissions.
        makeSampleTree(base + "/Acme");
        TestEnvironment::writeBytes(base + "/outside.txt", "keep");
        QFile::setPermissions(base + "/outside.txt", QFileDevice::ReadOwner);
        QVERIFY(QFile::link(base + "/outside.txt", base + "/Acme/Logs/link"));
        QVERIFY(QFile::link(base + "/Real", base + "/Acme/folderlink"));
        QVERIFY(DeleteFolder(base + "/Acme"));
        QVERIFY(!QFileInfo::exists(base + "/Acme"));
        QCOMPARE(QFile::permissions(base + "/outside.txt") & 0x7000, QFileDevice::ReadOwner);
        QVERIFY(QFileInfo::exists(base + "/Real/Kitchen"));
    }

    void copyFolderTreeCopiesEverything() {
        makeSampleTree(base + "/Acme");
        copyFolderTree(base + "/Acme/", base + "/Acme Two/");
        QCOMPARE(treeOf(base + "/Acme Two"), treeOf(base + "/Acme"));
        QCOMPARE(treeOf(base + "/Acme").size(), 6);
    }

    void copyFolderTreeRefusesExistingDestination() {
        makeSampleTree(base + "/Acme");
        makeSampleTree(base + "/Other");
        TestEnvironment::writeBytes(base + "/Other/Own", "mine");
        const auto before = treeOf(base + "/Other");
        QCOMPARE(errorOf([&] { copyFolderTree(base + "/Acme", base + "/Other"); }), 58);
        QCOMPARE(treeOf(base + "/Other"), before);
        TestEnvironment::writeBytes(base + "/file", "f");
        QCOMPARE(errorOf([&] { copyFolderTree(base + "/Acme", base + "/file"); }), 58);
        QCOMPARE(errorOf([&] { copyFolderTree(base + "/Nope", base + "/New"); }), 76);
        QCOMPARE(errorOf([&] { copyFolderTree(base + "/Acme", base + "/no/New"); }), 76);
        QVERIFY(!QFileInfo::exists(base + "/New"));
    }

    void failedCopyLeavesNoPartialFolder() {
        makeSampleTree(base + "/Acme");
        // A dangling link deep in the tree fails the copy after other files were copied.
        QVERIFY(QFile::link(base + "/gone", base + "/Acme/Reports/zz-broken"));
        QCOMPARE(errorOf([&] { copyFolderTree(base + "/Acme", base + "/Copy"); }), 53);
        QVERIFY(!QFileInfo::exists(base + "/Copy"));
        QVERIFY(QFileInfo::exists(base + "/Acme/Kitchen"));
    }

    void copyFileNeverOverwrites() {
        TestEnvironment::writeBytes(base + "/Kitchen", "k");
        TestEnvironment::writeBytes(base + "/Garden", "g");
        copyFileNoOverwrite(base + "/Kitchen", base + "/Pantry");
        QCOMPARE(TestEnvironment::readBytes(base + "/Pantry"), QByteArray("k"));
        QCOMPARE(errorOf([&] { copyFileNoOverwrite(base + "/Kitchen", base + "/Garden"); }), 58);
        QCOMPARE(TestEnvironment::readBytes(base + "/Garden"), QByteArray("g"));
        QCOMPARE(errorOf([&] { copyFileNoOverwrite(base + "/None", base + "/X"); }), 53);
        QVERIFY(!QFileInfo::exists(base + "/X"));
    }

    // What a writer killed during a recording leaves: its synced temporary files and a journal,
    // complete or torn. The next writer finishes a complete journal and drops a torn one; an
    // old stray temporary file goes, a fresh one (a writer at work) stays.
    void interruptedSaveIsFinishedOrDropped_data() {
        QTest::addColumn<bool>("complete");
        QTest::newRow("complete journal") << true;
        QTest::newRow("torn journal") << false;
    }
    void interruptedSaveIsFinishedOrDropped() {
        QFETCH(bool, complete);
        TestEnvironment env;
        const QString folder = env.base() + "/w/";
        QVERIFY(QDir().mkpath(folder));
        QStringList renames;
        for (const char* name : {"InvCount", "12-7-2026"}) {
            TestEnvironment::writeBytes(folder + name, "old");
            TestEnvironment::writeBytes(folder + ".~tallyvane-" + name, "new");
            renames << QString("w/.~tallyvane-") + name << QString("w/") + name;
        }
        const QString journal = folder + ".~tallyvane-journal";
        TestEnvironment::writeBytes(journal, (renames.join('\n') + (complete ? "\nend\n" : "\n"))
                                                 .toUtf8());
        TestEnvironment::writeBytes(folder + ".~tallyvane-old", "x");
        TestEnvironment::writeBytes(folder + ".~tallyvane-fresh", "x");
        QFile stale(folder + ".~tallyvane-old");
        QVERIFY(stale.open(QIODevice::ReadWrite));
        QVERIFY(stale.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                  QFileDevice::FileModificationTime));
        stale.close();

        completeInterruptedSave(journal);
        removeStaleTemporaryFiles(folder);
        const QByteArray expected = complete ? "new" : "old";
        QCOMPARE(treeOf(folder), (QMap<QString, QByteArray>{{"InvCount", expected},
                                                            {"12-7-2026", expected},
                                                            {".~tallyvane-fresh", "x"}}));
    }

    // A save with a journal leaves neither the journal nor temporary files behind.
    void journalledSaveLeavesNothingBehind() {
        TestEnvironment env;
        const QString folder = env.base() + "/w/";
        QVERIFY(QDir().mkpath(folder));
        TestEnvironment::writeBytes(folder + "a", "old");
        saveFilesTogether({{folder + "a", "A"}, {folder + "b", "B"}}, folder + ".~tallyvane-journal");
        QCOMPARE(treeOf(folder), (QMap<QString, QByteArray>{{"a", "A"}, {"b", "B"}}));
    }
};

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_filesystem.moc"
