// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/app/framewindow.h"

#include "manager/app/companywindow.h"
#include "manager/shell/aboutwindow.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/helpkey.h"
#include "manager/shell/placement.h"
#include "manager/shell/twips.h"
#include "manager/shell/updatecheck.h"
#include "manager/shell/updatewindow.h"
#include "manager/shell/windowhost.h"
#include "manager/store/numbertext.h"
#include "manager/store/programfiles.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QSet>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {

frmFrame* g_frame = nullptr;

} // namespace

frmFrame::frmFrame(QWidget* parent)
    : QMainWindow(parent) {
    g_frame = this;
    setObjectName(QStringLiteral("frmFrame"));
    setWindowTitle(QStringLiteral("Brannock's Tallyvane"));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildMenus();
    // The active window's access keys come first: a menu title whose key the window inside uses
    // gives it up while that window is active, so Alt+F reaches the item window's
    // "Apply &Filter" instead of clashing with "&File", and Alt+W still opens "&Window". F10
    // opens the menus whatever is active.
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* active) {
        menuAccessKeysFor(active);
        if (active)
            m_active = active;
    });
    auto* openMenus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    openMenus->setContext(Qt::WindowShortcut);
    connect(openMenus, &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
    // Ctrl+F4 closes the active child window, as Ctrl+W does.
    auto* closeChild = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4), this);
    closeChild->setContext(Qt::WindowShortcut);
    connect(closeChild, &QShortcut::activated, m_mdi, &QMdiArea::closeActiveSubWindow);
    // A child window's own close entry may claim the key too: one close is meant either way.
    connect(closeChild, &QShortcut::activatedAmbiguously, m_mdi, &QMdiArea::closeActiveSubWindow);
    resize(800, 600);
    setWindowShower([](QWidget* window) { showWindow(window); });
}

void frmFrame::showMaximisedUnlessFixed(QMdiSubWindow* sub) {
    const QWidget* window = sub->widget();
    if (window && window->minimumSize() != window->maximumSize() && !sub->isMaximized())
        sub->showMaximized();
}

void frmFrame::activateNextChild(bool maximised) {
    if (m_closing)
        return;
    QMdiSubWindow* next = m_mdi->currentSubWindow();
    if (!next || !next->isVisible()) {
        next = nullptr;
        const QList<QMdiSubWindow*> windows =
            m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        for (auto it = windows.crbegin(); it != windows.crend() && !next; ++it)
            if ((*it)->isVisible())
                next = *it;
    }
    if (!next) {
        m_mdi->setFocus();
        return;
    }
    if (maximised)
        showMaximisedUnlessFixed(next);
    m_mdi->setActiveSubWindow(next);
}

bool frmFrame::eventFilter(QObject* watched, QEvent* event) {
    // The area leaves no child active once the active one closes or hides, and shows the one
    // below at its normal size: the keyboard would go nowhere, and a maximised set would break.
    if ((event->type() == QEvent::Close || event->type() == QEvent::Hide) && watched == m_active) {
        const bool maximised = m_active->isMaximized();
        QTimer::singleShot(0, this, [this, maximised] { activateNextChild(maximised); });
    }
    return QMainWindow::eventFilter(watched, event);
}

namespace {

// The access keys a window's controls and menus take, as Alt+letter sequences.
QSet<QKeySequence> accessKeysOf(const QWidget* window) {
    QSet<QKeySequence> keys;
    const auto take = [&keys](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty())
            keys.insert(key);
    };
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        take(button->text());
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy())
            take(label->text());
    for (const QGroupBox* box : window->findChildren<QGroupBox*>())
        take(box->title());
    for (const QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (const QAction* title : bar->actions())
            take(title->text());
    return keys;
}

} // namespace

void frmFrame::menuAccessKeysFor(const QWidget* active) {
    const QSet<QKeySequence> taken = active ? accessKeysOf(active) : QSet<QKeySequence>();
    for (QAction* title : menuBar()->actions()) {
        if (!title->property("accessText").isValid())
            title->setProperty("accessText", title->text());
        const QString text = title->property("accessText").toString();
        const bool clashes = taken.contains(QKeySequence::mnemonic(text));
        title->setText(clashes ? QString(text).remove(QLatin1Char('&')) : text);
    }
}

