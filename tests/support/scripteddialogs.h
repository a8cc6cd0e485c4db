// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/shell/dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers every prompt from a queue and records what the user would have seen. Installs itself
// for its lifetime. A prompt with no queued answer gets the harmless default (OK, No, Cancel,
// "" or no colour) and is counted in unanswered.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "message", "input", "open", "save", "folder", "color", "modal", "print"
        QString text; // message text or prompt
        QString title;
        int buttons = 0;
        int icon = 0;
        QString defaultText; // input default, file filter or folder
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    QList<int> messageAnswers;
    QStringList inputAnswers;
    QStringList fileAnswers; // for open and save
    QStringList folderAnswers;
    QList<std::optional<QColor>> colorAnswers;
    // Runs with the modal window instead of exec(); its result is returned.
    QList<std::function<int(QDialog*)>> modalActions;
    // Sets up the printer as the print dialog would (a PDF file, copies); false is Cancel.
    QList<std::function<bool(QPrinter&)>> printActions;
    // PDF files the print jobs go to; "" (or none queued) cancels the job.
    QStringList printAnswers;

    QList<Shown> shown;
    int unanswered = 0;

    // The texts of the messages shown, in order.
    QStringList messages() const;

    int message(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                Icon icon) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& folder) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& suggestedPath) override;
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& folder) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial,
                                      const QString& title) override;
    int showModal(QDialog* dialog) override;
    bool print(QWidget* parent, QPrinter& printer, const QString& title) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
};
