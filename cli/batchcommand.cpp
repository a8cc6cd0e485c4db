// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli batch: batch-file processing without its questions, over the same core code as
// the desktop program.

#include "cli/command.h"

#include "manager/sales/batch.h"
#include "manager/sales/recording.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// The log file printed some lines at a time with LF line ends: the log of a million lines is
// never held whole.
void printLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        QByteArray piece = file.read(1 << 16);
        piece += file.readLine(); // up to the end of the line the piece ends in
        QString text = decodeStoreText(piece);
        std::fputs(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toLocal8Bit(),
                   stdout);
    }
    std::fflush(stdout);
}

int runBatch(const CliCall& call) {
    const QString name = call.arguments.first();
    const QFileInfo file(name);
    if (!file.isFile()) {
        printError(
            QStringLiteral("There is no batch file \"%1\".").arg(QDir::toNativeSeparators(name)));
        return ExitRefused;
    }
    const QString path = file.absoluteFilePath();
    try {
        processBatchFile(call.folder, path, QDir::toNativeSeparators(path),
                         call.yes(QStringLiteral("tax")) ? TaxYes : TaxNo);
    } catch (const BatchStopped& stopped) {
        // The lines before the stop stay recorded, and their log tells which they were.
        printLog(lastBatchProcessPath(call.folder));
        printError(batchErrorText());
        printError(
            QStringLiteral("Error #%1: %2").arg(stopped.number()).arg(stopped.description()));
        return ExitStopped;
    } catch (const RuntimeError& error) {
        printError(batchErrorText());
        printError(QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
        return ExitError;
    }
    printLog(lastBatchProcessPath(call.folder));
    return ExitDone;
}

CliCommand batchCommand() {
    CliCommand command;
    command.name = QStringLiteral("batch");
    command.summary = QStringLiteral("Processes a batch file, prints the log and writes it to "
                                     "Logs/LastBatchProcess.txt.");
    command.description =
        QStringLiteral("A line holding a SKU sells one unit, a line \"!!\" + SKU returns one. "
                       "Refused lines are\nlogged and the run goes on (exit 0); an error stops "
                       "it (exit 4).");
    command.company = CompanyUse::Company;
    command.options = {
        yesNoOption(QStringLiteral("tax"), QStringLiteral("Whether tax is recorded."), true)};
    command.arguments = {
        {QStringLiteral("FILE"), QStringLiteral("The batch file, one line per unit."), false, {}}};
    command.run = runBatch;
    return command;
}

const CliRegistration registered(batchCommand);

} // namespace