frmFrame::~frmFrame() {
    disconnect(m_mdi, nullptr, this, nullptr); // the menus go before the windows inside
    if (g_frame == this) {
        g_frame = nullptr;
        setWindowShower({});
    }
}

frmFrame* frmFrame::instance() {
    return g_frame;
}

QString frmFrame::frameCaption() {
    return QStringLiteral("Brannock's Tallyvane v%1.%2")
        .arg(TALLYVANE_VERSION_MAJOR)
        .arg(TALLYVANE_VERSION_MINOR);
}

QString frmFrame::lockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // One program per user: the settings file names the user's installation.
    const QString user = QString::number(qHash(settings::fileName()), 16);
    return QDir(folder).filePath(QStringLiteral("tallyvane-%1.lock").arg(user));
}

void frmFrame::buildMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuShow =
        mnuFile->addAction(QStringLiteral("&Show Company Chooser"), this, &frmFrame::mnuShow_Click);
    mnuShow->setObjectName(QStringLiteral("mnuShow"));
    // Greyed while the chooser's company is open, rather than an entry that does nothing.
    connect(mnuFile, &QMenu::aboutToShow, this,
            [this] { mnuShow->setEnabled(!(m_chooser && m_chooser->companyWindowOpen())); });
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"), this, &frmFrame::mnuFileExit_Click);
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    // Ctrl+X in a text box cuts text; the frame only exits when no text box takes the key.
    mnuFileExit->setShortcutContext(Qt::WindowShortcut);

    mnuWindow = menuBar()->addMenu(QStringLiteral("&Window"));
    mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
    connect(mnuWindow, &QMenu::aboutToShow, this, &frmFrame::refreshWindowMenu);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpHelp =
        mnuHelp->addAction(QStringLiteral("&Open Help"), this, &frmFrame::mnuHelpHelp_Click);
    mnuHelpHelp->setObjectName(QStringLiteral("mnuHelpHelp"));
    mnuHelpSupport = mnuHelp->addAction(QStringLiteral("Support by &Email"), this,
                                        &frmFrame::mnuHelpSupport_Click);
    mnuHelpSupport->setObjectName(QStringLiteral("mnuHelpSupport"));
    mnuHelpUpdate = mnuHelp->addAction(QStringLiteral("Check for &Updates"), this,
                                       &frmFrame::mnuHelpUpdate_Click);
    mnuHelpUpdate->setObjectName(QStringLiteral("mnuHelpUpdate"));
    mnuHelpAbout =
        mnuHelp->addAction(QStringLiteral("&About"), this, &frmFrame::mnuHelpAbout_Click);
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));
}

void frmFrame::refreshWindowMenu() {
    mnuWindow->clear();
    mnuWindow->addAction(QStringLiteral("&Cascade"), m_mdi, &QMdiArea::cascadeSubWindows);
    mnuWindow->addAction(QStringLiteral("&Tile"), m_mdi, &QMdiArea::tileSubWindows);
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (!windows.isEmpty())
        mnuWindow->addSeparator();
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        if (!window->isVisible())
            continue;
        const QString caption =
            window->widget() ? window->widget()->windowTitle() : window->windowTitle();
        QAction* action = mnuWindow->addAction(QStringLiteral("&%1 %2").arg(number++).arg(caption));
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        connect(action, &QAction::triggered, this,
                [this, window] { m_mdi->setActiveSubWindow(window); });
    }
}

bool frmFrame::Form_Load() {
    m_lock = std::make_unique<QLockFile>(lockFilePath());
    m_lock->setStaleLockTime(0); // a lock left by a crashed program is taken over
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        dialogs().message(this, QStringLiteral("Tallyvane is already open."),
                          QStringLiteral("Tallyvane"));
        close();
        return false;
    }
    m_loaded = true;
    restorePlacement();
    setWindowTitle(frameCaption());
    chooser();
    return true;
}

void frmFrame::restorePlacement() {
    // The frame's size defaults to 800 by 600 screen pixels.
    const QString defaults[4] = {QStringLiteral("0"), QStringLiteral("0"),
                                 generalNumber(800 * twipsPerPixelX()),
                                 generalNumber(600 * twipsPerPixelY())};
    m_placement = std::make_unique<TwipsPlacement>(settings::FramePlacement, defaults);
    m_placement->restore(this, QSize(200, 150));
}

