// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli: the core of the desktop program without windows, for scripts and back offices.
// It links no drawing library, so that a command starts quickly; the commands that draw are run
// by its drawing program, tallyvane-cli-draw, with the same arguments.

#include "cli/command.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#else
#include <QProcess>
#endif

namespace {

int g_argc = 0;
char** g_argv = nullptr;

// Beside this program in the build folder; in its private folder once installed.
QString drawingProgram() {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("tallyvane-cli-draw.exe");
#else
    const QString name = QStringLiteral("tallyvane-cli-draw");
#endif
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    for (const QString& candidate :
         {folder + name, folder + QStringLiteral(TALLYVANE_DRAWING_FROM_BIN "/") + name}) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable())
            return file.absoluteFilePath();
    }
    return QString();
}

} // namespace

int runDrawingCommand(const CliCall&) {
    const QString program = drawingProgram();
    if (program.isEmpty()) {
        printError(QStringLiteral("Cannot draw: the drawing program tallyvane-cli-draw is "
                                  "missing. Please reinstall tallyvane-cli."));
        return ExitError;
    }
#ifdef Q_OS_UNIX
    // The drawing program takes this process over: its output, errors and exit status are
    // the command's.
    const QByteArray path = QFile::encodeName(program);
    std::vector<char*> arguments(g_argv, g_argv + g_argc);
    arguments[0] = const_cast<char*>(path.constData());
    arguments.push_back(nullptr);
    execv(path.constData(), arguments.data());
    printError(QStringLiteral("Cannot start %1: %2")
                   .arg(program, QString::fromLocal8Bit(std::strerror(errno))));
    return ExitError;
#else
    QProcess drawing;
    drawing.setProcessChannelMode(QProcess::ForwardedChannels);
    drawing.setInputChannelMode(QProcess::ForwardedInputChannel);
    drawing.start(program, cliArguments(g_argc, g_argv));
    if (!drawing.waitForFinished(-1) || drawing.exitStatus() != QProcess::NormalExit) {
        printError(QStringLiteral("Cannot draw: %1").arg(drawing.errorString()));
        return ExitError;
    }
    return drawing.exitCode();
#endif
}

int main(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    // The application sees the program's name only: Qt's own options are data of the commands.
    int applicationArgc = 1;
    QCoreApplication application(applicationArgc, argv);
    prepareCliApplication();
    return runCommandLine(cliArguments(argc, argv));
}
