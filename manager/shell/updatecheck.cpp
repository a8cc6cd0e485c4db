// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/updatecheck.h"

#include "manager/store/programfiles.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QTimer>

namespace update {

// An update page is a short notice: a reply larger than this is not one.
constexpr qint64 kLargestPage = 1024 * 1024;

namespace {

bool g_updateAvailable = false;
std::function<void()> g_ender;

void endProgram() {
    if (g_ender)
        g_ender();
    else
        QCoreApplication::exit(0);
}

// Starts the updater minimised and ends the program; a missing updater is reported and the
// program keeps running.
void startUpdaterAndEnd() {
    guarded(QStringLiteral("wbUpdate_TitleChange"), [] {
        const QString program = updaterPath();
        if (!QFileInfo(program).isExecutable())
            throw RuntimeError::fileNotFound();
        if (!QProcess::startDetached(program, {}))
            throw RuntimeError::invalidCall();
        endProgram();
    });
}

} // namespace

QString offlineTitle() {
    return QStringLiteral("No page to display");
}

QString pagePath(int major, int minor, int revision) {
    return QStringLiteral("/updates/tallyvane/%1_%2_%3.html").arg(major).arg(minor).arg(revision);
}

QUrl pageAddress() {
    QString server = settings::updateServer().trimmed();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    const QUrl address(server + pagePath(TALLYVANE_VERSION_MAJOR, TALLYVANE_VERSION_MINOR,
                                         TALLYVANE_VERSION_REVISION),
                       QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return address;
}

QUrl contactPage() {
    return QUrl(QStringLiteral("https://www.brannocks.com/contactus.html"));
}

Title classify(const QString& title) {
    if (title == offlineTitle())
        return Title::Offline;
    if (title == QLatin1String("Update Available"))
        return Title::Available;
    if (title == QLatin1String("No Update"))
        return Title::NoUpdate;
    if (title == QLatin1String("Update Now"))
        return Title::UpdateNow;
    return Title::Other;
}

QString titleOf(const QByteArray& page) {
    static const QRegularExpression pattern(QStringLiteral("<title[^>]*>(.*?)</title\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(page));
    if (!match.hasMatch())
        return {};
    return QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText().simplified();
}

bool updateAvailable() {
    return g_updateAvailable;
}

void setUpdateAvailable(bool available) {
    g_updateAvailable = available;
}

bool actOnTitle(const QString& title) {
    switch (classify(title)) {
    case Title::Offline:
        return true;
    case Title::Available:
        setUpdateAvailable(true);
        if (settings::autoUpdateOn())
            startUpdaterAndEnd();
        break;
    case Title::NoUpdate:
        setUpdateAvailable(false);
        break;
    case Title::UpdateNow:
        startUpdaterAndEnd();
        break;
    case Title::Other:
        break;
    }
    return false;
}

QString updaterPath() {
#ifdef Q_OS_WIN
    return programFile(QStringLiteral("tallyvane-update.exe"));
#else
    return programFile(QStringLiteral("tallyvane-update"));
#endif
}

void setProgramEnder(std::function<void()> ender) {
    g_ender = std::move(ender);
}

} // namespace update

UpdateFetch::UpdateFetch(QObject* parent, int timeLimitMs)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_limit(new QTimer(this)) {
    m_limit->setSingleShot(true);
    m_limit->setInterval(timeLimitMs);
    connect(m_limit, &QTimer::timeout, this, [this] { finish(update::offlineTitle()); });
}

UpdateFetch::~UpdateFetch() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void UpdateFetch::start(const QUrl& address) {
    if (!address.isValid()) {
        // Reported once the caller is listening, as a failed load would be.
        QTimer::singleShot(0, this, [this] { emit titleFound(update::offlineTitle()); });
        return;
    }
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_network->get(request);
    m_limit->start();
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > update::kLargestPage)
            finish(update::offlineTitle());
    });
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (m_reply->error() != QNetworkReply::NoError || status < 200 || status > 299)
            finish(update::offlineTitle());
        else
            finish(update::titleOf(m_reply->readAll()));
    });
}

void UpdateFetch::finish(const QString& title) {
    if (!m_reply)
        return;
    m_limit->stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    emit titleFound(title);
}
