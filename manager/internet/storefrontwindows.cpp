// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/storefrontwindows.h"

#include "manager/shell/dialogs.h"
#include "manager/shell/windowhost.h"
#include "manager/store/runtimeerror.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <cmath>

namespace {
const QString kIdleOne = QStringLiteral("Storefront Manager");

QLineEdit* namedBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
} // namespace

// ---- settings window ----

frmXferOptions::frmXferOptions(const QString& companyFolder, QWidget* parent)
    : QDialog(parent)
    , m_folder(companyFolder) {
    setObjectName(QStringLiteral("frmXferOptions"));
    setWindowTitle(QStringLiteral("Storefront Transfer Settings"));
    txtLocation = namedBox(this, "txtLocation");
    txtAction = namedBox(this, "txtAction");
    txtUsername = namedBox(this, "txtUsername");
    txtPassword = namedBox(this, "txtPassword");
    txtAdmin = namedBox(this, "txtAdmin");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtAdmin->setEchoMode(QLineEdit::Password);

    auto row = [](QFormLayout* form, const QString& caption, QLineEdit* box) {
        auto* label = new QLabel(caption);
        label->setBuddy(box);
        form->addRow(label, box);
    };
    auto* script = new QGroupBox(QStringLiteral("Script"), this);
    auto* scriptForm = new QFormLayout(script);
    row(scriptForm, QStringLiteral("Script &Location:"), txtLocation);
    row(scriptForm, QStringLiteral("Action to add &items:"), txtAction);
    auto* manager = new QGroupBox(QStringLiteral("Manager Info"), this);
    auto* managerForm = new QFormLayout(manager);
    row(managerForm, QStringLiteral("&Username:"), txtUsername);
    row(managerForm, QStringLiteral("&Password:"), txtPassword);
    row(managerForm, QStringLiteral("A&dmin Password:"), txtAdmin);
    auto* note = new QLabel(QStringLiteral("*Admin password is only used for deleting items. It is "
                                           "not required to add them."));
    note->setWordWrap(true);
    managerForm->addRow(note);
    auto* images = new QGroupBox(QStringLiteral("Images"), this);
    auto* imagesBox = new QVBoxLayout(images);
    optLeaveBlank = new QRadioButton(QStringLiteral("Leave &blank for me to fill in."), images);
    optLeaveBlank->setObjectName(QStringLiteral("optLeaveBlank"));
    optFillIn = new QRadioButton(QStringLiteral("&Fill in with \"images/[sku].jpg\""), images);
    optFillIn->setObjectName(QStringLiteral("optFillIn"));
    imagesBox->addWidget(optLeaveBlank);
    imagesBox->addWidget(optFillIn);
    auto* label4 = new QLabel(
        QStringLiteral("These settings decide how Tallyvane fills in the fields of your storefront "
                       "script. Please keep them up to date with your storefront."),
        this);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setWordWrap(true);

    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {cmdOK, cmdCancel, cmdApply})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* part : std::initializer_list<QWidget*>{label4, script, manager, images})
        layout->addWidget(part);
    layout->addLayout(buttons);
    txtLocation->setMinimumWidth(320);

    connect(cmdApply, &QPushButton::clicked, this, &frmXferOptions::cmdApply_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmXferOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmXferOptions::cmdCancel_Click);

    guarded(QStringLiteral("Form_Load"), [this] {
        const storefront::Settings values = storefront::readSettings(m_folder);
        txtLocation->setText(values.location);
        txtAction->setText(values.action);
        txtUsername->setText(values.username);
        txtPassword->setText(values.password);
        txtAdmin->setText(values.admin);
        (values.leaveBlank ? optLeaveBlank : optFillIn)->setChecked(true);
    });
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmXferOptions::cmdApply_Click() {
    guarded(QStringLiteral("cmdApply_Click"), [this] {
        storefront::writeSettings(m_folder, {txtLocation->text(), txtUsername->text(),
                                             txtPassword->text(), txtAdmin->text(),
                                             txtAction->text(), optLeaveBlank->isChecked()});
    });
}

void frmXferOptions::cmdOK_Click() {
    // A failed write keeps the window open so that nothing typed is lost.
    if (guarded(QStringLiteral("cmdOK_Click"), [this] {
            storefront::writeSettings(m_folder, {txtLocation->text(), txtUsername->text(),
                                                 txtPassword->text(), txtAdmin->text(),
                                                 txtAction->text(), optLeaveBlank->isChecked()});
        }))
        accept();
}

