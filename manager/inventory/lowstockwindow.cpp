// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/lowstockwindow.h"

#include "manager/interchange/levelscsv.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/windowhost.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
const QStringList& headers() {
    static const QStringList names{QStringLiteral("Profit Center"), QStringLiteral("Title"),
                                   QStringLiteral("SKU"),           QStringLiteral("In Stock"),
                                   QStringLiteral("Minimum"),       QStringLiteral("Order"),
                                   QStringLiteral("Order Cost")};
    return names;
}

QString cellText(const LowStockLine& line, int column) {
    switch (column) {
    case 0:
        return line.profitCenter;
    case 1:
        return line.title;
    case 2:
        return line.sku;
    case 3:
        return line.stock.toString();
    case 4:
        return QString::number(line.minimum);
    case 5:
        return line.order.toString();
    default:
        return lowStockMoney(line.orderCost);
    }
}

QString totalsText(const LowStockList& list) {
    if (list.lines.isEmpty())
        return QStringLiteral("No item is at or below its minimum stock.");
    return QStringLiteral("SKUs at or below their minimum: %1. To order: %2 units, cost %3.")
        .arg(list.lines.size())
        .arg(list.totalOrder.toString(), lowStockMoney(list.totalCost));
}
} // namespace

class LowStockModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setList(const LowStockList* list) {
        beginResetModel();
        m_list = list;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() || !m_list ? 0 : int(m_list->lines.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(headers().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || !m_list)
            return QVariant();
        if (role == Qt::TextAlignmentRole && index.column() >= 3)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return QVariant();
        return cellText(m_list->lines.at(index.row()), index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return headers().value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const LowStockList* m_list = nullptr;
};

frmLowStock::frmLowStock(const QString& companyFolder, const QString& companyName, QWidget* parent)
    : QWidget(parent)
    , m_companyFolder(companyFolder)
    , m_companyName(companyName) {
    setObjectName(QStringLiteral("frmLowStock"));
    setWindowTitle(QStringLiteral("Low Stock - ") + companyName);
    setAttribute(Qt::WA_DeleteOnClose);

    m_model = new LowStockModel(this);
    grdLow = new QTableView(this);
    grdLow->setObjectName(QStringLiteral("grdLow"));
    grdLow->setModel(m_model);
    grdLow->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdLow->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdLow->setWordWrap(false);
    grdLow->verticalHeader()->hide();
    grdLow->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdLow->verticalHeader()->setDefaultSectionSize(grdLow->fontMetrics().height() + 6);
    lblTotals = new QLabel(this);
    lblTotals->setObjectName(QStringLiteral("lblTotals"));
    auto button = [this](QPushButton*& member, const char* name, const QString& caption) {
        member = new QPushButton(caption, this);
        member->setObjectName(QLatin1String(name));
    };
    button(cmdRefresh, "cmdRefresh", QStringLiteral("&Refresh"));
    button(cmdSaveCsv, "cmdSaveCsv", QStringLiteral("&Save As CSV"));
    button(cmdPrint, "cmdPrint", QStringLiteral("&Print"));
    button(cmdClose, "cmdClose", QStringLiteral("&Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRefresh);
    buttons->addStretch();
    buttons->addWidget(cmdSaveCsv);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdLow);
    layout->addWidget(lblTotals);
    layout->addLayout(buttons);

    connect(cmdRefresh, &QPushButton::clicked, this, &frmLowStock::refresh);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &frmLowStock::cmdSaveCsv_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmLowStock::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    // Dressed like the item window's other tools: the gradient behind, the control colour on top.
    for (QWidget* control : std::initializer_list<QWidget*>{grdLow, lblTotals, cmdRefresh,
                                                            cmdSaveCsv, cmdPrint, cmdClose})
        applyControlColor(control);
    paintsGradient(this, 3);
    resize(760, 420);
    refresh();
}

void frmLowStock::refresh() {
    guarded(QStringLiteral("LowStock_Refresh"), [this] {
        m_model->setList(nullptr);
        m_list = lowStockList(m_companyFolder);
        m_model->setList(&m_list);
        lblTotals->setText(totalsText(m_list));
        grdLow->resizeColumnsToContents();
        // The title takes the room left over.
        grdLow->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    });
}

void frmLowStock::cmdSaveCsv_Click() {
    guarded(QStringLiteral("cmdSaveCsv_Click"), [this] {
        const QString path =
            dialogs().saveFile(this, QStringLiteral("Save As CSV"),
                               QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*"),
                               QStringLiteral("Low Stock - %1.csv").arg(m_companyName));
        if (!path.isEmpty())
            saveFileAtomically(path, lowStockCsv(m_list));
    });
}

void frmLowStock::printList(QPrinter& printer) const {
    QString html = QStringLiteral("<h2>Low Stock - %1</h2><table border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"3\"><tr>")
                       .arg(m_companyName.toHtmlEscaped());
    for (const QString& header : headers())
        html += QStringLiteral("<th>%1</th>").arg(header.toHtmlEscaped());
    html += QStringLiteral("</tr>");
    for (const LowStockLine& line : m_list.lines) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < headers().size(); ++c)
            html += QString::fromLatin1(c >= 3 ? "<td align=\"right\">%1</td>" : "<td>%1</td>")
                        .arg(cellText(line, c).toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><p>%1</p>").arg(totalsText(m_list).toHtmlEscaped());
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
}

void frmLowStock::cmdPrint_Click() {
    guarded(QStringLiteral("cmdPrint_Click"), [this] {
        QPrinter printer(QPrinter::HighResolution);
        if (dialogs().print(this, printer, QStringLiteral("Print")))
            printList(printer);
    });
}

frmLowStock* showLowStockWindow(QWidget* parent, const QString& companyFolder,
                                const QString& companyName) {
    if (companyName.isEmpty()) {
        dialogs().message(parent, QStringLiteral("Please choose a company."),
                          QStringLiteral("Company"));
        return nullptr;
    }
    auto* window = new frmLowStock(companyFolder, companyName);
    showToolWindow(window);
    return window;
}
