// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/resultswindow.h"

#include "manager/sales/reports.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/windowhost.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

frmResults::frmResults(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Results Window"));
    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    txtResults = new QPlainTextEdit(this);
    txtResults->setObjectName(QStringLiteral("txtResults"));
    txtResults->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(cmdSave, &QPushButton::clicked, this, &frmResults::cmdSave_Click);
    resize(480, 360);
    Form_Resize();
}

QString frmResults::text() const {
    return txtResults->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void frmResults::setText(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtResults->setPlainText(plain);
}

void frmResults::Form_Resize() {
    const int buttonHeight = cmdSave->sizeHint().height();
    cmdSave->setGeometry(0, 0, width(), buttonHeight);
    txtResults->setGeometry(0, buttonHeight, width(), qMax(0, height() - buttonHeight));
}

void frmResults::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmResults::cmdSave_Click() {
    guarded(QStringLiteral("cmdSave_Click"), [this] {
        const QString path =
            dialogs().saveFile(this, QStringLiteral("Save As"),
                               QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        if (path.isEmpty())
            return;
        saveTextFile(path, text() + QStringLiteral("\r\n"));
    });
}

frmResults* ShowTextFile(const QString& path, const QString& caption) {
    QString text;
    const bool read = guarded(QStringLiteral("ShowTextFile"), [&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw RuntimeError::fileNotFound();
        while (!file.atEnd()) {
            QByteArray line = file.readLine();
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            text += decodeStoreText(line) + QStringLiteral("\r\n");
        }
    });
    if (!read)
        return nullptr;
    return ShowText(text, caption);
}

frmResults* ShowText(const QString& text, const QString& caption) {
    auto* window = new frmResults;
    window->setText(text);
    window->setWindowTitle(caption);
    showToolWindow(window);
    return window;
}
