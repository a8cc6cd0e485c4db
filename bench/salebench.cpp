// SPDX-License-Identifier: GPL-3.0-or-later
// Sale speed: one recorded sale (stock write and both period files) in a company of 10,000 SKUs
// whose daily and monthly period files already hold those 10,000 SKUs.

#include "bench/bench.h"

#include "manager/sales/batch.h"
#include "manager/sales/recording.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {
constexpr int kSkus = 10000;
constexpr int kSales = 100;

QString sku(int i) {
    return QStringLiteral("SKU%1").arg(i, 6, 10, QLatin1Char('0'));
}

QString makeCompany(const QString& workFolder) {
    const QString folder = companyFolder(workFolder, QStringLiteral("Bench"));
    QDir().mkpath(logsFolder(folder));
    QDir().mkpath(reportsFolder(folder));
    RecordFile titles, prices, stock, period;
    for (int i = 0; i < kSkus; ++i) {
        titles.write(QStringLiteral("Titles"), QStringLiteral("Item %1").arg(i), sku(i));
        prices.write(QStringLiteral("Cost"), sku(i), QStringLiteral("2.50"));
        prices.write(QStringLiteral("Prices"), sku(i), QStringLiteral("4.95"));
        prices.write(QStringLiteral("Tax"), sku(i), QString::number(i % 2));
        stock.write(QStringLiteral("Inventory"), sku(i), QStringLiteral("1000000"));
    }
    period.write(QStringLiteral("Info"), QStringLiteral("Company"), QStringLiteral("Bench"));
    for (const char* section : {"Sales", "GrossSale", "NetProfit", "Tax"})
        for (int i = 0; i < kSkus; ++i)
            period.write(QLatin1String(section), sku(i), QStringLiteral("12.34"));
    titles.save(folder + QStringLiteral("Goods"));
    prices.save(priceLogPath(folder));
    stock.save(invCountPath(folder));
    period.save(dailyPeriodFile(folder, QDate::currentDate()));
    period.save(monthlyPeriodFile(folder, QDate::currentDate()));
    return folder;
}

// What identifies one version of each file: a rewrite through a temporary file and a rename
// gives a new inode even when size and time stay the same.
QHash<QString, QString> fileVersions(const QString& folder) {
    QHash<QString, QString> versions;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QString version = QString::number(info.size()) + QLatin1Char('/') +
                          QString::number(info.lastModified().toMSecsSinceEpoch());
#ifdef Q_OS_UNIX
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            version += QLatin1Char('/') + QString::number(qulonglong(st.st_ino)) +
                       QLatin1Char('/') + QString::number(qlonglong(st.st_mtim.tv_nsec));
#endif
        versions.insert(path, version);
    }
    return versions;
}

int rewrittenFiles(const QHash<QString, QString>& before, const QHash<QString, QString>& after) {
    int count = 0;
    for (auto it = after.begin(); it != after.end(); ++it)
        count += before.value(it.key()) != it.value() ? 1 : 0;
    return count;
}
} // namespace

void benchSale(const QString& workFolder) {
    settings::write(settings::TaxPercent, QStringLiteral("7.9"));
    const QString folder = makeCompany(workFolder);
    QRandomGenerator random(77);
    // The first sale reads and indexes the files; the ones after it find them kept, as a server
    // or a window recording all day does.
    const double firstMs = timeMs([&] {
        makeSale(folder, sku(random.bounded(kSkus)), Decimal(1), TaxYes, MissingStock::Refused);
    });
    int recorded = 0;
    const double ms = timeMs([&] {
        for (int i = 0; i < kSales; ++i)
            recorded += makeSale(folder, sku(random.bounded(kSkus)), Decimal(1), TaxYes,
                                 MissingStock::Refused)
                                    .status == SaleStatus::Recorded
                            ? 1
                            : 0;
    });
    const auto before = fileVersions(folder);
    makeSale(folder, sku(random.bounded(kSkus)), Decimal(1), TaxYes, MissingStock::Refused);
    const int rewritten = rewrittenFiles(before, fileVersions(folder));
    // The floor: writing the same three files, synced, with nothing read or worked out.
    const QDate today = QDate::currentDate();
    const QVector<QPair<QString, QByteArray>> files{
        {invCountPath(folder), RecordFile::load(invCountPath(folder)).bytes()},
        {dailyPeriodFile(folder, today), RecordFile::load(dailyPeriodFile(folder, today)).bytes()},
        {monthlyPeriodFile(folder, today),
         RecordFile::load(monthlyPeriodFile(folder, today)).bytes()}};
    const double limitMs = timeMs([&] {
                               for (int i = 0; i < kSales; ++i)
                                   saveFilesTogether(files);
                           }) /
                           kSales;
    reportCase(QStringLiteral("sale"), kSkus, ms,
               {{QStringLiteral("sales"), kSales},
                {QStringLiteral("recorded"), recorded},
                {QStringLiteral("per_sale_ms"), ms / kSales},
                {QStringLiteral("first_sale_ms"), firstMs},
                {QStringLiteral("limit_ms"), limitMs},
                {QStringLiteral("files_rewritten"), rewritten},
                {QStringLiteral("period_file_lines"),
                 RecordFile::load(dailyPeriodFile(folder, QDate::currentDate())).lineCount()}});
}

