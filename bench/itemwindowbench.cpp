// SPDX-License-Identifier: GPL-3.0-or-later
// The item window at 100,000 items in one profit center, driven through its own handlers as a
// user meets them: list, filter, save an item, make a sale, Cancel in the editor, and Search.

#include "bench/bench.h"

#include "manager/inventory/filterwindow.h"
#include "manager/inventory/itemeditor.h"
#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"
#include "manager/sales/recording.h"
#include "manager/shell/dialogs.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Answers the window's prompts without showing anything: inputs from a queue, every question
// with Yes (keep going, apply tax), every modal window through the next queued action.
class BenchDialogs : public Dialogs {
public:
    BenchDialogs() { Dialogs::install(this); }
    ~BenchDialogs() override { Dialogs::install(nullptr); }

    QStringList inputs;
    QList<std::function<int(QDialog*)>> modals;
    int questions = 0;

    int message(QWidget*, const QString&, const QString&, Buttons buttons, Icon) override {
        ++questions;
        return buttons == YesNo || buttons == YesNoCancel ? Yes : Ok;
    }
    QString input(QWidget*, const QString&, const QString&, const QString&) override {
        return inputs.isEmpty() ? QString() : inputs.takeFirst();
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override {
        return QString();
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return QString();
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return QString(); }
    std::optional<QColor> chooseColor(QWidget*, const QColor&, const QString&) override {
        return std::nullopt;
    }
    int showModal(QDialog* dialog) override {
        return modals.isEmpty() ? int(QDialog::Rejected) : modals.takeFirst()(dialog);
    }
    bool print(QWidget*, QPrinter&, const QString&) override { return false; }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
};

// n items in "Main" (written in shuffled title order, so the sort has work to do) with a
// minimum stock on every tenth SKU, and a small "Gifts" before it for Search to walk first.
QString makeCompany(const QString& workFolder, int n) {
    const QString folder = workFolder + QStringLiteral("/Window%1/").arg(n);
    QDir().mkpath(folder + QStringLiteral("Logs"));
    QDir().mkpath(folder + QStringLiteral("Reports"));
    QByteArray titles, gifts, prices, stock, levels;
    for (int i = 0; i < n; ++i) {
        const QByteArray id = QByteArray::number((i * 7919LL) % n).rightJustified(6, '0');
        titles += "Titles\\Item " + id + "=S" + id + "\r\n";
        if (i < 20)
            gifts += "Titles\\Gift " + id + "=S" + id + "\r\n";
        prices += "Cost\\S" + id + "=" + QByteArray::number(i % 500) + ".25\r\n";
        prices += "Prices\\S" + id + "=" + QByteArray::number(i % 700) + ".50\r\n";
        prices += "Tax\\S" + id + "=1\r\n";
        stock += "Inventory\\S" + id + "=" + QByteArray::number(1000 + i % 40) + "\r\n";
        if (i % 10 == 0)
            levels += "Minimum\\S" + id + "=" + QByteArray::number(1000 + i % 50) + "\r\n";
    }
    writeFile(folder + QStringLiteral("Main"), titles);
    writeFile(folder + QStringLiteral("Gifts"), gifts);
    writeFile(priceLogPath(folder), prices);
    writeFile(invCountPath(folder), stock);
    writeFile(ItemRecords::levelsPath(folder), levels);
    return folder;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One figure: the median wall-clock time of runs and the window thread's processor time
// (cpu_ms), with the figure measured on the window that relisted the whole profit center for
// every action (before_ms).
void report(const QString& name, int n, const std::vector<double>& wall,
            const std::vector<double>& cpu, double beforeMs, QJsonObject extra = {}) {
    extra.insert(QStringLiteral("cpu_ms"), median(cpu));
    extra.insert(QStringLiteral("runs"), int(wall.size()));
    extra.insert(QStringLiteral("before_ms"), beforeMs);
    reportCase(name, n, median(wall), extra);
}

// Processor time of the calling thread (the window's), in ms.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
}

// Times body runs times: wall clock and the window thread's processor time.
void measure(int runs, const std::function<void(int run)>& body, std::vector<double>* wall,
             std::vector<double>* cpu) {
    for (int run = 0; run < runs; ++run) {
        const double cpuStart = threadCpuMs();
        // The answer is what the user sees: the window drawn again after the action.
        wall->push_back(timeMs([&] {
            body(run);
            QCoreApplication::processEvents();
        }));
        cpu->push_back(threadCpuMs() - cpuStart);
    }
}

// The window shown and open on "Main", as the user chose it.
void openMain(frmMain& w) {
    w.resize(800, 600);
    w.show();
    QCoreApplication::processEvents();
    w.cboProfs->setCurrentIndex(w.cboProfs->findText(QStringLiteral("Main")));
}

// Clicks the grid row of a title, as the user does before a sale or an edit.
void clickTitle(frmMain& w, const QString& title) {
    for (int row = 0; row < w.model()->rowCount(); ++row)
        if (w.model()->cellText(row, 0) == title) {
            w.lstTitles->setCurrentIndex(w.model()->index(row, 0));
            return;
        }
}

QString itemTitle(int n, int i) {
    return QStringLiteral("Item %1").arg((i * 7919LL) % n, 6, 10, QLatin1Char('0'));
}

} // namespace

