// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
#include <QNetworkReply>
class QTimer;

// The update check: the maker's update page for this release is fetched and its title alone
// decides the outcome.
namespace update {

// A check that has no answer within this time counts as offline, so start-up never hangs.
inline constexpr int kTimeLimitMs = 15000;

// The title under which a page that fails to load is reported.
QString offlineTitle(); // "No page to display"

// "/updates/tallyvane/1_6_4.html" for release 1.6.0.4.
QString pagePath(int major, int minor, int revision);
// The setting "Updates"/"Server" + the page path of the running release. Empty when the
// server setting is not an http or https address: such an address is never opened.
QUrl pageAddress();
// The maker's contact page.
QUrl contactPage();

enum class Title { Offline, Available, NoUpdate, UpdateNow, Other };
// Titles are compared exactly, letter case included.
Title classify(const QString& title);

// The text of the first <title> of a page, as a browser reports it (entities decoded, runs
// of blanks joined); empty when there is none.
QString titleOf(const QByteArray& page);

// The program-wide flag set and cleared by the page titles.
bool updateAvailable();
void setUpdateAvailable(bool available);

// Acts on a title of the update page: sets or clears the flag, or starts the updater and ends
// the program. Returns true when the offline page should be shown instead.
bool actOnTitle(const QString& title);

// The updater program in the program folder.
QString updaterPath();
// How the program ends for the updater: at once, without the frame's closing steps.
// Tests install their own; an empty function restores the default.
void setProgramEnder(std::function<void()> ender);

} // namespace update

// Fetches the update page and reads its title, giving up after the time limit. A failed,
// refused, oversized or unfinished fetch and a reply that is not a success report the offline
// title.
class UpdateFetch : public QObject {
    Q_OBJECT
public:
    explicit UpdateFetch(QObject* parent = nullptr, int timeLimitMs = update::kTimeLimitMs);
    ~UpdateFetch() override;

    void start(const QUrl& address);
    bool isBusy() const { return m_reply != nullptr; }

signals:
    void titleFound(const QString& title);

private:
    void finish(const QString& title);

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer* m_limit = nullptr;
};
