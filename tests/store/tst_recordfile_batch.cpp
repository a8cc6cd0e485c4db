// SPDX-License-Identifier: GPL-3.0-or-later
// Many writes through one RecordFile and one save give the bytes of the same writes done one by
// one, and both agree with a plain model of the rewrite: keep every other line (dropping the
// leading empty ones), append CR LF + the record unless the value is empty, end with CR LF.
// The model matches a line by its whole decoded text, so lines of older installations
// (Windows-1252) take part too.

#include "manager/store/recordfile.h"
#include "manager/store/textcodec.h"
#include "tests/support/testenvironment.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
const char* const kStart = "Info\\Name=Shop\r\nT\\A=1\r\nT\\B=2\r\nT\\C=3\r\n";

struct Write {
    QString section, key, value;
};

// The file as a model: its lines, each with the text it reads as (decoded once).
class Model {
public:
    explicit Model(const QByteArray& bytes) { append(bytes); }

    // Lines added at the end, as by hand.
    void append(const QByteArray& bytes) {
        QList<QByteArray> lines = bytes.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast(); // the text after the last line end is no line
        for (QByteArray& line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
            m_lines.push_back({line, decodeStoreText(line)});
        }
    }

    void write(const Write& w) {
        const QString prefix = w.section + '\\' + w.key + '=';
        QList<Line> kept;
        for (const Line& line : m_lines) {
            if (line.text.startsWith(prefix) || (kept.isEmpty() && line.bytes.isEmpty()))
                continue;
            kept << line;
        }
        if (kept.isEmpty())
            kept.push_back({});
        QString value = w.value;
        value.replace("\r\n", ">+br+<");
        if (!value.isEmpty())
            kept.push_back({(prefix + value).toUtf8(), prefix + value});
        m_lines = kept;
    }

    QString read(const QString& section, const QString& key) const {
        const QString prefix = section + '\\' + key + '=';
        for (const Line& line : m_lines)
            if (line.text.startsWith(prefix))
                return line.text.mid(prefix.size()).replace(">+br+<", "\r\n", Qt::CaseInsensitive);
        return QStringLiteral("<none>");
    }

    QByteArray bytes() const {
        QByteArray out;
        for (const Line& line : m_lines)
            out += line.bytes + "\r\n";
        return out;
    }
    int lineCount() const { return static_cast<int>(m_lines.size()); }

private:
    struct Line {
        QByteArray bytes;
        QString text;
    };
    QList<Line> m_lines;
};

// Sections that are prefixes of others, keys that are prefixes of others, a key holding "=",
// and "A" + "B\C" spelling the same record as "A\B" + "C".
Write randomWrite(QRandomGenerator& random) {
    static const QStringList sections = {"A", "AB", "A\\B", "Titles", "T"};
    static const QStringList keys = {"B",     "BC",      "C",   "B\\C", "Key",  "K",
                                     u"é"_qs, u"é=1"_qs, "x=y", "x",    u"€"_qs};
    static const QStringList values = {"1", "22", "multi\r\nline", u"é€"_qs, "a=b", " "};
    Write w;
    w.section = sections[random.bounded(sections.size())];
    w.key = keys[random.bounded(keys.size())];
    w.value = random.bounded(4) == 0 ? QString() : values[random.bounded(values.size())];
    return w;
}
} // namespace

class TestRecordFileBatch : public QObject {
    Q_OBJECT

private slots:
    void batchedWritesEqualOneByOneWrites() {
        TestEnvironment env;
        const QString batchFile = env.base() + "/batch";
        const QString singleFile = env.base() + "/single";
        // Duplicates, foreign lines, LF line ends, and Windows-1252 lines ("é", "€" and a value
        // holding ">+BR+<") beside UTF-8 ones.
        const QByteArray start =
            "\r\n\r\nA\\B=1\r\nA\\B=2\r\nfree text\r\n\r\nAB\\B=3\r\n"
            "A\\BC=4\r\nTitles\\x=y=9\r\nA\\\xe9=old\r\nT\\\x80=e>+BR+<\xe9\r\n"
            "A\\\xc3\xa9=1\r\nA\\\xe9=1=2\r\nA\\B=5\n";
        TestEnvironment::writeBytes(batchFile, start);
        TestEnvironment::writeBytes(singleFile, start);
        Model model(start);

        QRandomGenerator random(20240501);
        for (int round = 0; round < 40; ++round) {
            // An older installation's lines added by hand between rounds.
            const QByteArray older = "A\\\xe9=" + QByteArray::number(round) + "\r\nT\\\x80=x\r\n";
            for (const QString& path : {batchFile, singleFile})
                TestEnvironment::writeBytes(path, TestEnvironment::readBytes(path) + older);
            model.append(older);

            RecordFile batch = RecordFile::load(batchFile);
            const int writes = 1 + random.bounded(40);
            for (int i = 0; i < writes; ++i) {
                const Write w = randomWrite(random);
                batch.write(w.section, w.key, w.value);
                WriteINIString(w.section, w.key, w.value, singleFile);
                model.write(w);
                QCOMPARE(batch.bytes(), model.bytes());

                const Write probe = randomWrite(random);
                const QString expected = model.read(probe.section, probe.key);
                QCOMPARE(batch.value(probe.section, probe.key, "<none>"), expected);
                QCOMPARE(GetINIString(probe.section, probe.key, "<none>", singleFile), expected);
            }
            batch.save(batchFile);
            QCOMPARE(TestEnvironment::readBytes(batchFile), TestEnvironment::readBytes(singleFile));
        }
        QCOMPARE(TestEnvironment::readBytes(singleFile), model.bytes());
    }

