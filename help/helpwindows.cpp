// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/helpwindows.h"

#include "help/pageserver.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

using namespace helptext;

namespace {

HelpMessageHook g_messageHook;
HelpModalHook g_modalHook;

// Runs one start-up step; an error is reported and start-up goes on with the next step.
template <typename Step> void step(QWidget* parent, Step body) {
    try {
        body();
    } catch (const HelpError& error) {
        helpMessage(parent, error.text(), QStringLiteral("Error"), QMessageBox::Critical);
    }
}

} // namespace

void setHelpMessageHook(HelpMessageHook hook) {
    g_messageHook = std::move(hook);
}

void helpMessage(QWidget* parent, const QString& text, const QString& title,
                 QMessageBox::Icon icon) {
    if (g_messageHook) {
        g_messageHook(text, title);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void setHelpModalHook(HelpModalHook hook) {
    g_modalHook = std::move(hook);
}

frmLogin::frmLogin(const QString& pass, QWidget* parent)
    : QDialog(parent)
    , m_pass(pass) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Password Required"));
    auto* label = new QLabel(QStringLiteral("&Password:"), this);
    label->setObjectName(QStringLiteral("lblLabels"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    label->setBuddy(txtPassword);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(txtPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(320, sizeHint().height());
}

void frmLogin::cmdOK_Click() {
    if (txtPassword->text().toLower() == m_pass) {
        LoginSucceeded = true;
        accept();
        return;
    }
    helpMessage(this, QStringLiteral("Invalid Password, try again!"), QStringLiteral("Failed"),
                QMessageBox::NoIcon);
    txtPassword->setFocus();
    txtPassword->selectAll();
}

frmMain::frmMain(QWidget* parent)
    : QWidget(parent)
    , m_server(new PageServer(bag, this)) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    MainForm = new QWebEngineView(this);
    MainForm->setObjectName(QStringLiteral("MainForm"));
    MainForm->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    const auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    cmdBack = button("cmdBack", "Back");
    cmdForward = button("cmdForward", "Forward");
    cmdStop = button("cmdStop", "Stop");
    cmdRefresh = button("cmdRefresh", "Refresh");
    cmdHome = button("cmdHome", "Home");
    cmdSearch = button("cmdSearch", "Search");
    connect(cmdBack, &QPushButton::clicked, MainForm, &QWebEngineView::back);
    connect(cmdForward, &QPushButton::clicked, MainForm, &QWebEngineView::forward);
    connect(cmdStop, &QPushButton::clicked, MainForm, &QWebEngineView::stop);
    connect(cmdRefresh, &QPushButton::clicked, MainForm, &QWebEngineView::reload);
    connect(cmdHome, &QPushButton::clicked, this, &frmMain::cmdHome_Click);
    connect(cmdSearch, &QPushButton::clicked, this, &frmMain::cmdSearch_Click);
    connect(MainForm, &QWebEngineView::titleChanged, this,
            [this](const QString& title) { setWindowTitle(GetFile(title)); });
    connect(MainForm->page(), &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    connect(MainForm->page(), &QWebEnginePage::geometryChangeRequested, this,
            [this](const QRect& geometry) {
                move(geometry.topLeft());
                resize(geometry.size());
            });
    // A missing page comes with the server's own text, which the browser shows in the page's
    // place in the history. Only a page that never arrived needs the text put in.
    connect(MainForm->page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
                    info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain)
                    MainForm->setHtml(QStringLiteral("Page or file not found."), info.url());
            });
    setWindowTitle(QStringLiteral("Help"));
    resize(800, 600);
}

frmMain::~frmMain() = default;

bool frmMain::Form_Load(const QString& bookFile, quint16 port, const QString& page) {
    step(this, [&] { m_server->listen(port); });
    BookFile book;
    step(this, [&] {
        book = readBookFile(bookFile);
        bag = book.bag;
    });
    QCoreApplication::processEvents();
    step(this, [&] {
        bag.add(QStringLiteral("LOF"), QString::number(book.length));
        bag.add(QStringLiteral("BeginPos"), QString::number(book.beginPos));
    });
    bool gaveUp = false;
    step(this, [&] {
        if (bag.read(QStringLiteral("Protected"), QStringLiteral("False")) != QLatin1String("True"))
            return;
        // A gate that cannot be checked stays shut: the error is shown and the program ends.
        gaveUp = true;
        Pass = Crypt(bag.read(QStringLiteral("Password"))).toLower();
        frmLogin login(Pass, this);
        if (g_modalHook)
            g_modalHook(&login);
        else
            login.exec();
        gaveUp = !login.LoginSucceeded;
    });
    if (gaveUp) {
        close();
        return false;
    }
    step(this, [&] {
        if (!textToBool(bag.read(QStringLiteral("Search"), QStringLiteral("1"))))
            cmdSearch->hide();
    });
    step(this, [&] {
        toolbarFlag = textToBool(bag.read(QStringLiteral("Toolbar"), QStringLiteral("1")));
        if (!toolbarFlag)
            for (QPushButton* b : {cmdBack, cmdForward, cmdHome, cmdRefresh, cmdSearch, cmdStop})
                b->hide();
    });
    step(this, [&] {
        if (page.isEmpty())
            cmdHome_Click();
        else
            showPage(page);
    });
    step(this, [&] { resizeFlag = textToBool(bag.read(QStringLiteral("Resize"))); });
    step(this, [&] {
        setWindowState(bag.read(QStringLiteral("State")) == QLatin1String("Normal")
                           ? Qt::WindowNoState
                           : Qt::WindowMaximized);
        if (!resizeFlag)
            m_heldState = windowState();
    });
    step(this, [&] {
        if (windowState() & Qt::WindowMaximized)
            return;
        m_bookHeight = textToInt16(bag.read(QStringLiteral("Height")));
        m_bookWidth = textToInt16(bag.read(QStringLiteral("Width")));
        if (m_bookHeight <= 0 || m_bookWidth <= 0)
            throw HelpError(380, QStringLiteral("Invalid property value"));
        resize(m_bookWidth, m_bookHeight);
        if (!resizeFlag)
            setFixedSize(m_bookWidth, m_bookHeight);
    });
    layoutControls();
    return true;
}

void frmMain::cmdHome_Click() {
    MainForm->load(
        QUrl(m_server->address() + QLatin1Char('/') + Crypt(bag.read(QStringLiteral("HomePage")))));
}

void frmMain::showPage(const QString& name) {
    QString key = AddBackslash(name);
    if (!bag.contains(key) && bag.contains(key + QStringLiteral(".html")))
        key += QStringLiteral(".html");
    if (bag.contains(key))
        MainForm->load(QUrl(m_server->address() + key.toLower())); // as the book stores it
    else
        cmdHome_Click();
}

void frmMain::cmdSearch_Click() {
    MainForm->load(QUrl(m_server->address() + QStringLiteral("/search")));
    // The page's search box takes the typing only while the page itself has the focus.
    MainForm->setFocus();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Whatever the window manager allows, a book that may not be resized keeps its state.
    if (event->type() != QEvent::WindowStateChange || !m_heldState ||
        (windowState() & Qt::WindowMinimized) || windowState() == *m_heldState)
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_heldState && !(windowState() & Qt::WindowMinimized))
            setWindowState(*m_heldState);
    });
}

void frmMain::layoutControls() {
    const double twipsPerPixel = 1440.0 / logicalDpiX();
    const int inner = width();
    const int height = cmdBack->sizeHint().height();
    const int each = inner * twipsPerPixel < 5055 ? inner / 6 : qRound(855 / twipsPerPixel);
    int left = 0;
    for (QPushButton* b : {cmdBack, cmdForward, cmdStop, cmdRefresh, cmdHome, cmdSearch}) {
        b->setGeometry(left, 0, each, height);
        left += each;
    }
    const int top = toolbarFlag ? height : 0;
    MainForm->setGeometry(0, top, inner, this->height() - top);
}
