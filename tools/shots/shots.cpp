// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the real windows for the help book: tallyvane-shots PICTURE-FOLDER CAPTIONS-FILE.
// Makes a sample company in a private folder, opens each window on it off screen and saves it
// as PICTURE-FOLDER/shot-NAME.png; CAPTIONS-FILE then lists, one a line and without their
// access-key markers, the captions of every window opened: titles, buttons, menus and their
// commands, labels, group boxes, tabs, the choices of fixed list boxes and column headings.
// The book's own check reads that list.
// Dates are fixed and nothing of the machine is shown, so two builds take the same pictures.
#include "manager/app/companies.h"
#include "manager/app/companywindow.h"
#include "manager/app/framewindow.h"
#include "manager/barcodes/barcodewindows.h"
#include "manager/barcodes/labelwindow.h"
#include "manager/charts/saleschartswindow.h"
#include "manager/interchange/csveditor.h"
#include "manager/internet/salesserver.h"
#include "manager/internet/serverwindow.h"
#include "manager/internet/storefront.h"
#include "manager/internet/storefrontwindows.h"
#include "manager/inventory/importcommand.h"
#include "manager/inventory/itemmodel.h"
#include "manager/inventory/itemwindow.h"
#include "manager/inventory/lowstockwindow.h"
#include "manager/sales/batch.h"
#include "manager/sales/batchwindow.h"
#include "manager/sales/recording.h"
#include "manager/sales/reportchooser.h"
#include "manager/sales/reports.h"
#include "manager/sales/resultswindow.h"
#include "manager/sales/scanwindow.h"
#include "manager/shell/appicon.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/updatewindow.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"
#include "manager/store/periodfiles.h"
#include "manager/store/settings.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSet>
#include <QTabBar>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>

namespace {

const QString kCompany = QStringLiteral("Corner Shop");
// The sample's sales fall in this month and the same month a year before.
const QDate kToday(2026, 12, 6);
// Where the windows that show web pages are pointed: this machine's discard port, which no one
// serves. The pictures show a neutral example address instead.
const QString kNowhere = QStringLiteral("http://127.0.0.1:9");
// Pictures wider than this are scaled down, so the book stays small.
constexpr int kMaxWidth = 720;

QString g_folder;
QSet<QString> g_captions;
QStringList g_written;
// Folders of this run as a shop's computer would name them, so that the pictures show no
// temporary names.
QList<QPair<QString, QString>> g_shownFolders;

void showShopFolders(QWidget* window) {
    for (auto* box : window->findChildren<QLineEdit*>())
        for (const auto& [folder, shown] : g_shownFolders)
            box->setText(box->text().replace(folder, shown));
    for (auto* box : window->findChildren<QPlainTextEdit*>())
        for (const auto& [folder, shown] : g_shownFolders)
            if (box->toPlainText().contains(folder))
                box->setPlainText(box->toPlainText().replace(folder, shown));
}

[[noreturn]] void fail(const QString& text) {
    std::fprintf(stderr, "tallyvane-shots: %s\n", qPrintable(text));
    std::_Exit(1);
}

// "&Save" and "Save &As..." are shown "Save" and "Save As..."; "&&" is a shown "&".
QString shownText(QString text) {
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.simplified();
}

void addCaption(const QString& text) {
    // A label in rich text ("For support click here." as a link) is listed as it reads.
    const QString shown = Qt::mightBeRichText(text)
                              ? QTextDocumentFragment::fromHtml(text).toPlainText().simplified()
                              : shownText(text);
    if (!shown.isEmpty())
        g_captions.insert(shown);
}

void collectCaptions(QWidget* window) {
    addCaption(window->windowTitle());
    for (auto* button : window->findChildren<QAbstractButton*>())
        addCaption(button->text());
    for (auto* action : window->findChildren<QAction*>())
        addCaption(action->text());
    for (auto* menu : window->findChildren<QMenu*>()) {
        addCaption(menu->title());
        for (QAction* action : menu->actions())
            addCaption(action->text());
    }
    for (auto* label : window->findChildren<QLabel*>())
        addCaption(label->text());
    for (auto* box : window->findChildren<QGroupBox*>())
        addCaption(box->title());
    // The fixed choices of a list box, such as the measures a chart shows, and column headings.
    for (auto* box : window->findChildren<QComboBox*>())
        if (!box->isEditable())
            for (int i = 0; i < box->count(); ++i)
                addCaption(box->itemText(i));
    for (auto* view : window->findChildren<QAbstractItemView*>())
        if (QAbstractItemModel* model = view->model())
            for (int column = 0; column < model->columnCount(); ++column)
                addCaption(model->headerData(column, Qt::Horizontal).toString());
    for (auto* tabs : window->findChildren<QTabBar*>())
        for (int i = 0; i < tabs->count(); ++i)
            addCaption(tabs->tabText(i));
}

void settle() {
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
}

// Saves the window as it is drawn, scaled down to the book's width.
void shoot(QWidget* window, const QString& name) {
    collectCaptions(window);
    showShopFolders(window);
    if (!window->isVisible())
        window->show();
    settle();
    QImage image = window->grab().toImage();
    if (image.isNull())
        fail(QStringLiteral("%1 could not be drawn").arg(name));
    if (image.width() > kMaxWidth)
        image = image.scaledToWidth(kMaxWidth, Qt::SmoothTransformation);
    const QString file = QDir(g_folder).filePath(QStringLiteral("shot-%1.png").arg(name));
    if (!image.save(file, "PNG", 9))
        fail(QStringLiteral("cannot write %1").arg(file));
    g_written << name;
}

// A menu as it drops down.
void shootMenu(QMenu* menu, const QString& name) {
    menu->popup(QPoint(0, 0));
    shoot(menu, name);
    menu->close();
}

// The prompts of the program, answered from queues without ever waiting for a person. A modal
// window or prompt with a picture name queued is shot and then cancelled.
class ShotDialogs : public QtDialogs {
public:
    QStringList shots;
    QList<int> messageAnswers;
    QStringList fileAnswers;

