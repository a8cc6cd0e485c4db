// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/scripteddialogs.h"

#include <QDialog>
#include <QPrinter>

ScriptedDialogs::ScriptedDialogs() {
    Dialogs::install(this);
    installStandardErrorReporter();
}

ScriptedDialogs::~ScriptedDialogs() {
    Dialogs::install(nullptr);
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& s : shown)
        if (s.kind == QLatin1String("message"))
            texts << s.text;
    return texts;
}

int ScriptedDialogs::message(QWidget*, const QString& text, const QString& title, Buttons buttons,
                             Icon icon) {
    shown.append({QStringLiteral("message"), text, title, buttons, icon, QString()});
    if (!messageAnswers.isEmpty())
        return messageAnswers.takeFirst();
    if (buttons != OkOnly)
        ++unanswered;
    switch (buttons) {
    case OkOnly:
        return Ok;
    case YesNo:
        return No;
    default:
        return Cancel;
    }
}

QString ScriptedDialogs::input(QWidget*, const QString& prompt, const QString& title,
                               const QString& defaultText) {
    shown.append({QStringLiteral("input"), prompt, title, 0, 0, defaultText});
    if (inputAnswers.isEmpty()) {
        ++unanswered;
        return QString();
    }
    return inputAnswers.takeFirst();
}

QString ScriptedDialogs::openFile(QWidget*, const QString& title, const QString& filter,
                                  const QString&) {
    shown.append({QStringLiteral("open"), QString(), title, 0, 0, filter});
    if (fileAnswers.isEmpty()) {
        ++unanswered;
        return QString();
    }
    return fileAnswers.takeFirst();
}

QString ScriptedDialogs::saveFile(QWidget*, const QString& title, const QString& filter,
                                  const QString&) {
    shown.append({QStringLiteral("save"), QString(), title, 0, 0, filter});
    if (fileAnswers.isEmpty()) {
        ++unanswered;
        return QString();
    }
    return fileAnswers.takeFirst();
}

QString ScriptedDialogs::chooseFolder(QWidget*, const QString& caption, const QString& folder) {
    shown.append({QStringLiteral("folder"), QString(), caption, 0, 0, folder});
    if (folderAnswers.isEmpty()) {
        ++unanswered;
        return QString();
    }
    return folderAnswers.takeFirst();
}

std::optional<QColor> ScriptedDialogs::chooseColor(QWidget*, const QColor&, const QString& title) {
    shown.append({QStringLiteral("color"), QString(), title, 0, 0, QString()});
    if (colorAnswers.isEmpty()) {
        ++unanswered;
        return std::nullopt;
    }
    return colorAnswers.takeFirst();
}

int ScriptedDialogs::showModal(QDialog* dialog) {
    shown.append(
        {QStringLiteral("modal"), dialog->windowTitle(), dialog->windowTitle(), 0, 0, QString()});
    if (modalActions.isEmpty())
        return QDialog::Rejected;
    return modalActions.takeFirst()(dialog);
}

bool ScriptedDialogs::print(QWidget*, QPrinter& printer, const QString& title) {
    shown.append({QStringLiteral("print"), QString(), title, 0, 0, QString()});
    if (printActions.isEmpty()) {
        ++unanswered;
        return false;
    }
    return printActions.takeFirst()(printer);
}

bool ScriptedDialogs::choosePrinter(QWidget*, QPrinter& printer) {
    shown.append({QStringLiteral("print"), QString(), QString(), 0, 0, QString()});
    if (printAnswers.isEmpty()) {
        ++unanswered;
        return false;
    }
    const QString file = printAnswers.takeFirst();
    if (file.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return true;
}
