// SPDX-License-Identifier: GPL-3.0-or-later
// Record-file text: UTF-8 written, and lines from older installations (Windows-1252) read whole.
// A line that is not valid UTF-8 is read, matched and listed as Windows-1252.

#include "manager/store/recordfile.h"
#include "manager/store/textcodec.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QtTest>

namespace {
QByteArray fixture(const QString& name) {
    const QString path = qEnvironmentVariable("TALLYVANE_TEST_DATA") + "/store/" + name;
    const QByteArray bytes = TestEnvironment::readBytes(path);
    if (bytes.isEmpty())
        qFatal("missing test data %s", qPrintable(path));
    return bytes;
}
} // namespace

class TestRecordFileEncoding : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString file;

    QByteArray bytes() const { return TestEnvironment::readBytes(file); }

private slots:
    void init() {
        env = new TestEnvironment;
        file = env->base() + QStringLiteral("/records");
    }
    void cleanup() { delete env; }

    void accentedTextRoundTripsAsUtf8() {
        const QStringList titles = {u"Café crème"_qs, u"Müsli"_qs, u"5 € coupon"_qs, u"茶"_qs};
        for (const QString& title : titles)
            WriteINIString("Titles", title, title + u" ü€"_qs, file);
        QVERIFY(bytes().contains(
            "Titles\\Caf\xc3\xa9 cr\xc3\xa8me=Caf\xc3\xa9 cr\xc3\xa8me \xc3\xbc\xe2\x82\xac\r\n"));
        for (const QString& title : titles)
            QCOMPARE(GetINIString("Titles", title, "", file), title + u" ü€"_qs);
        QCOMPARE(RecordFile::load(file).keys("Titles"), titles);
        WriteINIString("Titles", u"Müsli"_qs, "", file);
        QVERIFY(!bytes().contains("M\xc3\xbcsli"));
    }

    void filesFromElsewhereReadByLines_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "A\\B=1\r\nA\\C=2\r\n");
        QTest::newRow("CR alone") << QByteArray("A\\B=1\rA\\C=2\r");
    }
    void filesFromElsewhereReadByLines() {
        QFETCH(QByteArray, stored);
        TestEnvironment::writeBytes(file, stored);
        QCOMPARE(GetINIString("A", "B", "none", file), QString("1"));
        QCOMPARE(GetINIString("A", "C", "none", file), QString("2"));
        WriteINIString("A", "D", "3", file);
        // The mark is not written back; the lines are kept as lines.
        QCOMPARE(bytes(), QByteArray("A\\B=1\r\nA\\C=2\r\nA\\D=3\r\n"));
    }

    void olderInstallationFileReadsWithoutLoss() {
        TestEnvironment::writeBytes(file, fixture("cp1252-crlf.txt"));
        QCOMPARE(GetINIString("Titles", "Mug", "", file), QString("A100"));
        QCOMPARE(GetINIString("Notes", "Plain", "", file), QString("ascii text"));
        QCOMPARE(GetINIString("Notes", "Euro", "", file), u"5 € only"_qs);
        QCOMPARE(GetINIString("Titles", u"Café au lait"_qs, "", file), QString("C100"));
        QCOMPARE(GetINIString("Titles", u"Crème brûlée"_qs, "", file), QString("C200"));
        // The five bytes Windows-1252 leaves unassigned come through as the same code points.
        QCOMPARE(GetINIString("Notes", "Odd", "", file),
                 QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d"));
        QCOMPARE(GetINISection("Notes", "", file),
                 u"Euro=5 € only\r\nOdd=\u0081\u008d\u008f\u0090\u009d\r\nPlain=ascii text\r\n"_qs);
        const RecordFile records = RecordFile::load(file);
        QCOMPARE(records.keys("Titles"),
                 QStringList({u"Café au lait"_qs, "Mug", u"Crème brûlée"_qs}));
        QVERIFY(records.contains("Titles", u"Crème brûlée"_qs));
    }

    void unrelatedWriteKeepsOlderBytes() {
        const QByteArray old = fixture("cp1252-crlf.txt");
        TestEnvironment::writeBytes(file, old);
        WriteINIString("Notes", "New", u"€"_qs, file);
        QCOMPARE(bytes(), old + "Notes\\New=\xe2\x82\xac\r\n");
    }

    void rewritingOlderKeyReplacesItsLine() {
        TestEnvironment::writeBytes(file, fixture("cp1252-crlf.txt"));
        WriteINIString("Titles", u"Café au lait"_qs, "C101", file);
        QVERIFY(!bytes().contains("Caf\xe9"));
        QVERIFY(bytes().endsWith("Titles\\Caf\xc3\xa9 au lait=C101\r\n"));
        QCOMPARE(GetINIString("Titles", u"Café au lait"_qs, "", file), QString("C101"));
        QCOMPARE(RecordFile::load(file).keys("Titles").count(u"Café au lait"_qs), 1);

        WriteINIString("Titles", u"Crème brûlée"_qs, "", file);
        QVERIFY(!bytes().contains("Titles\\Cr"));
        QCOMPARE(GetINIString("Titles", u"Crème brûlée"_qs, "gone", file), QString("gone"));
    }

    void eachLineIsDecodedWhole() {
        TestEnvironment::writeBytes(file, "A\\K=\xc3\xa9 and \xe9\r\n"
                                          "A\\K2=\xc3\xa9\r\n"
                                          "A\\\xe9=old\r\n"
                                          "A\\\xc3\xa9=new\r\n");
        // One stray byte makes the whole line Windows-1252, its UTF-8 pair included.
        QCOMPARE(GetINIString("A", "K", "", file), u"Ã© and é"_qs);
        QCOMPARE(GetINIString("A", "K2", "", file), u"é"_qs);
        // Both spellings of the key "é" are that key; the first line wins and a write removes both.
        QCOMPARE(GetINIString("A", u"é"_qs, "", file), QString("old"));
        // A valid UTF-8 line is never read as Windows-1252, even when its bytes would spell the
        // key.
        QCOMPARE(GetINIString("A", u"Ã©"_qs, "none", file), QString("none"));
        WriteINIString("A", u"é"_qs, "", file);
        QCOMPARE(bytes(), QByteArray("A\\K=\xc3\xa9 and \xe9\r\nA\\K2=\xc3\xa9\r\n"));
    }

    void codecHelpers() {
        QCOMPARE(decodeStoreText("plain"), QString("plain"));
        QCOMPARE(decodeStoreText("\xe2\x82\xac"), u"€"_qs);
        QCOMPARE(decodeStoreText("\x80\xe9"), u"€é"_qs);
        QCOMPARE(encodeStoreText(u"€é"_qs), QByteArray("\xe2\x82\xac\xc3\xa9"));
    }

    void brokenFileNeverCrashes() {
        // NULs, a lone CR inside a line, invalid and truncated UTF-8, no final line end.
        const QByteArray broken = fixture("broken.txt");
        TestEnvironment::writeBytes(file, broken);
        QCOMPARE(GetINIString("A", "B", "d", file), QString("d"));
        QCOMPARE(GetINIString("Titles", "", "d", file), QString("d"));
        QCOMPARE(GetINIString("Titles", "Cup", "", file), QString("C1"));
        QCOMPARE(GetINIString("Titles", u"😀 smile"_qs, "", file), QString("E1"));
        QCOMPARE(GetINIString("Titles", u"Halfâ‚"_qs, "", file), QString("H1"));
        QCOMPARE(RecordFile::load(file).keys("Titles"),
                 QStringList({"Cup", u"😀 smile"_qs, u"Halfâ‚"_qs}));

        WriteINIString("Titles", "Cup", "C2", file);
        QByteArray expected = broken;
        expected.replace("Titles\\Cup=C1\r\n", "");
        expected.replace("empty key\n=\\\n", "empty key\r\n=\\\r\n");
        expected += "\r\nTitles\\Cup=C2\r\n";
        QCOMPARE(bytes(), expected);
    }
};

QTEST_GUILESS_MAIN(TestRecordFileEncoding)
#include "tst_recordfile_encoding.moc"