// Choosing the profit center again: its file and the SKU records read, the grid filled and
// sorted by "Title".
void benchItemWindowList(const QString& workFolder) {
    for (int n : {10000, 100000}) {
        if (!withinBenchSize(n))
            continue;
        BenchDialogs dialogs;
        frmMain w(makeCompany(workFolder, n), QStringLiteral("Shop"));
        openMain(w);
        std::vector<double> wall, cpu;
        measure(
            5, [&](int) { emit w.cboProfs->activated(w.cboProfs->currentIndex()); }, &wall, &cpu);
        report(QStringLiteral("item_window_list"), n, wall, cpu, n == 100000 ? 644 : 32,
               {{QStringLiteral("rows"), w.model()->rowCount()}});
    }
}

// "Apply Filter" with a price range, through the filter window's OK, then "Remove Filter".
void benchItemWindowFilter(const QString& workFolder) {
    const int n = 100000;
    if (!withinBenchSize(n))
        return;
    BenchDialogs dialogs;
    frmMain w(makeCompany(workFolder, n), QStringLiteral("Shop"));
    openMain(w);
    std::vector<double> wall, cpu, removeWall, removeCpu;
    int shown = 0;
    measure(
        3,
        [&](int) {
            dialogs.modals << [](QDialog* dialog) {
                auto* filter = qobject_cast<frmFilter*>(dialog);
                filter->optFilter[3]->click();
                filter->Combo1->setCurrentIndex(frmFilter::InTheRange);
                filter->txtGT->setText(QStringLiteral("100"));
                filter->txtLT->setText(QStringLiteral("300"));
                filter->cmdOK_Click();
                return filter->result();
            };
            w.cmdFilter_Click();
            shown = w.model()->rowCount();
            measure(
                1, [&](int) { w.cmdFilter_Click(); }, &removeWall, &removeCpu);
        },
        &wall, &cpu);
    // The time of "Remove Filter" is inside each run; the filter alone is the difference.
    for (size_t i = 0; i < wall.size(); ++i) {
        wall[i] -= removeWall[i];
        cpu[i] -= removeCpu[i];
    }
    report(QStringLiteral("item_window_filter"), n, wall, cpu, 1007,
           {{QStringLiteral("rows"), shown}, {QStringLiteral("remove_ms"), median(removeWall)}});
}

