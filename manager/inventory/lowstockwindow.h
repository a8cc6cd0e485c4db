// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/sales/lowstock.h"

#include <QWidget>

class QLabel;
class QPrinter;
class QPushButton;
class QTableView;
class LowStockModel;

// "Low Stock": every SKU of the company at or below its minimum, most urgent first, with the
// quantity to order and its cost, and the totals; saved as a CSV purchase list or printed.
class frmLowStock : public QWidget {
    Q_OBJECT
public:
    frmLowStock(const QString& companyFolder, const QString& companyName,
                QWidget* parent = nullptr);

    // Reads the list again.
    void refresh();
    const LowStockList& list() const { return m_list; }
    // The list as a table on the printer's pages.
    void printList(QPrinter& printer) const;

    QTableView* grdLow = nullptr;
    QLabel* lblTotals = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdSaveCsv = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;

public slots:
    void cmdSaveCsv_Click();
    void cmdPrint_Click();

private:
    QString m_companyFolder;
    QString m_companyName;
    LowStockList m_list;
    LowStockModel* m_model = nullptr;
};

// Opens the window for a company as a tool window; with no company (companyName empty) it says
// "Please choose a company." instead. Returns the window, or nullptr.
frmLowStock* showLowStockWindow(QWidget* parent, const QString& companyFolder,
                                const QString& companyName);