void frmXferOptions::cmdCancel_Click() {
    reject();
}

// ---- browser ----

StorefrontBrowser::StorefrontBrowser(QWidget* parent)
    : QWidget(parent)
    , m_idleCaption(kIdleOne) {
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    brwWebBrowser = new QWebEngineView(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    cboAddress = new QComboBox(this);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    lblAddress = new QLabel(QStringLiteral("&Address:"), this);
    lblAddress->setBuddy(cboAddress);
    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(200);

    // Tool bar buttons take no access keys; the browser keys (Alt+Left, Alt+Right, F5) stand in.
    auto tool = [this](const char* key, const QString& text, const QKeySequence& keys, auto step) {
        QAction* action = tbToolBar->addAction(text);
        action->setObjectName(QLatin1String(key));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(action);
            action->setToolTip(
                QStringLiteral("%1 (%2)").arg(text, keys.toString(QKeySequence::NativeText)));
        }
        connect(action, &QAction::triggered, this, [this, step] {
            startTimer();
            step();
        });
    };
    tool("Back", QStringLiteral("Back"), QKeySequence::Back, [this] { brwWebBrowser->back(); });
    tool("Forward", QStringLiteral("Forward"), QKeySequence::Forward,
         [this] { brwWebBrowser->forward(); });
    tool("Stop", QStringLiteral("Stop"), QKeySequence(), [this] {
        timTimer->stop();
        brwWebBrowser->stop();
    });
    tool("Refresh", QStringLiteral("Refresh"), QKeySequence::Refresh,
         [this] { brwWebBrowser->reload(); });

    // The address label sits over the box, the box indented a little as in the classic layout.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tbToolBar);
    auto* addressRow = new QVBoxLayout;
    addressRow->setContentsMargins(4, 0, 4, 0);
    addressRow->setSpacing(1);
    addressRow->addWidget(lblAddress);
    addressRow->addWidget(cboAddress);
    layout->addLayout(addressRow);
    layout->addWidget(brwWebBrowser, 1);

    connect(brwWebBrowser, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(brwWebBrowser, &QWebEngineView::loadFinished, this,
            &StorefrontBrowser::brwWebBrowser_NavigateComplete);
    connect(timTimer, &QTimer::timeout, this, &StorefrontBrowser::timTimer_Timer);
    connect(cboAddress, qOverload<int>(&QComboBox::activated), this,
            &StorefrontBrowser::cboAddress_Click);
    // Enter on an address already listed activates it; a new one is opened here.
    connect(cboAddress->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (cboAddress->findText(cboAddress->currentText(), Qt::MatchFixedString) < 0)
            cboAddress_Click();
    });
}

StorefrontBrowser::~StorefrontBrowser() = default;

void StorefrontBrowser::setIdleCaption(const QString& caption) {
    m_idleCaption = caption;
}

QWidget* StorefrontBrowser::captionHolder() {
    // The transfer window around the browser, never the frame that holds that window.
    return parentWidget() ? parentWidget() : this;
}

void StorefrontBrowser::startTimer() {
    timTimer->start();
}

void StorefrontBrowser::navigate(const QString& address) {
    if (!storefront::isWebAddress(address)) {
        dialogs().message(window(),
                          QStringLiteral("The storefront script location \"%1\" is not a web "
                                         "address. Enter an address starting with http:// or "
                                         "https:// in the Storefront Transfer Settings.")
                              .arg(address.section(QLatin1Char('?'), 0, 0)),
                          QStringLiteral("Storefront"), Dialogs::OkOnly, Dialogs::Exclamation);
        return;
    }
    startTimer();
    // The address is already encoded: it goes to the browser exactly as built.
    brwWebBrowser->setUrl(QUrl::fromEncoded(address.toUtf8()));
}

void StorefrontBrowser::timTimer_Timer() {
    guarded(QStringLiteral("timTimer_Timer"), [this] {
        if (m_busy) {
            captionHolder()->setWindowTitle(QStringLiteral("Working..."));
            return;
        }
        timTimer->stop();
        captionHolder()->setWindowTitle(m_idleCaption);
    });
}

void StorefrontBrowser::cboAddress_Click() {
    if (m_listing)
        return;
    guarded(QStringLiteral("cboAddress_Click"), [this] { navigate(cboAddress->currentText()); });
}

