// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/updatewindow.h"

#include "manager/store/programfiles.h"
#include "manager/store/runtimeerror.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

frmUpdate::frmUpdate(QWidget* parent, int timeLimitMs)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("Update"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    wbUpdate = new QWebEngineView(this);
    wbUpdate->setObjectName(QStringLiteral("wbUpdate"));
    // Only the page's title decides: a page, hostile or not, runs no scripts or plugins here
    // and reads no local files.
    QWebEngineSettings* engine = wbUpdate->settings();
    engine->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    engine->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    engine->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    engine->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Shown until the first page has loaded, so that a slow server is never a blank window.
    auto* checking = new QLabel(QStringLiteral("Checking for updates..."), this);
    checking->setObjectName(QStringLiteral("lblChecking"));
    checking->setAlignment(Qt::AlignCenter);
    auto* pages = new QStackedLayout;
    pages->addWidget(checking);
    pages->addWidget(wbUpdate);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The page takes the keys it is given; Escape closes the window all the same.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addLayout(pages, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(6, 0, 6, 0);
    buttonRow->addWidget(buttons);
    layout->addLayout(buttonRow);
    resize(640, 480);
    connect(wbUpdate, &QWebEngineView::loadFinished, pages,
            [pages, this] { pages->setCurrentWidget(wbUpdate); });

    m_limit = new QTimer(this);
    m_limit->setSingleShot(true);
    m_limit->setInterval(timeLimitMs);
    connect(m_limit, &QTimer::timeout, this, [this] {
        wbUpdate->stop();
        showOffline();
    });
    connect(wbUpdate, &QWebEngineView::loadStarted, m_limit, qOverload<>(&QTimer::start));
    connect(wbUpdate, &QWebEngineView::loadFinished, this, &frmUpdate::loadFinished);
    connect(wbUpdate, &QWebEngineView::titleChanged, this, &frmUpdate::wbUpdate_TitleChange);
    Form_Load();
}

void frmUpdate::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [this] {
        const QUrl address = update::pageAddress();
        if (address.isEmpty())
            showOffline();
        else
            wbUpdate->load(address);
    });
}

void frmUpdate::loadFinished(bool ok) {
    m_limit->stop();
    // The engine has no title for a page it could not load: it stands for "No page to display".
    if (!ok)
        wbUpdate_TitleChange(update::offlineTitle());
}

void frmUpdate::wbUpdate_TitleChange(const QString& title) {
    if (update::actOnTitle(title))
        showOffline();
}

void frmUpdate::showOffline() {
    m_limit->stop();
    // Once only: an offline page that cannot load either must not be asked for again and again.
    if (m_offlineShown)
        return;
    m_offlineShown = true;
    const QString page = programFile(QStringLiteral("offline.html"));
    if (QFileInfo::exists(page))
        wbUpdate->load(QUrl::fromLocalFile(page));
    else
        wbUpdate->setHtml(QStringLiteral(
            "<html><head><title>Offline</title></head><body><p>The update server could not be "
            "reached. Check your internet connection and try again later.</p></body></html>"));
}

StartupUpdateCheck::StartupUpdateCheck(int timeLimitMs)
    : m_fetch(nullptr, timeLimitMs)
    , m_timeLimitMs(timeLimitMs) {
    QObject::connect(&m_fetch, &UpdateFetch::titleFound, [](const QString& title) {
        // The hidden check has nothing to show offline: the splash reports no update.
        guarded(QStringLiteral("wbUpdate_TitleChange"), [&] { update::actOnTitle(title); });
    });
    m_fetch.start(update::pageAddress());
}

StartupUpdateCheck::~StartupUpdateCheck() = default;

bool StartupUpdateCheck::isBusy() const {
    return m_fetch.isBusy();
}

bool StartupUpdateCheck::updateFound() const {
    return update::updateAvailable();
}

void StartupUpdateCheck::showUpdate() {
    auto* window = new frmUpdate(nullptr, m_timeLimitMs);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    // Found behind the frame's back: it comes to the front rather than opening under it.
    window->raise();
    window->activateWindow();
    delete this;
}

void StartupUpdateCheck::finishInBackground() {
    QObject::connect(&m_fetch, &UpdateFetch::titleFound, &m_fetch, [this] {
        // After the flag is set by the title; the fetch goes with this check.
        QTimer::singleShot(0, [this] { updateFound() ? showUpdate() : unload(); });
    });
}

void StartupUpdateCheck::unload() {
    delete this;
}
