// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/batch.h"

#include "manager/sales/recording.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QElapsedTimer>
#include <QFile>

#include <optional>
#include <utility>

namespace {

// A slice of a batch holds the company's lock: short enough that a sale another program records
// meanwhile waits little, long enough that the slice's one commit is cheap beside its lines.
constexpr int kSliceMs = 100;

// The log kept as its stored bytes, CR LF between lines: a million lines take tens of megabytes
// instead of a gigabyte of separate strings.
class LogLines {
public:
    LogLines& operator<<(const QString& line) {
        if (!m_bytes.isEmpty())
            m_bytes += "\r\n";
        m_bytes += encodeStoreText(line);
        return *this;
    }
    const QByteArray& bytes() const { return m_bytes; }
    // The bytes as the log file holds them, a line break after the last line; nothing is added
    // to the log after this.
    const QByteArray& ended() {
        m_bytes += "\r\n";
        return m_bytes;
    }

private:
    QByteArray m_bytes;
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

    QByteArray bytes; // the batch file
    qsizetype position = 0;
    int lines = 0;
    LogLines log;
    bool stopped = false;
    // A recording that failed in this slice: its procedure and error, reported after it.
    std::optional<std::pair<QString, RuntimeError>> failure;

    QString nextLine();
    bool processLine(SaleCommit& commit, const QString& line);
};

QString BatchRun::Private::nextLine() {
    qsizetype end = position;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    const QString line = decodeStoreText(QByteArrayView(bytes).sliced(position, end - position));
    if (end < bytes.size()) {
        const bool crLf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        end += crLf ? 2 : 1;
    }
    position = end;
    return line;
}

// One line as one unit sold or returned. A stored count that is not a number, or one beyond 32
// bits, stops the run (thrown); a recording that fails ends the slice and is reported after it,
// and the run goes on. Returns false when the slice must end.
bool BatchRun::Private::processLine(SaleCommit& commit, const QString& line) {
    const bool isReturn = line.startsWith(QLatin1String("!!"));
    const QString sku = isReturn ? line.mid(2) : line;
    const SaleResult result =
        commit.add({sku, Decimal(isReturn ? -1 : 1), taxAnswer, MissingStock::WholeUnits});
    if (result.error) {
        if (!result.recordingFailed)
            throw *result.error;
        // Reported once the slice has ended and released the company: the message may wait for
        // the user, and other programs' sales must not wait with it.
        failure.emplace(isReturn ? QStringLiteral("LogReturn") : QStringLiteral("LogSale"),
                        *result.error);
        return false;
    }
    log << unitOutcomeText(sku, isReturn, result.outcome.status);
    return true;
}

BatchRun::BatchRun(const QString& companyFolder, const QString& batchPath,
                   const QString& displayPath, int taxAnswer, const QDate& date)
    : d(std::make_unique<Private>()) {
    d->folder = companyFolder;
    d->taxAnswer = taxAnswer == TaxNotAsked ? int(TaxYes) : taxAnswer;
    d->fixedDate = date;
    QFile file(batchPath);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError::fileNotFound();
    d->bytes = file.readAll();
    d->log << QStringLiteral("Processing batch file ") + displayPath + QStringLiteral(".");
}

BatchRun::~BatchRun() = default;

bool BatchRun::processSome(int budgetMs) {
    QElapsedTimer timer;
    timer.start();
    {
        // Each slice holds the company's lock and starts from the files on disk, so sales that
        // other programs record between slices are kept; its recordings are written together.
        SaleCommit commit(d->folder,
                          d->fixedDate.isValid() ? d->fixedDate : QDate::currentDate());
        std::optional<RuntimeError> error;
        while (!atEnd()) {
            bool more = true;
            try {
                more = d->processLine(commit, d->nextLine());
            } catch (const RuntimeError& stop) {
                error = stop;
                break;
            }
            ++d->lines;
            if (!more || timer.elapsed() >= budgetMs)
                break;
        }
        commit.write(); // the lines before an error stay recorded
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
    return d->position >= d->bytes.size();
}

qint64 BatchRun::position() const {
    return d->position;
}

qint64 BatchRun::size() const {
    return d->bytes.size();
}

int BatchRun::linesDone() const {
    return d->lines;
}

QString BatchRun::log() const {
    return decodeStoreText(d->log.bytes());
}

void BatchRun::stop() {
    d->stopped = true;
}

QByteArray BatchRun::finish() {
    if (d->stopped && !atEnd())
        d->log << QStringLiteral("Processing stopped by the user after line %1; the lines "
                                 "after it were not processed.")
                      .arg(d->lines);
    else
        d->log << QStringLiteral("Processing complete.");
    // Written and handed back as they are: a log of a million lines is not copied.
    const QByteArray& bytes = d->log.ended();
    saveFileAtomically(lastBatchProcessPath(d->folder), bytes);
    return bytes;
}

QByteArray processBatchFile(const QString& companyFolder, const QString& batchPath,
                         const QString& displayPath, int taxAnswer) {
    BatchRun run(companyFolder, batchPath, displayPath, taxAnswer);
    // Slices short enough that a sale another program records waits little for the lock.
    while (!run.processSome(kSliceMs)) {
    }
    return run.finish();
}
