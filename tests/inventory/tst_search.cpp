// SPDX-License-Identifier: GPL-3.0-or-later
// The filter test and the search's matching rule.

#include "manager/inventory/search.h"
#include "manager/store/runtimeerror.h"

#include <QtTest>

namespace {

FilterSettings textFilter(int field, const QString& text, int caseSensitive = 0,
                          bool exclude = false) {
    FilterSettings f;
    f.field = field;
    f.text = text;
    f.caseSensitive = caseSensitive;
    f.exclude = exclude;
    f.lower = QStringLiteral("0");
    f.upper = QStringLiteral("INF");
    return f;
}

FilterSettings numberFilter(int field, const QString& lower, const QString& upper) {
    FilterSettings f;
    f.field = field;
    f.lower = lower;
    f.upper = upper;
    return f;
}

// The titles of items that pass, each item with its title as title and SKU.
QStringList passing(const FilterSettings& filter, const QStringList& titles) {
    QStringList passed;
    for (const QString& title : titles)
        if (passesFilter(filter, title, title, 0, 0, 0))
            passed << title;
    return passed;
}

bool pricePasses(const FilterSettings& filter, double price) {
    return passesFilter(filter, "t", "s", 0, price, 0);
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void textTestsWithAndWithoutCase() {
        const QStringList titles{"Blue Mug", "MUGGY", "Cup", "mug"};
        QCOMPARE(passing(textFilter(FilterTitle, "mug"), titles),
                 (QStringList{"Blue Mug", "MUGGY", "mug"}));
        QCOMPARE(passing(textFilter(FilterTitle, "mug", 1), titles), QStringList{"mug"});
        // Any other value than 1 ignores the case.
        QCOMPARE(passing(textFilter(FilterSku, "mug", 2), titles).size(), 3);
        QCOMPARE(passing(textFilter(FilterTitle, "mug", 0, true), titles), QStringList{"Cup"});
        QCOMPARE(passing(textFilter(FilterTitle, "mug", 1, true), titles),
                 (QStringList{"Blue Mug", "MUGGY", "Cup"}));
        // The empty text is in every value.
        QCOMPARE(passing(textFilter(FilterTitle, ""), titles), titles);
        QCOMPARE(passing(textFilter(FilterTitle, "", 0, true), titles), QStringList());
        // Title and SKU are told apart.
        QVERIFY(passesFilter(textFilter(FilterSku, "A1"), "Cup", "A100", 0, 0, 0));
        QVERIFY(!passesFilter(textFilter(FilterTitle, "A1"), "Cup", "A100", 0, 0, 0));
    }

    void numberBoundsAreStrict() {
        const FilterSettings above = numberFilter(FilterPrice, "10", "INF");
        QVERIFY(!pricePasses(above, 10.00));
        QVERIFY(pricePasses(above, 10.01));
        const FilterSettings below = numberFilter(FilterPrice, "INF", "10");
        QVERIFY(!pricePasses(below, 10));
        QVERIFY(pricePasses(below, 9.99));
        QVERIFY(pricePasses(below, -50));
        const FilterSettings range = numberFilter(FilterPrice, "5", "10");
        QVERIFY(!pricePasses(range, 5.00));
        QVERIFY(!pricePasses(range, 10.00));
        QVERIFY(pricePasses(range, 7.5));
        // Each field tests its own number.
        QVERIFY(passesFilter(numberFilter(FilterCost, "1", "INF"), "t", "s", 2, 0, 0));
        QVERIFY(!passesFilter(numberFilter(FilterStock, "1", "INF"), "t", "s", 2, 2, 0));
        QVERIFY(passesFilter(numberFilter(FilterStock, " 1.5 ", "INF"), "t", "s", 0, 0, 2));
    }

    void aBoundThatIsNoNumberIsATypeMismatch() {
        for (const FilterSettings& f :
             {numberFilter(FilterPrice, "ten", "INF"), numberFilter(FilterPrice, "INF", ""),
              numberFilter(FilterPrice, "INF", "INF")}) {
            try {
                passesFilter(f, "t", "s", 0, 5, 0);
                QFAIL("a bound that is not a number must fail");
            } catch (const RuntimeError& error) {
                QCOMPARE(error.number(), 13);
            }
        }
        // A text test never reads the bounds; an unknown field lets every item pass.
        FilterSettings text = textFilter(FilterTitle, "");
        text.lower = "ten";
        QVERIFY(passesFilter(text, "t", "s", 0, 0, 0));
        QVERIFY(passesFilter(numberFilter(7, "ten", "ten"), "t", "s", 0, 0, 0));
    }

    void boundBoxesKeepTheAbsoluteLeadingNumber() {
        QCOMPARE(boundText("-3"), QString("3"));
        QCOMPARE(boundText("  12.50 dollars"), QString("12.5"));
        QCOMPARE(boundText("abc"), QString("0"));
        QCOMPARE(boundText(""), QString("0"));
    }

    void searchMatchesWholeTextsIgnoringCase() {
        const QString key = searchKey("mug");
        QCOMPARE(key, QString("MUG"));
        QVERIFY(searchMatches("Mug", key));
        QVERIFY(searchMatches("mUG", key));
        QVERIFY(!searchMatches("Blue mug", key));
        QVERIFY(!searchMatches("Mugs", key));
        QCOMPARE(foundItemText("Mug", "Kitchen"),
                 QString("Found item Mug in profit center Kitchen. Would you like to skip this "
                         "item and keep going?"));
    }
};

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_search.moc"
