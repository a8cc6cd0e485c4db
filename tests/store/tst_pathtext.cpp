// SPDX-License-Identifier: GPL-3.0-or-later
// Path and field routines: AddBackslash, GetFile, GetToken, CountTokens.

#include "manager/store/pathtext.h"

#include <QtTest>

class TestPathText : public QObject {
    Q_OBJECT

    // A path written with "\" as the store writes it, in this platform's separator.
    static QString native(QString path) { return path.replace(QLatin1Char('\\'), pathSeparator()); }

private slots:
    void addBackslashAddsOneSeparator() {
        QCOMPARE(AddBackslash(""), native("\\"));
        QCOMPARE(AddBackslash(native("C:\\x")), native("C:\\x\\"));
        QCOMPARE(AddBackslash(native("C:\\x\\")), native("C:\\x\\"));
        QCOMPARE(AddBackslash(native("\\")), native("\\"));
    }

    void getFileTakesTextAfterLastSeparator() {
        QCOMPARE(GetFile(native("C:\\x\\y.txt")), QString("y.txt"));
        QCOMPARE(GetFile("y.txt"), QString(""));
        QCOMPARE(GetFile(native("C:\\x\\")), QString(""));
        QCOMPARE(GetFile(""), QString(""));
        QCOMPARE(GetFile(native("\\a\\b\\c d.e")), QString("c d.e"));
    }

    void getTokenPicksFields() {
        QCOMPARE(GetToken("a,b,c", ",", 1), QString("a"));
        QCOMPARE(GetToken("a,b,c", ",", 2), QString("b"));
        QCOMPARE(GetToken("a,b,c", ",", 3), QString("c"));
        QCOMPARE(GetToken("a,b,c", ",", 4), QString(""));
        QCOMPARE(GetToken("a,b,c", ",", 0), QString(""));
        QCOMPARE(GetToken("a,b,c", ",", -1), QString(""));
        QCOMPARE(GetToken("a,,c", ",", 2), QString(""));
        QCOMPARE(GetToken("a,,c", ",", 3), QString("c"));
        QCOMPARE(GetToken("abc", ",", 1), QString("abc"));
        QCOMPARE(GetToken("abc", ",", 2), QString(""));
        QCOMPARE(GetToken("a,", ",", 2), QString(""));
        QCOMPARE(GetToken(",a", ",", 1), QString(""));
        QCOMPARE(GetToken("", ",", 1), QString(""));
        QCOMPARE(GetToken("A100,2,Sale", ",", 3), QString("Sale"));
    }

    void longSeparatorLeavesItsTailInNextField() {
        // Each search starts one character after the previous hit.
        QCOMPARE(GetToken("a::b::c", "::", 1), QString("a"));
        QCOMPARE(GetToken("a::b::c", "::", 2), QString(":b"));
        QCOMPARE(GetToken("a::b::c", "::", 3), QString(":c"));
    }

    void countTokensCountsFieldsOnlyWithSeparator() {
        QCOMPARE(CountTokens("a,b,c", ","), 3);
        QCOMPARE(CountTokens("abc", ","), 0);
        QCOMPARE(CountTokens("", ","), 0);
        QCOMPARE(CountTokens("a,", ","), 2);
        QCOMPARE(CountTokens(",,", ","), 3);
        QCOMPARE(CountTokens("a;b", ","), 0);
    }
};

QTEST_GUILESS_MAIN(TestPathText)
#include "tst_pathtext.moc"
