// SPDX-License-Identifier: GPL-3.0-or-later
// The built help book against the program it describes. Each page must follow these rules:
//  - Command lines: every line inside <pre> or <code> that starts with "tallyvane-cli " runs,
//    in page order, on a sample company ("Corner Shop", profit centers "Kitchen" and
//    "Pantry", SKU "MUG-1"); a usage error (exit 64) or a crash fails. A placeholder is a
//    whole argument (or the value of --option=VALUE) written as one of the capital words of
//    samples() below, or any of them inside <var>...</var>; it is replaced by that sample.
//    The values of --host and --port are replaced by this machine and a free port.
//    Shell quotes '...' and "..." group words; "# ..." after a command is a comment.
//  - Captions: every <b>...</b> is a caption of the program's windows (title, button, menu,
//    menu command, label, group box or tab), without its access-key "&"; a trailing ":", "..."
//    or "…" is ignored on both sides. "Tools, CSV Editor" names a menu path: each part is a
//    caption. Keys go in <kbd>, emphasis in <em> or <strong>.
//  - Links: every href and src is an entry of the book (a page or a picture), "search?...",
//    an http(s) or mailto address, or "#anchor" / "page.html#anchor" with that id or name.
//  - The import page's <pre class="csv"> example imports with "tallyvane-cli import" and stores
//    each line's title, cost, price, taxable flag, SKU and stock in the records of the item.
#include "help/book.h"
#include "manager/interchange/csvtext.h"
#include "manager/store/decimal.h"
#include "tests/cli/clirunner.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

const QString kCompany = QStringLiteral("Corner Shop");

// The pages of the book appended to the built viewer, by name ("import.html").
QMap<QString, QString> bookPages(const PropertyBag& bag) {
    const bool scrambled =
        bag.read(QStringLiteral("encrypt"), QStringLiteral("True")) == QLatin1String("True");
    QMap<QString, QString> pages;
    for (const auto& [key, value] : bag.entries())
        if (key.endsWith(QLatin1String(".html")))
            pages.insert(key.mid(1),
                         QString::fromUtf8((scrambled ? Crypt(value) : value).toLatin1()));
    return pages;
}

// The book appended to the built viewer; empty when there is none.
const PropertyBag& book() {
    static const PropertyBag bag = [] {
        try {
            return readBookFile(qEnvironmentVariable("TALLYVANE_BINARY_DIR") + "/tallyvane-help")
                .bag;
        } catch (const HelpError&) {
            return PropertyBag();
        }
    }();
    return bag;
}

QStringList matches(const QString& html, const QString& pattern) {
    QStringList found;
    const QRegularExpression expression(pattern, QRegularExpression::DotMatchesEverythingOption |
                                                     QRegularExpression::CaseInsensitiveOption);
    for (auto it = expression.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        found << match.captured(match.lastCapturedIndex()); // the group of the alternative found
    }
    return found;
}

// The text of a piece of a page: tags dropped, entities read.
QString plain(QString html) {
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    static const QList<QPair<QString, QString>> entities = {
        {"&lt;", "<"},   {"&gt;", ">"},    {"&quot;", "\""},  {"&#39;", "'"}, {"&apos;", "'"},
        {"&nbsp;", " "}, {"&times;", "×"}, {"&hellip;", "…"}, {"&amp;", "&"}};
    for (const auto& [entity, text] : entities)
        html.replace(entity, text);
    return html;
}

// Splits a shell line into words: '...' and "..." group, " #" starts a comment.
QStringList shellWords(QString line) {
    line.remove(QRegularExpression(QStringLiteral("(^|\\s)#.*$")));
    static const QRegularExpression word(QStringLiteral("(?:'[^']*'|\"[^\"]*\"|[^\\s'\"])+"));
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'|\"([^\"]*)\""));
    QStringList words;
    for (auto it = word.globalMatch(line); it.hasNext();)
        words << it.next().captured().replace(quoted, QStringLiteral("\\1\\2"));
    return words;
}

// The command lines of a page, in page order.
QStringList commandLines(const QString& html) {
    QStringList lines;
    for (const QString& block :
         matches(html, QStringLiteral("<pre[^>]*>(.*?)</pre>|<code[^>]*>(.*?)</code>")))
        for (const QString& line : block.split(QLatin1Char('\n')))
            if (plain(line).trimmed().startsWith(QLatin1String("tallyvane-cli ")))
                lines << line.trimmed();
    return lines;
}