void StorefrontBrowser::brwWebBrowser_NavigateComplete(bool) {
    m_busy = false;
    guarded(QStringLiteral("brwWebBrowser_NavigateComplete"), [this] {
        const QString address = brwWebBrowser->url().toString(QUrl::FullyEncoded);
        // Putting the address at the top selects it; that choice is not a new navigation.
        m_listing = true;
        const int earlier =
            cboAddress->findText(address, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (earlier >= 0)
            cboAddress->removeItem(earlier);
        cboAddress->insertItem(0, address);
        cboAddress->setCurrentIndex(0);
        m_listing = false;
    });
}

// ---- windows ----

frmTransferOne::frmTransferOne(const QString& startAddress, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmTransferOne"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kIdleOne);
    browser = new StorefrontBrowser(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    resize(800, 600);
    if (!startAddress.isEmpty())
        browser->navigate(startAddress);
}

frmTransferAll::frmTransferAll(const QString& companyFolder, QWidget* parent)
    : QWidget(parent)
    , m_folder(companyFolder) {
    setObjectName(QStringLiteral("frmTransferAll"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kIdleOne);
    browser = new StorefrontBrowser(this);
    cmdNext = new QPushButton(QStringLiteral("&Next Item"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdJump = new QPushButton(QStringLiteral("&Jump to Item"), this);
    cmdJump->setObjectName(QStringLiteral("cmdJump"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdJump);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(browser, 1);
    layout->addLayout(buttons);
    resize(800, 600);
    connect(cmdNext, &QPushButton::clicked, this, &frmTransferAll::cmdNext_Click);
    connect(cmdJump, &QPushButton::clicked, this, &frmTransferAll::cmdJump_Click);

    const storefront::Settings values = storefront::readSettings(m_folder);
    m_username = values.username;
    m_password = values.password;
    browser->setIdleCaption(QStringLiteral("Current Item: 0"));
    cmdNext_Click();
}

bool frmTransferAll::NextItem(storefront::Item& found) {
    bool ok = false;
    guarded(QStringLiteral("NextItem"), [&] {
        // The store as it is now: items added or removed since the last Next count.
        const QVector<storefront::Item> items = storefront::walkItems(m_folder);
        if (m_index >= 0 && m_index < items.size()) {
            found = items[m_index];
            ++m_index;
            ok = true;
            return;
        }
        dialogs().message(this, QStringLiteral("No more items."), QStringLiteral("Done"));
        cmdNext->setEnabled(false);
        cmdJump->setEnabled(false);
    });
    return ok;
}

void frmTransferAll::cmdNext_Click() {
    guarded(QStringLiteral("cmdNext_Click"), [this] {
        storefront::Item item;
        if (!NextItem(item))
            return;
        storefront::Settings values = storefront::readSettings(m_folder);
        values.username = m_username;
        values.password = m_password;
        const QString caption = QStringLiteral("Current Item: ") + QString::number(m_index);
        browser->setIdleCaption(caption);
        setWindowTitle(caption);
        browser->navigate(storefront::addAddress(values, item));
    });
}

void frmTransferAll::cmdJump_Click() {
    guarded(QStringLiteral("cmdJump_Click"), [this] {
        const QString answer = dialogs().input(this, QStringLiteral("Item number to jump to:"),
                                               QStringLiteral("Jump to Item"), QStringLiteral("1"));
        bool numeric = false;
        const double value = answer.trimmed().toDouble(&numeric);
        // Halves go to the even number, as the classic rounding does.
        m_index = numeric && std::isfinite(value) && std::fabs(value) < 2e9
                      ? static_cast<int>(std::nearbyint(std::fabs(value))) - 1
                      : -1;
        cmdNext_Click();
    });
}

// ---- the item editor's trips ----

namespace {
void showTransfer(QWidget* editor, const QString& address) {
    showToolBeside(editor, new frmTransferOne(address));
}
} // namespace

void openStorefrontAdd(QWidget* editor, const QString& companyFolder,
                       const storefront::Item& item) {
    showTransfer(editor, storefront::addAddress(storefront::readSettings(companyFolder), item));
}

void openStorefrontDelete(QWidget* editor, const QString& companyFolder, const QString& sku,
                          const QString& profitCenter) {
    const storefront::Settings values = storefront::readSettings(companyFolder);
    if (values.admin.isEmpty()) {
        dialogs().message(editor,
                          QStringLiteral("Admin password is not set. You do not have permission "
                                         "to delete items."),
                          QStringLiteral("Restricted"));
        return;
    }
    showTransfer(editor, storefront::deleteAddress(values, sku, profitCenter));
}
