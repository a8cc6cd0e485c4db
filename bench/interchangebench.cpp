// SPDX-License-Identifier: GPL-3.0-or-later
// Item CSV import in a company of many SKUs.

#include "bench/bench.h"

#include "manager/interchange/itemimport.h"
#include "manager/store/companystore.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

namespace {

// A company holding n SKUs in profit center "Main", and an empty profit center "New".
QString makeCompany(const QString& workFolder, int n) {
    const QString folder = workFolder + QStringLiteral("/Shop%1/").arg(n);
    QDir().mkpath(folder + QStringLiteral("Logs"));
    QDir().mkpath(folder + QStringLiteral("Reports"));
    QByteArray titles, prices, stock;
    for (int i = 0; i < n; ++i) {
        const QByteArray id = QByteArray::number(i);
        titles += "Titles\\Item " + id + "=S" + id + "\r\n";
        prices += "Cost\\S" + id + "=1.25\r\nPrices\\S" + id + "=2.50\r\nTax\\S" + id + "=1\r\n";
        stock += "Inventory\\S" + id + "=" + QByteArray::number(i % 40) + "\r\n";
    }
    writeFile(folder + QStringLiteral("Main"), titles);
    writeFile(folder + QStringLiteral("New"), QByteArray());
    writeFile(priceLogPath(folder), prices);
    writeFile(invCountPath(folder), stock);
    return folder;
}

} // namespace

// n new lines (new titles, new SKUs) into a company that holds n SKUs already.
void benchImportItems(const QString& workFolder) {
    for (int n : {10000, 100000}) {
        const QString folder = makeCompany(workFolder, n);
        QByteArray csv;
        for (int i = 0; i < n; ++i)
            csv += "New item " + QByteArray::number(i) + ",1.00,2.00,1,N" + QByteArray::number(i) +
                   ",5\r\n";
        const QString path = workFolder + QStringLiteral("/items%1.csv").arg(n);
        writeFile(path, csv);
        ImportSummary summary;
        const double ms =
            timeMs([&] { summary = importItemFile(folder, QStringLiteral("New"), path, {}); });
        reportCase(QStringLiteral("import_items"), n, ms,
                   {{QStringLiteral("added"), summary.added},
                    {QStringLiteral("files_rewritten"), summary.filesWritten}});
    }
}
