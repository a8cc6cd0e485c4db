// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/symbols.h"

#include <QtTest>

// The module streams and widths against the standards' own patterns.
class TestSymbols : public QObject {
    Q_OBJECT

private slots:
    void upc_data();
    void upc();
    void code39_data();
    void code39();
};

void TestSymbols::upc_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("check");
    QTest::newRow("worked example") << "12345678910" << 4;
    QTest::newRow("padded ten digits") << "03600029145" << 2;
    QTest::newRow("total of ten") << "30000000010" << 0;
    QTest::newRow("all nines") << "99999999999" << 3;
    QTest::newRow("letters count as zero") << "3X0000000A1" << 8;
}

// The standard left-hand (odd parity) patterns; right-hand ones are their complements.
void TestSymbols::upc() {
    QFETCH(QString, code);
    QFETCH(int, check);
    QCOMPARE(barcodes::upcCheckDigit(code), check);
    static const char* const left[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                         "0110001", "0101111", "0111011", "0110111", "0001011"};
    const QString digits = code + QString::number(check);
    QString expected = "101";
    for (int i = 0; i < 12; ++i) {
        if (i == 6)
            expected += "01010";
        const int d = digits.at(i).isDigit() ? digits.at(i).digitValue() : 0;
        QString pattern = QString::fromLatin1(left[d]);
        if (i >= 6)
            for (QChar& c : pattern)
                c = c == '0' ? '1' : '0';
        expected += pattern;
    }
    expected += "1010";
    const auto elements = barcodes::upcElements(code, check);
    QCOMPARE(barcodes::moduleStream(elements), expected);
    QCOMPARE(barcodes::upcWidthTwips(elements), 15 * expected.size() + elements.size());
}

void TestSymbols::code39_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QString>("skipped");
    QTest::newRow("empty") << "" << QStringList{} << "";
    QTest::newRow("lower case") << "abc" << QStringList{"211112112", "112112112", "212112111"}
                                << "";
    QTest::newRow("sign not in table") << "A#B" << QStringList{"211112112", "112112112"} << "#";
    QTest::newRow("space as SP") << "0 %" << QStringList{"111221211", "122111211", "111212121"}
                                 << "";
    QTest::newRow("asterisk and non-ASCII") << "*é-" << QStringList{"121111212"} << "*é";
}

void TestSymbols::code39() {
    QFETCH(QString, text);
    QFETCH(QStringList, patterns);
    QFETCH(QString, skipped);
    QCOMPARE(barcodes::code39Characters().size(), 44);
    QCOMPARE(barcodes::code39Patterns().size(), 44);
    QString left;
    const QStringList list = barcodes::code39PatternList(text, &left);
    QCOMPARE(list, QStringList{"121121211"} + patterns + QStringList{"121121211"});
    QCOMPARE(left, skipped);
    QCOMPARE(barcodes::code39WidthTwips(list), (patterns.size() + 2) * 261);
}

QTEST_GUILESS_MAIN(TestSymbols)
#include "tst_symbols.moc"