    // Takes the road that opens a modal window or prompt, which is shot as name.
    void shootPrompt(const QString& name, const std::function<void()>& road) {
        shots = QStringList{name};
        road();
        if (!shots.isEmpty())
            fail(QStringLiteral("%1 was never shown").arg(name));
    }

    // An error on the sample company means the pictures would show a fault: the run stops.
    int message(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                Icon icon) override {
        if (icon == Critical)
            fail(text);
        if (!shots.isEmpty()) {
            shootWhenUp(shots.takeFirst());
            QtDialogs::message(parent, text, title, buttons, icon);
            return Ok;
        }
        return messageAnswers.isEmpty() ? Ok : messageAnswers.takeFirst();
    }
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override {
        if (shots.isEmpty())
            return QString();
        // The standard input box is made inside QtDialogs: it is shot once it is up.
        shootWhenUp(shots.takeFirst());
        QtDialogs::input(parent, prompt, title, defaultText);
        return QString();
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return QString(); }
    std::optional<QColor> chooseColor(QWidget*, const QColor&, const QString&) override {
        return std::nullopt;
    }
    int showModal(QDialog* dialog) override {
        if (!shots.isEmpty()) {
            dialog->adjustSize();
            shoot(dialog, shots.takeFirst());
            dialog->hide();
        }
        return QDialog::Rejected;
    }
    bool print(QWidget*, QPrinter&, const QString&) override { return false; }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }

private:
    static void shootWhenUp(const QString& name, int tries = 200) {
        QTimer::singleShot(25, qApp, [name, tries] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal) {
                shoot(modal, name);
                modal->reject();
            } else if (tries > 0) {
                shootWhenUp(name, tries - 1);
            } else {
                fail(QStringLiteral("the prompt for %1 never showed").arg(name));
            }
        });
    }
};

void writeText(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("cannot write %1").arg(path));
}

struct SampleItem {
    const char* profitCenter;
    const char* title;
    const char* cost;
    const char* price;
    const char* sku;
    const char* stock;
    int tax;
    int minimum; // -1: none
};

