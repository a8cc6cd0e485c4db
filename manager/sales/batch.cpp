// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/batch.h"

#include "manager/sales/lowstock.h"
#include "manager/sales/recording.h"
#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// A slice of a batch holds the company's lock and ends in one commit, whose cost grows with the
// SKUs it touched rather than with its lines: so a slice runs long while nobody else waits for
// the company, and ends soon once a sale another program (or thread) records has to wait for it,
// though never before kMinSliceMs, so that a busy sales server cannot starve the batch.
constexpr int kSliceMs = 2000;
constexpr int kMinSliceMs = 10;
// How often a slice asks whether someone waits, in lines.
constexpr int kWaiterCheckLines = 32;
// A slice that ended for a waiter lets it take the company first, for at most this long.
constexpr int kYieldMs = 250;
// And at most this many lines, so that what a slice holds in memory (its log) stays small.
constexpr int kSliceLines = 100000;

// The batch file read a piece at a time, line by line (CR LF, LF or CR ends): a file of a million
// lines is never held whole.
class LineReader {
public:
    bool open(const QString& path) {
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::ReadOnly))
            return false;
        m_size = m_file.size();
        m_buffer = m_file.read(kPiece);
        m_ended = m_buffer.isEmpty();
        // A file from elsewhere may start with a UTF-8 byte-order mark: it is not part of a SKU.
        if (m_buffer.startsWith("\xEF\xBB\xBF"))
            m_at = m_position = 3;
        return true;
    }
    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }
    bool atEnd() const { return m_position >= m_size || (m_ended && m_at >= m_buffer.size()); }

    QByteArray next() {
        for (qsizetype from = m_at;;) {
            qsizetype end = from;
            while (end < m_buffer.size() && m_buffer[end] != '\r' && m_buffer[end] != '\n')
                ++end;
            // A CR at the end of what is read may be the first half of a CR LF.
            const bool decided = end + 1 < m_buffer.size() ||
                                 (end < m_buffer.size() && m_buffer[end] == '\n') || m_ended;
            if (end < m_buffer.size() && decided) {
                const bool crLf =
                    m_buffer[end] == '\r' && end + 1 < m_buffer.size() && m_buffer[end + 1] == '\n';
                return take(end, crLf ? 2 : 1);
            }
            if (m_ended) // the last line has no line end
                return take(m_buffer.size(), 0);
            from = end - m_at; // where the search goes on once the buffer is refilled
            m_buffer.remove(0, m_at);
            m_at = 0;
            const QByteArray more = m_file.read(kPiece);
            m_ended = more.isEmpty();
            m_buffer += more;
        }
    }

private:
    static constexpr qint64 kPiece = 1 << 16;

    QByteArray take(qsizetype end, int breakLength) {
        const QByteArray line = m_buffer.mid(m_at, end - m_at);
        m_position += end - m_at + breakLength;
        m_at = end + breakLength;
        return line;
    }

    QFile m_file;
    qint64 m_size = 0;
    qint64 m_position = 0;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    bool m_ended = false;
};

} // namespace

QString lastBatchProcessPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("LastBatchProcess.txt");
}

QString batchErrorText() {
    return QStringLiteral("There was an error during batch file processing. This error most "
                          "likely occured because the file selected was not a valid batch file.");
}

class BatchRun::Private {
public:
    QString folder;
    int taxAnswer = TaxYes;
    QDate fixedDate;

    LineReader batch;
    int lines = 0;
    int recorded = 0;     // the lines up to the last commit that was written
    qint64 commitMs = 0;  // how long the last slice took to work its lines out and write them
    bool yielded = false; // the last slice ended because another writer waited
    UnitMemory units;     // what the last slice read and wrote of each SKU
    // The log goes straight to its file, which replaces "Logs/LastBatchProcess.txt" only when the
    // run finishes: a run that ends on an error leaves the last log as it was.
    QSaveFile log;
    bool stopped = false;
    // A recording that failed in this slice: its procedure and error, reported after it.
    std::optional<std::pair<QString, RuntimeError>> failure;
    // SKUs that sales took to or below their minimum, in the order met, with their last sale.
    QStringList lowSkus;
    QHash<QString, SaleOutcome> lowOutcomes;

    // The log lines of the slice at hand: they go to the log once its commit is written, so the
    // log never tells of a line that a failed write did not record.
    QByteArray sliceLog;

    void logLine(const QString& line) {
        sliceLog += encodeStoreText(line);
        sliceLog += "\r\n";
    }
    void keepSliceLog() {
        log.write(sliceLog);
        sliceLog.clear();
        recorded = lines;
    }
    void commitLog() {
        keepSliceLog();
        if (!log.commit())
            throw RuntimeError::accessError();
    }
    bool processLine(SaleCommit& commit, const QString& line);
};

// One line as one unit sold or returned. A stored count that is not a number, or one beyond 32
// bits, stops the run (thrown); a recording that fails ends the slice and is reported after it,
// and the run goes on. Returns false when the slice must end.
bool BatchRun::Private::processLine(SaleCommit& commit, const QString& line) {
    const SaleRequest request = unitRequest(line, taxAnswer);
    const bool isReturn = request.quantity.isNegative();
    const SaleResult result = commit.addUnit(request.sku, isReturn, taxAnswer);
    if (result.error) {
        if (!result.recordingFailed)
            throw *result.error;
        // Reported once the slice has ended and released the company: the message may wait for
        // the user, and other programs' sales must not wait with it.
        failure.emplace(recordingProcedure(isReturn), *result.error);
        return false;
    }
    logLine(unitOutcomeText(request.sku, isReturn, result.outcome.status));
    if (result.outcome.lowMinimum) {
        if (!lowOutcomes.contains(request.sku))
            lowSkus << request.sku;
        lowOutcomes.insert(request.sku, result.outcome);
    } else if (result.outcome.status == SaleStatus::Recorded && lowOutcomes.remove(request.sku)) {
        lowSkus.removeOne(request.sku); // a return brought it back above its minimum
    }
    return true;
}

