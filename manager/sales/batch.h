// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/decimal.h"
#include "manager/store/runtimeerror.h"

#include <QDate>
#include <QString>

#include <memory>

// Batch files: plain text, one entry of one unit per line (CR LF, LF or CR line ends). A line
// starting with "!!" returns one unit of the SKU after those two characters; any other line sells
// one unit of the SKU that is the whole line. Nothing is trimmed: blanks belong to the SKU.

// "Logs/LastBatchProcess.txt": the result log of the last batch run, shown after the run.
QString lastBatchProcessPath(const QString& companyFolder);
// The message shown when processing stops on an error.
QString batchErrorText();

// A run that stopped part-way on an error: the lines before line() are recorded, and the log of
// them ends with this error's description, "Processing stopped at line N after recording N-1
// lines: " and the cause's description. Its number is the cause's.
class BatchStopped : public RuntimeError {
public:
    BatchStopped(const RuntimeError& cause, int line, bool logWritten = true);
    int line() const { return m_line; }

private:
    int m_line;
};

// One run over a batch file, processed in slices so that a window can show progress between
// them. Stock counts are read as whole numbers (halves to even, 32-bit); a sale is refused only
// when the stored count is exactly "0" (which a SKU without a stock record reads as), a return
// when the SKU has no stock record. Each accepted line changes the count by one and records the
// unit in the period files as LogSale / LogReturn do; a recording that fails is reported through
// the standard handler under their names, its line changes nothing, and the run goes on.
//
// Each slice is one commit of the sale recordings (the same bytes as line by line), under the
// company's lock and from the files on disk, so changes other programs make between slices are
// kept.
class BatchRun {
public:
    // Opens the batch file (RuntimeError 53 when it cannot be read) and starts the log beside
    // "Logs/LastBatchProcess.txt" (75 when it cannot be written). taxAnswer is 6 or 7
    // (0 counts as 6). displayPath is the path named in the log's first line. An invalid date
    // means the date at the start of each slice.
    BatchRun(const QString& companyFolder, const QString& batchPath, const QString& displayPath,
             int taxAnswer, const QDate& date = QDate());
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // Processes lines for about budgetMs milliseconds, less the time the last slice's writing
    // took (at least one line when any are left, at most 100,000), and writes
    // what they changed. The slice ends sooner, after some 20 ms, when another writer waits for
    // the company. Returns true when every line is done. Throws RuntimeError (a
    // stored count that is not a number, a file that cannot be written); the lines recorded
    // before the error stay written, and finishAfter then ends the run.
    bool processSome(int budgetMs);
    bool atEnd() const;

    // Bytes of the batch file processed so far, and in all.
    qint64 position() const;
    qint64 size() const;
    int linesDone() const;

    // Ends the run after the lines processed so far (they stay recorded); finish then says where
    // it stopped.
    void stop();
    // Adds "Processing complete." (or, after stop, the line it stopped after) and puts the log,
    // each line followed by a line break, in place of "Logs/LastBatchProcess.txt". Without it
    // the earlier log stays. Call it once. Throws RuntimeError.
    void finish();
    // Ends a run that processSome stopped with cause: the log of the lines recorded, and the
    // line that tells where and why it stopped, replaces "Logs/LastBatchProcess.txt".
    BatchStopped finishAfter(const RuntimeError& cause);

private:
    class Private;
    std::unique_ptr<Private> d;
};

// A whole batch file at once, as the command line runs it, its log written to
// "Logs/LastBatchProcess.txt". Throws RuntimeError when the run cannot start, BatchStopped when
// it stops part-way (the log then written too).
void processBatchFile(const QString& companyFolder, const QString& batchPath,
                      const QString& displayPath, int taxAnswer);
