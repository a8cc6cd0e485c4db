// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/serverwindow.h"

#include "manager/internet/salesserver.h"
#include "manager/store/runtimeerror.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

frmServer::frmServer(const QString& companyName, const QString& companyFolder, QWidget* parent)
    : QWidget(parent)
    , m_companyName(companyName)
    , m_server(new SalesServer(companyFolder, this)) {
    setObjectName(QStringLiteral("frmServer"));
    setWindowTitle(QStringLiteral("Internet Sales Server Side"));
    txtOutput = new QPlainTextEdit(this);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setReadOnly(true);
    txtOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A server left running for weeks keeps the newest lines only.
    txtOutput->setMaximumBlockCount(200000);
    txtOutput->setPlainText(QStringLiteral("Welcome to Internet Sales Server\n"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtOutput);
    resize(560, 380);
    connect(m_server, &SalesServer::logLine, this, &frmServer::Display);
}

frmServer::~frmServer() = default;

void frmServer::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [this] {
        Display(QStringLiteral("Loading ") + m_companyName + QStringLiteral("..."));
        m_server->listen(salesServerPort());
        Display(QStringLiteral("Local IP is {") + SalesServer::localAddress() +
                QStringLiteral("}."));
        Display(QStringLiteral("Done. Ready for transactions."));
    });
}

void frmServer::Display(const QString& message) {
    guarded(QStringLiteral("Display"), [this, &message] {
        QTextCursor end(txtOutput->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral("\n") + message);
    });
}

void frmServer::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}
