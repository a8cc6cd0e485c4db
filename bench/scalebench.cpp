// SPDX-License-Identifier: GPL-3.0-or-later
// Speed at scale, as a user meets it: the report of a big period file, a fresh `tallyvane-cli
// sale` process in a company of 100,000 SKUs against the floor of writing and syncing its files,
// and the whole-company statistics and inventory export at 100 profit centers. The commands run
// as child processes, so their CPU time and peak memory (the high-water mark the child's status
// shows while it runs, read every 2 ms) are their own.
//
// TALLYVANE_BENCH_MAX=N skips the sizes above N lines or SKUs (the before-figures of slow code).
// TALLYVANE_BENCH_BEFORE_CLI=PATH runs each command of the whole-company and import cases with
// that program too (an older build), on the same files in the same run: its figures come as
// "before_..." beside this build's, and "same_output" compares what the two wrote.

#include "bench/bench.h"

#include "manager/sales/reports.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

bool withinBenchSize(qint64 n) {
    bool ok = false;
    const qint64 max = qEnvironmentVariable("TALLYVANE_BENCH_MAX").toLongLong(&ok);
    return !ok || n <= max;
}

double cpuMs() {
#ifdef Q_OS_UNIX
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
#else
    return 0;
#endif
}

namespace {

QString sku(int i) {
    return QStringLiteral("SKU%1").arg(i, 7, 10, QLatin1Char('0'));
}

QByteArray skuBytes(int i) {
    return sku(i).toLatin1();
}

QString md5Of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double median(QVector<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// The records of a period file after a day of sales of `skus` SKUs.
QByteArray periodBytes(int skus) {
    QByteArray bytes = "\r\nInfo\\Company=Scale\r\nInfo\\Date=12/8/2026\r\n";
    bytes.reserve(qsizetype(skus) * 4 * 26);
    const char* sections[] = {"Sales", "GrossSale", "NetProfit", "Tax"};
    const char* values[] = {"3", "32.37", "17.37", "2.37"};
    for (int i = 0; i < skus; ++i)
        for (int s = 0; s < 4; ++s)
            bytes += QByteArray(sections[s]) + '\\' + skuBytes(i) + '=' + values[s] + "\r\n";
    bytes += "Totals\\Sales=3\r\nTotals\\GrossSale=32.37\r\nTotals\\NetProfit=17.37\r\n"
             "Totals\\Tax=2.37\r\n";
    return bytes;
}

// Company "Scale" under root: skus SKUs spread over profit centers PC001..., each SKU with its
// cost, price, tax flag and stock (one in eight out of stock).
QString makeScaleCompany(const QString& root, int profitCenters, int skus) {
    const QString folder = companyFolder(root, QStringLiteral("Scale"));
    QDir().mkpath(logsFolder(folder));
    QDir().mkpath(reportsFolder(folder));
    QByteArray prices, stock;
    prices.reserve(qsizetype(skus) * 64);
    stock.reserve(qsizetype(skus) * 26);
    const int perCenter = (skus + profitCenters - 1) / profitCenters;
    for (int c = 0; c < profitCenters; ++c) {
        QByteArray titles;
        for (int i = c * perCenter; i < std::min(skus, (c + 1) * perCenter); ++i)
            titles += "Titles\\Item " + QByteArray::number(i) + '=' + skuBytes(i) + "\r\n";
        writeFile(folder + QStringLiteral("PC%1").arg(c + 1, 3, 10, QLatin1Char('0')), titles);
    }
    for (int i = 0; i < skus; ++i) {
        const QByteArray id = skuBytes(i);
        prices += "Cost\\" + id + "=2.5\r\nPrices\\" + id + "=4.95\r\nTax\\" + id + '=' +
                  QByteArray::number(i % 2) + "\r\n";
        stock += "Inventory\\" + id + '=' + QByteArray::number(i % 8 == 0 ? 0 : i % 40) + "\r\n";
    }
    writeFile(priceLogPath(folder), prices);
    writeFile(invCountPath(folder), stock);
    return folder;
}

struct ChildRun {
    double wallMs = 0;
    double cpuMs = 0;
    double peakRssMb = 0;
    int exitCode = -1;
};

QString cliProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tallyvane-cli");
}

QString beforeCliProgram() {
    return qEnvironmentVariable("TALLYVANE_BENCH_BEFORE_CLI");
}

// Runs the command-line program with its settings under configFolder, output thrown away.
ChildRun runCli(const QStringList& arguments, const QString& configFolder,
                const QString& program = cliProgram()) {
    ChildRun run;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configFolder));
    QElapsedTimer timer;
    timer.start();
