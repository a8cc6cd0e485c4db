// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/filterwindow.h"

#include "manager/inventory/itemwindow.h"
#include "manager/inventory/search.h"
#include "manager/shell/gradientbackground.h"
#include "manager/store/items.h"
#include "manager/store/runtimeerror.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
const QString kRemoveFilter = QStringLiteral("Remove &Filter");
} // namespace

frmFilter::frmFilter(frmMain* items, QWidget* parent)
    : QDialog(parent)
    , m_items(items) {
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(QStringLiteral("Filter"));

    auto* fields = new QButtonGroup(this);
    const QString fieldCaptions[5] = {QStringLiteral("&Title"), QStringLiteral("S&KU"),
                                      QStringLiteral("C&ost"), QStringLiteral("&Price"),
                                      QStringLiteral("&In Stock")};
    auto* fieldRow = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        optFilter[i] = new QRadioButton(fieldCaptions[i], this);
        optFilter[i]->setObjectName(QStringLiteral("optFilter%1").arg(i));
        fields->addButton(optFilter[i], i);
        fieldRow->addWidget(optFilter[i]);
    }

    fraNum = new QGroupBox(QStringLiteral("Numerical Filter"), this);
    fraNum->setObjectName(QStringLiteral("fraNum"));
    Combo1 = new QComboBox(fraNum);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems({QStringLiteral("Greater Than"), QStringLiteral("Less Than"),
                      QStringLiteral("In the Range")});
    txtGT = new QLineEdit(fraNum);
    txtGT->setObjectName(QStringLiteral("txtGT"));
    Label1 = new QLabel(QStringLiteral("< X <"), fraNum);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtLT = new QLineEdit(fraNum);
    txtLT->setObjectName(QStringLiteral("txtLT"));
    auto* numbers = new QGridLayout(fraNum);
    numbers->addWidget(Combo1, 0, 0, 1, 3);
    numbers->addWidget(txtGT, 1, 0);
    numbers->addWidget(Label1, 1, 1);
    numbers->addWidget(txtLT, 1, 2);

    fraText = new QGroupBox(QStringLiteral("Textual Filter"), this);
    fraText->setObjectName(QStringLiteral("fraText"));
    auto* inclusion = new QButtonGroup(this);
    optText[0] = new QRadioButton(QStringLiteral("Including"), fraText);
    optText[1] = new QRadioButton(QStringLiteral("Excluding"), fraText);
    for (int i = 0; i < 2; ++i) {
        optText[i]->setObjectName(QStringLiteral("optText%1").arg(i));
        inclusion->addButton(optText[i], i);
    }
    txtText = new QLineEdit(fraText);
    txtText->setObjectName(QStringLiteral("txtText"));
    chkCase = new QCheckBox(QStringLiteral("Case Sensative"), fraText);
    chkCase->setObjectName(QStringLiteral("chkCase"));
    auto* texts = new QGridLayout(fraText);
    texts->addWidget(optText[0], 0, 0);
    texts->addWidget(optText[1], 0, 1);
    texts->addWidget(txtText, 1, 0, 1, 2);
    texts->addWidget(chkCase, 2, 0, 1, 2);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fieldRow);
    layout->addWidget(fraNum);
    layout->addWidget(fraText);
    layout->addLayout(buttons);

    for (QWidget* control : std::initializer_list<QWidget*>{
             optFilter[0], optFilter[1], optFilter[2], optFilter[3], optFilter[4], Combo1, Label1,
             optText[0], optText[1], chkCase, cmdOK, cmdCancel})
        applyControlColor(control);

    connect(fields, &QButtonGroup::idClicked, this, &frmFilter::optFilter_Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmFilter::Combo1_Click);
    Combo1->installEventFilter(this);
    txtGT->installEventFilter(this);
    txtLT->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmFilter::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFilter::cmdCancel_Click);
    Form_Load();
}

void frmFilter::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [this] {
        adjustSize();
        if (QScreen* screen = this->screen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        Combo1->blockSignals(true);
        Combo1->setCurrentIndex(GreaterThan);
        Combo1->blockSignals(false);
        Combo1_Click();
        optFilter[FilterTitle]->setChecked(true);
        optText[0]->setChecked(true);
        optFilter_Click(FilterTitle);
    });
}

void frmFilter::optFilter_Click(int index) {
    guarded(QStringLiteral("optFilter_Click"), [&] {
        const bool textual = index == FilterTitle || index == FilterSku;
        fraText->setEnabled(textual);
        fraNum->setEnabled(!textual);
    });
}

void frmFilter::setBound(QLineEdit* box, bool enabled) {
    box->setText(enabled ? QStringLiteral("0") : infiniteBound());
    box->setEnabled(enabled);
}

void frmFilter::Combo1_Click() {
    guarded(QStringLiteral("Combo1_Click"), [this] {
        const int mode = Combo1->currentIndex();
        setBound(txtGT, mode != LessThan);
        setBound(txtLT, mode != GreaterThan);
    });
}

void frmFilter::txtGT_LostFocus() {
    guarded(QStringLiteral("txtGT_LostFocus"),
            [this] { txtGT->setText(boundText(txtGT->text())); });
}

void frmFilter::txtLT_LostFocus() {
    guarded(QStringLiteral("txtLT_LostFocus"),
            [this] { txtLT->setText(boundText(txtLT->text())); });
}

int frmFilter::selectedField() const {
    for (int i = 0; i < 5; ++i)
        if (optFilter[i]->isChecked())
            return i;
    return FilterTitle;
}

void frmFilter::cmdOK_Click() {
    guarded(QStringLiteral("cmdOK_Click"), [this] {
        // Enter takes OK while a bound box may still have the focus, before its clean-up ran:
        // a bound that is not a number gets that clean-up here, so the filter does not fail
        // item by item. A number typed there stays as typed.
        double number = 0;
        for (QLineEdit* box : {txtGT, txtLT})
            if (box->isEnabled() && !storedNumber(box->text(), &number))
                box->setText(boundText(box->text()));
        m_items->cmdFilter->setText(kRemoveFilter);
        m_items->mnuActionApplyFilter->setText(kRemoveFilter);
        m_items->FilterOn = true;
        m_items->TextString = txtText->text();
        m_items->Num1 = txtGT->text();
        m_items->Num2 = txtLT->text();
        m_items->CaseSen = chkCase->isChecked() ? 1 : 0;
        m_items->Exclude = optText[1]->isChecked();
        m_items->Filter = selectedField();
        m_items->ListAgain();
        accept();
    });
}

void frmFilter::cmdCancel_Click() {
    reject();
}

bool frmFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Combo1 && event->type() == QEvent::KeyPress)
        guarded(QStringLiteral("Combo1_KeyPress"), [this] { Combo1_Click(); });
    else if (watched == txtGT && event->type() == QEvent::FocusOut)
        txtGT_LostFocus();
    else if (watched == txtLT && event->type() == QEvent::FocusOut)
        txtLT_LostFocus();
    return QDialog::eventFilter(watched, event);
}
