// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/batch.h"

#include "manager/sales/recording.h"
#include "manager/sales/reports.h"
#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/numbertext.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"
#include "manager/store/textcodec.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <map>
#include <optional>
#include <utility>

namespace {

const QString kInventory = QStringLiteral("Inventory");
const QString kZero = QStringLiteral("0");
const QString kNone = QStringLiteral("None");
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString lastBatchProcessPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("LastBatchProcess.txt");
}

QString batchErrorText() {
    return QStringLiteral("There was an error during batch file processing. This error most "
                          "likely occured because the file selected was not a valid batch file.");
}

QString scanNotEnoughText(const QString& sku) {
    return QStringLiteral("Not enough of SKU ") + sku + QStringLiteral(" to process a sale, or ") +
           sku + QStringLiteral(" doesn't exist.");
}

namespace {

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

private:
    QByteArray m_bytes;
};

// A record file kept in memory from slice to slice. Its bytes on disk are compared at the start
// of each slice, and it is parsed again only when another window or program changed them.
class KeptFile {
public:
    explicit KeptFile(QString path)
        : m_path(std::move(path)) {}

    // Brings the copy up to date with the disk. An existing file that cannot be read reads as
    // empty and refuses writes with RuntimeError 75.
    void refresh() {
        QFile file(m_path);
        QByteArray bytes;
        const bool readable = file.open(QIODevice::ReadOnly);
        if (readable)
            bytes = file.readAll();
        m_unwritable = !readable && file.exists();
        if (m_loaded && bytes == m_known)
            return;
        m_file = RecordFile::fromBytes(bytes);
        m_known = bytes;
        m_loaded = true;
        m_changed = false;
    }
    const RecordFile& read() {
        if (!m_loaded)
            refresh();
        return m_file;
    }
    RecordFile& forWrite() {
        read();
        if (m_unwritable)
            throw RuntimeError::accessError();
        return m_file;
    }
    void markChanged() { m_changed = true; }
    // Adds the new bytes of a changed copy to files; saved() then marks them as on disk.
    void collect(QVector<QPair<QString, QByteArray>>& files) {
        if (!m_changed)
            return;
        m_pending = m_file.bytes();
        files.push_back({m_path, m_pending});
    }
    void saved() {
        if (!m_changed)
            return;
        m_known = m_pending;
        m_pending.clear();
        m_file.compactIfSparse();
        m_changed = false;
    }

private:
    QString m_path;
    RecordFile m_file;
    QByteArray m_known;
    QByteArray m_pending;
    bool m_loaded = false;
    bool m_unwritable = false;
    bool m_changed = false;
};

} // namespace

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

    // The files the run reads and writes; what a slice changes is written at its end.
    std::optional<KeptFile> inventory;
    std::optional<KeptFile> priceLog;
    std::map<QString, KeptFile> periodFiles; // by path
    // The settings the recordings read, once per slice.
    bool daily = true;
    bool monthly = true;
    QString percent;

    QString nextLine();
    void processLine(const QString& line);
    // LogSale / LogReturn of one unit on the files in memory.
    bool record(Movement movement, const QString& sku);
    void recordUnchecked(Movement movement, const QString& sku);
    RecordFile& periodFile(const QString& path);
    void readSettings();
    void save();
    void refresh();
    void forget();
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

RecordFile& BatchRun::Private::periodFile(const QString& path) {
    auto found = periodFiles.find(path);
    if (found == periodFiles.end())
        found = periodFiles.emplace(path, KeptFile(path)).first;
    return found->second.forWrite();
}

void BatchRun::Private::readSettings() {
    daily = settings::dailyLogOn();
    monthly = settings::monthlyLogOn();
    percent = settings::taxPercent(kZero);
}

void BatchRun::Private::recordUnchecked(Movement movement, const QString& sku) {
    const QDate date = fixedDate.isValid() ? fixedDate : QDate::currentDate();
    QStringList paths;
    if (daily)
        paths << dailyPeriodFile(folder, date);
    if (monthly)
        paths << monthlyPeriodFile(folder, date);
    if (paths.isEmpty())
        return;
    const RecordFile& prices = priceLog->read();
    const Decimal price = Decimal::fromStored(prices.value(QStringLiteral("Prices"), sku, kZero));
    const Decimal cost = Decimal::fromStored(prices.value(QStringLiteral("Cost"), sku, kZero));
    const Decimal flag =
        Decimal::fromStored(prices.value(QStringLiteral("Tax"), sku, QStringLiteral("1")));
    const SaleAmounts amounts =
        saleAmounts(price, cost, flag, Decimal::fromStored(percent), Decimal(1), taxAnswer);
    const QVector<PeriodStep> steps = periodSteps(movement, sku, Decimal(1), amounts);
    // Every new value is worked out before the first write, so a value that is not a number
    // leaves both files as they were. The steps' keys differ, so the sums are those of the
    // step-by-step reading.
    QVector<QStringList> sums;
    for (const QString& path : paths) {
        const RecordFile& file = periodFile(path);
        QStringList values;
        for (const PeriodStep& step : steps)
            values << (Decimal::fromStored(file.value(step.section, step.key, kZero)) + step.amount)
                          .toString();
        sums << values;
    }
    for (int f = 0; f < paths.size(); ++f) {
        RecordFile& file = periodFile(paths[f]);
        for (int s = 0; s < steps.size(); ++s)
            file.write(steps[s].section, steps[s].key, sums[f][s]);
        periodFiles.at(paths[f]).markChanged();
    }
}

