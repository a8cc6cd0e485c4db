// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli run as a separate program: one table of command lines, each with what it must
// print, its exit status and what it must leave in the company.

#include "manager/sales/batch.h"
#include "manager/sales/reports.h"
#include "manager/store/periodfiles.h"
#include "tests/cli/clirunner.h"
#include "tests/support/fixtures.h"
#include "tests/support/testenvironment.h"

#include <QImage>
#include <QtTest>

using namespace fixture;

namespace {

// Steps and checks are "verb|argument|...". In every argument {base}, {root}, {folder},
// {daily} (today's daily period file) and {dayname} (its name) stand for the test's own;
// "{shop}" alone stands for --company Shop --root ROOT.
using Steps = QStringList;

} // namespace

class CliTest : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    QString folder;

    QString expand(QString text) const {
        const QString daily = dailyPeriodFile(folder, QDate::currentDate());
        return text.replace("{base}", env->base())
            .replace("{root}", env->root())
            .replace("{folder}", folder)
            .replace("{daily}", daily)
            .replace("{dayname}", dailyPeriodFileName(QDate::currentDate()));
    }
    QStringList expand(const QStringList& args) const {
        QStringList out;
        for (const QString& arg : args)
            out << (arg == "{shop}" ? QStringList{"--company", "Shop", "--root", env->root()}
                                    : QStringList{expand(arg)});
        return out;
    }
    static QString sourceDir() { return qEnvironmentVariable("TALLYVANE_TEST_DATA") + "/../.."; }
    // A path of a step: relative ones are in the company folder.
    QString path(const QString& text) const {
        const QString path = expand(text);
        return QDir::isAbsolutePath(path) ? path : folder + path;
    }

    void setUp(const QString& step) const {
        const QStringList a = step.split('|');
        if (a[0] == "item")
            writeItem(folder, a[1], a[2], a[3], a[4], a[5]);
        else if (a[0] == "ini")
            WriteINIString(a[2], a[3], a[4], path(a[1]));
        else if (a[0] == "write")
            TestEnvironment::writeBytes(path(a[1]), a[2].toUtf8());
        else if (a[0] == "folder")
            QVERIFY(QDir().mkpath(path(a[1])));
        else if (a[0] == "noroot")
            settings::write(QStringLiteral("Path"), QStringLiteral("Company"), QString());
        else if (a[0] == "cli")
            QCOMPARE(runCli(expand(a.mid(1))).exitCode, 0);
        else
            QFAIL(qPrintable("unknown step " + step));
    }

    void check(const QString& step, const CliResult& result) const {
        const QStringList a = step.split('|');
        const QString file = a.size() > 1 ? path(a[1]) : QString();
        auto lf = [](QByteArray bytes) { return bytes.replace("\r\n", "\n"); };
        if (a[0] == "stock")
            QCOMPARE(stockOf(folder, a[1]), a[2]);
        else if (a[0] == "ini")
            QCOMPARE(GetINIString(a[2], a[3], "(none)", file), a[4]);
        else if (a[0] == "exists")
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        else if (a[0] == "missing")
            QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
        else if (a[0] == "contains")
            QVERIFY2(TestEnvironment::readBytes(file).contains(a[2].toUtf8()), qPrintable(step));
        else if (a[0] == "printed")
            QCOMPARE(lf(result.out), lf(TestEnvironment::readBytes(file)));
        else if (a[0] == "report")
            QCOMPARE(TestEnvironment::readBytes(file), reportBytes(path("{daily}")));
        else if (a[0] == "pdftext")
            QVERIFY2(pdfText(file).contains(a[2]), qPrintable(pdfText(file)));
        else if (a[0] == "image")
            QCOMPARE(QImage(file).size(), QSize(a[2].toInt(), a[3].toInt()));
        else if (a[0] == "!out")
            QVERIFY(!result.outText().contains(a[1]));
        else
            QFAIL(qPrintable("unknown check " + step));
    }

    static QString pdfText(const QString& path) {
        QProcess process;
        process.start("pdftotext", {path, "-"});
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput()).simplified();
    }

    // "" is not checked, "-" must be empty, "=TEXT" must be exactly TEXT, else a part of it.
    static void compareText(const QString& actual, const QString& expected, const char* what) {
        if (expected == "-")
            QVERIFY2(actual.isEmpty(), qPrintable(what + (": " + actual)));
        else if (expected.startsWith('='))
            QCOMPARE(actual, expected.mid(1));
        else
            QVERIFY2(actual.contains(expected), qPrintable(what + (": " + actual)));
    }

