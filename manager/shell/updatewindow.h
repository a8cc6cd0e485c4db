// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/shell/splashwindow.h"
#include "manager/shell/updatecheck.h"

#include <QDialog>

class QTimer;
class QWebEngineView;

// The update window ("Update"): the maker's update page in a browser filling the window. Its
// page titles decide the outcome; a page that fails to load, or loads for longer than the time
// limit, gives way to the offline page shipped with the program.
class frmUpdate : public QDialog {
    Q_OBJECT
public:
    explicit frmUpdate(QWidget* parent = nullptr, int timeLimitMs = update::kTimeLimitMs);

    QWebEngineView* wbUpdate = nullptr;

public slots:
    void wbUpdate_TitleChange(const QString& title);

private:
    void Form_Load();
    void loadFinished(bool ok);
    void showOffline();

    QTimer* m_limit = nullptr;
    bool m_offlineShown = false;
};

// The start-up check the splash waits for: the page's title fetched in the background. When it
// finds an update, the update window is shown, not modal.
class StartupUpdateCheck : public SplashUpdateCheck {
public:
    explicit StartupUpdateCheck(int timeLimitMs = update::kTimeLimitMs);
    ~StartupUpdateCheck() override;

    bool isBusy() const override;
    bool updateFound() const override;
    void showUpdate() override;
    void unload() override;
    void finishInBackground() override;

private:
    UpdateFetch m_fetch;
    int m_timeLimitMs;
};
