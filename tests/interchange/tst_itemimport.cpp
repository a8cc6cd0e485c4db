// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/companytransfer.h"
#include "manager/interchange/itemimport.h"
#include "manager/store/items.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QtTest>

class TestItemImport : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void unsavedSummaryIsAWarning();
    void overwriteAnswers_data();
    void overwriteAnswers();
    void cancelWritesNothing();
    void roundTrip();
    void badFilesWriteNothing_data();
    void badFilesWriteNothing();
    void companyTransfer();
};

namespace {

QString itemText(const QString& folder, const QString& center, const QString& title) {
    const ItemRecord item = readItemForEdit(folder, center, title);
    return QStringList{item.sku, item.cost, item.price, QString::number(item.tax), item.inStock}
        .join(QLatin1Char('|'));
}

} // namespace

void TestItemImport::lines_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");   // sku|cost|price|tax|stock, or empty = not imported
    QTest::addColumn<QString>("events");     // t = tax error, m = missing
    QTest::addColumn<QStringList>("listed"); // the summary's lines after its three counts
    QTest::newRow("worked example") << QByteArray("Mug,2.10,4.95,1,A100,12\r\n") << "Mug"
                                    << "A100|2.10|4.95|1|12"
                                    << "" << QStringList();
    QTest::newRow("empty values") << QByteArray("Mug,,,0,A100,") << "Mug"
                                  << "A100|0.00|0.00|0|0"
                                  << "" << QStringList();
    QTest::newRow("no fifth field")
        << QByteArray("Mug,1,2\n") << "Mug"
        << ""
        << "tm" << QStringList{"Line 1: the title or the SKU is missing"};
    QTest::newRow("header line")
        << QByteArray("Title,Cost,Price,Tax,SKU,In Stock\r\n") << "Title"
        << "SKU|Cost|Price|1|In Stock"
        << "t"
        << QStringList{"Taxable flags that are not a number (the flag of the line before was "
                       "stored): 1",
                       "Line 1: \"Tax\"",
                       "Stored as they stand, but not numbers that sales and statistics can use: 3",
                       "Line 1: cost \"Cost\"",
                       "Line 1: price \"Price\"",
                       "Line 1: stock \"In Stock\""};
    QTest::newRow("title repeated in the file keeps its first line")
        << QByteArray("Caf\xC3\xA9,1,2,1,A1,3\nCaf\xC3\xA9,5,6,0,B2,4\n") << u"Caf\u00e9"_qs
        << "A1|1|2|1|3"
        << "" << QStringList{u"Line 2: an item named Caf\u00e9 already exists"_qs};
    QTest::newRow("quoted title is one field")
        << QByteArray("\"Mug, \"\"large\"\"\",5,6,0,B1,3\n") << "Mug, \"large\""
        << "B1|5|6|0|3"
        << "" << QStringList();
    QTest::newRow("tax carried from line before")
        << QByteArray("A,1,1,0,S1,1\nB,1,1,x,S2,1\n") << "B"
        << "S2|1|1|0|1"
        << "t"
        << QStringList{"Taxable flags that are not a number (the flag of the line before was "
                       "stored): 1",
                       "Line 2: \"x\""};
    QTest::newRow("spreadsheet booleans") << QByteArray("A,1,1,TRUE,S1,1\nB,1,1,no,S2,1\n") << "B"
                                          << "S2|1|1|0|1"
                                          << "" << QStringList();
    QTest::newRow("CR-only lines") << QByteArray("A,1,1,False,S1,12\rB,1,1,Yes,S2,3\r") << "B"
                                   << "S2|1|1|1|3"
                                   << "" << QStringList();
    QTest::newRow("title with =")
        << QByteArray("Size=XL Shirt,1,1,1,SH1,1\n") << "Size=XL Shirt"
        << ""
        << ""
        << QStringList{"Line 1: the title Size=XL Shirt holds \"=\", which a title cannot hold"};
    QTest::newRow("SKU with =") << QByteArray("Shirt,1,1,1,SH=1,1\n") << "Shirt"
                                << ""
                                << ""
                                << QStringList{"Line 1: the SKU SH=1 holds \"=\", which a SKU "
                                               "cannot hold"};
    QTest::newRow("spreadsheet numbers")
        << QByteArray("Pen,\"1,234.50\",$3.00,1,P1,12.5%\n") << "Pen"
        << "P1|1,234.50|$3.00|1|12.5%"
        << ""
        << QStringList{"Stored as they stand, but not numbers that sales and statistics can use: 3",
                       "Line 1: cost \"1,234.50\"", "Line 1: price \"$3.00\"",
                       "Line 1: stock \"12.5%\""};
    QTest::newRow("bom and windows-1252") << QByteArray("\xEF\xBB\xBF"
                                                        "Caf\xE9,1,2,1.5,C1,4\r\n")
                                          << QStringLiteral("Caf\u00e9") << "C1|1|2|2|4"
                                          << "" << QStringList();
}