void frmFrame::storePlacement() {
    if (m_placement)
        m_placement->store(this);
}

QMdiSubWindow* frmFrame::showChild(QWidget* window) {
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    const bool added = !sub || sub->mdiArea() != m_mdi;
    if (added) {
        // A window opens at the size it gave itself, else at the size its content asks for;
        // the child-window border goes around that.
        const QSize wanted = window->testAttribute(Qt::WA_Resized)
                                 ? window->size()
                                 : window->sizeHint().expandedTo(window->minimumSizeHint());
        sub = m_mdi->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->installEventFilter(this);
        sub->setWindowIcon(windowIcon());
        // A window that closes itself takes its border with it.
        connect(window, &QObject::destroyed, sub, &QWidget::close);
        // Sized before it shows, so that a child opened while another is maximised comes back
        // to this size too.
        const QMargins border = sub->contentsMargins();
        sub->resize(wanted.expandedTo(window->minimumSize()) +
                    QSize(border.left() + border.right(), border.top() + border.bottom()));
    }
    // A window of one fixed size (the UPC window) cannot fill the frame: it has no maximise
    // button and opens at its own size even while the other children are maximised.
    if (window->layout())
        window->layout()->activate();
    const bool fixed = window->minimumSize() == window->maximumSize();
    if (fixed)
        sub->setWindowFlags(sub->windowFlags() & ~Qt::WindowMaximizeButtonHint);
    window->show();
    sub->show();
    // Opened where the area cascades it, a large window would run past the frame's inside.
    if (added && !sub->isMaximized())
        sub->setGeometry(
            fitInside(sub->geometry(), m_mdi->viewport()->rect(), sub->minimumSizeHint()));
    sub->raise();
    m_mdi->setActiveSubWindow(sub);
    if (fixed && sub->isMaximized())
        sub->showNormal();
    return sub;
}

void frmFrame::hideChild(QWidget* window) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        sub->hide();
    window->hide();
}

void frmFrame::showWindow(QWidget* window) {
    if (frmFrame* frame = instance())
        frame->showChild(window);
    else
        window->show();
}

frmCompany* frmFrame::chooser() {
    if (!m_chooser) {
        m_chooser = new frmCompany;
        m_chooser->setAttribute(Qt::WA_DeleteOnClose);
    }
    showChild(m_chooser);
    return m_chooser;
}

void frmFrame::mnuShow_Click() {
    guarded(QStringLiteral("mnuShow_Click"), [this] {
        // The chooser is already loaded while a company window it opened is open: showing it
        // then would let the same company be opened twice, or deleted under its open window.
        if (m_chooser && m_chooser->companyWindowOpen())
            return;
        chooser();
    });
}

void frmFrame::mnuFileExit_Click() {
    guarded(QStringLiteral("mnuFileExit_Click"), [this] { close(); });
}

void frmFrame::mnuHelpHelp_Click() {
    guarded(QStringLiteral("mnuHelpHelp_Click"), [] { startHelp(); });
}

void frmFrame::mnuHelpSupport_Click() {
    guarded(QStringLiteral("mnuHelpSupport_Click"), [] {
        if (!QDesktopServices::openUrl(update::contactPage()))
            throw RuntimeError::invalidCall();
    });
}

void frmFrame::mnuHelpUpdate_Click() {
    guarded(QStringLiteral("mnuHelpUpdate_Click"), [this] {
        frmUpdate window(this);
        dialogs().showModal(&window);
    });
}

void frmFrame::mnuHelpAbout_Click() {
    guarded(QStringLiteral("mnuHelpAbout_Click"), [this] {
        frmAbout window(this);
        dialogs().showModal(&window);
    });
}

void frmFrame::closeEvent(QCloseEvent* event) {
    m_closing = true;
    guarded(QStringLiteral("MDIForm_Unload"), [this] {
        // A second instance closes without having loaded: it leaves the placement alone.
        if (m_loaded)
            storePlacement();
        m_mdi->closeAllSubWindows();
    });
    // A window that keeps itself open (unsaved changes, and the user chose Cancel) keeps the
    // program running too.
    for (const QMdiSubWindow* window : m_mdi->subWindowList())
        if (window->isVisible()) {
            m_closing = false;
            event->ignore();
            return;
        }
    m_loaded = false;
    m_lock.reset();
    event->accept();
    QCoreApplication::quit();
}
