// SPDX-License-Identifier: GPL-3.0-or-later
// Record files: the byte-exact results of WriteINIString, GetINIString and GetINISection.

#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using fixture::errorOf;

class TestRecordFile : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString file;

    QByteArray bytes() const { return TestEnvironment::readBytes(file); }
    void setBytes(const QByteArray& b) const { TestEnvironment::writeBytes(file, b); }

private slots:
    void init() {
        env = new TestEnvironment;
        file = env->base() + QStringLiteral("/records");
    }
    void cleanup() { delete env; }

    void firstWriteCreatesFileWithEmptyFirstLine() {
        WriteINIString("A", "B", "1", file);
        QCOMPARE(bytes(), QByteArray("\r\nA\\B=1\r\n"));
        // Nothing else was kept, so the empty first line comes back.
        WriteINIString("A", "B", "2", file);
        QCOMPARE(bytes(), QByteArray("\r\nA\\B=2\r\n"));
    }

    void secondKeyDropsLeadingEmptyLine() {
        setBytes("\r\nA\\B=1\r\n");
        WriteINIString("A", "C", "5", file);
        QCOMPARE(bytes(), QByteArray("A\\B=1\r\nA\\C=5\r\n"));
    }

    void rewrittenKeyMovesToEnd() {
        setBytes("A\\B=1\r\nA\\C=2\r\n");
        WriteINIString("A", "B", "3", file);
        QCOMPARE(bytes(), QByteArray("A\\C=2\r\nA\\B=3\r\n"));
    }

    void emptyValueRemovesEveryLineOfKey() {
        setBytes("A\\B=1\r\nX\\Y=2\r\nA\\B=9\r\nA\\BC=4\r\n");
        WriteINIString("A", "B", "", file);
        QCOMPARE(bytes(), QByteArray("X\\Y=2\r\nA\\BC=4\r\n"));
        // Removing the last record leaves a file of one empty line.
        setBytes("A\\B=1\r\n");
        WriteINIString("A", "B", "", file);
        QCOMPARE(bytes(), QByteArray("\r\n"));
        // Removing a key of a missing file creates it the same way.
        QFile::remove(file);
        WriteINIString("A", "B", "", file);
        QCOMPARE(bytes(), QByteArray("\r\n"));
    }

    void otherLinesCarriedOverInOrder() {
        setBytes("\r\n\r\nfoo bar\r\n\r\nA\\B=1\r\nno equals sign\r\n\r\n");
        WriteINIString("X", "Y", "1", file);
        // Only the leading empty lines go; later empty lines and foreign text stay.
        QCOMPARE(bytes(), QByteArray("foo bar\r\n\r\nA\\B=1\r\nno equals sign\r\n\r\nX\\Y=1\r\n"));
    }

    void lineFeedsAndMissingLastLineEndAccepted() {
        setBytes("A\\B=1\nA\\C=2");
        QCOMPARE(GetINIString("A", "C", "d", file), QString("2"));
        QCOMPARE(GetINISection("A", "d", file), QString("B=1\r\nC=2\r\n"));
        WriteINIString("A", "D", "3", file);
        QCOMPARE(bytes(), QByteArray("A\\B=1\r\nA\\C=2\r\nA\\D=3\r\n"));
    }

    void loneCarriageReturnDoesNotEndLine() {
        setBytes("junk\rA\\B=1\r\nA\\C=2\r\n");
        QCOMPARE(GetINIString("A", "B", "d", file), QString("d"));
        WriteINIString("A", "B", "", file);
        QCOMPARE(bytes(), QByteArray("junk\rA\\B=1\r\nA\\C=2\r\n"));
    }

    void firstOfDuplicateKeysIsRead() {
        setBytes("A\\B=1\r\nX\\Y=0\r\nA\\B=9\r\n");
        QCOMPARE(GetINIString("A", "B", "d", file), QString("1"));
        QCOMPARE(RecordFile::load(file).value("A", "B", "d"), QString("1"));
        // A write removes them all.
        WriteINIString("A", "B", "5", file);
        QCOMPARE(bytes(), QByteArray("X\\Y=0\r\nA\\B=5\r\n"));
    }

    void lineBreaksInValuesAreEscaped() {
        WriteINIString("A100", "Notes", "first\r\nsecond", file);
        QCOMPARE(bytes(), QByteArray("\r\nA100\\Notes=first>+br+<second\r\n"));
        QCOMPARE(GetINIString("A100", "Notes", "", file), QString("first\r\nsecond"));

        setBytes("A\\B=x>+BR+<y\r\nA\\C=p>+Br+<q>+br+<r\r\nA\\D=>+br+\r\n");
        QCOMPARE(GetINIString("A", "B", "", file), QString("x\r\ny"));
        QCOMPARE(GetINIString("A", "C", "", file), QString("p\r\nq\r\nr"));
        QCOMPARE(GetINIString("A", "D", "", file), QString(">+br+"));
        QCOMPARE(unescapeRecordValue(">+bR+<"), QString("\r\n"));
        QCOMPARE(escapeRecordValue("a\r\n\r\nb"), QString("a>+br+<>+br+<b"));
    }

    void loneLineFeedCannotInjectRecord() {
        // A value with a bare LF or CR would otherwise split into a second record when read.
        WriteINIString("A", "B", "x\nA\\C=evil\rA\\D=worse", file);
        QCOMPARE(bytes().count("\r\n"), 2);
        QCOMPARE(GetINIString("A", "C", "none", file), QString("none"));
        QCOMPARE(GetINIString("A", "D", "none", file), QString("none"));
        QVERIFY(GetINIString("A", "B", "", file).startsWith("x\r\nA\\C=evil"));
    }

    void prefixIncludesEqualsSignAndIsCaseSensitive() {
        setBytes("A\\Names=7\r\nAB\\Key=7\r\na\\b=1\r\nA\\Key2=3\r\n");
        QCOMPARE(GetINIString("A", "Name", "d", file), QString("d"));
        QCOMPARE(GetINIString("A", "Key", "d", file), QString("d"));
        QCOMPARE(GetINIString("A", "B", "d", file), QString("d"));
        QCOMPARE(GetINIString("a", "b", "d", file), QString("1"));
        QCOMPARE(GetINISection("A", "d", file), QString("Names=7\r\nKey2=3\r\n"));
        const QByteArray before = bytes();
        WriteINIString("A", "Name", "", file);
        WriteINIString("A", "Key", "", file);
        WriteINIString("A", "B", "", file);
        QCOMPARE(bytes(), before);
    }

    void missingRecordGivesDefaultButEmptyValueDoesNot() {
        QCOMPARE(GetINIString("A", "B", "dflt", file), QString("dflt"));
        QCOMPARE(GetINISection("A", "dflt", file), QString("dflt"));
        setBytes("A\\B=\r\n");
        QCOMPARE(GetINIString("A", "B", "dflt", file), QString(""));
        QVERIFY(RecordFile::load(file).contains("A", "B"));
        QVERIFY(!RecordFile::load(file).contains("A", "C"));
        // A section of empty values collects "B=" lines, so it is not empty.
        QCOMPARE(GetINISection("A", "dflt", file), QString("B=\r\n"));
        QCOMPARE(GetINISection("Q", "dflt", file), QString("dflt"));
    }

    void sectionCollectsItsLinesInFileOrder() {
        setBytes("A\\B=1\r\nX\\Y=2\r\nA\\C=3\r\nAB\\Z=4\r\nA\\N=x>+br+<y\r\n");
        QCOMPARE(GetINISection("A", "", file), QString("B=1\r\nC=3\r\nN=x\r\ny\r\n"));
        QCOMPARE(RecordFile::load(file).keys("A"), QStringList({"B", "C", "N"}));
    }

    void lookupFindsFirstWholePrefix_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same key, other section")
            << QByteArray("Sales\\SKU0001=1\r\nGross\\SKU0001=2\r\n") << "Gross"
            << "SKU0001"
            << "2";
        QTest::newRow("same section, other key")
            << QByteArray("Sales\\SKU0001=1\r\nSales\\SKU0002=2\r\n") << "Sales"
            << "SKU0002"
            << "2";
        QTest::newRow("line shorter than the prefix")
            << QByteArray("Sales\\SKU0001\r\nSales\\SKU000=3\r\nSales\\SKU0001=4\r\n") << "Sales"
            << "SKU0001"
            << "4";
        QTest::newRow("prefix of eight bytes")
            << QByteArray("Tax\\A123=9\r\nTax\\A12=0\r\n") << "Tax"
            << "A12"
            << "0";
        QTest::newRow("short prefix") << QByteArray("A\\BC=1\r\nA\\B=2\r\n") << "A"
                                      << "B"
                                      << "2";
        QTest::newRow("first of duplicates")
            << QByteArray("X\\SKU00001=1\r\nX\\SKU00001=2\r\n") << "X"
            << "SKU00001"
            << "1";
        QTest::newRow("older installation's line")
            << QByteArray("Titles\\Caf\xe9 au lait=S1\r\n") << "Titles"
            << "Café au lait"
            << "S1";
        QTest::newRow("inside a line first")
            << QByteArray("Note\\A=x Sales\\K=1\r\nSales\\K=2\r\n") << "Sales"
            << "K"
            << "2";
        QTest::newRow("after a lone carriage return")
            << QByteArray("Note\\A=1\rSales\\K=1\r\n") << "Sales"
            << "K"
            << "none";
        QTest::newRow("last line, line feeds, no last line end")
            << QByteArray("Sales\\J=1\nSales\\K=2 >+br+< x") << "Sales"
            << "K"
            << "2 \r\n x";
        QTest::newRow("missing") << QByteArray("Sales\\SKU0001=1\r\n") << "Sales"
                                 << "SKU0009"
                                 << "none";
    }

    void lookupFindsFirstWholePrefix() {
        // Read from the bytes, scanned in memory, and looked up through the index.
        QFETCH(QByteArray, records);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        setBytes(records);
        QCOMPARE(GetINIString(section, key, "none", file), expected);
        const RecordFile loaded = RecordFile::load(file);
        QCOMPARE(loaded.value(section, key, "none"), expected);
        for (int i = 0; i < 40; ++i)
            loaded.value("Other", QString::number(i), "");
        QCOMPARE(loaded.value(section, key, "none"), expected);
    }

    void readThenWriteSeesEveryLineOfTheKey() {
        // Reads and writes in memory, each after a read of the same key, as a sale does them.
        RecordFile records = RecordFile::fromBytes("T\\Apple=1\r\nT\\Pear=2\r\nT\\Apple=3\r\n");
        QCOMPARE(records.value("T", "Pear", ""), QString("2"));
        QCOMPARE(records.value("T", "Apple", ""), QString("1"));
        records.write("T", "Apple", "4");
        QCOMPARE(records.value("T", "Apple", ""), QString("4"));
        QCOMPARE(records.value("T", "2", "none"), QString("none"));
        // A title holding "=" makes a line that another key's prefix starts.
        records.write("T", "2=1 deal", "S1");
        QCOMPARE(records.value("T", "2", "none"), QString("1 deal=S1"));
        records.write("T", "Pear", "");
        QCOMPARE(records.bytes(), QByteArray("T\\Apple=4\r\nT\\2=1 deal=S1\r\n"));
    }

    void editedBytesEqualEditedLines_data() {
        QTest::addColumn<QByteArray>("records");
        QByteArray section, keys; // a section of many lines; a key in many sections
        for (int i = 0; i < 100; ++i) {
            section += "S\\K" + QByteArray::number(i % 90) + "=" + QByteArray::number(i) + "\r\n";
            keys += "S" + QByteArray::number(i) + "\\K=" + QByteArray::number(i) + "\r\n";
        }
        QTest::newRow("leading empty lines, duplicates")
            << QByteArray("\r\n\r\nA\\B=1\r\nA\\B=2\r\nA\\C=3\r\n");
        QTest::newRow("an empty line comes first")
            << QByteArray("A\\B=1\r\n\r\nA\\C=2\r\n\r\nTotals\\S=1\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one line") << QByteArray("A\\B=1\r\n");
        QTest::newRow("line feeds") << QByteArray("A\\B=1\nA\\C=2\r\n");
        QTest::newRow("inside lines")
            << QByteArray("x A\\B=2\r\nA\\B=1 deal=S1\r\nA\\BC=3\r\nn\rA\\B=4\r\nA\\B=5\r\n");
        QTest::newRow("many lines of a section") << section + "Totals\\S=1\r\n" + section;
        QTest::newRow("a key in many sections") << keys + "A\\B=1\r\n" + keys;
        QTest::newRow("both many") << section + keys + "S\\K=1\r\n" + keys + "S\\K=2\r\n";
    }

    void editedBytesEqualEditedLines() {
        // A file edited as read (a sale's few records) and one split into lines give the same
        // bytes and values after each write, and on past the point where the first splits too.
        QFETCH(QByteArray, records);
        RecordFile edited = RecordFile::fromBytes(records);
        RecordFile lines = RecordFile::fromBytes(records);
        lines.lineCount(); // split
        const QList<QStringList> writes = {{"A", "B", "9"}, {"A", "C", ""},       {"S", "K3", "x"},
                                           {"S7", "K", ""}, {"Totals", "S", "2"}, {"A", "B", ""},
                                           {"S", "K", "5"}, {"S", "K3", ""},      {"A", "C", "7"},
                                           {"A", "B", "8"}};
        const QList<QStringList> probes = {{"A", "B"},  {"A", "C"},        {"A", "BC"},
                                           {"S", "K3"}, {"S", "K89"},      {"S7", "K"},
                                           {"S", "K"},  {"A", "B=1 deal"}, {"Totals", "S"}};
        for (const QStringList& w : writes) {
            edited.write(w[0], w[1], w[2]);
            lines.write(w[0], w[1], w[2]);
            QCOMPARE(edited.bytes(), lines.bytes());
            for (const QStringList& probe : probes)
                QCOMPARE(edited.value(probe[0], probe[1], "none"),
                         lines.value(probe[0], probe[1], "none"));
        }
        QCOMPARE(edited.lineCount(), lines.lineCount());
    }

    void sectionValuesAreReadOneByOne() {
        setBytes(
            "A\\N=x>+BR+<y\r\nA\\M=a>b\r\nB\\Q=>+br+<\r\nA\\L=caf\xe9\r\nA\\E=\r\nA\\T=p>+br+\r\n");
        QCOMPARE(GetINISection("A", "", file),
                 QString("N=x\r\ny\r\nM=a>b\r\nL=café\r\nE=\r\nT=p>+br+\r\n"));
    }

    void bytesThatAreAViewAreCopied() {
        QByteArray source("A\\B=1\r\n");
        const RecordFile file =
            RecordFile::fromBytes(QByteArray::fromRawData(source.constData(), source.size()));
        source[4] = '9';
        QCOMPARE(file.value("A", "B", ""), QString("1"));
    }

    void keysAreCutAtFirstEqualsSign() {
        // A title holding "=" is stored and found by its key, but a line reader sees less.
        WriteINIString("Titles", "2=1 deal", "S1", file);
        WriteINIString("Titles", "Plain", "S2", file);
        QCOMPARE(GetINIString("Titles", "2=1 deal", "", file), QString("S1"));
        const RecordFile records = RecordFile::load(file);
        QCOMPARE(records.keys("Titles"), QStringList({"2", "Plain"}));
        QCOMPARE(records.value("Titles", "2", ""), QString("1 deal=S1"));
        // The longer line starts with the short key's prefix, so removing that key removes it.
        WriteINIString("Titles", "2", "", file);
        QCOMPARE(GetINIString("Titles", "2=1 deal", "gone", file), QString("gone"));
        QCOMPARE(TestEnvironment::readBytes(file), QByteArray("Titles\\Plain=S2\r\n"));
    }

    void lineBreakInSectionOrKeyIsRefused() {
        setBytes("A\\B=1\r\n");
        QCOMPARE(errorOf([&] { WriteINIString("A", "B\r\nA\\C", "x", file); }), 5);
        QCOMPARE(errorOf([&] { WriteINIString("A\nA", "B", "x", file); }), 5);
        QCOMPARE(bytes(), QByteArray("A\\B=1\r\n"));
        QCOMPARE(GetINIString("A", "B\n", "d", file), QString("d"));
    }

    void recordFileMatchesOneByOneWrites() {
        setBytes("\r\nA\\B=1\r\nA\\B=2\r\nnote\r\n");
        RecordFile batch = RecordFile::load(file);
        const QList<QStringList> writes = {
            {"A", "C", "3"}, {"A", "B", ""}, {"A", "C", "4"}, {"X", "Y", "a\r\nb"}, {"A", "C", ""}};
        for (const QStringList& w : writes) {
            batch.write(w[0], w[1], w[2]);
            WriteINIString(w[0], w[1], w[2], file);
            QCOMPARE(batch.bytes(), bytes());
        }
        QCOMPARE(batch.lineCount(), 2);
        QCOMPARE(batch.value("X", "Y", ""), QString("a\r\nb"));
    }

    void writeIntoMissingFolderFails() {
        const QString inMissing = env->base() + "/no such folder/records";
        QCOMPARE(errorOf([&] { WriteINIString("A", "B", "1", inMissing); }), 76);
        QVERIFY(!QFileInfo::exists(env->base() + "/no such folder"));
    }

    void writeOverFolderFails() {
        QDir().mkdir(file);
        QCOMPARE(errorOf([&] { WriteINIString("A", "B", "1", file); }), 75);
        QVERIFY(QFileInfo(file).isDir());
        QCOMPARE(GetINIString("A", "B", "d", file), QString("d"));
    }

    void writesLeaveNoOtherFiles() {
        // Record files sit in the company folder, where any file counts as a profit center.
        for (int i = 0; i < 20; ++i)
            WriteINIString("Titles", QString::number(i % 3), QString::number(i), file);
        QCOMPARE(QDir(env->base()).entryList(QDir::Files | QDir::Hidden), QStringList({"records"}));
    }

    void unreadableFileIsNeverOverwritten() {
        // The write cannot see the records, so it must not replace them.
        QTemporaryDir dir;
        const QString path = dir.filePath("PriceLog");
        const QByteArray original("Cost\\A100=2.10\r\nPrices\\A100=4.95\r\n");
        TestEnvironment::writeBytes(path, original);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::WriteOther | QFileDevice::ExeOther);
        QFile::setPermissions(path, {});
        int error = 0;
        if (geteuid() != 0) {
            error = errorOf([&] { WriteINIString("Tax", "A100", "1", path); });
        } else {
            // Root reads any file, so the write runs as an unprivileged user in a child.
            const pid_t child = fork();
            if (child == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(99);
                _exit(errorOf([&] { WriteINIString("Tax", "A100", "1", path); }));
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status));
            error = WEXITSTATUS(status);
            if (error == 99)
                QSKIP("cannot switch to an unprivileged user");
        }
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(error, 75);
        QCOMPARE(TestEnvironment::readBytes(path), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"PriceLog"}));
    }
};

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
