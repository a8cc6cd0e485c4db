// SPDX-License-Identifier: GPL-3.0-or-later
// The low-stock list and the item grid's warning mark in a company whose SKUs all have levels.

#include "bench/bench.h"

#include "manager/inventory/itemmodel.h"
#include "manager/sales/lowstock.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {
const int kSkus = 100000;

// n items in "Main" with stock i % 40 and a minimum of i % 50 on every SKU (about a fifth low).
QString makeCompany(const QString& workFolder, int n) {
    const QString folder = workFolder + QStringLiteral("/Levels%1/").arg(n);
    QDir().mkpath(folder + QStringLiteral("Logs"));
    QDir().mkpath(folder + QStringLiteral("Reports"));
    QByteArray titles, prices, stock, levels;
    for (int i = 0; i < n; ++i) {
        const QByteArray id = QByteArray::number((i * 7919LL) % n).rightJustified(6, '0');
        titles += "Titles\\Item " + id + "=S" + id + "\r\n";
        prices += "Cost\\S" + id + "=" + QByteArray::number(i % 500) + ".25\r\n";
        prices += "Prices\\S" + id + "=" + QByteArray::number(i % 700) + ".50\r\n";
        prices += "Tax\\S" + id + "=1\r\n";
        stock += "Inventory\\S" + id + "=" + QByteArray::number(i % 40) + "\r\n";
        levels += "Minimum\\S" + id + "=" + QByteArray::number(i % 50) + "\r\n";
        levels += "Order\\S" + id + "=" + QByteArray::number(i % 24) + "\r\n";
    }
    writeFile(folder + QStringLiteral("Main"), titles);
    writeFile(priceLogPath(folder), prices);
    writeFile(invCountPath(folder), stock);
    writeFile(ItemRecords::levelsPath(folder), levels);
    return folder;
}

// The process's processor time a body takes, in ms: on a machine shared with other work it
// varies less than the wall-clock time.
template <typename Body> double cpuMs(Body body) {
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
    };
    const double start = now();
    body();
    return now() - start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The item window's listing: the rows, sorted by "Title"; with levels, the levels handed to the
// model and the rows checked: the 40 rows a grid shows, or with everyRow all of them (as if
// every row were painted; the grid only asks for the rows it shows).
double listing(const QString& folder, bool levels, int* low, bool everyRow = false) {
    ItemModel model;
    return timeMs([&] {
        if (levels)
            model.setStockLevels(ItemRecords::stockLevels(folder), Qt::darkRed);
        model.setItems(readItems(folder, QStringLiteral("Main")));
        model.sortByColumn(ItemModel::columnForSortEntry(QStringLiteral("Title")));
        if (levels) {
            *low = 0;
            const int rows = everyRow ? model.rowCount() : std::min(40, model.rowCount());
            for (int row = 0; row < rows; ++row)
                *low += model.isLow(row) ? 1 : 0;
        }
    });
}
} // namespace

void benchLowStock(const QString& workFolder) {
    const QString folder = makeCompany(workFolder, kSkus);
    // The first list reads the levels file; later ones find it kept in memory.
    std::vector<double> runs, cpu;
    int lines = 0;
    for (int run = 0; run < 5; ++run)
        cpu.push_back(cpuMs([&] {
            runs.push_back(timeMs([&] { lines = int(lowStockList(folder).lines.size()); }));
        }));
    reportCase(QStringLiteral("low_stock_list"), kSkus, median(runs),
               {{QStringLiteral("first_ms"), runs.front()},
                {QStringLiteral("cpu_ms"), median(cpu)},
                {QStringLiteral("first_cpu_ms"), cpu.front()},
                {QStringLiteral("lines"), lines},
                {QStringLiteral("limit_ms"), 300}});

    std::vector<double> plain, marked, every, plainCpu, markedCpu, everyCpu;
    int low = 0;
    for (int run = 0; run < 5; ++run) {
        plainCpu.push_back(cpuMs([&] { plain.push_back(listing(folder, false, &low)); }));
        markedCpu.push_back(cpuMs([&] { marked.push_back(listing(folder, true, &low)); }));
        everyCpu.push_back(cpuMs([&] { every.push_back(listing(folder, true, &low, true)); }));
    }
    const double over = (median(marked) / median(plain) - 1) * 100;
    reportCase(QStringLiteral("low_stock_grid"), kSkus, median(marked),
               {{QStringLiteral("listing_ms"), median(plain)},
                {QStringLiteral("over_listing_percent"), over},
                {QStringLiteral("cpu_over_listing_percent"),
                 (median(markedCpu) / median(plainCpu) - 1) * 100},
                {QStringLiteral("every_row_over_listing_percent"),
                 (median(every) / median(plain) - 1) * 100},
                {QStringLiteral("every_row_cpu_over_listing_percent"),
                 (median(everyCpu) / median(plainCpu) - 1) * 100},
                {QStringLiteral("low_rows"), low},
                {QStringLiteral("limit_percent"), 10}});
}
