// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

// The folders of an installation are the test program's own folder and "../share/tallyvane"
// beside it, as /usr/bin and /usr/share/tallyvane are.
class ProgramFilesTest : public QObject {
    Q_OBJECT

    static QString beside(const QString& name) {
        return QDir(QCoreApplication::applicationDirPath()).filePath(name);
    }
    static QString installed(const QString& name) {
        return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tallyvane/" +
                               name);
    }
    static void touch(const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void theProgramFolderComesBeforeTheDataFolder() {
        const QString name = QStringLiteral("programfiles-test.html");
        QFile::remove(beside(name));
        QFile::remove(installed(name));
        QCOMPARE(programFile(name), beside(name)); // neither: where it was looked for first
        touch(installed(name));
        QCOMPARE(programFile(name), installed(name));
        touch(beside(name));
        QCOMPARE(programFile(name), beside(name));
        QFile::remove(beside(name));
        QFile::remove(installed(name));
    }
};

QTEST_GUILESS_MAIN(ProgramFilesTest)
#include "tst_programfiles.moc"
