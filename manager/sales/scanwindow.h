// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The scan window: each SKU typed or scanned into the SKU box (a barcode reader types it and
// Enter) is sold, returned or added to the stock at once, so many units per scan as the number
// box says. Emits processed(sku) after every scan that reached the stock, so that the item
// window shows that SKU's new stock.
class frmScan : public QWidget {
    Q_OBJECT
public:
    explicit frmScan(const QString& companyFolder, QWidget* parent = nullptr);

    QString companyFolder() const { return m_companyFolder; }

    QLabel* lblProcessAs = nullptr;
    QRadioButton* optSale = nullptr;
    QRadioButton* optReturn = nullptr;
    QRadioButton* optAdd = nullptr;
    QLabel* lblNumber = nullptr;
    QLineEdit* txtNumber = nullptr;
    QCheckBox* chkTax = nullptr;
    QLabel* lblSKU = nullptr;
    QLabel* lblStatus = nullptr; // the status line: what the last sale left low
    QLineEdit* txtSKU = nullptr;
    QPushButton* cmdProcess = nullptr;
    QPushButton* cmdClose = nullptr;

signals:
    void processed(const QString& sku);

public slots:
    void cmdProcess_Click();
    void cmdClose_Click();
    // Keeps the number box holding a number: the text form of its leading number.
    void txtNumber_Change();

private:
    QString m_companyFolder;
};
