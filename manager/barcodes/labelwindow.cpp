// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/labelwindow.h"

#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/store/runtimeerror.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int kPreviewDpi = 96;

// The page as it will print, as large as the space allows, on a grey desk.
class PagePreview : public QWidget {
public:
    PagePreview(const QImage* page, QWidget* parent)
        : QWidget(parent)
        , m_page(page) {
        setMinimumSize(300, 400);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Mid));
        if (m_page->isNull())
            return;
        const QSize shown = m_page->size().scaled(size() - QSize(16, 16), Qt::KeepAspectRatio);
        const QRect page(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                         shown);
        painter.fillRect(page.translated(3, 3), palette().color(QPalette::Shadow));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(page, *m_page);
    }

private:
    const QImage* m_page;
};

const QString kWholeCompany = QStringLiteral("(whole company)");

} // namespace

frmLabels::frmLabels(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmLabels"));
    setWindowTitle(QStringLiteral("Print Labels"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* lblProfs = new QLabel(QStringLiteral("Profit &center:"), this);
    cboProfs = new QComboBox(this);
    cboProfs->setObjectName(QStringLiteral("cboProfs"));
    auto* lblItems = new QLabel(QStringLiteral("&Items:"), this);
    lstItems = new QListWidget(this);
    lstItems->setObjectName(QStringLiteral("lstItems"));
    auto* cmdAll = new QPushButton(QStringLiteral("Check &All"), this);
    auto* cmdNone = new QPushButton(QStringLiteral("Clear Chec&ks"), this);
    cmdAll->setObjectName(QStringLiteral("cmdCheckAll"));
    cmdNone->setObjectName(QStringLiteral("cmdClearChecks"));
    auto* lblSymbology = new QLabel(QStringLiteral("S&ymbology:"), this);
    cboSymbology = new QComboBox(this);
    cboSymbology->setObjectName(QStringLiteral("cboSymbology"));
    cboSymbology->addItems({QStringLiteral("Code 39"), QStringLiteral("UPC-A")});
    auto* lblSheet = new QLabel(QStringLiteral("S&heet:"), this);
    cboSheet = new QComboBox(this);
    cboSheet->setObjectName(QStringLiteral("cboSheet"));
    for (const barcodes::LabelStock& sheet : barcodes::labelStocks())
        cboSheet->addItem(sheet.description, sheet.name);
    auto* lblStart = new QLabel(QStringLiteral("Start at &label:"), this);
    spnStart = new QSpinBox(this);
    spnStart->setObjectName(QStringLiteral("spnStart"));
    spnStart->setToolTip(QStringLiteral("1 is the top left label; counted across, then down"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    // Room for the longest status: a wrapped label gets no height of its own from the grid.
    lblStatus->setMinimumHeight(lblStatus->fontMetrics().lineSpacing() * 4);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picPreview = new PagePreview(&m_preview, this);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    cmdPrint = new QPushButton(QStringLiteral("&Print..."), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdSave = new QPushButton(QStringLiteral("&Save PDF..."), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdClose = new QPushButton(QStringLiteral("Cl&ose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    lblProfs->setBuddy(cboProfs);
    lblItems->setBuddy(lstItems);
    lblSymbology->setBuddy(cboSymbology);
    lblSheet->setBuddy(cboSheet);
    lblStart->setBuddy(spnStart);
    for (QWidget* control :
         std::initializer_list<QWidget*>{cboProfs, lstItems, cmdAll, cmdNone, cboSymbology,
                                         cboSheet, spnStart, cmdPrint, cmdSave, cmdClose})
        applyControlColor(control);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblProfs, 0, 0);
    grid->addWidget(cboProfs, 0, 1, 1, 2);
    grid->addWidget(lblItems, 1, 0, 1, 3);
    grid->addWidget(lstItems, 2, 0, 1, 3);
    grid->addWidget(cmdAll, 3, 1);
    grid->addWidget(cmdNone, 3, 2);
    grid->addWidget(lblSymbology, 4, 0);
    grid->addWidget(cboSymbology, 4, 1, 1, 2);
    grid->addWidget(lblSheet, 5, 0);
    grid->addWidget(cboSheet, 5, 1, 1, 2);
    grid->addWidget(lblStart, 6, 0);
    grid->addWidget(spnStart, 6, 1);
    grid->addWidget(lblStatus, 7, 0, 1, 3);
    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdPrint);
    commands->addWidget(cmdSave);
    commands->addWidget(cmdClose);
    grid->addLayout(commands, 8, 0, 1, 3);
    grid->addWidget(picPreview, 0, 3, 9, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(2, 1);
    // Reads well on a 1024 x 768 screen with the page at a readable size.
    resize(880, 620);

    connect(cboProfs, &QComboBox::activated, this, [this] { listItems(); });
    connect(lstItems, &QListWidget::itemChanged, this, [this] { refresh(); });
    connect(cmdAll, &QPushButton::clicked, this, [this] { checkAll(true); });
    connect(cmdNone, &QPushButton::clicked, this, [this] { checkAll(false); });
    connect(cboSymbology, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(cboSheet, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(spnStart, &QSpinBox::valueChanged, this, [this] { refresh(); });
    connect(cmdPrint, &QPushButton::clicked, this, &frmLabels::cmdPrint_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmLabels::cmdSave_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    guarded(QStringLiteral("Form_Load"), [this] { paintsGradient(this, 3); });
}

void frmLabels::load(const QString& companyFolder, const QString& profitCenter) {
    m_companyFolder = companyFolder;
    cboProfs->clear();
    cboProfs->addItem(kWholeCompany, QString());
    guarded(QStringLiteral("Form_Load"), [&] {
        for (const QString& center : listProfitCenters(companyFolder))
            cboProfs->addItem(center, center);
    });
    cboProfs->setCurrentIndex(qMax(0, cboProfs->findData(profitCenter)));
    listItems();
}

void frmLabels::listItems() {
    const QString center = cboProfs->currentData().toString();
    m_items.clear();
    guarded(QStringLiteral("ListItems"), [&] {
        const QStringList centers =
            center.isEmpty() ? listProfitCenters(m_companyFolder) : QStringList{center};
        forEachItem(m_companyFolder, centers,
                    [&](const StoreItem& item) { m_items.push_back(item); });
    });
    const QSignalBlocker quiet(lstItems);
    lstItems->clear();
    for (const StoreItem& item : m_items) {
        auto* row = new QListWidgetItem(QStringLiteral("%1  (%2)").arg(item.title, item.sku));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(Qt::Checked);
        lstItems->addItem(row);
    }
    refresh();
}

void frmLabels::checkAll(bool checked) {
    {
        const QSignalBlocker quiet(lstItems);
        for (int i = 0; i < lstItems->count(); ++i)
            lstItems->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    refresh();
}

barcodes::Symbology frmLabels::symbology() const {
    return cboSymbology->currentIndex() == 1 ? barcodes::Symbology::Upc
                                             : barcodes::Symbology::Code39;
}

const barcodes::LabelStock& frmLabels::stock() const {
    const barcodes::LabelStock* chosen = barcodes::labelStock(cboSheet->currentData().toString());
    return chosen ? *chosen : barcodes::labelStocks().first();
}

QVector<StoreItem> frmLabels::labels(QStringList* skipped) const {
    QVector<StoreItem> chosen;
    for (int i = 0; i < lstItems->count() && i < m_items.size(); ++i) {
        if (lstItems->item(i)->checkState() != Qt::Checked)
            continue;
        const StoreItem& item = m_items.at(i);
        const QString refusal = barcodes::labelRefusal(item.sku, symbology(), stock());
        if (refusal.isEmpty())
            chosen.append(item);
        else if (skipped)
            *skipped << QStringLiteral("%1 (%2): %3").arg(item.title, item.sku, refusal);
    }
    return chosen;
}

void frmLabels::refresh() {
    spnStart->setRange(1, stock().perPage());
    QStringList skipped;
    const QVector<StoreItem> chosen = labels(&skipped);
    const int count = static_cast<int>(chosen.size());
    const int pages = barcodes::labelPages(stock(), count, spnStart->value());
    QString status = barcodes::labelCountText(count, pages);
    // A long list of items left off would push the buttons away: the first few are named, the
    // whole list is in the tip.
    if (!skipped.isEmpty())
        status += QStringLiteral(" %1 left off: %2%3")
                      .arg(skipped.size())
                      .arg(skipped.mid(0, 3).join(QStringLiteral("; ")))
                      .arg(skipped.size() > 3 ? QStringLiteral("; ...") : QString());
    lblStatus->setText(status);
    lblStatus->setToolTip(skipped.join('\n'));
    cmdPrint->setEnabled(count > 0);
    cmdSave->setEnabled(count > 0);
    m_preview =
        barcodes::labelPreview(chosen, symbology(), stock(), spnStart->value(), kPreviewDpi);
    picPreview->update();
}

void frmLabels::cmdPrint_Click() {
    const QVector<StoreItem> chosen = labels();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(barcodes::labelPageSize(stock()));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true); // the sheet's labels are placed from the paper's corner
    printer.setDocName(QStringLiteral("Shelf labels"));
    if (!dialogs().print(this, printer, windowTitle()))
        return;
    guarded(QStringLiteral("cmdPrint_Click"), [&] {
        QPainter painter;
        if (!painter.begin(&printer))
            throw RuntimeError(482, QStringLiteral("Printer error"));
        const bool printed = barcodes::paintLabelSheet(painter, printer, chosen, symbology(),
                                                       stock(), spnStart->value());
        if (!painter.end() || !printed)
            throw RuntimeError(482, QStringLiteral("Printer error"));
    });
}

void frmLabels::cmdSave_Click() {
    const QString file =
        dialogs().saveFile(this, QStringLiteral("Save PDF"),
                           QStringLiteral("PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*"),
                           QStringLiteral("Labels.pdf"));
    if (file.isEmpty())
        return;
    guarded(QStringLiteral("cmdSave_Click"), [&] {
        barcodes::writeLabelPdf(labels(), symbology(), file, stock(), spnStart->value());
    });
}

frmLabels* labelsWindow(const QString& companyFolder, const QString& profitCenter) {
    static QPointer<frmLabels> window;
    if (!window)
        window = new frmLabels;
    window->load(companyFolder, profitCenter);
    return window;
}
