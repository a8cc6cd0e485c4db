// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-bench: speed checks, one JSON object per case on standard output.
// Usage: tallyvane-bench [CASE...]   (no argument runs every case)

#include "bench/bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

void reportCase(const QString& name, qint64 n, double ms, const QJsonObject& extra) {
    QJsonObject object{
        {QStringLiteral("case"), name}, {QStringLiteral("n"), n}, {QStringLiteral("ms"), ms}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        object.insert(it.key(), it.value());
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

double timeMs(const std::function<void()>& body) {
    QElapsedTimer timer;
    timer.start();
    body();
    return timer.nsecsElapsed() / 1e6;
}

// bench/storebench.cpp
void benchGetIniString(const QString& workFolder);
void benchWriteIniString(const QString& workFolder);
void benchWritesOneByOne(const QString& workFolder);
void benchWritesOneRewrite(const QString& workFolder);

// bench/itembench.cpp
void benchListItems(const QString& workFolder);
void benchSaveItem(const QString& workFolder);

// bench/itemwindowbench.cpp
void benchItemWindowList(const QString& workFolder);
void benchItemWindowFilter(const QString& workFolder);
void benchItemWindowSave(const QString& workFolder);
void benchItemWindowSale(const QString& workFolder);
void benchItemWindowCancel(const QString& workFolder);
void benchItemWindowSearch(const QString& workFolder);

// bench/lowstockbench.cpp
void benchLowStock(const QString& workFolder);

// bench/salebench.cpp
void benchSale(const QString& workFolder);
void benchServe(const QString& workFolder);
void benchBatch(const QString& workFolder);
void benchSaleDuringBatch(const QString& workFolder);
// bench/interchangebench.cpp
void benchImportItems(const QString& workFolder);
void benchCsvEditorOpen(const QString& workFolder);
// bench/scalebench.cpp
void benchReport(const QString& workFolder);
void benchCliSale(const QString& workFolder);
void benchStats(const QString& workFolder);
void benchExportInventoryAtScale(const QString& workFolder);
void benchRecordBytes(const QString& workFolder);
void benchImportAtScale(const QString& workFolder);
// bench/summarybench.cpp
void benchSalesSummary(const QString& workFolder);

namespace {

// Each case lives in its own source file; add it here.
QList<BenchCase> benchCases() {
    return {
        {QStringLiteral("get_ini_string"), benchGetIniString},
        {QStringLiteral("write_ini_string"), benchWriteIniString},
        {QStringLiteral("writes_one_by_one"), benchWritesOneByOne},
        {QStringLiteral("writes_one_rewrite"), benchWritesOneRewrite},
        {QStringLiteral("list_items"), benchListItems},
        {QStringLiteral("save_item"), benchSaveItem},
        {QStringLiteral("item_window_list"), benchItemWindowList},
        {QStringLiteral("item_window_filter"), benchItemWindowFilter},
        {QStringLiteral("item_window_save"), benchItemWindowSave},
        {QStringLiteral("item_window_sale"), benchItemWindowSale},
        {QStringLiteral("item_window_cancel"), benchItemWindowCancel},
        {QStringLiteral("item_window_search"), benchItemWindowSearch},
        {QStringLiteral("sale"), benchSale},
        {QStringLiteral("serve"), benchServe},
        {QStringLiteral("batch"), benchBatch},
        {QStringLiteral("sale_during_batch"), benchSaleDuringBatch},
        {QStringLiteral("import_items"), benchImportItems},
        {QStringLiteral("import_cli"), benchImportAtScale},
        {QStringLiteral("export_inventory"), benchExportInventoryAtScale},
        {QStringLiteral("csv_editor_open"), benchCsvEditorOpen},
        {QStringLiteral("report"), benchReport},
        {QStringLiteral("cli_sale"), benchCliSale},
        {QStringLiteral("stats"), benchStats},
        {QStringLiteral("record_bytes"), benchRecordBytes},
        {QStringLiteral("low_stock"), benchLowStock},
        {QStringLiteral("sales_summary"), benchSalesSummary},
    };
}

} // namespace

int main(int argc, char** argv) {
    // The CSV editor and Sales Charts cases open their windows; without a display they are
    // drawn off screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tallyvane"));
    QTemporaryDir work;
    // TALLYVANE_BENCH_KEEP=1 keeps the companies a case made, to profile a command on them.
    work.setAutoRemove(!qEnvironmentVariableIsSet("TALLYVANE_BENCH_KEEP"));
    // Benchmarks never touch the user's settings.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       work.filePath(QStringLiteral("settings")));
    const QStringList wanted = app.arguments().mid(1);
    for (const BenchCase& benchCase : benchCases()) {
        if (!wanted.isEmpty() && !wanted.contains(benchCase.name))
            continue;
        QTemporaryDir caseFolder(work.filePath(benchCase.name + QStringLiteral("-XXXXXX")));
        caseFolder.setAutoRemove(work.autoRemove());
        benchCase.run(caseFolder.path());
    }
    return 0;
}
