// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/itemimport.h"

#include "manager/interchange/csvtext.h"
#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/decimal.h"
#include "manager/store/filesystem.h"
#include "manager/store/items.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Files beyond this size are refused rather than read into memory.
constexpr qint64 kMaxFileBytes = qint64(512) * 1024 * 1024;

QByteArray readImportFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw RuntimeError(53, QStringLiteral("File not found"));
    if (file.size() > kMaxFileBytes)
        throw RuntimeError(7, QStringLiteral("Out of memory"));
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(75, QStringLiteral("Path/File access error"));
    return file.readAll();
}

// The fourth column as a whole number: a decimal rounds to the nearest integer, halves to the
// even one; a spreadsheet's TRUE or yes is 1, FALSE or no is 0. False for an empty or other
// text.
bool taxFlag(const QString& text, int* flag) {
    const QString t = text.trimmed();
    for (const char* word : {"true", "yes", "false", "no"})
        if (t.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            *flag = word[0] == 't' || word[0] == 'y' ? 1 : 0;
            return true;
        }
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 2147483647.0)
        return false;
    *flag = int(std::nearbyint(value)); // the default rounding mode rounds halves to even
    return true;
}

// The flags as stored; the usual ones share one text instead of a copy per line.
QString taxText(int flag) {
    static const QString zero = QStringLiteral("0");
    return flag == 1 ? ItemRecords::Taxable : flag == 0 ? zero : QString::number(flag);
}

// The items an import accepts, kept until the files are written: their six texts as UTF-8, one
// after another in one buffer, instead of six strings an item.
class PackedItems {
public:
    void append(const StoreItem& item) {
        for (const QString* text :
             {&item.title, &item.sku, &item.cost, &item.price, &item.stock, &item.tax}) {
            m_bytes += text->toUtf8();
            m_ends.push_back(m_bytes.size());
        }
    }
    qsizetype size() const { return qsizetype(m_ends.size() / kTexts); }
    StoreItem at(qsizetype i) const {
        QString texts[kTexts];
        qsizetype start = i == 0 ? 0 : m_ends[size_t(i * kTexts - 1)];
        for (size_t t = 0; t < kTexts; ++t) {
            const qsizetype end = m_ends[size_t(i * kTexts) + t];
            texts[t] = QString::fromUtf8(QByteArrayView(m_bytes).sliced(start, end - start));
            start = end;
        }
        return {texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]};
    }

private:
    static constexpr size_t kTexts = 6;
    QByteArray m_bytes;
    std::vector<qsizetype> m_ends;
};

bool hasBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

QString importInstructionsText() {
    return QStringList{
        QStringLiteral(
            "The import feature uses .CSV files (comma separated values). In order for "
            "this feature to work, your .CSV file must be properly setup. Before you "
            "continue, be ABSOLUTELY SURE that your .CSV file follows this exact format:"),
        QStringLiteral("   The first column of values contains each product's title."),
        QStringLiteral("   The second column of values contains each product's cost (format: "
                       "####.##)."),
        QStringLiteral("   The third column of values contains each product's price (format: "
                       "####.##)."),
        QStringLiteral("   The fourth column of values determines whether to apply tax to the "
                       "item or not (0=no, 1=yes)."),
        QStringLiteral("   The fifth column of values contains each product's SKU or item "
                       "number."),
        QStringLiteral("   Finally, the sixth column of values contains the amount of each "
                       "product in stock."),
        QStringLiteral("There should be no extra data, just what is mentioned above. Once you are "
                       "sure that the file is in this proper format, you may continue."),
    }
        .join(kCrLf);
}

QString importMissingText() {
    return QStringLiteral("Required information for one of the items is missing. This may be due "
                          "to an empty line. This item will be skipped.");
}

QString importContinueText() {
    return QStringLiteral("There was an error during the import process. Attempting to "
                          "continue...");
}

QString importCannotContinueText() {
    return QStringLiteral("There was an error during the import process. Cannot continue.");
}

QString importOverwriteText(const QString& title) {
    return QStringLiteral("An item named ") + title +
           QStringLiteral(" already exists. Do you want to overwrite the item?");
}

