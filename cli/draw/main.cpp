// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli-draw: the drawing program of tallyvane-cli, installed in a private folder. It
// has the same command table and runs the commands that draw, in a GUI application without any
// display: text needs the fonts of one, and the sales chart draws in a graphics scene of
// QtWidgets, whose application that is.

#include "cli/command.h"

#include <QApplication>

int runDrawingCommand(const CliCall& call) {
    const CliDrawingRun run = findCliDrawing(call.command->name);
    if (!run) {
        printError(QStringLiteral("The command %1 cannot draw here.").arg(call.command->name));
        return ExitError;
    }
    return run(call);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application sees the program's name only: Qt's own options ("-platform", "-reverse")
    // are data of the commands here.
    int applicationArgc = 1;
    QApplication application(applicationArgc, argv);
    prepareCliApplication();
    return runCommandLine(cliArguments(argc, argv));
}
