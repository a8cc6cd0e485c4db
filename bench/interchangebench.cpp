// SPDX-License-Identifier: GPL-3.0-or-later
// Item CSV import in a company of many SKUs, and the CSV editor opening big files.

#include "bench/bench.h"

#include "manager/interchange/csveditor.h"
#include "manager/interchange/itemimport.h"
#include "manager/store/companystore.h"

#include <QApplication>
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

// The CSV editor opening a file until its window is drawn: a long item file, one line of commas
// (a million empty columns) and a cell of 10 MB.
void benchCsvEditorOpen(const QString& workFolder) {
    QByteArray lines;
    const int n = 500000;
    for (int i = 0; i < n; ++i) {
        const QByteArray id = QByteArray::number(i);
        lines +=
            "Item " + id + " blue,12.50,19.99,1,S" + id + "," + QByteArray::number(i % 97) + "\r\n";
    }
    const QByteArray commas = QByteArray(1 << 20, ',') + "\r\n";
    const QByteArray cell = QByteArray(10 << 20, 'x') + ",1\r\n";
    const struct {
        const char* name;
        const QByteArray& bytes;
        int lines;
    } files[] = {{"lines.csv", lines, n}, {"commas.csv", commas, 1}, {"cell.csv", cell, 1}};
    for (const auto& file : files) {
        const QString path = workFolder + QLatin1Char('/') + QLatin1String(file.name);
        writeFile(path, file.bytes);
        frmCSV editor;
        const double ms = timeMs([&] {
            editor.OpenCSV(path);
            editor.show();
            QApplication::processEvents();
        });
        reportCase(QStringLiteral("csv_editor_open"), file.lines, ms,
                   {{QStringLiteral("bytes"), file.bytes.size()},
                    {QStringLiteral("columns"), editor.table()->cols() - 1}});
    }
}
