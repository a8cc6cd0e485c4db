// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/gradient.h"
#include "manager/shell/splashwindow.h"
#include "manager/shell/twips.h"
#include "manager/store/settings.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {
// Stands in for the hidden update window.
struct FakeUpdateCheck : SplashUpdateCheck {
    bool busy = false;
    bool found = false;
    int shown = 0;
    int unloaded = 0;
    int backgrounded = 0;
    bool isBusy() const override { return busy; }
    bool updateFound() const override { return found; }
    void showUpdate() override { ++shown; }
    void unload() override { ++unloaded; }
    void finishInBackground() override { ++backgrounded; }
};

void setUpdates(const char* notify, const char* autoUpdate) {
    settings::write(QStringLiteral("Updates"), QStringLiteral("Notify"),
                    QString::fromLatin1(notify));
    settings::write(QStringLiteral("Updates"), QStringLiteral("Auto"),
                    QString::fromLatin1(autoUpdate));
}
} // namespace

class SplashWindowTest : public QObject {
    Q_OBJECT
private slots:
    void loadShowsVersionAndStoresIt();
    void outlineIsRoundAndPaintedFromTheCentre();
    void timerTickEmitsFinishedAndUnloads();
    void aBusyUpdateCheckFinishesBehindTheFrame();
    void updateCheckFollowsTheSettings();
};

void SplashWindowTest::loadShowsVersionAndStoresIt() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    auto* splash = new frmSplash;
    QCOMPARE(splash->windowTitle(), QStringLiteral("Brannock's Tallyvane"));
    const QString version =
        QStringLiteral("%1.%2").arg(TALLYVANE_VERSION_MAJOR).arg(TALLYVANE_VERSION_MINOR);
    QCOMPARE(splash->lblVersion->text(), QStringLiteral("Version ") + version);
    QCOMPARE(settings::read(QStringLiteral("Path"), QStringLiteral("Version"), QString()), version);
    // No update window exists to wait for, so nothing claims a check is running.
    QCOMPARE(splash->lblStatus->text(), QStringLiteral("Loading..."));
    QCOMPARE(splash->lblProductName->text(), QStringLiteral("Tallyvane"));
    QCOMPARE(splash->lblCompanyProduct->text(), QStringLiteral("Brannock's"));
    QVERIFY(splash->lblPlatform->text().startsWith(QStringLiteral("For ")));
    QVERIFY(!splash->lblDisclaimer->text().isEmpty());
    QVERIFY(!splash->Label1->text().isEmpty());
    QCOMPARE(splash->tmrTimer->interval(), 2000);
    QVERIFY(splash->tmrTimer->isActive());
    QVERIFY(dialogs.shown.isEmpty());
    delete splash;
}

void SplashWindowTest::outlineIsRoundAndPaintedFromTheCentre() {
    TestEnvironment env;
    auto* splash = new frmSplash;
    splash->tmrTimer->stop();
    const int tx = std::max(1, int(std::lround(twipsPerPixelX())));
    const int ty = std::max(1, int(std::lround(twipsPerPixelY())));
    const QRect box = formRegionRect(1.0, 1.0, 0, 0, tx, ty);
    QCOMPARE(splash->size(), box.size());
    QCOMPARE(splash->mask().boundingRect(), box);
    const QPoint centre = box.center();
    QVERIFY(splash->mask().contains(centre));
    QVERIFY(!splash->mask().contains(QPoint(2, 2)));
    QVERIFY(!splash->mask().contains(QPoint(box.right() - 2, box.bottom() - 2)));
    QVERIFY(splash->mask().contains(QPoint(box.left() + 3, centre.y())));

    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    const QImage shot = splash->grab().toImage();
    // Light near the outline, the first colour towards the centre; the labels sit in the middle,
    // so sample between them and the outline.
    const QColor nearEdge = shot.pixelColor(6, centre.y());
    QVERIFY2(nearEdge.red() > 220, qPrintable(nearEdge.name()));
    const QColor inner = shot.pixelColor(centre.x(), 20);
    QVERIFY2(inner.red() > 200, qPrintable(inner.name()));
    const QColor ring =
        shot.pixelColor(centre.x() - box.width() / 4, centre.y() + box.height() / 4);
    QVERIFY2(ring.red() > 20 && ring.red() < 200 && ring.blue() == 255, qPrintable(ring.name()));
    delete splash;
}

void SplashWindowTest::timerTickEmitsFinishedAndUnloads() {
    TestEnvironment env;
    QPointer<frmSplash> splash = new frmSplash;
    splash->show();
    QSignalSpy finished(splash.data(), &frmSplash::finished);
    splash->tmrTimer->start(20);
    QVERIFY(finished.wait(2000));
    QCOMPARE(finished.count(), 1);
    QTRY_VERIFY(splash.isNull());
    QVERIFY(env.errors.isEmpty());
}

void SplashWindowTest::aBusyUpdateCheckFinishesBehindTheFrame() {
    TestEnvironment env;
    FakeUpdateCheck check;
    check.busy = true;
    int started = 0;
    QPointer<frmSplash> splash = new frmSplash(nullptr, [&]() -> SplashUpdateCheck* {
        ++started;
        return &check;
    });
    QCOMPARE(started, 1); // Notify defaults to 1
    QCOMPARE(splash->lblStatus->text(), QStringLiteral("Checking for updates..."));
    QSignalSpy finished(splash.data(), &frmSplash::finished);
    QString statusAtFinish;
    connect(splash, &frmSplash::finished, splash,
            [&] { statusAtFinish = splash->lblStatus->text(); });

    // The first tick opens the frame; the check runs on by itself.
    splash->tmrTimer_Timer();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(statusAtFinish, QStringLiteral("Resolving server..."));
    QCOMPARE(check.backgrounded, 1);
    QCOMPARE(check.unloaded + check.shown, 0);
    QCOMPARE(started, 1);
    QTRY_VERIFY(splash.isNull());
}

void SplashWindowTest::updateCheckFollowsTheSettings() {
    TestEnvironment env;
    FakeUpdateCheck check;
    check.found = true;
    int started = 0;
    auto start = [&]() -> SplashUpdateCheck* {
        ++started;
        return &check;
    };

    // Auto alone starts the check; a found update is shown and the frame opens.
    setUpdates("0", "1");
    auto* splash = new frmSplash(nullptr, start);
    QString statusAtFinish;
    connect(splash, &frmSplash::finished, splash,
            [&] { statusAtFinish = splash->lblStatus->text(); });
    splash->tmrTimer_Timer();
    QCOMPARE(statusAtFinish, QStringLiteral("Update available."));
    QCOMPARE(check.shown, 1);
    QCOMPARE(check.unloaded, 0);

    // Both off: no check, and the first tick opens the frame.
    setUpdates("0", "0");
    QPointer<frmSplash> quiet = new frmSplash(nullptr, start);
    QCOMPARE(started, 1);
    QCOMPARE(quiet->lblStatus->text(), QStringLiteral("Loading..."));
    QSignalSpy finished(quiet.data(), &frmSplash::finished);
    quiet->tmrTimer_Timer();
    QCOMPARE(finished.count(), 1);
    QTRY_VERIFY(quiet.isNull());
}

QTEST_MAIN(SplashWindowTest)
#include "tst_splashwindow.moc"
