// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class frmMain;

// The filter's settings window: the field to test, a text test (title, SKU) or a number test
// (cost, price, stock). OK hands the settings to the item window, which then lists through
// the filter until it is removed.
class frmFilter : public QDialog {
    Q_OBJECT
public:
    explicit frmFilter(frmMain* items, QWidget* parent = nullptr);

    QRadioButton* optFilter[5] = {}; // "&Title", "S&KU", "C&ost", "&Price", "&In Stock"
    QGroupBox* fraNum = nullptr;
    QComboBox* Combo1 = nullptr;
    QLineEdit* txtGT = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtLT = nullptr;
    QGroupBox* fraText = nullptr;
    QRadioButton* optText[2] = {}; // "Including", "Excluding"
    QLineEdit* txtText = nullptr;
    QCheckBox* chkCase = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The number modes of Combo1.
    enum NumberMode { GreaterThan = 0, LessThan = 1, InTheRange = 2 };

public slots:
    void Form_Load();
    void optFilter_Click(int index);
    void Combo1_Click();
    void txtGT_LostFocus();
    void txtLT_LostFocus();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setBound(QLineEdit* box, bool enabled);
    int selectedField() const;

    frmMain* m_items;
};