namespace {
// The process's peak memory since the last reset, in MB (0 where the system does not tell).
double peakRssMb() {
#ifdef Q_OS_LINUX
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
#endif
    return 0;
}

// Starts the peak over from the memory in use now, so a run's peak is its own.
void resetPeakRss() {
#ifdef Q_OS_LINUX
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
#endif
}

QByteArray batchLines(int lines, int skus, quint32 seed) {
    QByteArray batch;
    batch.reserve(qsizetype(lines) * 12);
    QRandomGenerator random(seed);
    for (int i = 0; i < lines; ++i)
        batch += (i % 10 == 9 ? "!!" : "") + sku(random.bounded(skus)).toLatin1() + "\r\n";
    return batch;
}

// A small company whose stock runs out and comes back: counts of 0 to 3, one SKU in fifty
// without a stock record, half the items taxable.
QString makeSampleCompany(const QString& workFolder, const QString& name, int skus) {
    const QString folder = companyFolder(workFolder, name);
    QDir().mkpath(logsFolder(folder));
    QDir().mkpath(reportsFolder(folder));
    RecordFile prices, stock;
    for (int i = 0; i < skus; ++i) {
        prices.write(QStringLiteral("Cost"), sku(i), QStringLiteral("1.05"));
        prices.write(QStringLiteral("Prices"), sku(i), QString::number(1.25 + i % 7 * 0.5));
        prices.write(QStringLiteral("Tax"), sku(i), QString::number(i % 2));
        if (i % 50 != 7)
            stock.write(QStringLiteral("Inventory"), sku(i), QString::number(i % 4));
    }
    prices.save(priceLogPath(folder));
    stock.save(invCountPath(folder));
    return folder;
}

// The same sample of lines run as a batch and recorded one sale at a time (each its own commit)
// into two like companies: whether every file they wrote is the same, byte for byte.
bool batchMatchesOneByOne(const QString& workFolder) {
    constexpr int kSampleSkus = 150;
    const QString batched = makeSampleCompany(workFolder, QStringLiteral("Batched"), kSampleSkus);
    const QString single = makeSampleCompany(workFolder, QStringLiteral("OneByOne"), kSampleSkus);
    const QByteArray lines = batchLines(2000, kSampleSkus + 10, 11);
    const QString path = workFolder + QStringLiteral("/sample.txt");
    writeFile(path, lines);
    processBatchFile(batched, path, path, TaxYes);
    for (const QByteArray& line : lines.split('\n'))
        if (!line.trimmed().isEmpty())
            makeSales(single, {unitRequest(QString::fromLatin1(line.trimmed()), TaxYes)});
    const QDate today = QDate::currentDate();
    const auto files = [&](const QString& company) {
        QByteArray bytes;
        for (const QString& file : {invCountPath(company), dailyPeriodFile(company, today),
                                    monthlyPeriodFile(company, today)}) {
            QFile in(file);
            bytes += (in.open(QIODevice::ReadOnly) ? in.readAll() : "(missing)") + '\0';
        }
        return bytes;
    };
    return files(batched) == files(single);
}
} // namespace

namespace {
// Starts tallyvane-cli beside this program, with the settings this process uses.
void startCli(QProcess& cli, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QDir settingsHome =
        QFileInfo(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tallyvane"),
                            QStringLiteral("Tallyvane"))
                      .fileName())
            .absoluteDir();
    settingsHome.cdUp();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settingsHome.path());
    cli.setProcessEnvironment(environment);
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tallyvane-cli"), arguments);
}

// The same batch as "tallyvane-cli batch" runs it, its log printed to nowhere: wall seconds and
// that process's peak memory in MB, its high-water mark as last seen while it ran.
QPair<double, double> cliBatch(const QString& workFolder, const QString& path) {
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    double peakMb = 0;
    const double ms = timeMs([&] {
        startCli(cli, {QStringLiteral("batch"), QStringLiteral("--root"), workFolder,
                       QStringLiteral("--company"), QStringLiteral("Bench"), path});
        const QString status = QStringLiteral("/proc/%1/status").arg(cli.processId());
        while (!cli.waitForFinished(5)) {
            QFile file(status);
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray& line : file.readAll().split('\n'))
                    if (line.startsWith("VmHWM:"))
                        peakMb = line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    });
    return {ms / 1000, peakMb};
}
} // namespace