QString ImportSummary::text() const {
    QStringList lines{
        QStringLiteral("Imported as new items: %1").arg(added),
        QStringLiteral("Overwrote an existing item: %1").arg(overwritten),
        QStringLiteral("Skipped: %1").arg(skipped),
    };
    lines += skippedLines;
    if (!taxLines.isEmpty()) {
        lines << QStringLiteral("Taxable flags that are not a number (the flag of the line "
                                "before was stored): %1")
                     .arg(taxLines.size());
        lines += taxLines;
    }
    if (!numberWarnings.isEmpty()) {
        lines << QStringLiteral("Stored as they stand, but not numbers that sales and statistics "
                                "can use: %1")
                     .arg(numberWarnings.size());
        lines += numberWarnings;
    }
    if (!notSaved.isEmpty())
        lines << QStringLiteral("This summary could not be saved in Logs/LastImport.txt: ") +
                     notSaved;
    return lines.join(kCrLf) + kCrLf;
}

ImportSummary importItemFile(const QString& companyFolder, const QString& profitCenter,
                             const QString& path, const ImportHandlers& handlers, bool dryRun) {
    checkStoreName(profitCenter);
    CsvReadResult csv = readCsv(readImportFile(path), 6);
    if (!csv.error.isEmpty())
        throw RuntimeError(62, csv.error);

    const QString centerPath = profitCenterPath(companyFolder, profitCenter);
    // The titles as the lines leave them, for the "Overwrite" question; the items accepted are
    // written afterwards, under the company's lock, onto the files as they are then.
    RecordFile center = RecordFile::loadForWrite(centerPath);
    QSet<QString> written; // titles of earlier lines, which the file does not hold yet
    PackedItems accepted;

    ImportSummary summary;
    bool overwriteAll = false;
    bool keepAll = false;
    int tax = 1;
    const int total = int(csv.records.size());
    auto skip = [&summary](int line, const QString& reason) {
        ++summary.skipped;
        summary.skippedLines.append(QStringLiteral("Line %1: %2").arg(line).arg(reason));
    };
    for (int n = 0; n < total; ++n) {
        if (handlers.progress && n % 256 == 0 && !handlers.progress(n, total)) {
            summary.cancelled = true;
            return summary;
        }
        CsvRecord& record = csv.records[size_t(n)];
        // The fields are needed for this line only (the item accepted is packed): a file of a
        // million lines holds a million lists of them.
        const QStringList fields = std::exchange(record.fields, QStringList());
        auto field = [&fields](int i) { return i < fields.size() ? fields[i] : QString(); };
        const QString title = field(0);
        QString cost = field(1);
        QString price = field(2);
        const QString sku = field(4);
        QString count = field(5);
        const bool taxIsNumber = taxFlag(field(3), &tax);
        if (!taxIsNumber && handlers.taxError)
            handlers.taxError(record.line);
        if (title.isEmpty() || sku.isEmpty()) {
            if (handlers.missing)
                handlers.missing(record.line);
            skip(record.line, QStringLiteral("the title or the SKU is missing"));
            continue;
        }
        if (hasBreak(title) || hasBreak(sku)) {
            skip(record.line, QStringLiteral("a title or SKU cannot hold a line break"));
            continue;
        }
        // A title holding "=" would be read back as a shorter title of another SKU, and a SKU
        // holding one would key its records under a shorter SKU.
        if (title.contains(QLatin1Char('='))) {
            skip(record.line,
                 QStringLiteral("the title %1 holds \"=\", which a title cannot hold").arg(title));
            continue;
        }
        if (sku.contains(QLatin1Char('='))) {
            skip(record.line,
                 QStringLiteral("the SKU %1 holds \"=\", which a SKU cannot hold").arg(sku));
            continue;
        }
        if (cost.isEmpty())
            cost = QStringLiteral("0.00");
        if (price.isEmpty())
            price = QStringLiteral("0.00");
        if (count.isEmpty())
            count = QStringLiteral("0");
        const bool exists = written.contains(title) || center.contains(ItemRecords::Titles, title);
        if (exists) {
            OverwriteAnswer answer = overwriteAll         ? OverwriteAnswer::Yes
                                     : keepAll            ? OverwriteAnswer::No
                                     : handlers.overwrite ? handlers.overwrite(title)
                                                          : OverwriteAnswer::No;
            if (answer == OverwriteAnswer::YesToAll)
                overwriteAll = true;
            if (answer == OverwriteAnswer::NoToAll)
                keepAll = true;
            if (answer == OverwriteAnswer::No || answer == OverwriteAnswer::NoToAll) {
                skip(record.line, QStringLiteral("an item named %1 already exists").arg(title));
                continue;
            }
        }
        written.insert(title);
        // The flag and the numbers matter only for a line that is stored.
        const QString at = QStringLiteral("Line %1: ").arg(record.line);
        if (!taxIsNumber)
            summary.taxLines.append(at + QStringLiteral("\"%1\"").arg(field(3)));
        for (const auto& [name, value] :
             {std::pair{"cost", &cost}, std::pair{"price", &price}, std::pair{"stock", &count}})
            if (!Decimal::parse(*value))
                summary.numberWarnings.append(
                    at + QStringLiteral("%1 \"%2\"").arg(QLatin1String(name), *value));
        accepted.append({title, sku, cost, price, count, taxText(tax)});
        ++(exists ? summary.overwritten : summary.added);
    }
    if (handlers.progress && !handlers.progress(total, total)) {
        summary.cancelled = true;
        return summary;
    }
    if (dryRun || summary.added + summary.overwritten == 0)
        return summary;
    // Only the accepted items are needed from here: the text and the titles as the lines left
    // them make room for the files as they are under the lock.
    csv = CsvReadResult();
    center = RecordFile();
    written = QSet<QString>();
    const CompanyLock lock(companyFolder);
    RecordFile titles = RecordFile::loadForWrite(centerPath);
    ItemRecords records(companyFolder, ItemRecords::Access::Write);
    for (qsizetype i = 0; i < accepted.size(); ++i) {
        const StoreItem item = accepted.at(i);
        ItemRecords::writeTitle(titles, item.title, item.sku);
        records.write(item);
    }
    // The profit center's lines go once its bytes are taken, before those of the SKU records
    // are: a million items' files are not all held twice at once.
    accepted = PackedItems();
    const QByteArray titleBytes = titles.bytes();
    titles = RecordFile();
    // All or nothing, SKU records first: no title ever points to a SKU without records.
    QVector<QPair<QString, QByteArray>> files = records.changedFiles();
    files.push_back({centerPath, titleBytes});
    saveFilesTogether(files, companyJournalPath(companyFolder));
    summary.filesWritten = int(files.size());
    return summary;
}

