// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/decimal.h"
#include "manager/store/numbertext.h"
#include "manager/store/runtimeerror.h"

#include <QRandomGenerator>
#include <QTest>

class DecimalTest : public QObject {
    Q_OBJECT

    static QString shown(const QString& stored) { return Decimal::fromStored(stored).toString(); }

private slots:
    void storedTextReadsExactly_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("general");
        QTest::newRow("two decimals") << "12.50"
                                      << "12.5";
        QTest::newRow("negative") << "-4.5"
                                  << "-4.5";
        QTest::newRow("blanks around") << "  7.90 "
                                       << "7.9";
        QTest::newRow("leading zeros") << "007"
                                       << "7";
        QTest::newRow("point first") << ".5"
                                     << "0.5";
        QTest::newRow("point last") << "5."
                                    << "5";
        QTest::newRow("exponent") << "1.5E3"
                                  << "1500";
        QTest::newRow("D exponent") << "25D-1"
                                    << "2.5";
        QTest::newRow("large") << "1E+20"
                               << "1E+20";
        QTest::newRow("small") << "0.00001"
                               << "1E-05";
        QTest::newRow("smallest fixed") << "0.0001"
                                        << "0.0001";
        QTest::newRow("fifteen digits") << "123456789012345"
                                        << "123456789012345";
        QTest::newRow("sixteen digits") << "1234567890123456"
                                        << "1.23456789012346E+15";
        QTest::newRow("long fraction") << "0.12345678901234567"
                                       << "0.123456789012346";
        QTest::newRow("hexadecimal") << "&H1F"
                                     << "31";
        QTest::newRow("octal") << "&o17"
                               << "15";
        QTest::newRow("negative zero") << "-0.00"
                                       << "0";
    }
    void storedTextReadsExactly() {
        QFETCH(QString, stored);
        QFETCH(QString, general);
        QCOMPARE(shown(stored), general);
    }

    void textThatIsNoNumberIsATypeMismatch() {
        for (const QString& text :
             {QString(), QStringLiteral("abc"), QStringLiteral("12abc"), QStringLiteral("1,000"),
              QStringLiteral("."), QStringLiteral("-"), QStringLiteral("5e"), QStringLiteral("&H"),
              QStringLiteral("&HXY")}) {
            QVERIFY2(!Decimal::parse(text), qPrintable(text));
            try {
                Decimal::fromStored(text);
                QFAIL(qPrintable(QStringLiteral("no error for ") + text));
            } catch (const RuntimeError& error) {
                QCOMPARE(error.number(), 13);
            }
        }
        try {
            Decimal::fromStored(QStringLiteral("1E+400"));
            QFAIL("no overflow");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 6);
        }
        QVERIFY(Decimal::fromStored(QStringLiteral("1E-500")).isZero());
    }

    void typedTextTakesTheLeadingNumber_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("general");
        QTest::newRow("plain") << "3"
                               << "3";
        QTest::newRow("blanks inside") << " 2 .5 units"
                                       << "2.5";
        QTest::newRow("tabs and line feeds") << "\t-\n2"
                                             << "-2";
        QTest::newRow("text") << "abc"
                              << "0";
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("hexadecimal") << "&HFF"
                                     << "255";
        QTest::newRow("octal stops at 8") << "&O178"
                                          << "15";
        QTest::newRow("exponent") << "1e3x"
                                  << "1000";
        QTest::newRow("exponent without digits") << "1e"
                                                 << "1";
        QTest::newRow("second point ends") << "1.2.3"
                                           << "1.2";
    }
    void typedTextTakesTheLeadingNumber() {
        QFETCH(QString, typed);
        QFETCH(QString, general);
        QCOMPARE(Decimal::fromTyped(typed).toString(), general);
    }

    void generalFormMatchesTheDoubleFormForExactValues() {
        QRandomGenerator random(4711);
        for (int i = 0; i < 20000; ++i) {
            const int digits = 1 + int(random.bounded(15));
            qint64 mantissa = 0;
            for (int d = 0; d < digits; ++d)
                mantissa = mantissa * 10 + random.bounded(10);
            if (random.bounded(2))
                mantissa = -mantissa;
            const int scale = int(random.bounded(40)) - 20;
            const Decimal value = Decimal::fromParts(mantissa, scale);
            QCOMPARE(value.toString(), generalNumber(value.toDouble()));
            QCOMPARE(Decimal::fromStored(value.toString()), value);
        }
    }

    void saleExampleIsExact() {
        const Decimal price = Decimal::fromStored("10.00");
        const Decimal factor = Decimal(1) + Decimal::fromStored("7.9") * Decimal::fromParts(1, 2);
        const Decimal taxedUnit = (price * factor).rounded(2);
        QCOMPARE(taxedUnit.toString(), QStringLiteral("10.79"));
        const Decimal gross = taxedUnit * Decimal(3);
        QCOMPARE(gross.toString(), QStringLiteral("32.37"));
        QCOMPARE((gross - price * Decimal(3)).toString(), QStringLiteral("2.37"));
        QCOMPARE((gross - Decimal::fromStored("5.00") * Decimal(3)).toString(),
                 QStringLiteral("17.37"));
        QCOMPARE((taxedUnit - price).toString(), QStringLiteral("0.79"));
    }

    void totalsDoNotDrift() {
        Decimal total;
        const Decimal cent = Decimal::fromStored("0.01");
        const Decimal tax = Decimal::fromStored("0.79");
        for (int i = 0; i < 100000; ++i)
            total += cent;
        QCOMPARE(total.toString(), QStringLiteral("1000"));
        Decimal taxes;
        for (int i = 0; i < 1000; ++i)
            taxes += tax;
        QCOMPARE(taxes.toString(), QStringLiteral("790"));
        for (int i = 0; i < 1000; ++i)
            taxes -= tax;
        QVERIFY(taxes.isZero());
    }

    void roundingTakesHalvesToEven_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("places");
        QTest::addColumn<QString>("rounded");
        QTest::newRow("half down to even") << "1.005" << 2 << "1";
        QTest::newRow("half up to even") << "1.015" << 2 << "1.02";
        QTest::newRow("above half") << "1.0051" << 2 << "1.01";
        QTest::newRow("whole half even") << "2.5" << 0 << "2";
        QTest::newRow("whole half odd") << "3.5" << 0 << "4";
        QTest::newRow("negative half") << "-2.5" << 0 << "-2";
        QTest::newRow("carry") << "9.995" << 2 << "10";
        QTest::newRow("already short") << "1.5" << 2 << "1.5";
    }
    void roundingTakesHalvesToEven() {
        QFETCH(QString, value);
        QFETCH(int, places);
        QFETCH(QString, rounded);
        QCOMPARE(Decimal::fromStored(value).rounded(places).toString(), rounded);
    }

    void divisionRoundsToPlaces() {
        auto div = [](const char* a, const char* b) {
            return Decimal::divided(Decimal::fromStored(a), Decimal::fromStored(b), 2).toString();
        };
        QCOMPARE(div("10", "3"), QStringLiteral("3.33"));
        QCOMPARE(div("2", "3"), QStringLiteral("0.67"));
        QCOMPARE(div("1", "8"), QStringLiteral("0.12"));
        QCOMPARE(div("3", "8"), QStringLiteral("0.38"));
        QCOMPARE(div("-7", "2"), QStringLiteral("-3.5"));
        QCOMPARE(div("12.5", "0.5"), QStringLiteral("25"));
        QCOMPARE(div("1", "1E+30"), QStringLiteral("0"));
        QCOMPARE(div("1E+20", "0.001"), QStringLiteral("1E+23"));
        try {
            Decimal::divided(Decimal(1), Decimal(), 2);
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.number(), 11);
        }
    }

    void arithmeticKeepsEighteenDigits() {
        const Decimal big = Decimal::fromStored("1E+20");
        QCOMPARE(big + Decimal::fromStored("0.01"), big);
        QVERIFY(big > Decimal(1));
        QVERIFY(Decimal(-1) < Decimal::fromStored("0.5"));
        QVERIFY(Decimal::fromStored("2.50") == Decimal::fromStored("2.5"));
        // 123456789.123456789 × 10 keeps its 18 digits before the form rounds to 15
        const Decimal precise = Decimal::fromStored("123456789.123456789") * Decimal(10);
        QCOMPARE(precise - Decimal::fromStored("1234567891.23456789"), Decimal());
        QCOMPARE(precise.toString(), QStringLiteral("1234567891.23457"));
        QCOMPARE((Decimal::fromStored("0.1") + Decimal::fromStored("0.2")).toString(),
                 QStringLiteral("0.3"));
    }
};

QTEST_GUILESS_MAIN(DecimalTest)
#include "tst_decimal.moc"