    void olderLinesFoundAfterManyLookups() {
        // A long batch looks records up through a line index; Windows-1252 lines must be found
        // there as in a single read.
        QByteArray start = "Titles\\Caf\xe9=C100\r\nTitles\\Cr\xe8me=C200\r\nTitles\\\x80=E1\r\n";
        for (int i = 0; i < 100; ++i)
            start += QStringLiteral("Titles\\T%1=S%1\r\n").arg(i).toUtf8();
        RecordFile batch = RecordFile::fromBytes(start);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(batch.value("Titles", QStringLiteral("T%1").arg(i), ""),
                     QStringLiteral("S%1").arg(i));
        QCOMPARE(batch.value("Titles", u"Café"_qs, ""), QString("C100"));
        QVERIFY(batch.contains("Titles", u"€"_qs));
        batch.write("Titles", u"Crème"_qs, "C201");
        batch.write("Titles", u"€"_qs, "");
        batch.write("Titles", u"Café"_qs, "");
        Model model(start);
        model.write({"Titles", u"Crème"_qs, "C201"});
        model.write({"Titles", u"€"_qs, ""});
        model.write({"Titles", u"Café"_qs, ""});
        QCOMPARE(batch.bytes(), model.bytes());
        QCOMPARE(batch.value("Titles", u"Crème"_qs, ""), QString("C201"));
    }

    // A kept copy that catches up with what another writer left reads like the file read
    // afresh, before and after writes of its own, and tells the lines that changed.
    void caughtUpCopyReadsAsTheNewFile_data() {
        QTest::addColumn<QByteArray>("newer");
        QTest::addColumn<int>("lookups"); // before: enough to index the copy, or a few
        QTest::addColumn<QByteArrayList>("changed");
        const QByteArray moved = "Info\\Name=Shop\r\nT\\B=2\r\nT\\C=3\r\nT\\A=9\r\n";
        QTest::newRow("a record rewritten") << moved << 50 << QByteArrayList{"T\\A=1", "T\\A=9"};
        QTest::newRow("unindexed") << moved << 2 << QByteArrayList{"T\\A=1", "T\\A=9"};
        QTest::newRow("as it was") << QByteArray(kStart) << 50 << QByteArrayList{};
        QTest::newRow("emptied") << QByteArray() << 50
                                 << QByteArrayList{"Info\\Name=Shop", "T\\A=1", "T\\B=2", "T\\C=3"};
        QTest::newRow("LF ends, a line added")
            << QByteArray("Info\\Name=Shop\nT\\A=1\nT\\B=2\nT\\C=3\nT\\D=4") << 50
            << QByteArrayList{"Info\\Name=Shop", "T\\A=1", "T\\B=2", "T\\C=3", "Info\\Name=Shop",
                              "T\\A=1",          "T\\B=2", "T\\C=3", "T\\D=4"};
    }
    void caughtUpCopyReadsAsTheNewFile() {
        QFETCH(QByteArray, newer);
        QFETCH(int, lookups);
        QFETCH(QByteArrayList, changed);
        RecordFile kept = RecordFile::fromBytes(kStart);
        for (int i = 0; i < lookups; ++i)
            kept.value("T", QStringLiteral("K%1").arg(i), "");
        QByteArrayList told;
        kept.catchUp(newer, &told);
        RecordFile fresh = RecordFile::fromBytes(newer);
        QCOMPARE(told, changed);
        for (RecordFile* file : {&kept, &fresh}) {
            file->write("T", "C", "30");
            file->write("T", "E", "5");
            file->write("T", "B", "");
        }
        QCOMPARE(kept.bytes(), fresh.bytes());
        QCOMPARE(kept.lineCount(), fresh.lineCount());
        for (const char* key : {"A", "B", "C", "D", "E"})
            QCOMPARE(kept.value("T", key, "<none>"), fresh.value("T", key, "<none>"));
    }

    void longBatchOverLargeFile() {
        // Enough rewrites of the first lines to make the file drop most of its old lines.
        QByteArray start;
        for (int i = 0; i < 3000; ++i)
            start += QStringLiteral("Inventory\\S%1=%2\r\n").arg(i).arg(i).toUtf8();
        Model model(start);
        RecordFile batch = RecordFile::fromBytes(start);
        QVERIFY(batch.contains("Inventory", "S2999"));

        QRandomGenerator random(7);
        for (int i = 0; i < 7000; ++i) {
            const int sku = i < 6100 ? i % 3000 : random.bounded(3100);
            const Write w{"Inventory", QStringLiteral("S%1").arg(sku),
                          random.bounded(10) == 0 ? QString() : QString::number(i)};
            batch.write(w.section, w.key, w.value);
            model.write(w);
            if (i % 500 == 0)
                QCOMPARE(batch.value("Inventory", w.key, "<none>"), model.read("Inventory", w.key));
        }
        QCOMPARE(batch.bytes(), model.bytes());
        QCOMPARE(batch.lineCount(), model.lineCount());
        for (int sku = 0; sku < 3100; sku += 37) {
            const QString key = QStringLiteral("S%1").arg(sku);
            QCOMPARE(batch.value("Inventory", key, "<none>"), model.read("Inventory", key));
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordFileBatch)
#include "tst_recordfile_batch.moc"