bool saveImportSummary(const QString& companyFolder, ImportSummary& summary) {
    summary.notSaved.clear();
    try {
        saveFileAtomically(logsFolder(companyFolder) + QStringLiteral("LastImport.txt"),
                           encodeStoreText(summary.text()));
    } catch (const RuntimeError& error) {
        summary.notSaved = error.description();
        return false;
    }
    return true;
}

namespace {
// The export's lines, told progress after each profit center; nothing when progress cancels.
std::optional<QByteArray> inventoryLines(const QString& companyFolder,
                                         const std::function<bool(int done, int total)>& progress) {
    const QStringList centers = listProfitCenters(companyFolder);
    // A byte-order mark, so that spreadsheet programs read the file as UTF-8.
    QByteArray bytes = encodeCsvText(QString(), CsvEncoding());
    const bool finished = forEachItem(
        companyFolder, centers,
        [&](const StoreItem& item) {
            bytes += encodeStoreText(
                csvLine({item.title, item.cost, item.price, item.tax, item.sku, item.stock}));
            bytes += "\r\n";
        },
        [&](int done) { return !progress || progress(done, int(centers.size())); });
    if (!finished)
        return std::nullopt;
    return bytes;
}
} // namespace

QByteArray inventoryCsv(const QString& companyFolder) {
    return *inventoryLines(companyFolder, {});
}

bool exportInventory(const QString& companyFolder, const QString& path,
                     const std::function<bool(int done, int total)>& progress) {
    const std::optional<QByteArray> bytes = inventoryLines(companyFolder, progress);
    if (!bytes)
        return false;
    saveFileAtomically(path, *bytes);
    return true;
}
