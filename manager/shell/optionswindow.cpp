// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/optionswindow.h"

#include "manager/shell/dialogs.h"
#include "manager/shell/gradient.h"
#include "manager/shell/gradientbackground.h"
#include "manager/store/companystore.h"
#include "manager/store/numbertext.h"
#include "manager/store/pathtext.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {
// Why a company folder root cannot be used, or empty when it can.
QString companyRootProblem(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        return QStringLiteral("The company folder path names a file, not a folder:\n") + path;
    const QString canonical = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(path);
    if (QDir(canonical).isRoot())
        return QStringLiteral("The company folder cannot be the root of the file system.");
    return QString();
}

QString flagText(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption,
              QWidget* buddy = nullptr) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QLineEdit* lineEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// A read-only box that shows a colour as its background and as #rrggbb text.
QLineEdit* colorBox(QWidget* parent, const QString& name, const QString& accessibleName) {
    QLineEdit* box = lineEdit(parent, name);
    box->setReadOnly(true);
    box->setAccessibleName(accessibleName);
    box->setMaximumWidth(90);
    return box;
}

QPushButton* colorButton(QWidget* parent, const QString& name, const QString& what) {
    QPushButton* b = button(parent, name, QStringLiteral("..."));
    b->setToolTip(QStringLiteral("Choose the ") + what);
    b->setAccessibleName(QStringLiteral("Choose the ") + what);
    b->setFixedWidth(32);
    return b;
}

void showColor(QLineEdit* box, const QColor& color) {
    box->setText(color.name());
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Text, color.lightness() < 128 ? Qt::white : Qt::black);
    box->setPalette(palette);
}
} // namespace

frmOptions::frmOptions(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    buildControls();
    Form_Load();
}

frmOptions::~frmOptions() = default;

void frmOptions::showOptions(QWidget* parent) {
    frmOptions window(parent ? parent->window() : nullptr);
    dialogs().showModal(&window);
}

