// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/dialogs.h"

#include "manager/store/companylock.h"
#include "manager/store/runtimeerror.h"

#include <QApplication>
#include <QColorDialog>
#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTreeView>

namespace {
Dialogs*& installed() {
    static Dialogs* dialogs = nullptr;
    return dialogs;
}

QWidget* ownerOf(QWidget* parent) {
    return parent ? parent->window() : QApplication::activeWindow();
}

// Qt's own file dialog opens at its small minimum where no desktop remembers its size: a size
// that shows names, sizes and dates at once, on the screen of the asking window.
QString runFileDialog(QFileDialog& dialog) {
    const QScreen* screen =
        dialog.parentWidget() ? dialog.parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        dialog.resize(QSize(800, 520).boundedTo(screen->availableGeometry().size() * 0.9));
    // Its detail columns wide enough for a size, a type and a date; the name takes the rest.
    if (auto* view = dialog.findChild<QTreeView*>()) {
        const QFontMetrics metrics(view->font());
        const QString widest[] = {QStringLiteral("1023.9 KiB"),
                                  QStringLiteral("plain text document"),
                                  QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59)),
                                                     QLocale::ShortFormat)};
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column <= 3 && column < header->count(); ++column)
            header->resizeSection(column, metrics.horizontalAdvance(widest[column - 1]) + 24);
    }
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
} // namespace

Dialogs& Dialogs::current() {
    static QtDialogs standard;
    return installed() ? *installed() : standard;
}

void Dialogs::install(Dialogs* dialogs) {
    installed() = dialogs;
}

void showStandardError(QWidget* parent, const QString& procedure, const RuntimeError& error) {
    dialogs().message(parent, standardErrorText(procedure, error), QStringLiteral("Tallyvane"),
                      Dialogs::OkOnly, Dialogs::Critical);
}

void installStandardErrorReporter() {
    setErrorReporter([](const QString& procedure, const RuntimeError& error) {
        showStandardError(nullptr, procedure, error);
    });
}

void installLockWaitMessage() {
    setLockWaitHandler([](const LockWait& wait) {
        static QPointer<QProgressDialog> shown;
        if (QThread::currentThread() != qApp->thread())
            return wait.waitedMs < 30000; // no window to show: the command line's limit
        if (wait.ended) {
            delete shown;
            return true;
        }
        if (wait.waitedMs < 1000)
            return true;
        const QString text = QStringLiteral("Waiting for %1 to finish with this company…")
                                 .arg(wait.holder.describe());
        if (!shown) {
            shown = new QProgressDialog(text, QStringLiteral("&Cancel"), 0, 0,
                                        QApplication::activeWindow());
            shown->setWindowTitle(QStringLiteral("Tallyvane"));
            shown->setWindowModality(Qt::ApplicationModal);
            shown->setMinimumDuration(0);
            shown->show();
        }
        shown->setLabelText(text);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return !shown->wasCanceled();
    });
}

int QtDialogs::message(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                       Icon icon) {
    QMessageBox box(ownerOf(parent));
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    case NoIcon:
        break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        Result result;
    };
    QVector<Choice> choices;
    switch (buttons) {
    case OkOnly:
        choices = {{QMessageBox::Ok, Ok}};
        break;
    case OkCancel:
        choices = {{QMessageBox::Ok, Ok}, {QMessageBox::Cancel, Cancel}};
        break;
    case AbortRetryIgnore:
        choices = {{QMessageBox::Abort, Abort},
                   {QMessageBox::Retry, Retry},
                   {QMessageBox::Ignore, Ignore}};
        break;
    case YesNoCancel:
        choices = {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}, {QMessageBox::Cancel, Cancel}};
        break;
    case YesNo:
        choices = {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}};
        break;
    case RetryCancel:
        choices = {{QMessageBox::Retry, Retry}, {QMessageBox::Cancel, Cancel}};
        break;
    }
    QMessageBox::StandardButtons standard;
    for (const Choice& c : choices)
        standard |= c.button;
    box.setStandardButtons(standard);
    box.setDefaultButton(choices.first().button);
    box.exec();
    for (const Choice& c : choices)
        if (box.clickedButton() == box.button(c.button))
            return c.result;
    // The close box: Cancel where offered, else the only button.
    return buttons == OkOnly ? Ok : (buttons == YesNo ? No : Cancel);
}

QString QtDialogs::input(QWidget* parent, const QString& prompt, const QString& title,
                         const QString& defaultText) {
    QInputDialog box(ownerOf(parent));
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    // At the asking window's left and top, where the eye already is.
    if (parent)
        box.move(parent->mapToGlobal(QPoint(0, 0)));
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

QString QtDialogs::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + pattern + QLatin1Char(')');
        else if (!description.contains(pattern))
            description = description.left(description.indexOf(QLatin1Char('('))).trimmed() +
                          QStringLiteral(" (") + pattern + QLatin1Char(')');
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

QString QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter,
                            const QString& folder) {
    QFileDialog dialog(ownerOf(parent), title, folder, qtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog);
}

QString QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& filter,
                            const QString& suggestedPath) {
    QFileDialog dialog(ownerOf(parent), title, suggestedPath, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave); // which asks before overwriting
    dialog.setFileMode(QFileDialog::AnyFile);
    return runFileDialog(dialog);
}

QString QtDialogs::chooseFolder(QWidget* parent, const QString& caption, const QString& folder) {
    QFileDialog dialog(ownerOf(parent), caption, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return runFileDialog(dialog);
}

std::optional<QColor> QtDialogs::chooseColor(QWidget* parent, const QColor& initial,
                                             const QString& title) {
    const QColor color = QColorDialog::getColor(initial, ownerOf(parent), title);
    if (!color.isValid())
        return std::nullopt;
    return color;
}

int QtDialogs::showModal(QDialog* dialog) {
    return dialog->exec();
}

bool QtDialogs::print(QWidget* parent, QPrinter& printer, const QString& title) {
    QPrintDialog dialog(&printer, ownerOf(parent));
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer) {
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (!printerInfo.isNull()) {
        printer.setPrinterName(printerInfo.printerName());
        return true;
    }
    // No printer is set up: the dialog still prints to a PDF file.
    QPrintDialog dialog(&printer, ownerOf(parent));
    return dialog.exec() == QDialog::Accepted;
}