// A corner shop: a kitchen counter and a pantry shelf. The last item is low on stock and is not
// sold in the sample; the others keep well above their minimum.
const SampleItem kItems[] = {
    {"Kitchen", "Coffee Mug", "2.40", "6.50", "MUG-1", "84", 1, 6},
    {"Kitchen", "Tea Towel", "1.10", "3.95", "TWL-2", "90", 1, 10},
    {"Kitchen", "Bread Knife", "4.75", "12.99", "KNF-4", "69", 1, 3},
    {"Kitchen", "Mixing Bowl", "3.20", "8.50", "BWL-5", "72", 1, -1},
    {"Kitchen", "Oven Glove", "1.60", "4.99", "GLV-6", "75", 1, -1},
    {"Pantry", "Flour 2 kg", "1.10", "2.75", "FLR-006", "80", 0, 10},
    {"Pantry", "Sugar 1 kg", "0.70", "1.85", "SGR-007", "76", 0, 8},
    {"Pantry", "Rice 1 kg", "0.95", "2.40", "RCE-008", "68", 0, -1},
    {"Pantry", "Olive Oil 500 ml", "3.10", "6.95", "OIL-009", "61", 0, 4},
    {"Pantry", "Honey Jar", "2.20", "5.50", "HNY-010", "57", 0, -1},
    {"Pantry", "Coffee Beans 250 g", "2.90", "6.25", "COF-011", "70", 1, 5},
    {"Kitchen", "Wooden Spoon", "0.80", "2.25", "SPN-3", "3", 1, 8},
};

QString makeSampleCompany() {
    settings::write(settings::TaxPercent, QStringLiteral("8.25"));
    const QString root = companyRoot();
    if (!QDir().mkpath(root) || !createCompany(root, kCompany))
        fail(QStringLiteral("cannot make the sample company"));
    const QString folder = companyFolder(root, kCompany);
    for (const char* profitCenter : {"Kitchen", "Pantry"})
        addProfitCenter(folder, QString::fromLatin1(profitCenter));
    QVector<QPair<QString, StockLevel>> levels;
    for (const SampleItem& sample : kItems) {
        ItemRecord item;
        item.profitCenter = QString::fromLatin1(sample.profitCenter);
        item.title = QString::fromLatin1(sample.title);
        item.cost = QString::fromLatin1(sample.cost);
        item.price = QString::fromLatin1(sample.price);
        item.sku = QString::fromLatin1(sample.sku);
        item.inStock = QString::fromLatin1(sample.stock);
        item.tax = sample.tax;
        if (saveItem(folder, item, std::nullopt, [](ItemQuestion) { return true; }) !=
            SaveOutcome::Saved)
            fail(QStringLiteral("cannot save %1").arg(item.title));
        if (sample.minimum >= 0)
            levels.append({item.sku, StockLevel{sample.minimum, std::nullopt}});
    }
    saveStockLevels(folder, levels);
    // A few sales a day through the month and the same month a year before, and one return.
    const int sold = int(std::size(kItems)) - 1;
    for (int year : {kToday.year() - 1, kToday.year()}) {
        for (int day = 1; day <= (year == kToday.year() ? kToday.day() : 31); ++day) {
            QVector<SaleRequest> sales;
            for (int i = 0; i < 1 + (day + year) % 3; ++i) {
                const SampleItem& sample = kItems[(day * 5 + i * 7 + year) % sold];
                sales.append({QString::fromLatin1(sample.sku), Decimal(1 + (day + i) % 2), TaxYes,
                              MissingStock::CountsAsZero, Direction::Sale});
            }
            makeSales(folder, sales, QDate(year, kToday.month(), day));
        }
    }
    makeSales(folder,
              {{QStringLiteral("MUG-1"), Decimal(1), TaxYes, MissingStock::CountsAsZero,
                Direction::Return}},
              kToday);
    return folder;
}

} // namespace