void frmOptions::buildControls() {
    // Controls are made in the order the Tab key visits them.
    fraProgram = new QGroupBox(QStringLiteral("Logging Options"), this);
    fraProgram->setObjectName(QStringLiteral("fraProgram"));
    chkDaily =
        checkBox(fraProgram, QStringLiteral("chkDaily"), QStringLiteral("Keep &daily sale logs."));
    chkMonthly = checkBox(fraProgram, QStringLiteral("chkMonthly"),
                          QStringLiteral("Keep &monthly sale logs"));
    auto* programLayout = new QVBoxLayout(fraProgram);
    programLayout->addWidget(chkDaily);
    programLayout->addWidget(chkMonthly);

    fraTax = new QGroupBox(QStringLiteral("Tax Calculations"), this);
    fraTax->setObjectName(QStringLiteral("fraTax"));
    txtTax = lineEdit(fraTax, QStringLiteral("txtTax"));
    txtTax->setText(QStringLiteral("0.00"));
    txtTax->setMaximumWidth(90);
    Label3 = label(fraTax, QStringLiteral("Label3"), QStringLiteral("&Tax Percent:"), txtTax);
    Label4 = label(fraTax, QStringLiteral("Label4"), QStringLiteral("%"));
    auto* taxLayout = new QHBoxLayout(fraTax);
    taxLayout->addWidget(Label3);
    taxLayout->addWidget(txtTax);
    taxLayout->addWidget(Label4);
    taxLayout->addStretch();

    fraUpdate = new QGroupBox(QStringLiteral("Update Options"), this);
    fraUpdate->setObjectName(QStringLiteral("fraUpdate"));
    chkNotify = checkBox(fraUpdate, QStringLiteral("chkNotify"),
                         QStringLiteral("&Notify me of available updates."));
    chkAuto = checkBox(fraUpdate, QStringLiteral("chkAuto"),
                       QStringLiteral("A&utomatically download and install available updates."));
    auto* updateLayout = new QVBoxLayout(fraUpdate);
    updateLayout->addWidget(chkNotify);
    updateLayout->addWidget(chkAuto);

    fraGraphical = new QGroupBox(QStringLiteral("Graphical Options"), this);
    fraGraphical->setObjectName(QStringLiteral("fraGraphical"));
    txtGraCol1 = colorBox(fraGraphical, QStringLiteral("txtGraCol1"),
                          QStringLiteral("First gradient color"));
    cmdGraCol1 = colorButton(fraGraphical, QStringLiteral("cmdGraCol1"),
                             QStringLiteral("first gradient color"));
    txtGraCol2 = colorBox(fraGraphical, QStringLiteral("txtGraCol2"),
                          QStringLiteral("Second gradient color"));
    cmdGraCol2 = colorButton(fraGraphical, QStringLiteral("cmdGraCol2"),
                             QStringLiteral("second gradient color"));
    txtConCol =
        colorBox(fraGraphical, QStringLiteral("txtConCol"), QStringLiteral("Color of controls"));
    cmdConCol =
        colorButton(fraGraphical, QStringLiteral("cmdConCol"), QStringLiteral("color of controls"));
    cmdColReset =
        button(fraGraphical, QStringLiteral("cmdColReset"), QStringLiteral("&Reset Colors"));
    Label1 = label(fraGraphical, QStringLiteral("Label1"), QStringLiteral("&Gradient colors:"),
                   txtGraCol1);
    Label2 = label(fraGraphical, QStringLiteral("Label2"), QStringLiteral("C&olor of controls:"),
                   txtConCol);
    auto* graphicalLayout = new QGridLayout(fraGraphical);
    graphicalLayout->addWidget(Label1, 0, 0);
    graphicalLayout->addWidget(txtGraCol1, 0, 1);
    graphicalLayout->addWidget(cmdGraCol1, 0, 2);
    graphicalLayout->addWidget(txtGraCol2, 0, 3);
    graphicalLayout->addWidget(cmdGraCol2, 0, 4);
    graphicalLayout->addWidget(Label2, 1, 0);
    graphicalLayout->addWidget(txtConCol, 1, 1);
    graphicalLayout->addWidget(cmdConCol, 1, 2);
    graphicalLayout->addWidget(cmdColReset, 1, 3, 1, 2);
    graphicalLayout->setColumnStretch(5, 1);

    fraPath = new QGroupBox(QStringLiteral("Company Folder Path"), this);
    fraPath->setObjectName(QStringLiteral("fraPath"));
    txtPath = lineEdit(fraPath, QStringLiteral("txtPath"));
    txtPath->setMinimumWidth(300);
    Label6 = label(fraPath, QStringLiteral("Label6"), QStringLiteral("Company &Folder:"), txtPath);
    cmdPath = button(fraPath, QStringLiteral("cmdPath"), QStringLiteral("&Browse..."));
    auto* pathLayout = new QHBoxLayout(fraPath);
    pathLayout->addWidget(Label6);
    pathLayout->addWidget(txtPath, 1);
    pathLayout->addWidget(cmdPath);

    cmdOK = button(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = button(this, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdApply = button(this, QStringLiteral("cmdApply"), QStringLiteral("&Apply"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* top = new QHBoxLayout;
    top->addWidget(fraProgram, 1);
    top->addWidget(fraTax, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(fraUpdate);
    layout->addWidget(fraGraphical);
    layout->addWidget(fraPath);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    txtTax->installEventFilter(this);
    txtPath->installEventFilter(this);
    connect(cmdPath, &QPushButton::clicked, this, &frmOptions::cmdPath_Click);
    connect(cmdGraCol1, &QPushButton::clicked, this, &frmOptions::cmdGraCol1_Click);
    connect(cmdGraCol2, &QPushButton::clicked, this, &frmOptions::cmdGraCol2_Click);
    connect(cmdConCol, &QPushButton::clicked, this, &frmOptions::cmdConCol_Click);
    connect(cmdColReset, &QPushButton::clicked, this, &frmOptions::cmdColReset_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    // Only a move of the focus inside this window counts as leaving a box, not switching to
    // another program or opening a menu.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == txtTax)
                txtTax_LostFocus();
            else if (watched == txtPath)
                txtPath_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [&] {
        chkDaily->setChecked(settings::dailyLogOn());
        chkMonthly->setChecked(settings::monthlyLogOn());
        chkNotify->setChecked(settings::notifyUpdatesOn());
        chkAuto->setChecked(settings::autoUpdateOn());
        txtTax->setText(settings::taxPercent(QStringLiteral("0.00")));
        txtPath->setText(settings::companyRootText(defaultCompanyRoot()));
        m_color1 = gradientFirstColor();
        m_color2 = gradientSecondColor();
        m_controls = controlColor();
        showColors();

        // Centred on the screen.
        adjustSize();
        if (const QScreen* s = screen()) {
            const QRect area = s->geometry();
            move(area.x() + (area.width() - width()) / 2,
                 area.y() + (area.height() - height()) / 2);
        }
    });
}

void frmOptions::showColors() {
    showColor(txtGraCol1, m_color1);
    showColor(txtGraCol2, m_color2);
    showColor(txtConCol, m_controls);
}

void frmOptions::txtTax_LostFocus() {
    guarded(QStringLiteral("txtTax_LostFocus"),
            [&] { txtTax->setText(generalNumber(std::fabs(leadingNumber(txtTax->text())))); });
}

void frmOptions::txtPath_LostFocus() {
    guarded(QStringLiteral("txtPath_LostFocus"), [&] {
        // A blank box would make the root folder of the disk the company folder root, whose
        // folders the chooser would then list, rename and delete as companies.
        if (txtPath->text().trimmed().isEmpty())
            txtPath->setText(defaultCompanyRoot());
        else
            txtPath->setText(AddBackslash(txtPath->text()));
    });
}

void frmOptions::cmdPath_Click() {
    guarded(QStringLiteral("cmdPath_Click"), [&] {
        const QString folder =
            dialogs().chooseFolder(this, QStringLiteral("Company Folder Path"), txtPath->text());
        if (!folder.isEmpty())
            txtPath->setText(AddBackslash(QDir::toNativeSeparators(folder)));
    });
}

void frmOptions::chooseColor(QColor& color) {
    const std::optional<QColor> chosen =
        dialogs().chooseColor(this, color, QStringLiteral("Color Chooser"));
    if (chosen && chosen->isValid()) {
        color = *chosen;
        color.setAlpha(255);
        showColors();
    }
}

void frmOptions::cmdGraCol1_Click() {
    guarded(QStringLiteral("cmdGraCol1_Click"), [&] { chooseColor(m_color1); });
}

void frmOptions::cmdGraCol2_Click() {
    guarded(QStringLiteral("cmdGraCol2_Click"), [&] { chooseColor(m_color2); });
}

void frmOptions::cmdConCol_Click() {
    guarded(QStringLiteral("cmdConCol_Click"), [&] { chooseColor(m_controls); });
}

void frmOptions::cmdColReset_Click() {
    guarded(QStringLiteral("cmdColReset_Click"), [&] {
        m_color1 = defaultGradientFirstColor();
        m_color2 = defaultGradientSecondColor();
        m_controls = defaultControlColor();
        showColors();
    });
}

bool frmOptions::storeSettings() {
    const QString path =
        txtPath->text().trimmed().isEmpty() ? defaultCompanyRoot() : txtPath->text();
    // Checked before anything is stored: the chooser would list and delete what such a root holds.
    const QString problem = companyRootProblem(path);
    if (!problem.isEmpty()) {
        dialogs().message(this, problem, QStringLiteral("Options"), Dialogs::OkOnly,
                          Dialogs::Exclamation);
        txtPath->setFocus();
        return false;
    }
    settings::write(settings::DailyLog, flagText(chkDaily));
    settings::write(settings::MonthlyLog, flagText(chkMonthly));
    settings::write(settings::NotifyUpdates, flagText(chkNotify));
    settings::write(settings::AutoUpdate, flagText(chkAuto));
    settings::write(settings::TaxPercent, txtTax->text());
    settings::write(settings::CompanyRoot, path);

    const bool colorsChanged = m_color1 != gradientFirstColor() ||
                               m_color2 != gradientSecondColor() || m_controls != controlColor();
    settings::write(settings::GradientColor1, m_color1.name());
    settings::write(settings::GradientColor2, m_color2.name());
    settings::write(settings::ControlsColor, m_controls.name());
    if (colorsChanged)
        refreshWindowColors();
    return true;
}

void frmOptions::cmdApply_Click() {
    guarded(QStringLiteral("cmdApply_Click"), [&] { storeSettings(); });
}

void frmOptions::cmdOK_Click() {
    guarded(QStringLiteral("cmdOK_Click"), [&] {
        if (storeSettings())
            accept();
    });
}

void frmOptions::cmdCancel_Click() {
    guarded(QStringLiteral("cmdCancel_Click"), [&] { reject(); });
}