#ifdef Q_OS_UNIX
    QList<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argBytes << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        // The child's own high-water mark, read while it runs (the rusage of a spawned child
        // counts the memory of the process that spawned it too).
        const QString statusPath = QStringLiteral("/proc/%1/status").arg(pid);
        pid_t reaped = 0;
        while ((reaped = wait4(pid, &status, WNOHANG, &usage)) == 0) {
            QFile procStatus(statusPath);
            if (procStatus.open(QIODevice::ReadOnly))
                for (const QByteArray& line : procStatus.readAll().split('\n'))
                    if (line.startsWith("VmHWM:"))
                        run.peakRssMb =
                            std::max(run.peakRssMb,
                                     line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0);
            usleep(2000);
        }
        if (reaped == pid) {
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
#else
    run.exitCode = QProcess::execute(program, arguments);
#endif
    run.wallMs = timer.nsecsElapsed() / 1e6;
    return run;
}

QString writeSettings(const QString& workFolder) {
    const QString config = workFolder + QStringLiteral("/config");
    QSettings settings(config + QStringLiteral("/Tallyvane/Tallyvane.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Tax/Percent"), QStringLiteral("7.9"));
    settings.sync();
    return config;
}

} // namespace

// The report of a period file of n lines: time, CPU, growth per 10x and a digest of the output
// (the same digest before and after a change means the same report).
void benchReport(const QString& workFolder) {
    double previousMs = 0;
    for (const int lines : {100000, 1000000}) {
        if (!withinBenchSize(lines))
            continue;
        const QString path = workFolder + QStringLiteral("/Sales%1.txt").arg(lines);
        writeFile(path, periodBytes(lines / 4));
        QByteArray report;
        const double cpuBefore = cpuMs();
        const double ms = timeMs([&] { report = reportBytes(path); });
        QJsonObject extra{{QStringLiteral("cpu_ms"), cpuMs() - cpuBefore},
                          {QStringLiteral("bytes"), report.size()},
                          {QStringLiteral("md5"), md5Of(report)}};
        if (previousMs > 0)
            extra.insert(QStringLiteral("growth_per_10x"), ms / previousMs);
        previousMs = ms;
        reportCase(QStringLiteral("report"), lines, ms, extra);
        QFile::remove(path);
    }
}

// A fresh `tallyvane-cli sale` in a company of 100,000 SKUs whose monthly period file holds them
// all and whose daily file holds a tenth, against its floors: the same three files written and
// synced together, and a fresh process that does nothing (`--version`).
void benchCliSale(const QString& workFolder) {
    const int skus = 100000;
    const QString config = writeSettings(workFolder);
    const QString root = workFolder + QStringLiteral("/root");
    const QString folder = makeScaleCompany(root, 1, skus);
    const QDate today = QDate::currentDate();
    writeFile(dailyPeriodFile(folder, today), periodBytes(skus / 10));
    writeFile(monthlyPeriodFile(folder, today), periodBytes(skus));
    const QStringList base{QStringLiteral("sale"), QStringLiteral("--root"), root,
                           QStringLiteral("--company"), QStringLiteral("Scale")};
    runCli(base + QStringList{sku(1)}, config); // files in the page cache, as on a working till
    const int runs = 7;
    QVector<double> wall, cpu, startup, floor;
    double peak = 0;
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        // In stock: every SKU whose number is not a multiple of 8.
        const ChildRun run =
            runCli(base + QStringList{sku(8 * (997 * i % (skus / 8)) + 3)}, config);
        wall << run.wallMs;
        cpu << run.cpuMs;
        peak = std::max(peak, run.peakRssMb);
        failed += run.exitCode == 0 ? 0 : 1;
        startup << runCli({QStringLiteral("--version")}, config).wallMs;
        const QVector<QPair<QString, QByteArray>> files{
            {invCountPath(folder), fileBytes(invCountPath(folder))},
            {dailyPeriodFile(folder, today), fileBytes(dailyPeriodFile(folder, today))},
            {monthlyPeriodFile(folder, today), fileBytes(monthlyPeriodFile(folder, today))}};
        floor << timeMs([&] {
            saveFilesTogether(files, logsFolder(folder) + QStringLiteral(".bench-journal"));
        });
    }
    const double floorMs = median(floor);
    reportCase(QStringLiteral("cli_sale"), skus, median(wall),
               {{QStringLiteral("runs"), runs},
                {QStringLiteral("failed"), failed},
                {QStringLiteral("cpu_ms"), median(cpu)},
                {QStringLiteral("peak_rss_mb"), peak},
                {QStringLiteral("floor_ms"), floorMs},
                {QStringLiteral("startup_ms"), median(startup)},
                {QStringLiteral("times_floor"), floorMs > 0 ? median(wall) / floorMs : 0}});
}

