// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

#include <optional>

class QDialog;
class QPrinter;
class QWidget;

// Every prompt of the program goes through here: production shows Qt's standard dialogs, tests
// install a scripted implementation that answers from a queue and records what was shown.
class Dialogs {
public:
    // Buttons and results keep their classic numbers (Yes = 6, No = 7).
    enum Buttons {
        OkOnly = 0,
        OkCancel = 1,
        AbortRetryIgnore = 2,
        YesNoCancel = 3,
        YesNo = 4,
        RetryCancel = 5
    };
    enum Result { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
    enum Icon { NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };

    virtual ~Dialogs() = default;

    virtual int message(QWidget* parent, const QString& text, const QString& title,
                        Buttons buttons = OkOnly, Icon icon = NoIcon) = 0;
    // "" for Cancel, as the classic input box.
    virtual QString input(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& defaultText = QString()) = 0;
    // Filters are given as "Description|*.ext|Description|*.*"; "" means cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& folder = QString()) = 0;
    // Asks before overwriting an existing file.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& suggestedPath = QString()) = 0;
    virtual QString chooseFolder(QWidget* parent, const QString& caption,
                                 const QString& folder = QString()) = 0;
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial,
                                              const QString& title) = 0;
    // Shows a modal window and returns its result; tests make it non-blocking.
    virtual int showModal(QDialog* dialog) = 0;
    // The print dialog: sets up printer (printer or PDF file, copies, orientation); false for
    // Cancel.
    virtual bool print(QWidget* parent, QPrinter& printer, const QString& title) = 0;
    // Readies the printer for one job: the system's default printer when there is one, else the
    // print dialog, which can also print to a PDF file. false = cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;

    static Dialogs& current();
    // Installs an implementation (not owned); nullptr restores the standard one.
    static void install(Dialogs* dialogs);
};

// Shorthand for Dialogs::current().
inline Dialogs& dialogs() {
    return Dialogs::current();
}

// The standard error handler's message: critical icon, title "Tallyvane".
void showStandardError(QWidget* parent, const QString& procedure, const class RuntimeError& error);
// Routes the core's error reports to showStandardError.
void installStandardErrorReporter();
// Waits for a company that another program is writing show, after a second, "Waiting for NAME
// (process P on HOST) to finish with this company…" with Cancel, which gives the wait up.
void installLockWaitMessage();

// The Qt implementation.
class QtDialogs : public Dialogs {
public:
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

    // "Description|*.ext|All|*.*" -> "Description (*.ext);;All (*.*)"
    static QString qtFilter(const QString& filter);
};
