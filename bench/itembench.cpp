// SPDX-License-Identifier: GPL-3.0-or-later
// Item listing and saving in a company of many SKUs.

#include "bench/bench.h"

#include "manager/inventory/itemmodel.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace {

// A company with n items in profit center "Main", each with its own SKU, written in shuffled
// title order so that the sort has work to do.
QString makeCompany(const QString& workFolder, int n) {
    const QString folder = workFolder + QStringLiteral("/Shop%1/").arg(n);
    QDir().mkpath(folder + QStringLiteral("Logs"));
    QDir().mkpath(folder + QStringLiteral("Reports"));
    QByteArray titles, prices, stock;
    for (int i = 0; i < n; ++i) {
        const QByteArray id = QByteArray::number((i * 7919LL) % n).rightJustified(6, '0');
        titles += "Titles\\Item " + id + "=S" + id + "\r\n";
        prices += "Cost\\S" + id + "=" + QByteArray::number(i % 500) + ".25\r\n";
        prices += "Prices\\S" + id + "=" + QByteArray::number(i % 700) + ".50\r\n";
        prices += "Tax\\S" + id + "=1\r\n";
        stock += "Inventory\\S" + id + "=" + QByteArray::number(i % 40) + "\r\n";
    }
    writeFile(folder + QStringLiteral("Main"), titles);
    writeFile(priceLogPath(folder), prices);
    writeFile(invCountPath(folder), stock);
    return folder;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

// From the listing call to a filled model sorted by "Title", as the item window lists.
void benchListItems(const QString& workFolder) {
    for (int n : {10000, 100000}) {
        const QString folder = makeCompany(workFolder, n);
        std::vector<double> runs;
        int rows = 0;
        for (int run = 0; run < 5; ++run) {
            ItemModel model;
            runs.push_back(timeMs([&] {
                model.setItems(readItems(folder, QStringLiteral("Main")));
                model.sortByColumn(ItemModel::columnForSortEntry(QStringLiteral("Title")));
            }));
            rows = model.rowCount();
        }
        reportCase(QStringLiteral("list_items"), n, median(runs),
                   {{QStringLiteral("rows"), rows}, {QStringLiteral("runs"), 5}});
    }
}

// The editor's save of one new item into the company (duplicate checks and four records).
void benchSaveItem(const QString& workFolder) {
    for (int n : {10000, 100000}) {
        const QString folder = makeCompany(workFolder, n);
        std::vector<double> runs;
        for (int run = 0; run < 5; ++run) {
            ItemRecord item;
            item.profitCenter = QStringLiteral("Main");
            item.title = QStringLiteral("New item %1").arg(run);
            item.sku = QStringLiteral("NEW%1").arg(run);
            item.cost = QStringLiteral("1.00");
            item.price = QStringLiteral("2.00");
            item.inStock = QStringLiteral("5");
            runs.push_back(timeMs(
                [&] { saveItem(folder, item, std::nullopt, [](ItemQuestion) { return true; }); }));
        }
        reportCase(QStringLiteral("save_item"), n, median(runs), {{QStringLiteral("runs"), 5}});
    }
}
