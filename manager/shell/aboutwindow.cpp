// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/aboutwindow.h"

#include "manager/shell/appicon.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/updatecheck.h"
#include "manager/store/runtimeerror.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
const char* const kApplicationTitle = "Tallyvane";

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    picIcon = makeLabel(this, "picIcon", QString());
    picIcon->setPixmap(tallyvaneIcon().pixmap(64, 64));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    lblTitle = makeLabel(this, "lblTitle", QStringLiteral("Application Title"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = makeLabel(this, "lblVersion", QStringLiteral("Version"));
    lblDescription = makeLabel(
        this, "lblDescription",
        QStringLiteral("Brannock's Tallyvane is a complete program to manage an entire inventory. "
                       "Advanced features like internet processing and storefront make "
                       "Brannock's Tallyvane the way to go."));
    Label3 = makeLabel(this, "Label3", QStringLiteral("<a href=\"#\">For support click here.</a>"));
    Label3->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(Label3, &QLabel::linkActivated, this, &frmAbout::Label3_Click);
    Label1 = makeLabel(this, "Label1", QStringLiteral("Brannock's"));
    Label2 = makeLabel(this, "Label2",
                       QStringLiteral("Copyright \u00A9 Brannock's. All rights reserved."));
    lblDisclaimer = makeLabel(this, "lblDisclaimer",
                              QStringLiteral("This program is provided as is, without warranty of "
                                             "any kind. Keep copies of your company folders."));
    QFont small = lblDisclaimer->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    lblDisclaimer->setFont(small);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(16);
    grid->addWidget(picIcon, 0, 0, 4, 1);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(Label3, 3, 1);
    grid->setRowMinimumHeight(4, 12);
    grid->addWidget(Label1, 5, 0, 1, 2);
    grid->addWidget(Label2, 6, 0, 1, 2);
    grid->addWidget(lblDisclaimer, 7, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    grid->addLayout(buttons, 8, 0, 1, 2);
    setMinimumWidth(440);
    Form_Load();
}

QString frmAbout::versionText(int major, int minor, int revision) {
    QString text = QStringLiteral("Version %1.%2").arg(major).arg(minor);
    if (revision != 0)
        text += QStringLiteral(".%1").arg(revision);
    return text;
}

void frmAbout::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [this] {
        const QString title = QLatin1String(kApplicationTitle);
        setWindowTitle(QStringLiteral("About ") + title);
        lblVersion->setText(versionText(TALLYVANE_VERSION_MAJOR, TALLYVANE_VERSION_MINOR,
                                        TALLYVANE_VERSION_REVISION));
        lblTitle->setText(QStringLiteral("Brannock's ") + title);
        applyControlColor(cmdOK);
        paintsGradient(this, 3);
    });
}

void frmAbout::cmdOK_Click() {
    guarded(QStringLiteral("cmdOK_Click"), [this] { accept(); });
}

void frmAbout::Label3_Click() {
    guarded(QStringLiteral("Label3_Click"), [] {
        if (!QDesktopServices::openUrl(update::contactPage()))
            throw RuntimeError::invalidCall();
    });
}