namespace {
// A run's figures; with prefix "before_", those of the older build.
void addRun(QJsonObject* extra, const ChildRun& run, const QString& prefix = QString()) {
    if (!prefix.isEmpty())
        extra->insert(prefix + QStringLiteral("ms"), run.wallMs);
    extra->insert(prefix + QStringLiteral("exit"), run.exitCode);
    extra->insert(prefix + QStringLiteral("cpu_ms"), run.cpuMs);
    extra->insert(prefix + QStringLiteral("peak_rss_mb"), run.peakRssMb);
}

// Growth per 10x of the wall-clock and processor time, against the run of a tenth the size.
void addGrowth(QJsonObject* extra, const ChildRun& run, const ChildRun& previous) {
    if (previous.wallMs <= 0)
        return;
    extra->insert(QStringLiteral("growth_per_10x"), run.wallMs / previous.wallMs);
    if (previous.cpuMs > 0)
        extra->insert(QStringLiteral("cpu_growth_per_10x"), run.cpuMs / previous.cpuMs);
}

// Runs a command with this build and, when one is named, the older build first; fresh files
// for each run come from prepare, and output digests what the run wrote.
ChildRun runBoth(const QStringList& arguments, const QString& config,
                 const std::function<void()>& prepare, const std::function<QByteArray()>& output,
                 QJsonObject* extra) {
    QByteArray beforeOutput;
    if (!beforeCliProgram().isEmpty()) {
        prepare();
        addRun(extra, runCli(arguments, config, beforeCliProgram()), QStringLiteral("before_"));
        beforeOutput = output();
    }
    prepare();
    const ChildRun run = runCli(arguments, config);
    const QByteArray written = output();
    addRun(extra, run);
    extra->insert(QStringLiteral("md5"), md5Of(written));
    if (!beforeCliProgram().isEmpty())
        extra->insert(QStringLiteral("same_output"), written == beforeOutput);
    return run;
}

// A whole-company command at 100 profit centers x 100,000 and x 1,000,000 SKUs, as a fresh
// process; output is what the command wrote, to compare before and after a change.
void benchWholeCompany(const QString& workFolder, const QString& name,
                       const std::function<QStringList(const QString& root)>& arguments,
                       const std::function<QByteArray(const QString& folder)>& output) {
    const QString config = writeSettings(workFolder);
    ChildRun previous;
    for (const int skus : {100000, 1000000}) {
        if (!withinBenchSize(skus))
            continue;
        const QString root = workFolder + QStringLiteral("/root%1").arg(skus);
        const QString folder = makeScaleCompany(root, 100, skus);
        QJsonObject extra{{QStringLiteral("profit_centers"), 100}};
        const ChildRun run = runBoth(
            arguments(root), config, [] {}, [&] { return output(folder); }, &extra);
        addGrowth(&extra, run, previous);
        previous = run;
        reportCase(name, skus, run.wallMs, extra);
        QDir(root).removeRecursively();
    }
}
} // namespace

void benchStats(const QString& workFolder) {
    benchWholeCompany(
        workFolder, QStringLiteral("stats"),
        [](const QString& root) {
            return QStringList{QStringLiteral("stats"), QStringLiteral("--root"), root,
                               QStringLiteral("--company"), QStringLiteral("Scale")};
        },
        [](const QString& folder) {
            // Without the first line, which holds the moment.
            const QByteArray text = fileBytes(lastStatsPath(folder));
            return text.mid(text.indexOf('\n'));
        });
}

void benchExportInventoryAtScale(const QString& workFolder) {
    const QString csv = workFolder + QStringLiteral("/inventory.csv");
    benchWholeCompany(
        workFolder, QStringLiteral("export_inventory"),
        [csv](const QString& root) {
            return QStringList{QStringLiteral("export-inventory"), QStringLiteral("--root"), root,
                               QStringLiteral("--company"),        QStringLiteral("Scale"),  csv};
        },
        [csv](const QString&) { return fileBytes(csv); });
}

namespace {
// The rewrite rule in its plainest form, line by line over a list, for comparing bytes: drop the
// key's lines and the leading empty ones, append CR LF + the record unless the value is empty.
struct PlainRecords {
    QList<QByteArray> lines;

