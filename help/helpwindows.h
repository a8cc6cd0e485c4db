// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "help/book.h"

#include <QDialog>
#include <QMessageBox>
#include <QWidget>

#include <functional>
#include <optional>

class PageServer;
class QLineEdit;
class QPushButton;
class QWebEngineView;

// Every message of the viewer goes through here so tests can answer it.
using HelpMessageHook = std::function<void(const QString& text, const QString& title)>;
void setHelpMessageHook(HelpMessageHook hook);
void helpMessage(QWidget* parent, const QString& text, const QString& title,
                 QMessageBox::Icon icon);
// Runs a modal window; tests replace it with a function that drives the window.
using HelpModalHook = std::function<int(QDialog*)>;
void setHelpModalHook(HelpModalHook hook);

// The password gate in front of a protected book.
class frmLogin : public QDialog {
    Q_OBJECT
public:
    frmLogin(const QString& pass, QWidget* parent = nullptr);
    bool LoginSucceeded = false;
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    void cmdOK_Click();

private:
    QString m_pass;
};

// The browser frame: six navigation buttons over the browser that shows the book's pages.
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;
    // Start-up, at the home page or at the page named (the home page when the book has no such
    // page); false when the password gate was given up or could not be checked (the program
    // ends).
    bool Form_Load(const QString& bookFile, quint16 port, const QString& page = QString());

    PropertyBag bag;
    QString Pass;
    bool resizeFlag = true;
    bool toolbarFlag = true;
    QWebEngineView* MainForm;
    QPushButton* cmdBack;
    QPushButton* cmdForward;
    QPushButton* cmdStop;
    QPushButton* cmdRefresh;
    QPushButton* cmdHome;
    QPushButton* cmdSearch;
    PageServer* server() const { return m_server; }

    void cmdHome_Click();
    void cmdSearch_Click();
    void showPage(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutControls();
    // The state the book holds the window in when it may not be resized.
    std::optional<Qt::WindowStates> m_heldState;
    PageServer* m_server;
    int m_bookWidth = 0;
    int m_bookHeight = 0;
};
