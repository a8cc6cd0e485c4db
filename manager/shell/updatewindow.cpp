// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/updatewindow.h"

#include "manager/store/programfiles.h"
#include "manager/store/runtimeerror.h"

#include <QFileInfo>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

frmUpdate::frmUpdate(QWidget* parent, int timeLimitMs)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("Update"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    wbUpdate = new QWebEngineView(this);
    wbUpdate->setObjectName(QStringLiteral("wbUpdate"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(wbUpdate);
    resize(640, 480);

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
    delete this;
}

void StartupUpdateCheck::unload() {
    delete this;
}