// A company to run the pages' commands on, in a world of its own.
struct Sample {
    TestEnvironment env;
    QString folder = env.makeCompany(kCompany);
    QString work = env.base() + QStringLiteral("/work");
    QString port = QString::number(fixture::freePort());

    Sample() {
        // The sales server and client of the pages talk on this machine, on a free port.
        settings::write(settings::ServerPort, port);
        QDir().mkpath(work + QStringLiteral("/folder"));
        TestEnvironment::writeBytes(folder + QStringLiteral("Pantry"), QByteArray());
        fixture::writeTitle(folder, QStringLiteral("Kitchen"), QStringLiteral("Coffee Mug"),
                            QStringLiteral("MUG-1"));
        fixture::writeItem(folder, QStringLiteral("MUG-1"), QStringLiteral("6.50"),
                           QStringLiteral("2.40"), QStringLiteral("1"), QStringLiteral("24"));
        TestEnvironment::writeBytes(work + QStringLiteral("/sample.txt"), "MUG-1\r\n");
    }

    // The placeholders a page may write, and what takes their place.
    QHash<QString, QString> samples() const {
        const QString table =
            QStringLiteral("NAME=Corner Shop|COMPANY=Corner Shop|NEW=Corner Deli|P=Kitchen|"
                           "PROFIT-CENTER=Kitchen|SKU=MUG-1|MESSAGE=MUG-1|HOST=127.0.0.1|PORT=%2|"
                           "N=2|SECONDS=5|FILE=%1/sample.txt|OUT=%1/out.pdf|FOLDER=%1/folder|"
                           "DIR=%1/folder|DATA=0360002914|TEXT=SHELF 12|M-YYYY=12-2026|"
                           "MONTH=12-2026|YYYY=2026|YEAR=2026")
                .arg(work, port);
        QHash<QString, QString> values;
        for (const QString& pair : table.split(QLatin1Char('|')))
            values.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        return values;
    }

    QStringList arguments(QString line) const {
        const QHash<QString, QString> values = samples();
        line.replace(QRegularExpression(QStringLiteral("<var>(.*?)</var>")), QStringLiteral("\\1"));
        QStringList words = shellWords(plain(line));
        for (qsizetype i = 1; i < words.size(); ++i) {
            const qsizetype equals =
                words[i].startsWith(QLatin1String("--")) ? words[i].indexOf('=') : -1;
            const QString option = equals > 0 ? words[i].left(equals) : words[i - 1];
            QString value = words[i].mid(equals + 1);
            if (value == value.toUpper() && values.contains(value))
                value = values.value(value);
            if (option == QLatin1String("--host") || option == QLatin1String("--port"))
                value = option == QLatin1String("--host") ? QStringLiteral("127.0.0.1") : port;
            words[i] = words[i].left(equals + 1) + value;
        }
        return words.mid(1);
    }

    // Runs a command as a user does: what a usage error or a crash says, else "". A usage error
    // ends the program at once: a server still running has taken its syntax.
    QString usageFault(const QStringList& arguments) const {
        QProcess process;
        process.setWorkingDirectory(work);
        process.start(cliPath(), arguments);
        if (!process.waitForStarted())
            return process.errorString();
        process.closeWriteChannel();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished();
            return QString();
        }
        if (process.exitStatus() == QProcess::CrashExit)
            return QStringLiteral("crashed");
        return process.exitCode() == 64 ? QString::fromUtf8(process.readAllStandardError())
                                        : QString();
    }
};

// A caption as a page may quote it: a trailing ":", "..." or "…" left off.
QString bare(const QString& caption) {
    return caption.simplified().remove(QRegularExpression(QStringLiteral("(:|\\.\\.\\.|…)$")));
}

QString linkFault(const QMap<QString, QString>& pages, const QString& page, const QString& link) {
    static const QRegularExpression elsewhere(
        QStringLiteral("^(https?://|mailto:|search$|search\\?)"));
    const QString target = link.section(QLatin1Char('#'), 0, 0);
    const QString anchor = link.section(QLatin1Char('#'), 1);
    const QString name = target.isEmpty() ? page : target;
    if (elsewhere.match(link).hasMatch())
        return QString();
    if (!book().contains(QLatin1Char('/') + name))
        return link + QStringLiteral(" is no entry of the book");
    const QString html = pages.value(name.toLower());
    if (!anchor.isEmpty() && !html.contains(QStringLiteral("id=\"%1\"").arg(anchor)) &&
        !html.contains(QStringLiteral("name=\"%1\"").arg(anchor)))
        return link + QStringLiteral(" names no anchor of its page");
    return QString();
}

} // namespace