bool BatchRun::Private::record(Movement movement, const QString& sku) {
    try {
        recordUnchecked(movement, sku);
        return true;
    } catch (const RuntimeError& error) {
        // Reported once the slice has ended and released the company: the message may wait for
        // the user, and other programs' sales must not wait with it.
        failure.emplace(movement == Movement::Sale ? QStringLiteral("LogSale")
                                                   : QStringLiteral("LogReturn"),
                        error);
        return false;
    }
}

void BatchRun::Private::processLine(const QString& line) {
    const bool isReturn = line.startsWith(QLatin1String("!!"));
    const QString sku = isReturn ? line.mid(2) : line;
    // Only the exact text "0" is out of stock; a negative count still sells.
    const QString count = inventory->read().value(kInventory, sku, isReturn ? kNone : kZero);
    if (isReturn && count == kNone) {
        log << sku + QStringLiteral(" doesn't exist.");
        return;
    }
    if (!isReturn && count == kZero) {
        log << scanNotEnoughText(sku);
        return;
    }
    const QString changed = changedWholeCount(count, isReturn ? 1 : -1).toString();
    // The stock changes only with its recording: a line whose recording fails changes nothing.
    if (!record(isReturn ? Movement::Return : Movement::Sale, sku))
        return;
    inventory->forWrite().write(kInventory, sku, changed);
    inventory->markChanged();
    log << (isReturn ? QStringLiteral("Received return for SKU: ")
                     : QStringLiteral("Received sale of SKU: ")) +
               sku + QStringLiteral(".");
}

void BatchRun::Private::save() {
    // The slice's files are written together: all of them or none.
    QVector<QPair<QString, QByteArray>> files;
    inventory->collect(files);
    for (auto& entry : periodFiles)
        entry.second.collect(files);
    saveFilesTogether(files, companyJournalPath(folder));
    inventory->saved();
    for (auto& entry : periodFiles)
        entry.second.saved();
}

void BatchRun::Private::refresh() {
    inventory->refresh();
    priceLog->refresh();
    for (auto& entry : periodFiles)
        entry.second.refresh();
}

void BatchRun::Private::forget() {
    inventory.emplace(invCountPath(folder));
    priceLog.emplace(priceLogPath(folder));
    periodFiles.clear();
}

BatchRun::BatchRun(const QString& companyFolder, const QString& batchPath,
                   const QString& displayPath, int taxAnswer, const QDate& date)
    : d(std::make_unique<Private>()) {
    d->folder = companyFolder;
    d->forget();
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
    d->readSettings();
    {
        // Each slice holds the company's lock and starts from the files on disk, so sales that
        // other programs record between slices are kept.
        const CompanyLock lock(d->folder);
        try {
            d->refresh();
            while (!atEnd() && !d->failure) {
                d->processLine(d->nextLine());
                ++d->lines;
                if (timer.elapsed() >= budgetMs)
                    break;
            }
            d->save();
        } catch (...) {
            // The lines before the error stay recorded.
            try {
                d->save();
            } catch (...) {
            }
            d->forget();
            throw;
        }
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

QString BatchRun::finish() {
    if (d->stopped && !atEnd())
        d->log << QStringLiteral("Processing stopped by the user after line %1; the lines "
                                 "after it were not processed.")
                      .arg(d->lines);
    else
        d->log << QStringLiteral("Processing complete.");
    saveFileAtomically(lastBatchProcessPath(d->folder), d->log.bytes() + "\r\n");
    return log();
}

QString processBatchFile(const QString& companyFolder, const QString& batchPath,
                         const QString& displayPath, int taxAnswer) {
    BatchRun run(companyFolder, batchPath, displayPath, taxAnswer);
    // Long files are written every second or so, not only at the end.
    while (!run.processSome(1000)) {
    }
    return run.finish();
}

ScanStatus processScan(const QString& companyFolder, ScanMode mode, const QString& sku,
                       const QString& numberText, int taxAnswer, const QDate& date) {
    if (sku.isEmpty())
        return ScanStatus::NoSku;
    const Decimal number = Decimal::fromStored(numberText).rounded(0);
    const CompanyLock lock(companyFolder);
    const QString path = invCountPath(companyFolder);
    RecordFile inventory = RecordFile::loadForWrite(path);
    // A SKU without a stock record does not exist, for a sale too: selling nothing or a negative
    // number of it would otherwise make up a stock record for it.
    if (!inventory.contains(kInventory, sku))
        return mode == ScanMode::Sale ? ScanStatus::NotEnough : ScanStatus::DoesNotExist;
    const Decimal count = Decimal::fromStored(inventory.value(kInventory, sku, kZero)).rounded(0);
    if (mode == ScanMode::Sale && count < number)
        return ScanStatus::NotEnough;
    const Decimal changed = mode == ScanMode::Sale ? count - number : count + number;
    inventory.write(kInventory, sku, changed.toString());
    inventory.save(path);
    // Under the lock already held: the recording itself, with the standard error report.
    if (mode == ScanMode::Sale)
        guarded(QStringLiteral("LogSale"), [&] {
            recordMovement(companyFolder, Movement::Sale, sku, number, taxAnswer, date);
        });
    else if (mode == ScanMode::Return)
        guarded(QStringLiteral("LogReturn"), [&] {
            recordMovement(companyFolder, Movement::Return, sku, number, taxAnswer, date);
        });
    return ScanStatus::Done;
}
