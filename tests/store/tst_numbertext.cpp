// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as text: the leading-number parse and the general decimal form.

#include "manager/store/numbertext.h"

#include <QLocale>
#include <QtTest>

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Neither routine may follow the user's locale (a decimal comma would break files).
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void val_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12.5" << 12.5;
        QTest::newRow("blanks anywhere") << " 1 2\t3\n.5 " << 123.5;
        QTest::newRow("sign after blank") << "\t-\n5" << -5.0;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("leading number") << "7 dollars" << 7.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("fraction") << ".5" << 0.5;
        QTest::newRow("negative fraction") << "-.25" << -0.25;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("comma stops") << "1,000" << 1.0;
        QTest::newRow("currency sign first") << "$5" << 0.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("signed exponent") << "2.5E-1" << 0.25;
        QTest::newRow("D exponent") << "2d3" << 2000.0;
        QTest::newRow("exponent with blanks") << "3 e 2" << 300.0;
        QTest::newRow("bare exponent") << "1e" << 1.0;
        QTest::newRow("exponent sign only") << "1e+x" << 1.0;
        QTest::newRow("hex") << "&HFF" << 255.0;
        QTest::newRow("hex lower with blank") << "&h 1f" << 31.0;
        QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
        QTest::newRow("hex without digits") << "&H" << 0.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&o78" << 7.0;
        QTest::newRow("other digits") << QString::fromUtf16(u"\u0663") << 0.0;
        QTest::newRow("money") << "4.95" << 4.95;
    }

    void val() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingNumber(text), value);
    }

    void generalNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("trailing zero") << 12.50 << "12.5";
        QTest::newRow("whole") << 3.0 << "3";
        QTest::newRow("negative") << -3.0 << "-3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
        QTest::newRow("tax") << 0.79 << "0.79";
        QTest::newRow("no thousands separator") << 1234567.891 << "1234567.891";
        QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("large") << 1e15 << "1E+15";
        QTest::newRow("larger") << 1e20 << "1E+20";
        QTest::newRow("rounded to fifteen") << 123456789012345678.0 << "1.23456789012346E+17";
        QTest::newRow("small") << 0.0001 << "0.0001";
        QTest::newRow("smaller") << 0.00001 << "1E-05";
    }

    void generalNumber() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(::generalNumber(value), text);
    }

    void generalFormReadsBack() {
        for (double v : {12.5, -0.79, 1e20, 1.0 / 7, 0.00001})
            QCOMPARE(leadingNumber(::generalNumber(v)), ::generalNumber(v).toDouble());
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
