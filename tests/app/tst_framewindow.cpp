// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/companywindow.h"
#include "manager/app/framewindow.h"
#include "manager/barcodes/barcodewindows.h"
#include "manager/interchange/csveditor.h"
#include "manager/internet/serverwindow.h"
#include "manager/internet/storefrontwindows.h"
#include "manager/inventory/itemwindow.h"
#include "manager/sales/resultswindow.h"
#include "manager/shell/twips.h"
#include "manager/store/settings.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {
QString setting(const char* key) {
    return settings::read(QStringLiteral("Settings"), QLatin1String(key), QStringLiteral("unset"));
}

void storeNormalPlacement(const QString& left, const QString& top, const QString& width,
                          const QString& height) {
    settings::write(QStringLiteral("Settings"), QStringLiteral("MWState"), QStringLiteral("0"));
    settings::write(QStringLiteral("Settings"), QStringLiteral("MLeft"), left);
    settings::write(QStringLiteral("Settings"), QStringLiteral("MTop"), top);
    settings::write(QStringLiteral("Settings"), QStringLiteral("MWidth"), width);
    settings::write(QStringLiteral("Settings"), QStringLiteral("MHeight"), height);
}

QStringList captions(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}
} // namespace

class FrameWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunOpensMaximisedWithTheChooser() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        QVERIFY(frame.isMaximized());
        QCOMPARE(frame.windowTitle(), QStringLiteral("Brannock's Tallyvane v1.0"));
        QVERIFY(frame.chooser());
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
        QCOMPARE(frame.mdiArea()->subWindowList().first()->widget()->windowTitle(),
                 QStringLiteral("Choose Company"));
        frame.close();
        QCOMPARE(setting("MWState"), QStringLiteral("2"));
        QCOMPARE(setting("MLeft"), QStringLiteral("unset"));
    }

    void menusHoldTheirEntriesInOrder() {
        TestEnvironment env;
        frmFrame frame;
        QStringList bar;
        for (const QAction* action : frame.menuBar()->actions())
            bar << action->text();
        QCOMPARE(bar, (QStringList{"&File", "&Window", "&Help"}));
        QCOMPARE(captions(frame.mnuFile), (QStringList{"&Show Company Chooser", "-", "E&xit"}));
        QCOMPARE(frame.mnuFileExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
        QCOMPARE(captions(frame.mnuHelp),
                 (QStringList{"&Open Help", "Support by &Email", "Check for &Updates", "&About"}));
    }

    // Inside the frame the active window's access keys win over the menu titles that share them,
    // the other titles keep theirs; F10 still opens the menus, and the titles get their keys
    // back when no window is left.
    void theActiveWindowsAccessKeysComeFirst() {
        TestEnvironment env;
        frmFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* child = new QWidget;
        auto* filter = new QPushButton(QStringLiteral("Apply &Filter"), child);
        auto* help = new QPushButton(QStringLiteral("&Help"), child);
        QMdiSubWindow* sub = frame.showChild(child);
        filter->setFocus();
        QSignalSpy filterClicks(filter, &QPushButton::clicked);
        QSignalSpy helpClicks(help, &QPushButton::clicked);
        QTest::keyClick(filter, Qt::Key_F, Qt::AltModifier);
        QTest::keyClick(filter, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(filterClicks.count(), 1); // an access key clicks after a short animation
        QTRY_COMPARE(helpClicks.count(), 1);
        QTest::keyClick(filter, Qt::Key_W, Qt::AltModifier);
        QTRY_VERIFY(frame.mnuWindow->isVisible());
        frame.mnuWindow->close();
        QTest::keyClick(filter, Qt::Key_F10);
        QTRY_VERIFY(frame.mnuFile->isVisible());
        frame.mnuFile->close();
        sub->close();
        QStringList bar;
        for (const QAction* action : frame.menuBar()->actions())
            bar << action->text();
        QCOMPARE(bar, (QStringList{"&File", "&Window", "&Help"}));
    }

    // A window inside that refuses to close (unsaved changes kept by Cancel) keeps the program.
    // Each child opens at the size it gives itself, whatever the frame's state, and comes back
    // to it after a child was maximised.
    void childWindowsOpenAtTheirOwnSizeAndAreRestoredToIt() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmFrame frame;
        frame.resize(1500, 950);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* code39 = new frmCode39;
        QCOMPARE(code39->size(),
                 QSize(qRound(7500 / twipsPerPixelX()), qRound(4365 / twipsPerPixelY())));
        const QList<QWidget*> windows = {code39, new frmResults, new frmTransferOne(QString()),
                                         new frmCSV, new frmServer("Shop", env.root())};
        QList<QSize> sizes;
        for (QWidget* window : windows) {
            sizes << window->size();
            frmFrame::showWindow(window);
            if (window == code39) {
                QCOMPARE(window->size(), sizes.last());
                frame.mdiArea()->activeSubWindow()->showMaximized(); // the others open maximised
            }
        }
        // A window of one fixed size opens at it, not maximised, and cannot be maximised.
        auto* upc = new frmUPC;
        frmFrame::showWindow(upc);
        QMdiSubWindow* upcBorder = frame.mdiArea()->activeSubWindow();
        QVERIFY(!upcBorder->isMaximized());
        QVERIFY(!(upcBorder->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(upc->size(), upc->minimumSize());
        upcBorder->close();
        frame.mdiArea()->setActiveSubWindow(frame.mdiArea()->subWindowList().last());
        frame.mdiArea()->activeSubWindow()->showNormal();
        for (int i = 0; i < windows.size(); ++i)
            QCOMPARE(windows[i]->size(), sizes[i]);
        // Ctrl+F4 closes the active child.
        QPointer<QWidget> active = frame.mdiArea()->activeSubWindow();
        QTest::keyClick(windows.last()->focusWidget(), Qt::Key_F4, Qt::ControlModifier);
        QTRY_VERIFY(active.isNull());
    }

    // Closing or hiding the active child hands the keyboard to the one used before it, in the
    // same state; with none left, the frame keeps it.
    void closingTheActiveChildHandsTheKeyboardOn_data() {
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<bool>("hide");
        QTest::newRow("normal, closed") << false << false;
        QTest::newRow("maximised, closed") << true << false;
        QTest::newRow("maximised, hidden") << true << true;
    }
    void closingTheActiveChildHandsTheKeyboardOn() {
        QFETCH(bool, maximised);
        QFETCH(bool, hide);
        TestEnvironment env;
        frmFrame frame;
        frame.resize(900, 650);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QMdiSubWindow* below = frame.showChild(new QLineEdit);
        auto* second = new QLineEdit;
        frame.showChild(second);
        QMdiSubWindow* top = frame.showChild(new QLineEdit);
        frame.showChild(second); // the one used last
        if (maximised)
            frame.mdiArea()->activeSubWindow()->showMaximized();
        if (hide)
            frmFrame::hideChild(second);
        else
            second->parentWidget()->close();
        QTRY_COMPARE(frame.mdiArea()->activeSubWindow(), top);
        QCOMPARE(top->isMaximized(), maximised);
        QTRY_COMPARE(QApplication::focusWidget(), top->widget());
        top->close();
        QTRY_COMPARE(frame.mdiArea()->activeSubWindow(), below);
        QCOMPARE(below->isMaximized(), maximised);
        below->close();
        QTRY_VERIFY(frame.isAncestorOf(QApplication::focusWidget()));
    }

    // Opened at its stored normal size, the item window still shows each command's caption and a
    // whole SKU, on a small screen and a large one.
    void theItemWindowShowsItsCommandsAndSkusWhole_data() {
        QTest::addColumn<QSize>("frameSize");
        QTest::newRow("1024 x 768") << QSize(1024, 700);
        QTest::newRow("1600 x 1000") << QSize(1600, 930);
    }
    void theItemWindowShowsItsCommandsAndSkusWhole() {
        QFETCH(QSize, frameSize);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        fixture::writeTitle(env.makeCompany("Shop"), "Shelf", "Hose", "10000007919");
        settings::write(QStringLiteral("Settings"), QStringLiteral("WState"), QStringLiteral("0"));
        frmFrame frame;
        frame.resize(frameSize);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.chooser()->cmdOpen_Click();
        frmMain* items = frame.findChild<frmMain*>();
        QVERIFY(items);
        QCoreApplication::processEvents(); // the stored placement applies once it is shown
        QVERIFY(frame.mdiArea()->viewport()->rect().contains(items->parentWidget()->geometry()));
        for (const QPushButton* command : items->findChildren<QPushButton*>())
            QVERIFY2(command->width() >= command->fontMetrics().horizontalAdvance(
                                             QString(command->text()).remove('&')) +
                                             8,
                     qPrintable(command->text()));
        const QFontMetrics metrics(items->lstTitles->font());
        QVERIFY(items->lstTitles->columnWidth(1) > metrics.horizontalAdvance("10000007919"));
    }

    // A large window opened after another, where the area would cascade it, stays inside the
    // frame, its close button within reach.
    void aLargeChildOpensInsideTheFrame() {
        TestEnvironment env;
        frmFrame frame;
        frame.resize(900, 650);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frmFrame::showWindow(new frmResults);
        const QRect inside = frame.mdiArea()->viewport()->rect();
        auto* large = new QWidget;
        large->resize(inside.size() - QSize(40, 40));
        frmFrame::showWindow(large);
        QVERIFY(inside.contains(frame.mdiArea()->activeSubWindow()->geometry()));
    }

    // A placement stored on a larger screen comes back inside this one, its size kept where
    // it fits.
    void aPlacementFromALargerScreenIsMovedOnScreen_data() {
        QTest::addColumn<QRect>("stored"); // in pixels, from the screen's right and bottom edges
        QTest::addColumn<QSize>("size");
        QTest::newRow("off to the right") << QRect(-100, 100, 300, 200) << QSize(300, 200);
        QTest::newRow("off the bottom") << QRect(100, -50, 300, 200) << QSize(300, 200);
        QTest::newRow("larger than the screen") << QRect(0, 0, 5000, 4000) << QSize();
    }
    void aPlacementFromALargerScreenIsMovedOnScreen() {
        QFETCH(QRect, stored);
        QFETCH(QSize, size);
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int x = stored.x() < 0 ? screen.right() + stored.x() : stored.x();
        const int y = stored.y() < 0 ? screen.bottom() + stored.y() : stored.y();
        auto twips = [](double pixels, double per) { return QString::number(pixels * per); };
        storeNormalPlacement(twips(x, twipsPerPixelX()), twips(y, twipsPerPixelY()),
                             twips(stored.width(), twipsPerPixelX()),
                             twips(stored.height(), twipsPerPixelY()));
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        QVERIFY(screen.contains(QRect(frame.pos(), frame.size())));
        if (size.isValid())
            QCOMPARE(frame.size(), size);
    }

    void aWindowThatStaysOpenKeepsTheProgram() {
        struct Stubborn : QWidget {
            bool keep = true;
            void closeEvent(QCloseEvent* event) override { event->setAccepted(!keep); }
        };
        TestEnvironment env;
        frmFrame frame;
        frame.show();
        auto* stubborn = new Stubborn;
        frame.showChild(stubborn);
        QVERIFY(!frame.close());
        QVERIFY(frame.isVisible() && stubborn->isVisible());
        stubborn->keep = false;
        QVERIFY(frame.close());
    }

    void normalPlacementSurvivesARestartExactly() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        storeNormalPlacement("300", "300", "9000", "7000");
        {
            frmFrame frame;
            QVERIFY(frame.Form_Load());
            QVERIFY(!frame.isMaximized());
            QCOMPARE(frame.pos(), QPoint(20, 20)); // 15 twips per pixel at 96 dpi
            frame.close();
        }
        QCOMPARE(setting("MWState"), QStringLiteral("0"));
        QCOMPARE(setting("MLeft"), QStringLiteral("300"));
        QCOMPARE(setting("MTop"), QStringLiteral("300"));
        QCOMPARE(setting("MWidth"), QStringLiteral("9000"));
        QCOMPARE(setting("MHeight"), QStringLiteral("7000"));
    }

    void aMovedFrameStoresItsNewPlacementInTwips() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        storeNormalPlacement("300", "300", "9000", "7000");
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        frame.move(40, 50);
        frame.resize(700, 500);
        frame.close();
        QCOMPARE(setting("MLeft"), QStringLiteral("600"));
        QCOMPARE(setting("MTop"), QStringLiteral("750"));
        QCOMPARE(setting("MWidth"), QStringLiteral("10500"));
        QCOMPARE(setting("MHeight"), QStringLiteral("7500"));
    }

    void aFrameClosedMaximisedOnlyStoresTheState() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        storeNormalPlacement("300", "300", "9000", "7000");
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        frame.showMaximized();
        frame.close();
        QCOMPARE(setting("MWState"), QStringLiteral("2"));
        QCOMPARE(setting("MLeft"), QStringLiteral("300"));
    }

    void aSecondInstanceIsRefusedAndStoresNothing() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmFrame first;
        QVERIFY(first.Form_Load());
        storeNormalPlacement("1", "2", "3", "4");
        {
            frmFrame second;
            QVERIFY(!second.Form_Load());
            QCOMPARE(dialogs.messages(), QStringList{"Tallyvane is already open."});
            QCOMPARE(dialogs.shown.first().title, QStringLiteral("Tallyvane"));
            QVERIFY(second.mdiArea()->subWindowList().isEmpty());
        }
        QCOMPARE(setting("MWState"), QStringLiteral("0"));
        QCOMPARE(setting("MLeft"), QStringLiteral("1"));
        first.close();
        // Once the first one has closed, the program opens again.
        frmFrame third;
        QVERIFY(third.Form_Load());
        third.close();
    }

    void aMissingHelpProgramGivesTheStandardError() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmFrame frame;
        frame.mnuHelpHelp_Click();
        QCOMPARE(
            dialogs.messages(),
            QStringList{
                "Unexpected error in procedure: mnuHelpHelp_Click\nError #53: File not found"});
        QCOMPARE(dialogs.shown.first().title, QStringLiteral("Tallyvane"));
        QCOMPARE(dialogs.shown.first().icon, int(Dialogs::Critical));
    }

    void openHelpStartsTheViewerFromTheProgramFolder() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        // A stand-in viewer beside this program notes that it was started, and with what.
        const QString viewer =
            QDir(QCoreApplication::applicationDirPath()).filePath("tallyvane-help");
        const QString marker = env.base() + "/started";
        TestEnvironment::writeBytes(viewer, "#!/bin/sh\necho \"$#\" > '" + marker.toUtf8() + "'\n");
        QFile::setPermissions(viewer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        frmFrame frame;
        frame.mnuHelpHelp_Click();
        QTRY_VERIFY(QFileInfo::exists(marker));
        QFile::remove(viewer);
        QCOMPARE(dialogs.messages(), QStringList());
        QTRY_COMPARE(TestEnvironment::readBytes(marker), QByteArray("0\n"));
    }

    void theChooserComesBackAfterItWasClosed() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        frame.chooser()->close();
        QTRY_COMPARE(frame.mdiArea()->subWindowList().size(), 0);
        frame.mnuShow_Click();
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
        QVERIFY(frame.mdiArea()->subWindowList().first()->isVisible());
        frame.close();
    }

    void anOpenCompanyLivesInsideTheFrameAndHandsBackToTheChooser() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        env.makeCompany("Shop");
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        QMdiSubWindow* chooserWindow = frame.mdiArea()->subWindowList().first();
        frame.chooser()->cmdOpen_Click();
        QPointer<frmMain> items = frame.findChild<frmMain*>();
        QVERIFY(items);
        QVERIFY(items->isVisible());
        QVERIFY(!chooserWindow->isVisible());
        // Showing the chooser while its company is open does nothing, and the entry says so.
        frame.mnuShow_Click();
        QVERIFY(!chooserWindow->isVisible());
        QAction* show = frame.findChild<QAction*>(QStringLiteral("mnuShow"));
        emit frame.findChild<QMenu*>(QStringLiteral("mnuFile"))->aboutToShow();
        QVERIFY(!show->isEnabled());

        items->close();
        QTRY_VERIFY(!items);
        QVERIFY(chooserWindow->isVisible());
        emit frame.findChild<QMenu*>(QStringLiteral("mnuFile"))->aboutToShow();
        QVERIFY(show->isEnabled());

        // Closing the frame with a company open closes everything without bringing the
        // chooser back first.
        frame.chooser()->cmdOpen_Click();
        items = frame.findChild<frmMain*>();
        QVERIFY(items);
        QList<QPointer<QMdiSubWindow>> windows;
        for (QMdiSubWindow* window : frame.mdiArea()->subWindowList())
            windows << window;
        frame.close();
        for (const QPointer<QMdiSubWindow>& window : windows)
            QVERIFY(!window || !window->isVisible());
        QVERIFY(dialogs.messages().isEmpty());
    }
};

QTEST_MAIN(FrameWindowTest)
#include "tst_framewindow.moc"
