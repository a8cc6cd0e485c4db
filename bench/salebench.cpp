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
#include "manager/store/settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

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

// A batch of lines (one in ten a return) on busy-day files: time, CPU per line, the process's
// peak memory (run the case alone, "tallyvane-bench batch", for a peak that is the batch's own)
// and the floor: the files the batch wrote, written and synced together once.
void benchBatch(const QString& workFolder) {
    const QString folder = makeCompany(workFolder);
    for (const int lines : {100000, 1000000}) {
        if (!withinBenchSize(lines))
            continue;
        QByteArray batch;
        QRandomGenerator random(5);
        for (int i = 0; i < lines; ++i)
            batch += (i % 10 == 9 ? "!!" : "") + sku(random.bounded(kSkus)).toLatin1() + "\r\n";
        const QString path = workFolder + QStringLiteral("/batch.txt");
        writeFile(path, batch);
        batch.clear();
        const double cpuBefore = cpuMs();
        const double ms = timeMs([&] { processBatchFile(folder, path, path, TaxYes); });
        const double cpu = cpuMs() - cpuBefore;
        QVector<QPair<QString, QByteArray>> written;
        const QDate today = QDate::currentDate();
        for (const QString& file :
             {invCountPath(folder), dailyPeriodFile(folder, today),
              monthlyPeriodFile(folder, today), lastBatchProcessPath(folder)}) {
            QFile in(file);
            written.push_back({file, in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray()});
        }
        const double floorMs = timeMs([&] { saveFilesTogether(written); });
        QJsonObject extra{{QStringLiteral("lines"), lines},
                          {QStringLiteral("cpu_us_per_line"), cpu * 1e3 / lines},
                          {QStringLiteral("floor_ms"), floorMs}};
#ifdef Q_OS_UNIX
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        extra.insert(QStringLiteral("peak_rss_mb"), double(usage.ru_maxrss) / 1024.0);
#endif
        reportCase(QStringLiteral("batch"), kSkus, ms, extra);
    }
}