// A batch of lines (one in ten a return) on busy-day files: wall time, CPU per line, the
// process's peak memory during the run (and what it held before), and the floor: the files the
// batch wrote, written and synced together once. Then the same lines through "tallyvane-cli
// batch": its wall time and peak memory, as a shop meets them.
// "identical" tells whether a sample batch writes the same bytes as its lines sold one by one.
void benchBatch(const QString& workFolder) {
    const bool identical = batchMatchesOneByOne(workFolder);
    const QString folder = makeCompany(workFolder);
    // The largest first: its peak then starts from what the process holds without a batch.
    for (const int lines : {1000000, 100000}) {
        if (!withinBenchSize(lines))
            continue;
        const QString path = workFolder + QStringLiteral("/batch.txt");
        writeFile(path, batchLines(lines, kSkus, 5));
        resetPeakRss();
        const double rssBefore = peakRssMb();
        const double cpuBefore = cpuMs();
        const double ms = timeMs([&] { processBatchFile(folder, path, path, TaxYes); });
        const double cpu = cpuMs() - cpuBefore;
        const double peak = peakRssMb();
        QVector<QPair<QString, QByteArray>> written;
        const QDate today = QDate::currentDate();
        for (const QString& file :
             {invCountPath(folder), dailyPeriodFile(folder, today),
              monthlyPeriodFile(folder, today), lastBatchProcessPath(folder)}) {
            QFile in(file);
            written.push_back({file, in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray()});
        }
        const double floorMs = timeMs([&] { saveFilesTogether(written); });
        written.clear();
        const auto [cliWallS, cliPeakMb] = cliBatch(workFolder, path);
        reportCase(QStringLiteral("batch"), kSkus, ms,
                   {{QStringLiteral("lines"), lines},
                    {QStringLiteral("wall_s"), ms / 1000},
                    {QStringLiteral("cpu_us_per_line"), cpu * 1e3 / lines},
                    {QStringLiteral("floor_ms"), floorMs},
                    {QStringLiteral("peak_rss_mb"), peak},
                    {QStringLiteral("rss_before_mb"), rssBefore},
                    {QStringLiteral("cli_wall_s"), cliWallS},
                    {QStringLiteral("cli_peak_rss_mb"), cliPeakMb},
                    {QStringLiteral("identical"), identical}});
    }
}

namespace {
double percentile(QVector<double> values, double share) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[qMin(values.size() - 1, qsizetype(share * double(values.size())))];
}

// One sale sent to the server at port and its reply waited for: milliseconds, or -1.
double timedSale(quint16 port, const QString& message) {
    QElapsedTimer timer;
    timer.start();
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(30000))
        return -1;
    socket.write(message.toLatin1());
    while (socket.bytesAvailable() == 0)
        if (!socket.waitForReadyRead(30000))
            return -1;
    return timer.nsecsElapsed() / 1e6;
}
} // namespace

// Web sales to a "tallyvane-cli serve" of the company while a large batch runs in this process:
// the reply times one client meets, one sale after the other, beside the same client's replies
// before the batch starts (the floor).
void benchSaleDuringBatch(const QString& workFolder) {
    const QString folder = makeCompany(workFolder);
    const int lines = withinBenchSize(1000000) ? 1000000 : 100000;
    const QString path = workFolder + QStringLiteral("/batch.txt");
    writeFile(path, batchLines(lines, kSkus, 9));

    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    QProcess server;
    startCli(server, {QStringLiteral("serve"), QStringLiteral("--root"), workFolder,
                      QStringLiteral("--company"), QStringLiteral("Bench"),
                      QStringLiteral("--port"), QString::number(port)});
    QByteArray said;
    while (!said.contains("Ready for transactions") && server.waitForReadyRead(30000))
        said += server.readAllStandardOutput();
    if (!said.contains("Ready for transactions")) {
        reportCase(QStringLiteral("sale_during_batch"), kSkus, 0,
                   {{QStringLiteral("error"), QString::fromLocal8Bit(said)}});
        return;
    }
    QRandomGenerator random(21);
    QVector<double> idle;
    for (int i = 0; i < 50; ++i)
        idle << timedSale(port, sku(random.bounded(kSkus)));

    std::atomic<bool> done{false};
    double batchMs = 0;
    std::thread batch([&] {
        batchMs = timeMs([&] {
            try {
                processBatchFile(folder, path, path, TaxYes);
            } catch (const RuntimeError&) {
            }
        });
        done = true;
    });
    QVector<double> busy;
    int failed = 0;
    while (!done) {
        const double ms = timedSale(port, sku(random.bounded(kSkus)));
        if (ms < 0)
            ++failed;
        else
            busy << ms;
        server.readAllStandardOutput(); // its log of each sale
    }
    batch.join();
    server.terminate();
    server.waitForFinished(10000);
    reportCase(QStringLiteral("sale_during_batch"), kSkus, batchMs,
               {{QStringLiteral("lines"), lines},
                {QStringLiteral("batch_s"), batchMs / 1000},
                {QStringLiteral("sales"), busy.size()},
                {QStringLiteral("failed"), failed},
                {QStringLiteral("sales_per_second"), busy.size() * 1000.0 / batchMs},
                {QStringLiteral("p50_ms"), percentile(busy, 0.5)},
                {QStringLiteral("p99_ms"), percentile(busy, 0.99)},
                {QStringLiteral("max_ms"), percentile(busy, 1.0)},
                {QStringLiteral("idle_p50_ms"), percentile(idle, 0.5)},
                {QStringLiteral("idle_p99_ms"), percentile(idle, 0.99)}});
}