class tst_BookCheck : public QObject {
    Q_OBJECT
private slots:
    // One row for each page and thing it names: its command lines, its captions, its links,
    // and the import page's example.
    void pageAgreesWithTheProgram_data() {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("named");
        const QMap<QString, QString> pages = bookPages(book());
        QVERIFY2(pages.contains(QStringLiteral("index.html")), "the built viewer has no book");
        for (auto it = pages.begin(); it != pages.end(); ++it) {
            const QList<QPair<const char*, QStringList>> checks = {
                {"commands", commandLines(it.value())},
                {"captions", matches(it.value(), QStringLiteral("<b>(.*?)</b>"))},
                {"links",
                 matches(it.value(), QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""))}};
            for (const auto& [check, named] : checks)
                if (!named.isEmpty())
                    QTest::addRow("%s of %s", check, qPrintable(it.key()))
                        << QString::fromLatin1(check) << it.key() << named;
        }
        QTest::addRow("example of import.html")
            << QStringLiteral("import") << QStringLiteral("import.html")
            << matches(pages.value(QStringLiteral("import.html")),
                       QStringLiteral("<pre class=\"csv\">(.*?)</pre>"));
    }

    void pageAgreesWithTheProgram() {
        QFETCH(QString, check);
        QFETCH(QString, page);
        QFETCH(QStringList, named);
        if (check == QLatin1String("commands")) {
            Sample sample;
            for (const QString& line : named) {
                const QString fault = sample.usageFault(sample.arguments(line));
                QVERIFY2(fault.isEmpty(), qPrintable(plain(line) + QStringLiteral(": ") + fault));
            }
        } else if (check == QLatin1String("captions")) {
            QFile file(QStringLiteral(TALLYVANE_CAPTIONS_FILE));
            QVERIFY2(file.open(QIODevice::ReadOnly), "the windows' captions were not collected");
            QSet<QString> known;
            for (const QString& caption : QString::fromUtf8(file.readAll()).split('\n'))
                known.insert(bare(caption));
            for (const QString& bold : named)
                for (const QString& part : plain(bold).split(QStringLiteral(", ")))
                    QVERIFY2(known.contains(bare(part)),
                             qPrintable(QStringLiteral("\"%1\" is no caption").arg(part)));
        } else if (check == QLatin1String("links")) {
            const QMap<QString, QString> pages = bookPages(book());
            for (const QString& link : named)
                QVERIFY2(linkFault(pages, page, link).isEmpty(),
                         qPrintable(linkFault(pages, page, link)));
        } else {
            QCOMPARE(named.size(), 1);
            Sample sample;
            const QByteArray csv = plain(named.first()).trimmed().toUtf8() + '\n';
            const QString file = sample.work + QStringLiteral("/items.csv");
            TestEnvironment::writeBytes(file, csv);
            const CliResult run =
                runCli({QStringLiteral("import"), QStringLiteral("--company"), kCompany,
                        QStringLiteral("--profit-center"), QStringLiteral("Pantry"), file});
            QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
            const CsvReadResult read = readCsv(csv);
            QVERIFY(read.error.isEmpty() && !read.records.empty());
            // Each line is title, cost, price, taxable flag, SKU and stock.
            const QString prices = priceLogPath(sample.folder);
            const QList<std::tuple<QString, QString, int>> records = {
                {QStringLiteral("Cost"), prices, 1},
                {QStringLiteral("Prices"), prices, 2},
                {QStringLiteral("Tax"), prices, 3},
                {QStringLiteral("Inventory"), invCountPath(sample.folder), 5}};
            for (const CsvRecord& record : read.records) {
                const QStringList& f = record.fields;
                QCOMPARE(f.size(), 6);
                QCOMPARE(GetINIString(QStringLiteral("Titles"), f[0], QString(),
                                      sample.folder + QStringLiteral("Pantry")),
                         f[4]);
                for (const auto& [section, path, column] : records)
                    QVERIFY2(Decimal::parse(GetINIString(section, f[4], QString(), path)) ==
                                 Decimal::parse(f[column]),
                             qPrintable(f[0] + QLatin1Char(' ') + section));
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_BookCheck)
#include "tst_bookcheck.moc"
