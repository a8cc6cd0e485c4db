// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/charts/saleschartswindow.h"

#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/windowhost.h"
#include "manager/store/items.h"
#include "manager/store/runtimeerror.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDate>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <memory>

namespace {

const int kBestSellers = 10;

QTableWidgetItem* cell(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

frmSalesCharts::frmSalesCharts(const QString& companyFolder, const QString& companyName,
                               QWidget* parent)
    : QWidget(parent)
    , m_companyFolder(companyFolder)
    , m_companyName(companyName) {
    setObjectName(QStringLiteral("frmSalesCharts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Sales Charts - ") + companyName);
    m_loading = true;

    optMonth = new QRadioButton(QStringLiteral("&Month"), this);
    optYear = new QRadioButton(QStringLiteral("&Year"), this);
    cboMonth = new QComboBox(this);
    for (int month = 1; month <= 12; ++month)
        cboMonth->addItem(QLocale::c().monthName(month));
    spnYear = new QSpinBox(this);
    spnYear->setRange(1900, 9999);
    cboMeasure = new QComboBox(this);
    for (ChartMeasure m :
         {ChartMeasure::Gross, ChartMeasure::NetProfit, ChartMeasure::Tax, ChartMeasure::Units})
        cboMeasure->addItem(measureCaption(m), static_cast<int>(m));
    chkPrevious = new QCheckBox(QStringLiteral("Same period &last year"), this);
    chkPrevious->setChecked(true);
    auto* lblShow = new QLabel(QStringLiteral("S&how:"), this);
    lblShow->setBuddy(cboMeasure);
    auto* lblYearOf = new QLabel(QStringLiteral("of"), this);

    chartView = new QChartView(this);
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumSize(560, 380);

    auto* lblBest = new QLabel(QStringLiteral("&Best sellers"), this);
    QFont bold = lblBest->font();
    bold.setBold(true);
    lblBest->setFont(bold);
    lstBest = new QTableWidget(0, 5, this);
    lstBest->setObjectName(QStringLiteral("lstBest"));
    lstBest->setHorizontalHeaderLabels({QStringLiteral("SKU"), QStringLiteral("Title"),
                                        QStringLiteral("Units"), QStringLiteral("Gross"),
                                        QStringLiteral("Share")});
    lstBest->verticalHeader()->setVisible(false);
    lstBest->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstBest->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    lstBest->setMinimumWidth(320);
    lstBest->setMaximumWidth(360); // the chart takes the rest: the days of a month need it
    lblBest->setBuddy(lstBest);

    lblSkipped = new QLabel(this);
    lblSkipped->setWordWrap(true);
    lblSkipped->setVisible(false);

    cmdSave = new QPushButton(QStringLiteral("&Save Picture"), this);
    cmdPrint = new QPushButton(QStringLiteral("&Print"), this);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    for (QWidget* control : std::initializer_list<QWidget*>{cboMonth, spnYear, cboMeasure, cmdSave,
                                                            cmdPrint, cmdClose, lstBest})
        applyControlColor(control);

    auto* choose = new QHBoxLayout;
    choose->addWidget(optMonth);
    choose->addWidget(cboMonth);
    choose->addWidget(lblYearOf);
    choose->addWidget(optYear);
    choose->addWidget(spnYear);
    choose->addSpacing(16);
    choose->addWidget(lblShow);
    choose->addWidget(cboMeasure);
    choose->addSpacing(16);
    choose->addWidget(chkPrevious);
    choose->addStretch();

    auto* best = new QVBoxLayout;
    best->addWidget(lblBest);
    best->addWidget(lstBest);

    auto* middle = new QHBoxLayout;
    middle->addWidget(chartView, 1);
    middle->addLayout(best);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblSkipped, 1);
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);

    auto* all = new QVBoxLayout(this);
    all->addLayout(choose);
    all->addLayout(middle, 1);
    all->addLayout(buttons);

    // The year box reads "of 2026" after the month and "2026" alone for a year.
    connect(optMonth, &QRadioButton::toggled, this, [this, lblYearOf](bool month) {
        cboMonth->setEnabled(month);
        lblYearOf->setVisible(month);
        Refresh();
    });
    connect(cboMonth, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &frmSalesCharts::Refresh);
    connect(spnYear, qOverload<int>(&QSpinBox::valueChanged), this, &frmSalesCharts::Refresh);
    connect(cboMeasure, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &frmSalesCharts::Refresh);
    connect(chkPrevious, &QCheckBox::toggled, this, &frmSalesCharts::Refresh);
    connect(cmdSave, &QPushButton::clicked, this, &frmSalesCharts::cmdSave_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmSalesCharts::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    guarded(QStringLiteral("Form_Load"), [this] { paintsGradient(this, 0); });
    // The whole chart and the ten best sellers, inside a 1024 x 768 screen with its frame.
    resize(1000, 640);
    // This month is shown unless the caller chooses another period before the window shows:
    // the period files are read once, for the period shown.
    const QDate today = QDate::currentDate();
    spnYear->setValue(today.year());
    cboMonth->setCurrentIndex(today.month() - 1);
    optMonth->setChecked(true);
    m_loading = false;
}

void frmSalesCharts::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_drawn)
        Refresh();
}

ChartMeasure frmSalesCharts::measure() const {
    return static_cast<ChartMeasure>(cboMeasure->currentData().toInt());
}

void frmSalesCharts::setPeriod(int year, int month) {
    m_loading = true;
    spnYear->setValue(year);
    if (month > 0)
        cboMonth->setCurrentIndex(month - 1);
    optMonth->setChecked(month > 0);
    optYear->setChecked(month == 0);
    cboMonth->setEnabled(month > 0);
    m_loading = false;
    Refresh();
}