// "Edit Item" on a clicked row, a new price typed and Save; the floor is the store's save of
// the same change alone.
void benchItemWindowSave(const QString& workFolder) {
    const int n = 100000;
    if (!withinBenchSize(n))
        return;
    BenchDialogs dialogs;
    const QString folder = makeCompany(workFolder, n);
    frmMain w(folder, QStringLiteral("Shop"));
    openMain(w);
    std::vector<double> wall, cpu, floorWall, floorCpu;
    measure(
        5,
        [&](int run) {
            clickTitle(w, itemTitle(n, run));
            dialogs.modals << [run](QDialog* dialog) {
                auto* editor = qobject_cast<frmAddEdit*>(dialog);
                editor->txtPrice->setText(QStringLiteral("%1.75").arg(run + 3));
                editor->cmdSave_Click();
                return editor->result();
            };
            w.cmdEditItem_Click();
        },
        &wall, &cpu);
    measure(
        5,
        [&](int run) {
            ItemRecord item = readItemForEdit(folder, QStringLiteral("Main"), itemTitle(n, run));
            const ItemIdentity old{item.profitCenter, item.title, item.sku};
            item.price = QStringLiteral("%1.95").arg(run + 3);
            item.keepStoredStock = true;
            saveItem(folder, item, old, [](ItemQuestion) { return true; });
        },
        &floorWall, &floorCpu);
    report(QStringLiteral("item_window_save"), n, wall, cpu, 961,
           {{QStringLiteral("floor_ms"), median(floorWall)}});
}

// "Make a Sale" of one on a clicked row, tax applied; the floor is the recording alone.
void benchItemWindowSale(const QString& workFolder) {
    const int n = 100000;
    if (!withinBenchSize(n))
        return;
    BenchDialogs dialogs;
    const QString folder = makeCompany(workFolder, n);
    frmMain w(folder, QStringLiteral("Shop"));
    openMain(w);
    std::vector<double> wall, cpu, floorWall, floorCpu;
    measure(
        5,
        [&](int run) {
            clickTitle(w, itemTitle(n, run));
            dialogs.inputs << QStringLiteral("1");
            w.cmdMakeSale_Click();
        },
        &wall, &cpu);
    measure(
        5,
        [&](int run) {
            const QString sku = w.model()->cellText(run, ItemModel::SkuColumn);
            makeSale(folder, sku, Decimal::fromTyped(QStringLiteral("1")), Dialogs::Yes);
        },
        &floorWall, &floorCpu);
    report(QStringLiteral("item_window_sale"), n, wall, cpu, 573,
           {{QStringLiteral("floor_ms"), median(floorWall)}});
}

// "Edit Item" on a clicked row, then Cancel.
void benchItemWindowCancel(const QString& workFolder) {
    const int n = 100000;
    if (!withinBenchSize(n))
        return;
    BenchDialogs dialogs;
    frmMain w(makeCompany(workFolder, n), QStringLiteral("Shop"));
    openMain(w);
    std::vector<double> wall, cpu;
    measure(
        5,
        [&](int run) {
            clickTitle(w, itemTitle(n, run));
            dialogs.modals << [](QDialog* dialog) {
                auto* editor = qobject_cast<frmAddEdit*>(dialog);
                editor->cmdCancel_Click();
                return editor->result();
            };
            w.cmdEditItem_Click();
        },
        &wall, &cpu);
    report(QStringLiteral("item_window_cancel"), n, wall, cpu, 701);
}

// "Search" for a SKU that a title in each profit center points to, answering every "Found
// item" question to keep going, up to "Finished searching through the database.".
void benchItemWindowSearch(const QString& workFolder) {
    const int n = 100000;
    if (!withinBenchSize(n))
        return;
    BenchDialogs dialogs;
    frmMain w(makeCompany(workFolder, n), QStringLiteral("Shop"));
    openMain(w);
    std::vector<double> wall, cpu;
    measure(
        3,
        [&](int run) {
            dialogs.inputs << QStringLiteral("S%1").arg((run * 7919LL) % n, 6, 10,
                                                        QLatin1Char('0'));
            dialogs.questions = 0;
            w.cmdSearch_Click();
        },
        &wall, &cpu);
    report(QStringLiteral("item_window_search"), n, wall, cpu, 11268,
           {{QStringLiteral("questions"), dialogs.questions}});
}