BatchRun::BatchRun(const QString& companyFolder, const QString& batchPath,
                   const QString& displayPath, int taxAnswer, const QDate& date)
    : d(std::make_unique<Private>()) {
    d->folder = companyFolder;
    d->taxAnswer = taxAnswer == TaxNotAsked ? int(TaxYes) : taxAnswer;
    d->fixedDate = date;
    if (!d->batch.open(batchPath))
        throw RuntimeError::fileNotFound();
    d->log.setFileName(lastBatchProcessPath(companyFolder));
    if (!d->log.open(QIODevice::WriteOnly))
        throw RuntimeError::accessError();
    d->logLine(QStringLiteral("Processing batch file ") + displayPath + QStringLiteral("."));
}

BatchRun::~BatchRun() = default;

bool BatchRun::processSome(int budgetMs) {
    QElapsedTimer timer;
    timer.start();
    // The lock is no queue: taken again at once, it would go to this run before the writer
    // that waited for it.
    while (d->yielded && timer.elapsed() < kYieldMs && companyLockWanted(d->folder))
        QThread::msleep(1);
    d->yielded = false;
    // The lines leave room for their commit, as long as the last one took, within the budget;
    // a commit that takes most of it still leaves the lines a quarter.
    const qint64 linesMs = std::max<qint64>(budgetMs - d->commitMs, budgetMs / 4);
    {
        // Each slice holds the company's lock and starts from the files on disk, so sales that
        // other programs record between slices are kept; its recordings are written together.
        SaleCommit commit(d->folder, d->fixedDate.isValid() ? d->fixedDate : QDate::currentDate(),
                          &d->units);
        timer.start(); // the slice's time is the time it holds the company
        std::optional<RuntimeError> error;
        int sliceLines = 0;
        while (!atEnd()) {
            bool more = true;
            try {
                more = d->processLine(commit, decodeStoreText(d->batch.next()));
            } catch (const RuntimeError& stop) {
                error = stop;
                break;
            }
            ++d->lines;
            if (!more || ++sliceLines >= kSliceLines || timer.elapsed() >= linesMs)
                break;
            if (sliceLines % kWaiterCheckLines == 0 && timer.elapsed() >= kMinSliceMs &&
                companyLockWanted(d->folder)) {
                d->yielded = true;
                break;
            }
        }
        const qint64 committing = timer.elapsed();
        try {
            commit.write(); // the lines before an error stay recorded
            d->commitMs = timer.elapsed() - committing;
        } catch (const RuntimeError&) {
            d->sliceLog.clear();
            d->lines = d->recorded;
            throw;
        }
        d->keepSliceLog();
        if (error)
            throw *error;
    }
    if (d->failure) {
        const auto failure = std::move(*d->failure);
        d->failure.reset();
        reportError(failure.first, failure.second);
    }
    return atEnd();
}

bool BatchRun::atEnd() const {
    return d->batch.atEnd();
}

qint64 BatchRun::position() const {
    return d->batch.position();
}

qint64 BatchRun::size() const {
    return d->batch.size();
}

int BatchRun::linesDone() const {
    return d->lines;
}

void BatchRun::stop() {
    d->stopped = true;
}

void BatchRun::finish() {
    for (const QString& sku : d->lowSkus)
        d->logLine(lowStockAlert(d->folder, sku, d->lowOutcomes.value(sku)));
    if (d->stopped && !atEnd())
        d->logLine(QStringLiteral("Processing stopped by the user after line %1; the lines "
                                  "after it were not processed.")
                       .arg(d->lines));
    else
        d->logLine(QStringLiteral("Processing complete."));
    d->commitLog();
}

BatchStopped BatchRun::finishAfter(const RuntimeError& cause) {
    const BatchStopped stopped(cause, d->recorded + 1);
    d->sliceLog.clear();
    d->lines = d->recorded;
    d->logLine(stopped.description());
    try {
        d->commitLog();
    } catch (const RuntimeError&) {
        return BatchStopped(cause, d->recorded + 1, false);
    }
    return stopped;
}

BatchStopped::BatchStopped(const RuntimeError& cause, int line, bool logWritten)
    : RuntimeError(cause.number(),
                   QStringLiteral("Processing stopped at line %1 after recording %2 lines: %3.%4")
                       .arg(line)
                       .arg(line - 1)
                       .arg(cause.description(),
                            logWritten ? QString()
                                       : QStringLiteral(" The log could not be written.")))
    , m_line(line) {}

void processBatchFile(const QString& companyFolder, const QString& batchPath,
                      const QString& displayPath, int taxAnswer) {
    BatchRun run(companyFolder, batchPath, displayPath, taxAnswer);
    // Slices short enough that a sale another program records waits little for the lock.
    try {
        while (!run.processSome(kSliceMs)) {
        }
    } catch (const RuntimeError& error) {
        throw run.finishAfter(error);
    }
    run.finish();
}