void TestItemImport::lines() {
    QFETCH(QByteArray, csv);
    QFETCH(QString, title);
    QFETCH(QString, expected);
    QFETCH(QString, events);
    QFETCH(QStringList, listed);
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + QStringLiteral("Kitchen"), QByteArray());
    const QString path = env.base() + QStringLiteral("/in.csv");
    TestEnvironment::writeBytes(path, csv);
    QString seen;
    ImportHandlers handlers;
    handlers.taxError = [&](int) { seen += QLatin1Char('t'); };
    handlers.missing = [&](int) { seen += QLatin1Char('m'); };
    const ImportSummary summary = importItemFile(folder, QStringLiteral("Kitchen"), path, handlers);
    QCOMPARE(seen, events);
    QCOMPARE(titleExists(folder, QStringLiteral("Kitchen"), title), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(itemText(folder, QStringLiteral("Kitchen"), title), expected);
    QCOMPARE(summary.text().split(QStringLiteral("\r\n")).mid(3), listed + QStringList{QString()});
}

// The items are in even when the summary cannot be kept; the summary then says so.
void TestItemImport::unsavedSummaryIsAWarning() {
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + QStringLiteral("P"), QByteArray());
    QVERIFY(QDir().mkpath(folder + QStringLiteral("Logs/LastImport.txt")));
    const QString path = env.base() + QStringLiteral("/in.csv");
    TestEnvironment::writeBytes(path, "A,1,1,1,SA,1\n");
    ImportSummary summary = importItemFile(folder, QStringLiteral("P"), path, {});
    QVERIFY(!saveImportSummary(folder, summary));
    QVERIFY(titleExists(folder, QStringLiteral("P"), QStringLiteral("A")));
    QVERIFY(summary.text().contains(
        QStringLiteral("This summary could not be saved in Logs/LastImport.txt: ")));
}

void TestItemImport::overwriteAnswers_data() {
    QTest::addColumn<QList<int>>("answers"); // OverwriteAnswer values, in the order asked
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("prices"); // the price of A, B, C after the second import
    QTest::newRow("yes, no, yes") << QList<int>{0, 1, 0} << 3 << "9|1|9";
    QTest::newRow("yes to all") << QList<int>{2} << 1 << "9|9|9";
    QTest::newRow("no, then no to all") << QList<int>{1, 3} << 2 << "1|1|1";
}

void TestItemImport::overwriteAnswers() {
    QFETCH(QList<int>, answers);
    QFETCH(int, asked);
    QFETCH(QString, prices);
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + QStringLiteral("P"), QByteArray());
    // Another profit center's item shares SKU SB and takes the imported values.
    fixture::writeTitle(folder, QStringLiteral("Q"), QStringLiteral("Other"), QStringLiteral("SB"));
    const QString first = env.base() + QStringLiteral("/1.csv");
    const QString second = env.base() + QStringLiteral("/2.csv");
    TestEnvironment::writeBytes(first, "A,1,1,1,SA,1\nB,1,1,1,SB,1\nC,1,1,1,SC,1\n");
    TestEnvironment::writeBytes(second, "A,9,9,1,SA,1\nB,9,9,1,SB,1\nC,9,9,1,SC,1\n");
    importItemFile(folder, QStringLiteral("P"), first, {});
    int n = 0;
    ImportHandlers handlers;
    handlers.overwrite = [&](const QString&) { return OverwriteAnswer(answers.value(n++)); };
    const ImportSummary summary = importItemFile(folder, QStringLiteral("P"), second, handlers);
    QCOMPARE(n, asked);
    QStringList got;
    for (const char* sku : {"SA", "SB", "SC"})
        got << GetINIString(QStringLiteral("Prices"), sku, QString(), priceLogPath(folder));
    QCOMPARE(got.join(QLatin1Char('|')), prices);
    QCOMPARE(summary.overwritten + summary.skipped, 3);
    QCOMPARE(summary.skippedLines.size(), summary.skipped);
    QCOMPARE(readItemForEdit(folder, QStringLiteral("Q"), QStringLiteral("Other")).price,
             got.at(1));
}

void TestItemImport::cancelWritesNothing() {
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + QStringLiteral("P"), QByteArray());
    const QString path = env.base() + QStringLiteral("/in.csv");
    TestEnvironment::writeBytes(path, "A,1,1,1,SA,1\n");
    ImportHandlers handlers;
    handlers.progress = [](int, int) { return false; };
    QVERIFY(importItemFile(folder, QStringLiteral("P"), path, handlers).cancelled);
    QVERIFY(!QFile::exists(priceLogPath(folder)));
    QCOMPARE(TestEnvironment::readBytes(folder + QStringLiteral("P")), QByteArray());
}

