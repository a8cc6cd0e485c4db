// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The options window: logging, tax, update, colour and company folder settings. Nothing is
// stored until Apply or OK; Cancel and the close box store nothing.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // Opens the window modal, owned by the window that holds parent (the main frame when called
    // from a window inside it).
    static void showOptions(QWidget* parent);

    QGroupBox* fraProgram = nullptr;
    QCheckBox* chkDaily = nullptr;
    QCheckBox* chkMonthly = nullptr;
    QGroupBox* fraTax = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtTax = nullptr;
    QLabel* Label4 = nullptr;
    QGroupBox* fraUpdate = nullptr;
    QCheckBox* chkNotify = nullptr;
    QCheckBox* chkAuto = nullptr;
    QGroupBox* fraGraphical = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtGraCol1 = nullptr;
    QPushButton* cmdGraCol1 = nullptr;
    QLineEdit* txtGraCol2 = nullptr;
    QPushButton* cmdGraCol2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtConCol = nullptr;
    QPushButton* cmdConCol = nullptr;
    QPushButton* cmdColReset = nullptr;
    QGroupBox* fraPath = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdPath = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    // The colours shown in the graphical group (stored by Apply and OK).
    QColor gradientColor1() const { return m_color1; }
    QColor gradientColor2() const { return m_color2; }
    QColor controlsColor() const { return m_controls; }

public slots:
    void Form_Load();
    void txtTax_LostFocus();
    void txtPath_LostFocus();
    void cmdPath_Click();
    void cmdGraCol1_Click();
    void cmdGraCol2_Click();
    void cmdConCol_Click();
    void cmdColReset_Click();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // False, with a message and nothing stored, when the company folder path is unusable.
    bool storeSettings();
    void chooseColor(QColor& color);
    void showColors();

    QColor m_color1;
    QColor m_color2;
    QColor m_controls;
};
