// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/book.h"
#include "help/bookwriter.h"
#include "help/search.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace helptext;

namespace {

PropertyBag sampleBag() {
    PropertyBag bag;
    bag.add(QStringLiteral("protected"), QStringLiteral("False"));
    bag.add(QStringLiteral("homepage"), Crypt(QStringLiteral("index.html")));
    bag.add(QStringLiteral("/index.html"), QStringLiteral("<title>A</title>é"));
    bag.add(QStringLiteral("/x.gif"), QString::fromLatin1("GIF89a\x01\xff", 8));
    return bag;
}

QByteArray bookFileBytes(const QByteArray& program, const PropertyBag& bag) {
    return program + bookTail(bag, program.size());
}

int errorReading(const QByteArray& bytes) {
    QTemporaryDir dir;
    QFile file(dir.filePath("book"));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    try {
        readBookFile(file.fileName());
    } catch (const HelpError& error) {
        return error.number();
    }
    return 0;
}

PropertyBag searchBag() {
    PropertyBag bag;
    bag.add(QStringLiteral("encrypt"), QStringLiteral("False"));
    bag.add(QStringLiteral("homepage"), Crypt(QStringLiteral("index.html")));
    const QList<QPair<const char*, const char*>> pages = {
        {"/index.html", "<title>Contents</title><h1>Contents</h1>returns labels batch export"},
        {"/sales.html", "<title>Sales and returns</title><h1>Sales and returns</h1>"
                        "<p>Record a sale. Batches of sales.</p>"},
        {"/batch.html", "<title>Batch files</title><h1>Batch files</h1><h2>Returns in a batch"
                        "</h2><p>A till writes batch files.</p>"},
        {"/labels.html",
         "<title>Label sheets</title><p>Print barcode labels for every <i>item</i>; "
         "the <i>return</i> key &amp; more.</p><p><a href=\"index.html\">Contents</a></p>"},
        {"/export.html", "<title>Exporting</title><p>Export the company to a folder.</p>"},
        {kSynonymEntry, "# comment\nrefund = return\nbackup = export company\n"
                        "till = batch | sales client\n"}};
    for (const auto& page : pages)
        bag.add(QString::fromLatin1(page.first), QString::fromLatin1(page.second));
    return bag;
}

void setI32(QByteArray& bytes, qint64 offset, qint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
}

} // namespace

class tst_HelpBook : public QObject {
    Q_OBJECT
private slots:
    void cryptSwapsNibblesAndIsItsOwnInverse() {
        QCOMPARE(Crypt(QString(QChar(0x41)) + QChar(0x2F)), QString(QChar(0x14)) + QChar(0xF2));
        QCOMPARE(Crypt(QString()), QString());
        QString all;
        for (int c = 0; c < 256; ++c)
            all += QChar(c);
        QCOMPARE(Crypt(Crypt(all)), all);
        QVERIFY_THROWS_EXCEPTION(HelpError, Crypt(QStringLiteral("a€")));
    }

