// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/charts/saleschart.h"

#include <QWidget>

class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

// "Sales Charts": the sales of a month day by day or of a year month by month, with the same
// period of the year before as a line, and the best sellers of the period. Reads only.
class frmSalesCharts : public QWidget {
    Q_OBJECT
public:
    frmSalesCharts(const QString& companyFolder, const QString& companyName,
                   QWidget* parent = nullptr);

    QRadioButton* optMonth = nullptr;
    QRadioButton* optYear = nullptr;
    QComboBox* cboMonth = nullptr;
    QSpinBox* spnYear = nullptr;
    QComboBox* cboMeasure = nullptr;
    QCheckBox* chkPrevious = nullptr;
    QChartView* chartView = nullptr;
    QTableWidget* lstBest = nullptr;
    QLabel* lblSkipped = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;

    // month 0 shows the year.
    void setPeriod(int year, int month);
    const SalesSummary& summary() const { return m_summary; }
    ChartMeasure measure() const;
    // The text shown when the pointer rests on a bar (previousYear false) or a point of the line.
    QString hoverText(int row, bool previousYear) const;

public slots:
    // Reads the period files again and draws the chart and the best sellers.
    void Refresh();
    void cmdSave_Click();
    void cmdPrint_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QChart* newChart() const;
    void fillBestSellers();

    QString m_companyFolder;
    QString m_companyName;
    SalesSummary m_summary;
    SalesSummary m_previous;
    bool m_loading = false;
    bool m_drawn = false; // a period has been read and drawn
};

// Opens the window for the company; without a company, "Please choose a company." as the
// statistics say it.
void showSalesCharts(QWidget* parent, const QString& companyName, const QString& companyFolder);