private slots:
    void init() {
        env = new TestEnvironment;
        folder = env->makeCompany(QStringLiteral("Shop"));
        setRate(QStringLiteral("7.9"));
        writeItem(folder, "A100", "10.00", "5.00", "1", "5");
        writeItem(folder, "B200", "4.00", "1.00", "0", "7");
        TestEnvironment::writeBytes(env->base() + "/batch.txt", "A100\r\n!!B200\r\nC300\r\n!!\r\n");
    }
    void cleanup() { delete env; }

    void commandLines_data();
    void commandLines() {
        QFETCH(Steps, setup);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(Steps, checks);
        for (const QString& step : setup)
            setUp(step);
        const QByteArray stock = TestEnvironment::readBytes(invCountPath(folder));
        const CliResult result = runCli(expand(args), "ignored input");
        QVERIFY2(!result.crashed, result.err.constData());
        compareText(result.errText(), expand(err), "standard error");
        QCOMPARE(result.exitCode, exitCode);
        compareText(result.outText(), expand(out), "standard output");
        // Nothing refused or wrongly asked for changes the stock.
        if (exitCode == 2 || exitCode == 64)
            QCOMPARE(TestEnvironment::readBytes(invCountPath(folder)), stock);
        for (const QString& step : checks)
            check(step, result);
    }

    // The shipped completion script is the one the table writes, and it completes.
    void bashCompletionFollowsTheTable_data() {
        QTest::addColumn<QStringList>("words"); // as bash splits them; the last is completed
        QTest::addColumn<QString>("offered");
        QTest::newRow("command") << QStringList{"sa"} << "sale";
        QTest::newRow("option") << QStringList{"sale", "--t"} << "--tax";
        QTest::newRow("value") << QStringList{"sale", "--tax", ""} << "yes no";
        QTest::newRow("value after =") << QStringList{"import", "--overwrite", "=", "n"} << "no";
        QTest::newRow("argument") << QStringList{"barcode", ""} << "upc code39";
        QTest::newRow("after options")
            << QStringList{"company", "--root", "x", "--yes", "d"} << "delete";
        QTest::newRow("file") << QStringList{"batch", "--tax=no", "{base}/bat"}
                              << "{base}/batch.txt";
        QTest::newRow("help") << QStringList{"help", "ex"} << "export-company export-inventory";
    }
    void bashCompletionFollowsTheTable() {
        QFETCH(QStringList, words);
        QFETCH(QString, offered);
        const QString script = sourceDir() + "/dist/completion/tallyvane-cli";
        QVERIFY2(runCli({"completion", "bash"}).out == TestEnvironment::readBytes(script),
                 "write it again: tallyvane-cli completion bash > dist/completion/tallyvane-cli");
        QProcess bash;
        bash.start("bash", QStringList{"-c",
                                       "source \"$1\"; shift; COMP_WORDS=(\"$@\"); "
                                       "COMP_CWORD=$(($# - 1)); _tallyvane_cli; "
                                       "echo \"${COMPREPLY[*]}\"",
                                       "bash", script, "tallyvane-cli"} +
                               expand(words));
        QVERIFY(bash.waitForFinished());
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), expand(offered));
    }

    // Without its drawing program the command line still explains every command, and a drawing
    // command fails with the reason instead of crashing.
    void drawingWithoutTheDrawingProgram() {
        const QString alone = env->base() + "/alone/tallyvane-cli";
        QVERIFY(QDir().mkpath(env->base() + "/alone"));
        QVERIFY(QFile::copy(cliPath(), alone));
        QProcess cli;
        cli.start(alone, {"barcode", "code39", "TALLY", env->base() + "/t.svg"});
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("tallyvane-cli-draw is missing"));
        QVERIFY(!QFile::exists(env->base() + "/t.svg"));
        cli.start(alone, {"barcode", "--help"});
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(cli.readAllStandardOutput().startsWith("Usage: tallyvane-cli barcode "));
    }

    // The help viewer without any display explains itself instead of aborting.
    void helpViewerWithoutDisplaySaysSo() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        QProcess viewer;
        viewer.setProcessEnvironment(environment);
        viewer.start(qEnvironmentVariable("TALLYVANE_BINARY_DIR") + "/tallyvane-help");
        QVERIFY(viewer.waitForFinished());
        QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(viewer.exitCode(), 1);
        QVERIFY(viewer.readAllStandardError().contains("needs a display"));
    }

    // Every command, option and exit status of --help is in the manual page, and nothing else.
    void manualPageFollowsTheTable() {
        const QString help = runCli({"--help"}).outText();
        const QString commands = help.section("Commands:\n", 1).section("\n\n", 0, 0);
        QStringList synopses, exits;
        QSet<QString> options{"help", "version"};
        static const QRegularExpression option("--([a-z][a-z-]*)");
        for (const QString& line : commands.split('\n')) {
            if (!line.startsWith("  ") || line.at(2) == ' ')
                continue;
            const QString usage = runCli({"help", line.section(' ', 2, 2)}).outText();
            synopses << usage.section('\n', 0, 0).mid(QString("Usage: tallyvane-cli ").size());
            for (const auto& m : option.globalMatch(usage.section("Options:", 1)))
                options << m.captured(1);
        }
        for (const QString& line :
             help.section("Exit status:\n", 1).split('\n', Qt::SkipEmptyParts))
            exits << line.simplified().section(' ', 0, 0);

        QString page = QString::fromUtf8(
            TestEnvironment::readBytes(sourceDir() + "/dist/man/tallyvane-cli.1"));
        auto section = [&page](const QString& name) {
            return page.section(".SH " + name + "\n", 1).section("\n.SH ", 0, 0);
        };
        static const QRegularExpression font("\\\\f[BIRP]");
        QStringList manSynopses, manExits;
        for (const QString& entry : section("COMMANDS").split(".TP\n", Qt::SkipEmptyParts))
            manSynopses << entry.section('\n', 0, 0).mid(3).remove(font).replace("\\-", "-");
        for (const QString& entry : section("EXIT STATUS").split(".TP\n", Qt::SkipEmptyParts))
            manExits << entry.section('\n', 0, 0).mid(3);
        QCOMPARE(manSynopses, synopses);
        QCOMPARE(manExits, exits);
        // The service section shows systemctl's options, not ours.
        page.remove(".SH SERVICE\n" + section("SERVICE"));
        QSet<QString> manOptions;
        for (const auto& m : option.globalMatch(QString(page).replace("\\-", "-")))
            manOptions << m.captured(1);
        QCOMPARE(manOptions, options);
    }
};

