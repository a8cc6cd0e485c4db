// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/internet/storefront.h"

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolBar;
class QWebEngineView;

// The storefront settings of one company ("Storefront Transfer Settings").
class frmXferOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmXferOptions(const QString& companyFolder, QWidget* parent = nullptr);

    QLineEdit* txtLocation = nullptr;
    QLineEdit* txtAction = nullptr;
    QLineEdit* txtUsername = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtAdmin = nullptr;
    QRadioButton* optLeaveBlank = nullptr;
    QRadioButton* optFillIn = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    QString m_folder;
};

// The browser both storefront windows share: toolbar, address box, the page and the busy timer
// that puts "Working..." in the caption while a page loads.
class StorefrontBrowser : public QWidget {
    Q_OBJECT
public:
    explicit StorefrontBrowser(QWidget* parent = nullptr);
    ~StorefrontBrowser() override;

    // Opens a web address; anything else is refused with a message.
    void navigate(const QString& address);
    bool busy() const { return m_busy; }
    // The caption shown once loading is done.
    void setIdleCaption(const QString& caption);

    QWebEngineView* brwWebBrowser = nullptr;
    QToolBar* tbToolBar = nullptr;
    QLabel* lblAddress = nullptr;
    QComboBox* cboAddress = nullptr;
    QTimer* timTimer = nullptr;

private:
    void startTimer();
    QWidget* captionHolder();
    void timTimer_Timer();
    void cboAddress_Click();
    void brwWebBrowser_NavigateComplete(bool ok);

    bool m_busy = false;
    bool m_listing = false;
    QString m_idleCaption;
};

// One address in the browser, opened by the item editor.
class frmTransferOne : public QWidget {
    Q_OBJECT
public:
    explicit frmTransferOne(const QString& startAddress, QWidget* parent = nullptr);
    StorefrontBrowser* browser = nullptr;
};

// Every item of a company, one Next at a time.
class frmTransferAll : public QWidget {
    Q_OBJECT
public:
    explicit frmTransferAll(const QString& companyFolder, QWidget* parent = nullptr);

    StorefrontBrowser* browser = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdJump = nullptr;
    int itemIndex() const { return m_index; }

public slots:
    void cmdNext_Click();
    void cmdJump_Click();

private:
    bool NextItem(storefront::Item& found);

    QString m_folder;
    int m_index = 0;
    QString m_username;
    QString m_password;
};

// The storefront's delete page for one item needs the admin password: "Restricted" otherwise.
void openStorefrontDelete(QWidget* parent, const QString& companyFolder, const QString& sku,
                          const QString& profitCenter);
void openStorefrontAdd(QWidget* parent, const QString& companyFolder, const storefront::Item& item);
