// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli: the core of the desktop program without windows, for scripts and back offices.

#include "cli/command.h"

#include "manager/store/runtimeerror.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Commands that draw text need the fonts of a GUI application, without any display; the
    // sales chart draws in a graphics scene of QtWidgets, whose application that is.
    const CliCommand* command = arguments.isEmpty() ? nullptr : findCliCommand(arguments.first());
    const bool draws = command && command->draws;
    if (draws)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application sees the program's name only: Qt's own options ("-platform", "-reverse")
    // are data of the commands here.
    static int applicationArgc = 1;
    const std::unique_ptr<QCoreApplication> application(
        draws ? new QApplication(applicationArgc, argv)
              : new QCoreApplication(applicationArgc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("Tallyvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TALLYVANE_VERSION_MAJOR)
                                                .arg(TALLYVANE_VERSION_MINOR)
                                                .arg(TALLYVANE_VERSION_REVISION));
    // Errors the core reports go to standard error, in the program's standard wording.
    setErrorReporter([](const QString& procedure, const RuntimeError& error) {
        printError(standardErrorText(procedure, error));
    });
    return runCommandLine(arguments);
}