    void searchRanksTitleThenHeadingThenText_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("pages");
        const QStringList returns = {"sales.html", "batch.html", "labels.html"};
        QTest::newRow("stemmed, contents left out") << "returned" << returns;
        QTest::newRow("synonym") << "Refunds" << returns;
        QTest::newRow("synonym of two words") << "backup" << QStringList{"export.html"};
        QTest::newRow("word and synonym") << "till" << QStringList{"batch.html", "sales.html"};
        QTest::newRow("question words dropped")
            << "how do I print the labels" << QStringList{"labels.html"};
        QTest::newRow("every word needed") << "return export" << QStringList();
    }
    void searchRanksTitleThenHeadingThenText() {
        QFETCH(QString, query);
        QFETCH(QStringList, pages);
        QStringList found;
        for (const SearchHit& hit : searchBook(searchBag(), query))
            found << hit.page;
        QCOMPARE(found, pages);
    }

    void searchHitsShowTheirWordsInContext() {
        const QList<SearchHit> hits = searchBook(searchBag(), QStringLiteral("refund"));
        QCOMPARE(hits.last().title, QStringLiteral("Label sheets"));
        QCOMPARE(hits.last().snippet,
                 QStringLiteral("Print barcode labels for every item; the <b>return</b> key "
                                "&amp; more."));
        const QByteArray page = searchPage(searchBag(), QStringLiteral("refund"));
        QVERIFY(page.indexOf("href=\"sales.html\"") < page.indexOf("href=\"labels.html\""));
        QVERIFY(!searchPage(searchBag(), QStringLiteral("zzz")).contains("<ol"));
    }

    void viewerTextRoutines() {
        QCOMPARE(GetFile(QStringLiteral("a\\b\\Title")), QStringLiteral("Title"));
        QCOMPARE(GetFile(QStringLiteral("no slash")), QStringLiteral("no slash"));
        QCOMPARE(AddBackslash(QString()), QStringLiteral("/"));
        QCOMPARE(AddBackslash(QStringLiteral("a.html")), QStringLiteral("/a.html"));
        QCOMPARE(AddBackslash(QStringLiteral("/a.html")), QStringLiteral("/a.html"));
        QCOMPARE(GetToken(QStringLiteral("GET / HTTP/1.1 x"), QStringLiteral(" "), 2),
                 QStringLiteral("/"));
    }

    void aWrittenBookReadsBackKeyByKey() {
        const QByteArray program(73727, 'p');
        const QByteArray bytes = bookFileBytes(program, sampleBag());
        // The trailer is the last four bytes, a 1-based position.
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + bytes.size() - 4), 73728);
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 73727), quint16(0x2011));
        QTemporaryDir dir;
        QFile file(dir.filePath("book"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const BookFile book = readBookFile(file.fileName());
        QCOMPARE(book.beginPos, 73728);
        QCOMPARE(book.length, bytes.size());
        const auto expected = sampleBag().entries();
        QCOMPARE(book.bag.entries(), expected);
        QCOMPARE(book.bag.read("HomePage"), Crypt("index.html"));
        QCOMPARE(book.bag.read("/INDEX.HTML"), expected[2].second);
        QVERIFY_THROWS_EXCEPTION(HelpError, book.bag.read("missing"));
        QCOMPARE(book.bag.read("missing", "1"), QStringLiteral("1"));
    }

    void theLastEntryPointsBackToTheFirst() {
        const QByteArray image = bagImage(sampleBag());
        qint64 start = 8, steps = 0;
        qint32 next = 0;
        while ((next = qFromLittleEndian<qint32>(image.constData() + start + 8)) > 0) {
            start += next;
            QVERIFY(++steps < 4);
        }
        QCOMPARE(steps, 3);
        QCOMPARE(start + next, 8);
    }

    void damagedBooksGiveErrors_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("error");
        QTest::newRow("truncated") << "truncated" << 62;
        QTest::newRow("too short for a trailer") << "tiny" << 62;
        QTest::newRow("position zero") << "zero" << 63;
        QTest::newRow("oversized count") << "oversized" << 62;
        QTest::newRow("looping chain") << "loop" << 5;
        QTest::newRow("overlapping entry") << "overlap" << 5;
        QTest::newRow("value past the end") << "value" << 5;
        QTest::newRow("bad magic") << "magic" << 5;
        QTest::newRow("not a byte array") << "tag" << 13;
    }
    void damagedBooksGiveErrors() {
        QFETCH(QString, damage);
        QFETCH(int, error);
        QByteArray bytes = bookFileBytes("prog", sampleBag());
        const qint64 image = 4 + 12, firstNext = image + 8 + 8;
        if (damage == "truncated")
            bytes.remove(20, 10);
        else if (damage == "tiny")
            bytes = "abc";
        else if (damage == "zero")
            setI32(bytes, bytes.size() - 4, 0);
        else if (damage == "oversized")
            setI32(bytes, 4 + 4, 0x7FFFFFF0);
        else if (damage == "loop")
            setI32(bytes, firstNext, 0);
        else if (damage == "overlap")
            setI32(bytes, firstNext, 4);
        else if (damage == "value")
            setI32(bytes, image + 8 + 12 + 2 * 9, 0x7FFFFFFF);
        else if (damage == "magic")
            bytes[image] = 'x';
        else if (damage == "tag")
            bytes[4] = 0x12;
        QCOMPARE(errorReading(bytes), error);
    }

    // Random damage anywhere in a valid book: an error or a book, never a crash or a hang.
    void mutatedBooksNeverCrash() {
        const QByteArray valid = bookFileBytes("prog", sampleBag());
        QRandomGenerator random(14);
        int errors = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = valid;
            for (int flips = 1 + random.bounded(4); flips > 0; --flips)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            if (random.bounded(8) == 0)
                bytes.truncate(random.bounded(int(bytes.size())));
            errors += errorReading(bytes) != 0;
        }
        QVERIFY(errors > 0);
    }

    void appendingCutsOffTheEarlierBook() {
        QTemporaryDir dir;
        const QString program = dir.filePath("viewer");
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000, '\x7f'));
        file.close();
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const PropertyBag bag = bookFromFolder(QFINDTESTDATA("../../help/book"));
        appendBook(program, bag);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray once = file.readAll();
        file.close();
        appendBook(program, bag);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), once);
        file.close();
        QVERIFY(QFileInfo(program).isExecutable());
        const BookFile book = readBookFile(program);
        QCOMPARE(book.beginPos, 1001);
        QCOMPARE(Crypt(book.bag.read("HomePage")), QStringLiteral("index.html"));
        QVERIFY(book.bag.read("/index.html").contains("<title>Tallyvane Help</title>"));
    }
};

QTEST_GUILESS_MAIN(tst_HelpBook)
#include "tst_helpbook.moc"