void CliTest::commandLines_data() {
    QTest::addColumn<Steps>("setup");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<Steps>("checks");
    auto row = [](const char* name, const QStringList& args, int exitCode, const QString& out,
                  const QString& err, const Steps& checks = {}, const Steps& setup = {}) {
        QTest::newRow(name) << setup << args << exitCode << out << err << checks;
    };
    const QString usage = "Usage: tallyvane-cli";
    const QString noDaily = "missing|{daily}";

    // The program
    for (const char* help : {"--help", "-h", "help"})
        row(help, {help}, 0, "Usage: tallyvane-cli COMMAND [OPTIONS] [ARGUMENTS]\n", "-");
    row("help lists commands and exit codes", {"--help"}, 0,
        "  import-company      Copies an exported", "-");
    row("help lists exit codes", {"--help"}, 0, "  64                  usage error\n", "-");
    row("version", {"--version"}, 0, "=tallyvane-cli 1.0.0\n", "-");
    row("nothing", {}, 64, "-", usage);
    row("unknown command", {"frobnicate", "--company", "Acme"}, 64, "-",
        "=Unknown command \"frobnicate\". Try tallyvane-cli --help.\n");
    row("help of a command", {"help", "sale"}, 0,
        "Usage: tallyvane-cli sale --company NAME [--root DIR] [--wait SECONDS] [--quantity Q] "
        "[--tax yes|no] SKU",
        "-");
    row("--help of a command", {"stats", "--help"}, 0,
        "Usage: tallyvane-cli stats --company NAME [--root DIR] [--wait SECONDS]\n", "-");
    row("wait of no number", {"stats", "{shop}", "--wait", "long"}, 64, "-",
        "--wait takes a whole number of seconds, not \"long\".");
    row("help of no command", {"help", "nope"}, 64, "-", "There is no command \"nope\".");
    row("unknown option", {"stats", "{shop}", "--colour"}, 64, "-", "Unknown option 'colour'");

    // sale
    row("sale", {"sale", "--quantity", "3", "--tax", "no", "A100", "{shop}"}, 0,
        "=Recorded sale of 3 of SKU A100; in stock: 2.\n", "=",
        {"stock|A100|2", "ini|{daily}|GrossSale|A100|32.37", "ini|{daily}|Tax|A100|0"});
    row("sale with =, settings' root, tax", {"sale", "--company=Shop", "A100"}, 0, "", "-",
        {"stock|A100|4", "ini|{daily}|Tax|A100|0.79"});
    row("return", {"sale", "{shop}", "--quantity", "-2.5", "A100"}, 0,
        "=Recorded return of 2.5 of SKU A100; in stock: 7.5.\n", "-",
        {"ini|{daily}|Totals|Returns|2.5"});
    row("sku after --", {"sale", "{shop}", "--", "-A1"}, 0, "of SKU -A1; in stock: 2.", "", {},
        {"item|-A1|1|1|1|3"});
    row("sku like an option", {"sale", "{shop}", "-A1"}, 64, "-", "Unknown option 'A1'", {},
        {"item|-A1|1|1|1|3"});
    row("not enough", {"sale", "{shop}", "--quantity", "6", "A100"}, 2, "-",
        "=Not enough in inventory.\n", {noDaily});
    row("unknown sku", {"sale", "{shop}", "--quantity", "-1", "C300"}, 2, "-",
        "=C300 doesn't exist.\n", {noDaily});
    row("quantity not a number", {"sale", "{shop}", "--quantity", "lots", "A100"}, 64, "-",
        "\"lots\" is not a quantity", {noDaily});
    row("quantity 0", {"sale", "{shop}", "--quantity", "0", "A100"}, 64, "-", usage, {noDaily});
    row("tax maybe", {"sale", "{shop}", "--tax", "maybe", "A100"}, 64, "-",
        "--tax takes yes or no, not \"maybe\".", {noDaily});
    row("no sku", {"sale", "{shop}"}, 64, "-", "Please give SKU.");
    row("two skus", {"sale", "{shop}", "A100", "B200"}, 64, "-", "Unexpected argument \"B200\"");
    row("quantity without value", {"sale", "{shop}", "A100", "--quantity"}, 64, "-",
        "Missing value after '--quantity'");
    row("no company", {"sale", "A100"}, 64, "-", "Please give --company NAME.");
    row("unknown company", {"sale", "--company", "Nobody", "--root", "{root}", "A100"}, 2, "-",
        "There is no company \"Nobody\"", {noDaily});
    row("company outside the store", {"sale", "--company", "../Shop", "A100"}, 2, "-",
        "is not a company name", {noDaily});
    row("broken records fail without writing", {"sale", "{shop}", "A100"}, 1, "-",
        "=Error #13: Type mismatch: the price of SKU A100 is \"ten\", not a number\n",
        {"stock|A100|5", noDaily}, {"ini|Logs/PriceLog|Prices|A100|ten"});

    // stats and report
    row("stats", {"stats", "{shop}"}, 0, "Statistics for Shop as of ", "-",
        {"printed|Logs/LastStats.txt", "contains|Logs/LastStats.txt|\r\nTotal Items: 5\r\n"},
        {"ini|Kitchen|Titles|Blue mug|A100"});
    row("stats where LastStats.txt cannot be written", {"stats", "{shop}"}, 1,
        "Statistics for Shop as of ", "LastStats.txt could not be written", {},
        {"folder|Logs/LastStats.txt"});
    row("stats takes no argument", {"stats", "{shop}", "extra"}, 64, "-", usage);
    row("report", {"report", "{shop}", "{dayname}", "{base}/day.csv"}, 0, "=Complete.\n", "-",
        {"report|{base}/day.csv", "contains|{base}/day.csv|Totals:\r\nSales,1\r\nGrossSale,10.79"},
        {"cli|sale|{shop}|A100"});
    for (const char* name : {"Sales1-1999.txt", "../Logs/InvCount"})
        row(name, {"report", "{shop}", name, "{base}/x.csv"}, 2, "-", "There is no period file",
            {"missing|{base}/x.csv"});
    row("report into no folder", {"report", "{shop}", "{dayname}", "{base}/no/such/folder.csv"}, 1,
        "-", "Error #", {}, {"cli|sale|{shop}|A100"});
    row("report without outfile", {"report", "{shop}", "{dayname}"}, 64, "-", usage);

    // check
    const Steps crash{"write|Logs/.~tallyvane-journal|Logs/.~tallyvane-a\nLogs/InvCount\nend\n",
                      "write|Logs/.~tallyvane-a|Inventory\\A100=9\r\n",
                      "write|Reports/.~tallyvane-b|x"};
    row("check clean", {"check", "{shop}"}, 0, "=No problems found in Shop.\n", "-", {},
        {"cli|sale|{shop}|A100"});
    row("check totals", {"check", "{shop}"}, 3,
        "Totals\\Sales is 5, but its SKU lines add up to 1.", "-", {},
        {"cli|sale|{shop}|A100", "ini|{daily}|Totals|Sales|5"});
    row("check titles", {"check", "{shop}"}, 3,
        "Kitchen: the SKU Z9 of \"Mug\" has no Cost, Prices, Tax, Inventory record.", "-", {},
        {"ini|Kitchen|Titles|Mug|Z9"});
    row("check counts", {"check", "{shop}"}, 3,
        "the stock of SKU A100 is not a whole number in range: 2.5", "-", {},
        {"ini|Logs/InvCount|Inventory|A100|2.5"});
    row("check records", {"check", "{shop}"}, 3, "Logs/PriceLog, line 2, is not a record: junk",
        "-", {}, {"write|Logs/PriceLog|Cost\\A1=1\r\njunk\r\n"});
    row("check leaves a crash as it is", {"check", "{shop}"}, 3,
        "Logs/.~tallyvane-journal: a recording was left unfinished by a crash.\n"
        "Logs/.~tallyvane-a: a temporary file was left by a crash.\n"
        "Reports/.~tallyvane-b: a temporary file was left by a crash.\n3 problem(s) found",
        "-", {"exists|Logs/.~tallyvane-journal", "stock|A100|5"}, crash);
    row("check repairs a crash", {"check", "{shop}", "--repair"}, 0,
        "=Repaired: The unfinished recording was finished.\n"
        "Repaired: Reports/.~tallyvane-b was removed.\nNo problems found in Shop.\n",
        "-", {"missing|Logs/.~tallyvane-journal", "missing|Reports/.~tallyvane-b", "stock|A100|9"},
        crash);

    // batch
    const QString log = "=Processing batch file {base}/batch.txt.\nReceived sale of SKU: A100.\n"
                        "Received return for SKU: B200.\n"
                        "Not enough of SKU C300 to process a sale, or C300 doesn't exist.\n"
                        " doesn't exist.\nProcessing complete.\n";
    row("batch", {"batch", "{shop}", "{base}/batch.txt"}, 0, log, "-",
        {"printed|Logs/LastBatchProcess.txt", "stock|A100|4", "stock|B200|8",
         "ini|{daily}|Tax|A100|0.79"});
    row("batch without tax", {"batch", "{shop}", "--tax=no", "{base}/batch.txt"}, 0,
        "Processing complete.", "-", {"ini|{daily}|Tax|A100|0.79", "ini|{daily}|Sales|A100|2"},
        {"cli|batch|{shop}|{base}/batch.txt"});
    const QString stop = "Processing stopped at line 2 after recording 1 lines: Type mismatch: "
                         "the stock of SKU BAD is \"n/a\", not a number.\n";
    row("batch stopped part-way", {"batch", "{shop}", "{base}/batch.txt"}, 4,
        "Received sale of SKU: A100.\n" + stop, "=" + batchErrorText() + "\nError #13: " + stop,
        {"stock|A100|4", "printed|Logs/LastBatchProcess.txt"},
        {"ini|Logs/InvCount|Inventory|BAD|n/a", "write|{base}/batch.txt|A100\r\nBAD\r\nA100\r\n"});
    row("batch line that fails", {"batch", "{shop}", "{base}/batch.txt"}, 0, "Processing complete.",
        "=Unexpected error in procedure: LogSale\nError #13: Type mismatch: the price of SKU X1 "
        "is \"ten\", not a number\n",
        {"!out|Received sale of SKU: X1.", "stock|X1|3"},
        {"item|X1|ten|1|1|3", "write|{base}/batch.txt|X1\r\n"});
    row("batch without file", {"batch", "{shop}"}, 64, "-", usage);
    row("batch of two files", {"batch", "{shop}", "{base}/batch.txt", "{base}/batch.txt"}, 64, "-",
        usage);
    row("batch tax maybe", {"batch", "{shop}", "--tax", "maybe", "{base}/batch.txt"}, 64, "-",
        usage);
    row("batch tax without value", {"batch", "{shop}", "--tax"}, 64, "-", usage);
    row("batch of no file", {"batch", "{shop}", "{base}/missing.txt"}, 2, "-",
        "There is no batch file");
    row("batch of no company", {"batch", "--company", "Nobody", "--root", "{root}", "x"}, 2, "-",
        "There is no company");

    // barcode: Qt's own options are data here
    row("qt option as text", {"barcode", "code39", "-platform", "{base}/p.png"}, 0, "-", "",
        {"exists|{base}/p.png"});
    row("reverse as text", {"barcode", "code39", "-reverse", "{base}/r.svg"}, 0, "-", "",
        {"contains|{base}/r.svg|-REVERSE"});
    row("upc padded", {"barcode", "upc", "3600029145", "{base}/u.svg"}, 0, "=Check digit: 2\n", "",
        {"contains|{base}/u.svg|>03600029145"});
    row("control character", {"barcode", "code39", "A\tB", "{base}/c.svg"}, 2, "-",
        "A Code 39 text cannot hold a control character.\n", {"missing|{base}/c.svg"});
    row("barcode kind", {"barcode", "ean", "1", "{base}/c.svg"}, 64, "-", "KIND is upc or code39");

    // summary and chart
    const Steps march{"write|Reports/Sales3-2-2026.txt|Sales\\A100=3\r\nGrossSale\\A100=32.37\r\n"
                      "Sales\\B7=1.5\r\nGrossSale\\B7=7.63\r\nTotals\\Sales=4.5\r\n"
                      "Totals\\GrossSale=40\r\nTotals\\NetProfit=17.37\r\nTotals\\Tax=2.37\r\n",
                      "write|Kitchen|Titles\\Blue mug, large=A100\r\n",
                      "write|Reports/Sales2-30-2026.txt|Totals\\Sales=9\r\n"};
    row("summary of a month", {"summary", "{shop}", "--month", "3-2026", "--csv", "{base}/m.csv"},
        0, "A100  Blue mug, large      3  32.37  80.9%\n", "-",
        {"contains|{base}/m.csv|\xEF\xBB\xBF"
         "Day,Sold,Returned,Gross,Net Profit,Tax\r\n"
         "1,0,0,0,0,0\r\n2,4.5,0,40,17.37,2.37\r\n3,0,0,0,0,0\r\n",
         "contains|{base}/m.csv|\r\n31,0,0,0,0,0\r\nTotal,4.5,0,40,17.37,2.37\r\n\r\n"
         "SKU,Title,Units,Gross,Share\r\nA100,\"Blue mug, large\",3,32.37,80.9%\r\n"
         "B7,,1.5,7.63,19.1%\r\n"},
        march);
    row("summary of a year", {"summary", "{shop}", "--year", "2026"}, 0,
        "\nMarch       4.5         0     40       17.37  2.37\n",
        "=Not counted: Sales2-30-2026.txt (no such date)\n", {}, march);
    row("summary needs a period", {"summary", "{shop}"}, 64, "-",
        "Please give either --month M-YYYY or --year YYYY.");
    row("summary of a bad month", {"summary", "{shop}", "--month", "13-2026"}, 64, "-",
        "--month takes a month as M-YYYY");
    row("chart as PDF",
        {"chart", "{shop}", "--month", "3-2026", "--measure", "units", "{base}/c.pdf"}, 0, "-", "",
        {"pdftext|{base}/c.pdf|Shop: Units, March 2026"}, march);
    row("chart as PNG", {"chart", "{shop}", "--year", "2026", "{base}/c.png"}, 0, "-", "",
        {"image|{base}/c.png|1200|700"}, march);
    row("chart of another kind", {"chart", "{shop}", "--year", "2026", "{base}/c.gif"}, 2, "-",
        "The file name must end in .png, .svg or .pdf.", {"missing|{base}/c.gif"});

    // company and profit-center
    row("first company of an account", {"company", "create", "New"}, 0, "=Company created.\n", "-",
        {"exists|{base}/data/Tallyvane/Companies/New/Reports"}, {"noroot"});
    row("company exists", {"company", "create", "Shop", "--root", "{root}"}, 2, "-",
        "Error #58: File already exists\nError. Company not created.\n");
    row("company outside", {"company", "create", "..", "--root", "{root}"}, 2, "-",
        "Error #52: Bad file name or number\nError. Company not created.\n");
    row("company rename", {"company", "rename", "Shop", "Deli", "--root", "{root}"}, 0,
        "=Company renamed.\n", "-", {"exists|{root}Deli/Logs/InvCount", "missing|{root}Shop"});
    row("company rename onto another", {"company", "rename", "Shop", "Deli", "--root", "{root}"}, 2,
        "-", "Error #58", {"exists|{root}Shop/Logs/InvCount"},
        {"cli|company|create|Deli|--root|{root}"});
    row("company rename needs new", {"company", "rename", "Shop"}, 64, "-", "Please give NEW");
    row("company delete asks", {"company", "delete", "Shop", "--root", "{root}"}, 2, "-",
        "=This removes Shop and all items within Shop. Add --yes to remove it.\n",
        {"exists|{root}Shop/Logs/InvCount"});
    row("company delete", {"company", "delete", "--yes", "Shop", "--root", "{root}"}, 0,
        "=Company deleted.\n", "-", {"missing|{root}Shop"});
    row("profit center create", {"profit-center", "create", "{shop}", "Kitchen"}, 0,
        "=Profit center added.\n", "-", {"exists|Kitchen"});
    row("profit center rename", {"profit-center", "rename", "{shop}", "Kitchen", "Deli"}, 0,
        "=Profit center renamed.\n", "-", {"ini|Deli|Titles|Mug|A100", "missing|Kitchen"},
        {"ini|Kitchen|Titles|Mug|A100"});
    row("profit center unknown", {"profit-center", "rename", "{shop}", "Kitchen", "Deli"}, 2, "-",
        "There is no profit center \"Kitchen\" in Shop.");
    row("profit center delete asks", {"profit-center", "delete", "{shop}", "Kitchen"}, 2, "-",
        "Add --yes to remove it.", {"exists|Kitchen"}, {"ini|Kitchen|Titles|Mug|A100"});
    row("profit center delete", {"profit-center", "delete", "{shop}", "Kitchen", "--yes"}, 0,
        "=Profit center removed.\n", "-", {"missing|Kitchen", "stock|A100|(none)"},
        {"ini|Kitchen|Titles|Mug|A100"});

    // low-stock and levels
    const Steps titled{"ini|Kitchen|Titles|Lamp|A100", "ini|Kitchen|Titles|Bag|B200"};
    const QString levels = "Logs/StockLevels";
    row("nothing low", {"low-stock", "{shop}"}, 0, "=No item is at or below its minimum stock.\n",
        "-", {"missing|" + levels}, titled);
    row("low stock", {"low-stock", "{shop}", "--csv", "{base}/order.csv"}, 3,
        "To order: 1 units, cost 5.00.\n", "-",
        {"contains|{base}/order.csv|\r\nKitchen,Lamp,A100,5,5,1,5.00\r\n"},
        titled + Steps{"cli|levels|set|{shop}|A100|--minimum|5"});
    row("levels set", {"levels", "{shop}", "set", "A100", "--minimum", "4", "--order", "12"}, 0,
        "=Levels of A100 saved.\n", "-",
        {"ini|" + levels + "|Minimum|A100|4", "ini|" + levels + "|Order|A100|12"});
    row("levels not whole", {"levels", "{shop}", "set", "A100", "--minimum", "-1"}, 64, "-",
        "--minimum takes a whole number of 0 or more, not \"-1\".", {"missing|" + levels});
    row("levels of no sku", {"levels", "{shop}", "set", "C300", "--minimum", "1"}, 2, "-",
        "=C300 doesn't exist.\n", {"missing|" + levels});
    row("levels clear", {"levels", "{shop}", "clear", "A100"}, 0, "=Levels of A100 cleared.\n", "-",
        {"ini|" + levels + "|Minimum|A100|(none)"}, {"cli|levels|set|{shop}|A100|--minimum|5"});
    row("levels import", {"levels", "{shop}", "import", "{base}/in.csv"}, 0,
        "=Levels set: 1\nSkipped: 1\nLine 2: no item has the SKU C300\n", "-",
        {"ini|" + levels + "|Minimum|B200|3"}, {"write|{base}/in.csv|B200,3,\r\nC300,1,1\r\n"});
    row("levels export", {"levels", "{shop}", "export", "{base}/out.csv"}, 0, "=Export Complete.\n",
        "-", {"contains|{base}/out.csv|\r\nA100,5,2\r\n"},
        {"cli|levels|set|{shop}|A100|--minimum|5|--order|2"});
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
