// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPlainTextEdit;
class SalesServer;

// "Internet Sales Server Side": serves sales and returns of one company over TCP and logs every
// step in its text box. Closing it stops the server and shows the company chooser again.
class frmServer : public QWidget {
    Q_OBJECT
public:
    frmServer(const QString& companyName, const QString& companyFolder, QWidget* parent = nullptr);
    ~frmServer() override;

    // Starts listening and logs the load steps. A port in use gives the standard error for
    // "Form_Load"; the window then stays open and serves nothing.
    void Form_Load();
    // Appends a line break and the message to the log without moving the caret.
    void Display(const QString& message);

    SalesServer* server() const { return m_server; }
    QPlainTextEdit* txtOutput = nullptr;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString m_companyName;
    SalesServer* m_server = nullptr;
};