QChart* frmSalesCharts::newChart() const {
    return buildSalesChart(m_companyName, m_summary,
                           chkPrevious->isChecked() ? &m_previous : nullptr, measure(),
                           chartColors());
}

void frmSalesCharts::Refresh() {
    if (m_loading)
        return;
    m_drawn = true;
    guarded(QStringLiteral("Refresh"), [this] {
        const int year = spnYear->value();
        const int month = optMonth->isChecked() ? cboMonth->currentIndex() + 1 : 0;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        auto summarize = [&](int y) {
            return month ? summarizeMonth(m_companyFolder, y, month)
                         : summarizeYear(m_companyFolder, y);
        };
        m_summary = summarize(year);
        m_previous = chkPrevious->isChecked() ? summarize(year - 1) : SalesSummary();
        QApplication::restoreOverrideCursor();

        QChart* chart = newChart();
        QChart* old = chartView->chart();
        chartView->setChart(chart);
        delete old;
        const auto series = chart->series();
        for (QAbstractSeries* s : series) {
            if (auto* bars = qobject_cast<QBarSeries*>(s)) {
                connect(bars, &QBarSeries::hovered, this, [this](bool on, int row, QBarSet*) {
                    if (on)
                        QToolTip::showText(QCursor::pos(), hoverText(row, false), chartView);
                    else
                        QToolTip::hideText();
                });
            } else if (auto* line = qobject_cast<QLineSeries*>(s)) {
                connect(line, &QLineSeries::hovered, this, [this](const QPointF& point, bool on) {
                    if (on)
                        QToolTip::showText(QCursor::pos(), hoverText(qRound(point.x()), true),
                                           chartView);
                    else
                        QToolTip::hideText();
                });
            }
        }
        fillBestSellers();

        QStringList skipped;
        for (const SkippedPeriodFile& file : m_summary.skipped + m_previous.skipped)
            skipped << file.name + QStringLiteral(" (") + file.reason + QLatin1Char(')');
        lblSkipped->setText(QStringLiteral("Not counted: ") + skipped.join(QStringLiteral("; ")));
        lblSkipped->setVisible(!skipped.isEmpty());
    });
}

QString frmSalesCharts::hoverText(int row, bool previousYear) const {
    const SalesSummary& summary = previousYear ? m_previous : m_summary;
    if (row < 0 || row >= summary.rows.size())
        return {};
    const SalesFigures& f = summary.rows[row];
    const QString when =
        summary.isMonth()
            ? QDate(summary.year, summary.month, row + 1).toString(Qt::ISODate)
            : rowCaption(summary, row) + QLatin1Char(' ') + QString::number(summary.year);
    return QStringLiteral("%1\nSold: %2\nReturned: %3\nGross: %4\nNet Profit: %5\nTax: %6")
        .arg(when, f.sold.toString(), f.returned.toString(), f.gross.toString(), f.net.toString(),
             f.tax.toString());
}

void frmSalesCharts::fillBestSellers() {
    const QVector<SkuSales> top = m_summary.topByGross(kBestSellers);
    lstBest->setRowCount(top.size());
    for (int row = 0; row < top.size(); ++row) {
        const SkuSales& sku = top[row];
        lstBest->setItem(row, 0, cell(sku.sku, false));
        lstBest->setItem(row, 1, cell(sku.title, false));
        lstBest->setItem(row, 2, cell(sku.figures.units().toString(), true));
        lstBest->setItem(row, 3, cell(ShowMoney(sku.figures.gross.toString()), true));
        lstBest->setItem(row, 4,
                         cell(grossShareText(sku.figures.gross, m_summary.total.gross), true));
    }
    lstBest->resizeColumnToContents(0);
    for (int column = 2; column < 5; ++column)
        lstBest->resizeColumnToContents(column);
}

void frmSalesCharts::cmdSave_Click() {
    guarded(QStringLiteral("cmdSave_Click"), [this] {
        const QString suggested = QStringLiteral("Sales %1 %2.png")
                                      .arg(periodCaption(m_summary), measureCaption(measure()));
        QString path =
            dialogs().saveFile(this, QStringLiteral("Save Picture"),
                               QStringLiteral("PNG Picture (*.png)|*.png|SVG Picture (*.svg)|*.svg|"
                                              "PDF Document (*.pdf)|*.pdf"),
                               suggested);
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".png");
        std::unique_ptr<QChart> chart(newChart());
        const QString failure = saveChartPicture(chart.get(), path);
        if (!failure.isEmpty())
            dialogs().message(this, QStringLiteral("The picture was not saved: ") + failure,
                              QStringLiteral("Save Picture"), Dialogs::OkOnly,
                              Dialogs::Exclamation);
    });
}

void frmSalesCharts::cmdPrint_Click() {
    guarded(QStringLiteral("cmdPrint_Click"), [this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        if (!dialogs().print(this, printer, QStringLiteral("Print")))
            return;
        std::unique_ptr<QChart> chart(newChart());
        QPainter painter;
        if (!painter.begin(&printer))
            throw RuntimeError(482, QStringLiteral("Printer error"));
        // The picture's size, scaled to fill the page's width or height, whichever comes first.
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        const QSizeF size(kChartPictureSize);
        const double scale = std::min(page.width() / size.width(), page.height() / size.height());
        painter.scale(scale, scale);
        paintChart(chart.get(), painter, kChartPictureSize);
        painter.end();
    });
}

void showSalesCharts(QWidget* parent, const QString& companyName, const QString& companyFolder) {
    if (companyName.isEmpty()) {
        dialogs().message(parent, QStringLiteral("Please choose a company."),
                          QStringLiteral("Company"));
        return;
    }
    showToolWindow(new frmSalesCharts(companyFolder, companyName));
}