    QByteArray find(const QByteArray& prefix) const {
        for (const QByteArray& line : lines)
            if (line.startsWith(prefix))
                return line.mid(prefix.size());
        return "<none>";
    }
    void write(const QByteArray& prefix, const QByteArray& value) {
        QList<QByteArray> kept;
        for (const QByteArray& line : std::as_const(lines))
            if (!line.startsWith(prefix) && !(kept.isEmpty() && line.isEmpty()))
                kept << line;
        if (kept.isEmpty())
            kept << QByteArray();
        if (!value.isEmpty())
            kept << prefix + value;
        lines = kept;
    }
    QByteArray bytes() const {
        QByteArray out;
        for (const QByteArray& line : lines)
            out += line + "\r\n";
        return out;
    }
};
} // namespace

// A sample period file taken through a sale-like run of reads and writes (scanned, then indexed,
// with removals and repeated keys) in one RecordFile, against the plain rule: the same bytes and
// the same values read.
void benchRecordBytes(const QString&) {
    const QByteArray start = periodBytes(500) + "\r\nnote\r\nSales\\SKU0000007=9\r\n";
    PlainRecords plain;
    for (const QByteArray& line : start.split('\n'))
        plain.lines << (line.endsWith('\r') ? line.chopped(1) : line);
    plain.lines.removeLast(); // after the last line end
    RecordFile records = RecordFile::fromBytes(start);
    QRandomGenerator random(11);
    const char* sections[] = {"Sales", "GrossSale", "NetProfit", "Tax", "Totals", "Returns"};
    int sameValues = 0;
    const int steps = 4000;
    const double ms = timeMs([&] {
        for (int i = 0; i < steps; ++i) {
            const QByteArray section = sections[random.bounded(6)];
            const QByteArray key = skuBytes(random.bounded(600));
            const QByteArray prefix = section + '\\' + key + '=';
            const QString read = records.value(QString::fromLatin1(section),
                                               QString::fromLatin1(key), QStringLiteral("<none>"));
            sameValues += read.toLatin1() == plain.find(prefix) ? 1 : 0;
            const QByteArray value = random.bounded(8) == 0 ? QByteArray() : QByteArray::number(i);
            records.write(QString::fromLatin1(section), QString::fromLatin1(key),
                          QString::fromLatin1(value));
            plain.write(prefix, value);
        }
    });
    reportCase(QStringLiteral("record_bytes"), steps, ms,
               {{QStringLiteral("same_bytes"), records.bytes() == plain.bytes()},
                {QStringLiteral("same_values"), sameValues == steps},
                {QStringLiteral("lines"), records.lineCount()}});
}

// A fresh `tallyvane-cli import` of n new lines (new titles and SKUs) into an empty profit center
// of a company holding n SKUs, at 100,000 and 1,000,000 lines: time, processor time and peak
// memory beside the size of the file read.
void benchImportAtScale(const QString& workFolder) {
    const QString config = writeSettings(workFolder);
    ChildRun previous;
    for (const int lines : {100000, 1000000}) {
        if (!withinBenchSize(lines))
            continue;
        const QString root = workFolder + QStringLiteral("/import%1").arg(lines);
        const QString folder = makeScaleCompany(root, 1, lines);
        const QByteArray prices = fileBytes(priceLogPath(folder));
        const QByteArray stock = fileBytes(invCountPath(folder));
        QByteArray csv;
        csv.reserve(qsizetype(lines) * 40);
        for (int i = 0; i < lines; ++i)
            csv += "New item " + QByteArray::number(i) + ",1.00,2.00,1,N" + QByteArray::number(i) +
                   ",5\r\n";
        const QString csvPath = workFolder + QStringLiteral("/items%1.csv").arg(lines);
        writeFile(csvPath, csv);
        const QString center = folder + QStringLiteral("New");
        QJsonObject extra{{QStringLiteral("input_mb"), csv.size() / 1048576.0}};
        const ChildRun run = runBoth(
            {QStringLiteral("import"), QStringLiteral("--root"), root, QStringLiteral("--company"),
             QStringLiteral("Scale"), QStringLiteral("--profit-center"), QStringLiteral("New"),
             csvPath},
            config,
            [&] {
                writeFile(center, QByteArray());
                writeFile(priceLogPath(folder), prices);
                writeFile(invCountPath(folder), stock);
            },
            [&] {
                return fileBytes(center) + fileBytes(priceLogPath(folder)) +
                       fileBytes(invCountPath(folder));
            },
            &extra);
        addGrowth(&extra, run, previous);
        previous = run;
        reportCase(QStringLiteral("import_cli"), lines, run.wallMs, extra);
        QDir(root).removeRecursively();
        QFile::remove(csvPath);
    }
}