void TestItemImport::roundTrip() {
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    fixture::writeTitle(folder, QStringLiteral("P"), QStringLiteral("Mug, \"big\""),
                        QStringLiteral("A,1"));
    fixture::writeItem(folder, QStringLiteral("A,1"), QStringLiteral("4.95"),
                       QStringLiteral("2.10"), QStringLiteral("0"), QStringLiteral("7"));
    fixture::writeTitle(folder, QStringLiteral("P"), QStringLiteral("Bare"), QStringLiteral("B"));
    const QString path = env.base() + QStringLiteral("/out.csv");
    TestEnvironment::writeBytes(path, "old");
    QVERIFY(!exportInventory(folder, path, [](int, int) { return false; }));
    QCOMPARE(TestEnvironment::readBytes(path), QByteArray("old"));
    QVERIFY(exportInventory(folder, path));
    const QString other = env.makeCompany(QStringLiteral("Copy"));
    TestEnvironment::writeBytes(other + QStringLiteral("P"), QByteArray());
    importItemFile(other, QStringLiteral("P"), path, {});
    QCOMPARE(inventoryCsv(other), TestEnvironment::readBytes(path));
    QCOMPARE(itemText(other, QStringLiteral("P"), QStringLiteral("Mug, \"big\"")),
             QStringLiteral("A,1|2.10|4.95|0|7"));
}

void TestItemImport::badFilesWriteNothing_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("error");
    QTest::newRow("binary") << QByteArray("A,1\0,1,1,S,1", 12) << 62;
    QTest::newRow("quote never closes") << QByteArray("A,1,1,1,S,1\n\"B,1,1,1,T,1\n") << 62;
    QTest::newRow("only commas") << QByteArray(",,,,,,,,\n,,,\n") << 0;
    QTest::newRow("10000 fields") << QByteArray("A,1,1,1,S,1") + QByteArray(10000, ',') << 0;
}

void TestItemImport::badFilesWriteNothing() {
    QFETCH(QByteArray, csv);
    QFETCH(int, error);
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    TestEnvironment::writeBytes(folder + QStringLiteral("P"), QByteArray());
    const QString path = env.base() + QStringLiteral("/in.csv");
    TestEnvironment::writeBytes(path, csv);
    QCOMPARE(fixture::errorOf([&] { importItemFile(folder, QStringLiteral("P"), path, {}); }),
             error);
    QCOMPARE(titleExists(folder, QStringLiteral("P"), QStringLiteral("A")),
             error == 0 && csv.startsWith("A"));
    if (error)
        QVERIFY(!QFile::exists(priceLogPath(folder)));
}

void TestItemImport::companyTransfer() {
    TestEnvironment env;
    const QString folder = env.makeCompany(QStringLiteral("Shop"));
    fixture::writeTitle(folder, QStringLiteral("P"), QStringLiteral("Mug"), QStringLiteral("A"));
    const QString out = env.base() + QStringLiteral("/out");
    QDir().mkpath(out);
    QVERIFY(exportCompany(env.root(), QStringLiteral("Shop"), out).error.isEmpty());
    TestEnvironment::writeBytes(out + QStringLiteral("/Shop/Old"), "x");
    fixture::writeTitle(folder, QStringLiteral("P"), QStringLiteral("Cup"), QStringLiteral("B"));
    QVERIFY(exportCompany(env.root(), QStringLiteral("Shop"), out).error.isEmpty());
    QVERIFY(QFile::exists(out + QStringLiteral("/Shop/Old"))); // earlier copy's extra file stays
    QCOMPARE(TestEnvironment::readBytes(out + QStringLiteral("/Shop/P")),
             TestEnvironment::readBytes(folder + QStringLiteral("P")));
    QVERIFY(importCompany(env.root(), out + QStringLiteral("/Shop"))
                .error.contains(QLatin1String("already exists")));
    QVERIFY(importCompany(env.root(), out).error.contains(QLatin1String("not an exported")));
    QVERIFY(QDir().rename(out + QStringLiteral("/Shop"), out + QStringLiteral("/Shop2")));
    QVERIFY(importCompany(env.root(), out + QStringLiteral("/Shop2")).error.isEmpty());
    QVERIFY(titleExists(env.root() + QStringLiteral("Shop2/"), QStringLiteral("P"),
                        QStringLiteral("Cup")));
    QVERIFY(isRestrictedFolder(env.root(), env.root()));
}

QTEST_GUILESS_MAIN(TestItemImport)
#include "tst_itemimport.moc"
