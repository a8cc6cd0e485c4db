// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/items.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The item editor ("Add/Edit Product"): creates an item or changes one, as handed over in
// CurrentItem by the item window. Saving emits saved(profit center) before the editor closes.
class frmAddEdit : public QDialog {
    Q_OBJECT
public:
    frmAddEdit(const QString& companyFolder, ItemRecord& currentItem, QWidget* parent = nullptr);

    // Fills the profit-center list from the folder (no listing follows).
    void LoadProfs(const QString& LibraryPath);

    QLabel* lblProfs = nullptr;
    QComboBox* cboProfs = nullptr;
    QLabel* lblTitle = nullptr;
    QLineEdit* txtTitle = nullptr;
    QLabel* lblCost = nullptr;
    QLineEdit* txtCost = nullptr;
    QLabel* lblPrice = nullptr;
    QLineEdit* txtPrice = nullptr;
    QLabel* lblSKU = nullptr;
    QLineEdit* txtSKU = nullptr;
    QLabel* lblInventory = nullptr;
    QLineEdit* txtInventory = nullptr;
    QCheckBox* chkTax = nullptr;
    QLabel* lblMinimum = nullptr;
    QLineEdit* txtMinimum = nullptr;
    QLabel* lblOrder = nullptr;
    QLineEdit* txtOrder = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdCopySKU = nullptr;
    QPushButton* cmdLabels = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDelete = nullptr;

signals:
    void saved(const QString& profitCenter);

public slots:
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdCopySKU_Click();
    void txtCost_LostFocus();
    void txtPrice_LostFocus();
    void txtInventory_LostFocus();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    bool confirm(ItemQuestion question);
    // The level in the two boxes, or nothing after telling the user what is wrong.
    std::optional<StockLevel> typedLevel();
    bool confirmStockOverwrite(const ItemRecord& item);

    QString m_companyFolder;
    ItemRecord& m_item;
    // The identity the item had when the editor opened.
    ItemIdentity m_old;
    // The stock box as the editor filled it.
    QString m_shownStock;
};
