// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QRegion>
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

// The update check the splash looks at: the hidden update window. It owns itself: showUpdate()
// hands it to the user, unload() ends it, finishInBackground() lets it run on after the splash
// and show the update window when it finds an update.
class SplashUpdateCheck {
public:
    virtual ~SplashUpdateCheck() = default;
    virtual bool isBusy() const = 0;
    virtual bool updateFound() const = 0;
    virtual void showUpdate() = 0;
    virtual void unload() = 0;
    virtual void finishInBackground() = 0;
};
// Loads the update window hidden, which starts the check in the background.
using StartUpdateCheck = std::function<SplashUpdateCheck*()>;

// The bounding box, in pixels, of the round outline: a circle 7,395 twips across scaled by sx and
// sy, at the offsets x0 and y0, for a screen of twipsX and twipsY twips per pixel.
QRect formRegionRect(double sx, double sy, int x0, int y0, int twipsX, int twipsY);

// The start-up window: round, painted with concentric circles, showing the version while the
// update check runs. Its timer ticks every 2000 ms; the tick that is not kept waiting by the update
// check emits finished() (the program opens the frame then) and closes the splash.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr, StartUpdateCheck startUpdateCheck = {});
    ~frmSplash() override;

    // The elliptical outline for this screen; the splash applies it as its window shape.
    QRegion CreateFormRegion(double sx, double sy, int x0, int y0) const;

    QTimer* tmrTimer = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QLabel* Label1 = nullptr;

    // "1.6" for release 1.6.0.4.
    static QString versionText();

signals:
    void finished();

public slots:
    void tmrTimer_Timer();

private:
    void buildControls();
    void Form_Load();
    static bool checksForUpdates();

    StartUpdateCheck m_startUpdateCheck;
    SplashUpdateCheck* m_updateCheck = nullptr;
};
