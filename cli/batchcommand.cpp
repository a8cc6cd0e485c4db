// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli batch: batch-file processing without its questions, over the same core code as
// the desktop program.

#include "cli/commands.h"

#include "manager/sales/batch.h"
#include "manager/sales/recording.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

const QString kBatchUsage = QStringLiteral("batch --company NAME [--root DIR] [--tax yes|no] FILE");

int usageError() {
    printError(QStringLiteral("Usage: tallyvane-cli ") + kBatchUsage);
    return 2;
}

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

int runBatch(QStringList args) {
    CompanyOptions company;
    if (!takeCompanyOptions(args, company))
        return 2;
    bool ok = true;
    const QString tax = takeOption(args, QStringLiteral("--tax"), QStringLiteral("yes"), ok);
    if (!ok || args.size() != 1 || args.first().startsWith(QLatin1String("--")))
        return usageError();
    int taxAnswer = TaxYes;
    if (tax == QLatin1String("no"))
        taxAnswer = TaxNo;
    else if (tax != QLatin1String("yes"))
        return usageError();

    const QFileInfo file(args.first());
    if (!file.isFile()) {
        printError(QStringLiteral("There is no batch file \"%1\".")
                       .arg(QDir::toNativeSeparators(args.first())));
        return 2;
    }
    const QString path = file.absoluteFilePath();
    try {
        processBatchFile(company.folder, path, QDir::toNativeSeparators(path), taxAnswer);
    } catch (const RuntimeError& error) {
        printError(batchErrorText());
        printError(QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
        return 1;
    }
    printLog(lastBatchProcessPath(company.folder));
    return 0;
}

} // namespace

CliCommand batchCommand() {
    return {QStringLiteral("batch"), kBatchUsage,
            QStringLiteral("Processes a batch file (one SKU per line sells one unit, \"!!\" + SKU "
                           "returns one; tax recorded unless --tax no), prints the log and writes "
                           "it to Logs/LastBatchProcess.txt: exit 0 processed (refused lines "
                           "included), 1 stopped by an error, 2 bad usage."),
            runBatch};
}
