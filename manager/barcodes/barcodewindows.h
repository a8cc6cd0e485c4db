// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QScrollArea>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// A picture surface: keeps its picture at the fine resolution it was drawn at (the one saved to
// files) and shows it at the screen's size. A picture larger than the box scrolls.
class PictureBox : public QScrollArea {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

private:
    QImage m_picture;
    QWidget* m_view;
};

// The UPC-A generator: the first 11 digits typed, the check digit computed, the symbol with its
// 12 digits drawn and saved as a bitmap.
class frmUPC : public QWidget {
    Q_OBJECT
public:
    explicit frmUPC(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* txtBarcode = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtCheckDigit = nullptr;
    QLabel* Label2 = nullptr;
    PictureBox* Picture1 = nullptr;
    QPushButton* cmdGen = nullptr;
    QPushButton* cmdSave = nullptr;

public slots:
    void txtBarcode_LostFocus();
    void cmdGen_Click();
    void cmdSave_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The Code 39 generator: any text drawn as a symbol with the text under it, saved as a bitmap or
// printed. Characters the symbology has no pattern for are left out of the symbol, and the
// status line says which.
class frmCode39 : public QWidget {
    Q_OBJECT
public:
    explicit frmCode39(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* txtData = nullptr;
    QPushButton* cmdGen = nullptr;
    QLabel* lblStatus = nullptr;
    PictureBox* picBarCode = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;

public slots:
    void cmdGen_Click();
    void cmdSave_Click();
    void cmdPrint_Click();
    void cmdClose_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Resize();
};

// Writes a picture as a bitmap under the name the user gives in the save dialog; the error of a
// failed write goes to the standard handler for procedure.
void savePictureAs(QWidget* window, const QImage& picture, const QString& procedure);

// The one UPC-A and the one Code 39 window, made on first use; asked for again while open, the
// same window comes back. Each closes and frees itself.
frmUPC* upcWindow();
frmCode39* code39Window();
