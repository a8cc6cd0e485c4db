// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the built tallyvane-cli for a test: arguments, standard input and environment in; exit
// code, standard output and standard error out. The environment defaults to this process's own
// at the moment of the call, so a TestEnvironment created before (it points XDG_CONFIG_HOME and
// XDG_DATA_HOME at its temporary folder) keeps the program away from the real settings.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliResult {
    int exitCode = -1; // -1 when the program crashed or did not finish in time
    bool crashed = false;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

inline QString cliPath() {
    return qEnvironmentVariable("TALLYVANE_BINARY_DIR") + QStringLiteral("/tallyvane-cli");
}

inline CliResult
runCli(const QStringList& arguments, const QByteArray& input = QByteArray(),
       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
       int timeoutMs = 60000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(cliPath(), arguments);
    CliResult result;
    if (!process.waitForStarted(timeoutMs)) {
        result.err = process.errorString().toUtf8();
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.crashed = true;
    } else if (process.exitStatus() == QProcess::CrashExit) {
        result.crashed = true;
    } else {
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
