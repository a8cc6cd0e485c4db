// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/scanwindow.h"

#include "manager/sales/recording.h"
#include "manager/sales/scan.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/store/decimal.h"
#include "manager/store/runtimeerror.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmScan::frmScan(const QString& companyFolder, QWidget* parent)
    : QWidget(parent)
    , m_companyFolder(companyFolder) {
    setObjectName(QStringLiteral("frmScan"));
    setWindowTitle(QStringLiteral("Scan Items"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto named = [](QWidget* control, const char* name) {
        control->setObjectName(QLatin1String(name));
        applyControlColor(control);
    };
    lblProcessAs = new QLabel(QStringLiteral("Process Scan as:"), this);
    optSale = new QRadioButton(QStringLiteral("&Sale"), this);
    optReturn = new QRadioButton(QStringLiteral("&Return"), this);
    optAdd = new QRadioButton(QStringLiteral("&Add to Inventory"), this);
    lblNumber = new QLabel(QStringLiteral("Process this &many per scan:"), this);
    txtNumber = new QLineEdit(QStringLiteral("1"), this);
    chkTax = new QCheckBox(
        QStringLiteral("Apply &tax? (Ex. items sold over the internet may not have tax.)"), this);
    lblSKU = new QLabel(QStringLiteral("Please scan your S&KU in the box below:"), this);
    txtSKU = new QLineEdit(this);
    cmdProcess = new QPushButton(QStringLiteral("&Process"), this);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    lblStatus = new QLabel(this);
    named(lblProcessAs, "lblProcessAs");
    named(optSale, "optSale");
    named(optReturn, "optReturn");
    named(optAdd, "optAdd");
    named(lblNumber, "lblNumber");
    named(txtNumber, "txtNumber");
    named(chkTax, "chkTax");
    named(lblSKU, "lblSKU");
    named(txtSKU, "txtSKU");
    named(cmdProcess, "cmdProcess");
    named(cmdClose, "cmdClose");
    named(lblStatus, "lblStatus");
    lblNumber->setBuddy(txtNumber);
    lblSKU->setBuddy(txtSKU);
    // None of the three is chosen at first; a scan then adds to the stock.
    auto* options = new QButtonGroup(this);
    for (QRadioButton* option : {optSale, optReturn, optAdd})
        options->addButton(option);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->addWidget(lblProcessAs, 0, 0, 1, 3);
    grid->addWidget(optSale, 1, 0);
    grid->addWidget(optReturn, 1, 1);
    grid->addWidget(optAdd, 1, 2);
    grid->addWidget(lblNumber, 2, 0, 1, 2);
    grid->addWidget(txtNumber, 2, 2);
    grid->addWidget(chkTax, 3, 0, 1, 3);
    grid->addWidget(lblSKU, 4, 0, 1, 3);
    grid->addWidget(txtSKU, 5, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdProcess);
    buttons->addWidget(cmdClose);
    grid->addLayout(buttons, 6, 0, 1, 3);
    grid->addWidget(lblStatus, 7, 0, 1, 3);
    // A larger (or maximised) window gives its room to the status line, not to every label.
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->setRowStretch(7, 1);

    connect(txtNumber, &QLineEdit::textChanged, this, &frmScan::txtNumber_Change);
    // A barcode reader types the SKU and Enter.
    connect(txtSKU, &QLineEdit::returnPressed, this, &frmScan::cmdProcess_Click);
    connect(cmdProcess, &QPushButton::clicked, this, &frmScan::cmdProcess_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmScan::cmdClose_Click);
    setFocusProxy(txtSKU);
}

void frmScan::txtNumber_Change() {
    guarded(QStringLiteral("txtNumber_Change"), [this] {
        const QString number = Decimal::fromTyped(txtNumber->text()).toString();
        if (number != txtNumber->text())
            txtNumber->setText(number); // changes once more, to the same text
    });
}

void frmScan::cmdProcess_Click() {
    guarded(QStringLiteral("cmdProcess_Click"), [this] {
        const int taxAnswer = chkTax->isChecked() ? TaxYes : TaxNo;
        const QString sku = txtSKU->text();
        if (!sku.isEmpty()) {
            const ScanMode mode = optReturn->isChecked() ? ScanMode::Return
                                  : optSale->isChecked() ? ScanMode::Sale
                                                         : ScanMode::Add;
            QString lowStock;
            const ScanStatus status = processScan(m_companyFolder, mode, sku, txtNumber->text(),
                                                  taxAnswer, QDate::currentDate(), &lowStock);
            lblStatus->setText(lowStock);
            switch (status) {
            case ScanStatus::DoesNotExist:
                dialogs().message(this, doesNotExistText(sku), QStringLiteral("Doesn't Exist"),
                                  Dialogs::OkOnly, Dialogs::Critical);
                break;
            case ScanStatus::NotEnough:
                dialogs().message(this, scanNotEnoughText(sku),
                                  QStringLiteral("Not Enough or Doesn't Exist"), Dialogs::OkOnly,
                                  Dialogs::Critical);
                break;
            case ScanStatus::Done:
            case ScanStatus::NoSku:
            case ScanStatus::Failed: // already reported
                break;
            }
            emit processed(sku);
        }
        txtSKU->clear();
        txtSKU->setFocus();
    });
}

void frmScan::cmdClose_Click() {
    close();
}
