// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/splashwindow.h"

#include "manager/shell/gradientbackground.h"
#include "manager/shell/twips.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// The outline is a circle 493 pixels across at 15 twips per pixel.
constexpr double outlineTwips = 493.0 * 15.0;

QLabel* centredLabel(QWidget* parent, const QString& name, const QString& text, double pointScale,
                     bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * pointScale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

int wholeTwips(double twipsPerPixel) {
    return std::max(1, static_cast<int>(std::lround(twipsPerPixel)));
}
} // namespace

QRect formRegionRect(double sx, double sy, int x0, int y0, int twipsX, int twipsY) {
    const int right =
        x0 + static_cast<int>(std::nearbyint(sx * outlineTwips / std::max(1, twipsX)));
    const int bottom =
        y0 + static_cast<int>(std::nearbyint(sy * outlineTwips / std::max(1, twipsY)));
    return QRect(QPoint(x0, y0), QPoint(right - 1, bottom - 1));
}

frmSplash::frmSplash(QWidget* parent, StartUpdateCheck startUpdateCheck)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_startUpdateCheck(std::move(startUpdateCheck)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Brannock's Tallyvane"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    Form_Load();
}

frmSplash::~frmSplash() = default;

void frmSplash::buildControls() {
    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer->setInterval(2000);
    connect(tmrTimer, &QTimer::timeout, this, &frmSplash::tmrTimer_Timer);

    lblCompanyProduct = centredLabel(this, QStringLiteral("lblCompanyProduct"),
                                     QStringLiteral("Brannock's"), 1.2, false);
    lblProductName = centredLabel(this, QStringLiteral("lblProductName"),
                                  QStringLiteral("Tallyvane"), 2.6, true);
    lblPlatform = centredLabel(this, QStringLiteral("lblPlatform"), QStringLiteral("For Windows"),
                               1.1, false);
    lblVersion =
        centredLabel(this, QStringLiteral("lblVersion"), QStringLiteral("Version"), 1.1, true);
    lblStatus =
        centredLabel(this, QStringLiteral("lblStatus"), QStringLiteral("Loading..."), 1.0, false);
    lblDisclaimer =
        centredLabel(this, QStringLiteral("lblDisclaimer"),
                     QStringLiteral("This program is provided as is, without warranty of "
                                    "any kind. Keep copies of your company folders."),
                     0.8, false);
    Label1 = centredLabel(this, QStringLiteral("Label1"),
                          QStringLiteral("Copyright \u00A9 Brannock's. All rights reserved."), 0.8,
                          false);

    // The labels stay well inside the round outline.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(80, 70, 80, 60);
    layout->addStretch(2);
    layout->addWidget(lblCompanyProduct);
    layout->addWidget(lblProductName);
    layout->addWidget(lblPlatform);
    layout->addSpacing(8);
    layout->addWidget(lblVersion);
    layout->addStretch(1);
    layout->addWidget(lblStatus);
    layout->addStretch(1);
    layout->addWidget(lblDisclaimer);
    layout->addWidget(Label1);
    layout->addStretch(1);
}

QRegion frmSplash::CreateFormRegion(double sx, double sy, int x0, int y0) const {
    return QRegion(
        formRegionRect(sx, sy, x0, y0, wholeTwips(twipsPerPixelX()), wholeTwips(twipsPerPixelY())),
        QRegion::Ellipse);
}

QString frmSplash::versionText() {
    return QStringLiteral("%1.%2").arg(TALLYVANE_VERSION_MAJOR).arg(TALLYVANE_VERSION_MINOR);
}

bool frmSplash::checksForUpdates() {
    return settings::notifyUpdatesOn() || settings::autoUpdateOn();
}

void frmSplash::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [&] {
        // The window is exactly the circle, so the concentric gradient ends at its outline.
        const QRegion outline = CreateFormRegion(1.0, 1.0, 0, 0);
        setFixedSize(outline.boundingRect().size());
        setMask(outline);
        if (const QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            move(area.center() - rect().center());
        }
        paintsGradient(this, 4, GradientUnit::Pixel);

        lblVersion->setText(QStringLiteral("Version ") + versionText());
        settings::write(settings::RunningVersion, versionText());

        if (checksForUpdates() && m_startUpdateCheck) {
            lblStatus->setText(QStringLiteral("Checking for updates..."));
            m_updateCheck = m_startUpdateCheck();
        }
        tmrTimer->start();
    });
}

void frmSplash::tmrTimer_Timer() {
    guarded(QStringLiteral("tmrTimer_Timer"), [&] {
        if (m_updateCheck && checksForUpdates()) {
            // A slow server never holds the frame back: the check runs on behind it.
            if (m_updateCheck->isBusy()) {
                lblStatus->setText(QStringLiteral("Resolving server..."));
                m_updateCheck->finishInBackground();
            } else if (m_updateCheck->updateFound()) {
                lblStatus->setText(QStringLiteral("Update available."));
                m_updateCheck->showUpdate();
            } else {
                lblStatus->setText(QStringLiteral("No update available."));
                m_updateCheck->unload();
            }
            m_updateCheck = nullptr;
        }
        if (m_updateCheck) {
            // The checks were switched off meanwhile: the hidden window is not needed.
            m_updateCheck->unload();
            m_updateCheck = nullptr;
        }
        tmrTimer->stop();
        emit finished();
        close();
    });
}