int main(int argc, char** argv) {
    // Nothing of the person building is read or written: settings, companies and the frame's
    // lock live in a folder of their own.
    QTemporaryDir home;
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(name, QDir(home.path()).filePath(QString::fromLatin1(name)).toLocal8Bit());
    const QString runtime = QDir(home.path()).filePath(QStringLiteral("XDG_RUNTIME_DIR"));
    QDir().mkdir(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The pictures show the program's own icon on each title bar, as the desktop program does.
    QApplication::setWindowIcon(tallyvaneIcon());
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "Usage: tallyvane-shots PICTURE-FOLDER CAPTIONS-FILE\n");
        return 2;
    }
    g_folder = args[1];
    if (!QDir().mkpath(g_folder))
        fail(QStringLiteral("cannot make %1").arg(g_folder));
    // A window that waits for something that never comes must not hold up the build.
    QTimer::singleShot(120000, &app, [] { fail(QStringLiteral("the windows took too long")); });

    ShotDialogs prompts;
    Dialogs::install(&prompts);
    installStandardErrorReporter();
    // Pages the windows would fetch go nowhere: nothing leaves the machine.
    settings::write(settings::UpdateServer, kNowhere);
    // The frame and the item window open at the sizes given below rather than maximised.
    settings::write(settings::FramePlacement.state, QStringLiteral("0"));
    settings::write(settings::ItemWindowPlacement.state, QStringLiteral("0"));
    const QString folder = makeSampleCompany();
    const QString work = QDir(home.path()).filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    g_shownFolders = {{QDir::toNativeSeparators(work), QStringLiteral("/home/shop/tills")},
                      {QDir::toNativeSeparators(qEnvironmentVariable("XDG_DATA_HOME")),
                       QStringLiteral("/home/shop/.local/share")},
                      {kNowhere, QStringLiteral("http://www.example.com")}};

    frmFrame frame;
    if (!frame.Form_Load())
        fail(QStringLiteral("the frame did not load"));
    frame.show();
    settle();
    frame.resize(640, 400);
    frmCompany* chooser = frame.chooser();
    chooser->LoadComps();
    shoot(&frame, QStringLiteral("frame"));
    shoot(chooser, QStringLiteral("chooser"));
    for (QMenu* menu : {frame.mnuFile, frame.mnuWindow, frame.mnuHelp})
        collectCaptions(menu);
    shootMenu(chooser->mnuTools, QStringLiteral("tools"));
    shootMenu(frame.mnuWindow, QStringLiteral("window"));

    auto* items = new frmMain(folder, kCompany);
    items->setAttribute(Qt::WA_DeleteOnClose);
    items->show();
    settle();
    items->resize(720, 440);
    items->ListTitles();
    // The user has clicked the coffee mug's title.
    items->lstTitles->setCurrentIndex(items->model()->index(1, 0));
    shoot(items, QStringLiteral("items"));
    shootMenu(items->mnuAction, QStringLiteral("action"));
    prompts.shootPrompt(QStringLiteral("editor"), [&] { items->cmdEditItem_Click(); });
    // A listing after the editor leaves no row current: the user clicks the mug again.
    items->lstTitles->setCurrentIndex(items->model()->index(1, 0));
    prompts.shootPrompt(QStringLiteral("sale"), [&] { items->cmdMakeSale_Click(); });
    prompts.shootPrompt(QStringLiteral("filter"), [&] { items->cmdFilter_Click(); });
    prompts.shootPrompt(QStringLiteral("search"), [&] { items->cmdSearch_Click(); });

    prompts.shootPrompt(QStringLiteral("reports"),
                        [&] { showReportChooser(chooser, kCompany, folder); });

    // A day's report, saved by Save Report, as the CSV editor opens it.
    const QString report = QDir(work).filePath(QStringLiteral("report.csv"));
    writeReport(dailyPeriodFile(folder, kToday), report);
    frmCSV* csv = frmCSV::editor();
    collectCaptions(csv); // its caption before a file names it
    csv->resize(700, 460);
    csv->OpenCSV(report);
    shoot(csv, QStringLiteral("report"));

    // The caption a results window has before its text names it.
    collectCaptions(new frmResults(&frame));
    const QDateTime moment(kToday, QTime(17, 30));
    frmResults* statistics =
        ShowText(currentStatistics(kCompany, folder, moment) + QStringLiteral("\r\n"),
                 QStringLiteral("Statistics"));
    statistics->resize(560, 420);
    shoot(statistics, QStringLiteral("statistics"));

    frmSalesCharts charts(folder, kCompany);
    charts.resize(1000, 700);
    charts.setPeriod(kToday.year(), kToday.month());
    shoot(&charts, QStringLiteral("charts"));

    frmLowStock low(folder, kCompany);
    low.resize(700, 420);
    shoot(&low, QStringLiteral("lowstock"));

    // A till's batch file: sales, a return ("!!" and the SKU) and a SKU the shop does not have.
    const QString batch = QDir(work).filePath(QStringLiteral("monday.txt"));
    writeText(batch, "MUG-1\r\nFLR-006\r\n!!TWL-2\r\nXYZ-99\r\nFLR-006\r\n");
    setBatchProgressFactory([](QWidget*) -> std::unique_ptr<BatchProgress> {
        struct Silent : BatchProgress {
            void start(qint64) override {}
            void advance(qint64) override {}
        };
        return std::make_unique<Silent>();
    });
    prompts.fileAnswers << batch;
    prompts.messageAnswers << Dialogs::Yes << Dialogs::Yes << Dialogs::Ok;
    if (frmResults* log = processBatchFileCommand(chooser, kCompany, folder)) {
        log->resize(560, 380);
        shoot(log, QStringLiteral("batch"));
    }

    frmScan scan(folder);
    shoot(&scan, QStringLiteral("scan"));

    // The server's log names the port it listens on and this machine's address: a port taken
    // for the moment, and a documentation address in the picture instead of the machine's.
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        settings::write(settings::ServerPort, QString::number(probe.serverPort()));
    }
    {
        frmServer server(kCompany, folder);
        server.resize(560, 360);
        server.Form_Load();
        QString log = server.txtOutput->toPlainText();
        const QString address = SalesServer::localAddress();
        if (!address.isEmpty())
            log.replace(address, QStringLiteral("192.168.1.20"));
        server.txtOutput->setPlainText(log);
        shoot(&server, QStringLiteral("server"));
    }

    prompts.shootPrompt(QStringLiteral("storefront-options"),
                        [&] { chooser->mnuToolsSTransferSettings->trigger(); });
    storefront::Settings script = storefront::readSettings(folder);
    script.location = kNowhere + QStringLiteral("/cgi-bin/storefront.cgi");
    storefront::writeSettings(folder, script);
    frmTransferOne storefront(kNowhere + QStringLiteral("/"));
    storefront.resize(760, 500);
    shoot(&storefront, QStringLiteral("storefront-one"));
    auto* everyItem = new frmTransferAll(folder);
    everyItem->resize(760, 500);
    shoot(everyItem, QStringLiteral("storefront-all"));

    frmUPC upc;
    upc.txtBarcode->setText(QStringLiteral("03600029145"));
    upc.cmdGen_Click();
    shoot(&upc, QStringLiteral("upc"));
    frmCode39 code39;
    code39.resize(560, 360);
    code39.txtData->setText(QStringLiteral("SHELF 12"));
    code39.cmdGen_Click();
    shoot(&code39, QStringLiteral("code39"));
    frmLabels* labels = labelsWindow(folder, QStringLiteral("Kitchen"));
    shoot(labels, QStringLiteral("labels"));

    const QString itemsCsv = QDir(work).filePath(QStringLiteral("items.csv"));
    writeText(itemsCsv, "Flour 2 kg,1.10,2.75,1,FLR-006,8\r\nSugar 1 kg,0.70,1.85,0,SGR-007,"
                        "26\r\n\"Tea, green 100 g\",1.45,3.20,0,TEA-012,14\r\n");
    csv->OpenCSV(itemsCsv);
    shoot(csv, QStringLiteral("csveditor"));

    prompts.shootPrompt(QStringLiteral("options"), [&] { chooser->mnuToolsOptions_Click(); });
    prompts.shootPrompt(QStringLiteral("about"), [&] { frame.mnuHelpAbout_Click(); });
    // The item CSV example imported into the kitchen: the instructions first, the results last.
    prompts.fileAnswers << itemsCsv;
    prompts.messageAnswers = {Dialogs::Yes, Dialogs::Ok};
    prompts.shootPrompt(QStringLiteral("import"), [&] { cmdImportItems_Click(items); });
    // Its results are the book's example of a results window.
    frmResults* importResults = nullptr;
    for (auto* window : frame.findChildren<frmResults*>())
        if (window->windowTitle() == QLatin1String("Import Results"))
            importResults = window;
    if (!importResults)
        fail(QStringLiteral("the import showed no results"));
    importResults->resize(560, 300);
    shoot(importResults, QStringLiteral("results"));
    // Before its first page has loaded the update window says it is checking.
    frmUpdate update;
    shoot(&update, QStringLiteral("update"));

    QStringList captions = g_captions.values();
    captions.sort();
    writeText(args[2], captions.join(QLatin1Char('\n')).toUtf8() + '\n');
    std::printf("tallyvane-shots: %lld pictures, %lld captions\n",
                static_cast<long long>(g_written.size()), static_cast<long long>(captions.size()));
    return 0;
}
