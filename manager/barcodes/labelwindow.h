// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/barcodes/labelsheet.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

// "Print Labels": shelf labels of the items checked, of one profit center or the whole company,
// on a sheet of self-adhesive labels from a chosen label on, printed or saved as a PDF file.
// The first page is shown as it will print.
class frmLabels : public QWidget {
    Q_OBJECT
public:
    explicit frmLabels(QWidget* parent = nullptr);

    // Lists the items of the profit center, all checked; "" lists the whole company.
    void load(const QString& companyFolder, const QString& profitCenter);
    // The checked items that can have a label, and the sheet's first page as a picture.
    QVector<StoreItem> labels(QStringList* skipped = nullptr) const;
    const QImage& preview() const { return m_preview; }

    QComboBox* cboProfs = nullptr;
    QListWidget* lstItems = nullptr;
    QComboBox* cboSymbology = nullptr;
    QComboBox* cboSheet = nullptr;
    QSpinBox* spnStart = nullptr;
    QLabel* lblStatus = nullptr;
    QWidget* picPreview = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdClose = nullptr;

public slots:
    void cmdPrint_Click();
    void cmdSave_Click();

private:
    void listItems();
    void checkAll(bool checked);
    void refresh();
    barcodes::Symbology symbology() const;
    const barcodes::LabelStock& stock() const;

    QString m_companyFolder;
    QVector<StoreItem> m_items; // one per row of the list
    QImage m_preview;
};

// The one "Print Labels" window, made on first use and pointed at the company and profit center
// ("" for the whole company) each time it is asked for. It closes and frees itself.
frmLabels* labelsWindow(const QString& companyFolder, const QString& profitCenter);
