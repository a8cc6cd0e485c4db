// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/salessummary.h"

#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/recordlines.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// A SKU's figures in one file, and which of its records were read (the first line of a record
// is the one that counts, as for every reader of record files).
struct FileFigures {
    SalesFigures figures;
    unsigned seen = 0;
    bool legacy = false; // the SKU stands in a line of the older single-byte text
};

// One period file as read: its totals and the figures of each SKU in it, keyed by the SKU's
// bytes in the file (decoded once, when the file is added).
struct PeriodFileSales {
    QByteArray bytes;
    SalesFigures totals;
    QHash<QByteArrayView, FileFigures> skus;
};

struct Refusal {
    QString reason;
};

// What reading one period file gave.
struct FileOutcome {
    bool exists = false;
    std::optional<PeriodFileSales> sales; // none: skipped for reason
    QString reason;
};

// The sections summed, by their bytes at the start of a line (names are plain ASCII, so they
// read the same in UTF-8 and in the older single-byte lines).
enum Section { SalesSection, ReturnsSection, GrossSection, NetSection, TaxSection, NoSection };

Section sectionOf(QByteArrayView name) {
    static const QByteArrayView names[] = {"Sales", "Returns", "GrossSale", "NetProfit", "Tax"};
    for (int i = 0; i < NoSection; ++i) {
        if (name == names[i])
            return static_cast<Section>(i);
    }
    return NoSection;
}

Decimal& figureOf(SalesFigures& figures, Section section) {
    switch (section) {
    case SalesSection:
        return figures.sold;
    case ReturnsSection:
        return figures.returned;
    case GrossSection:
        return figures.gross;
    case NetSection:
        return figures.net;
    default:
        return figures.tax;
    }
}

// The plain form the recordings write ("12", "-4.5"), read straight from the bytes; anything
// else goes through the full parse of stored numbers.
std::optional<Decimal> plainFigure(QByteArrayView text) {
    qsizetype i = text.startsWith('-') ? 1 : 0;
    const bool negative = i == 1;
    qint64 mantissa = 0;
    int digits = 0;
    int scale = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && scale < 0) {
            scale = 0;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 17)
            return std::nullopt;
        mantissa = mantissa * 10 + (c - '0');
        if (scale >= 0)
            ++scale;
    }
    if (digits == 0 || scale == 0)
        return std::nullopt;
    return Decimal::fromParts(negative ? -mantissa : mantissa, qMax(scale, 0));
}

// Values beyond this could overflow a sum; no shop's period file holds one.
constexpr double kLargestFigure = 1e300;

Decimal storedFigure(QByteArrayView line, qsizetype valueStart) {
    const QByteArrayView bytes = line.sliced(valueStart);
    if (const std::optional<Decimal> plain = plainFigure(bytes))
        return *plain;
    const QString text = unescapeRecordValue(decodeStoreText(bytes));
    std::optional<Decimal> value;
    try {
        value = Decimal::parse(text);
    } catch (const RuntimeError&) {
        throw Refusal{QStringLiteral("\"%1\" is too large").arg(text.left(40))};
    }
    if (!value)
        throw Refusal{QStringLiteral("\"%1\" is not a number").arg(text.left(40))};
    if (std::abs(value->toDouble()) >= kLargestFigure)
        throw Refusal{QStringLiteral("\"%1\" is too large").arg(text.left(40))};
    return *value;
}

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Reads a period file that exists, in one pass over its lines. Throws Refusal when it cannot
// be used.
PeriodFileSales readPeriodFile(const QFileInfo& info) {
    if (!info.isFile())
        throw Refusal{QStringLiteral("not a file")};
    if (info.size() > kLargestPeriodFile)
        throw Refusal{QStringLiteral("larger than %1 MB").arg(kLargestPeriodFile >> 20)};
    PeriodFileSales sales;
    if (!readRecordBytes(info.filePath(), &sales.bytes))
        throw Refusal{QStringLiteral("cannot be read")};
    const QByteArray& bytes = sales.bytes;
    QHash<QByteArrayView, FileFigures>& skus = sales.skus;
    skus.reserve(int(bytes.size() / 128));
    FileFigures totals;
    bool anyTotal = false;
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        const qsizetype slash = line.indexOf('\\');
        if (slash <= 0)
            return;
        const QByteArrayView sectionName = line.first(slash);
        const qsizetype eq = line.indexOf('=', slash + 1);
        if (eq < 0)
            return;
        const QByteArrayView keyBytes = line.sliced(slash + 1, eq - slash - 1);
        if (sectionName == "Totals") {
            const Section section = sectionOf(keyBytes);
            if (section == NoSection || totals.seen & (1u << section))
                return;
            totals.seen |= 1u << section;
            figureOf(totals.figures, section) = storedFigure(line, eq + 1);
            anyTotal = true;
            return;
        }
        const Section section = sectionOf(sectionName);
        if (section == NoSection)
            return;
        FileFigures& figures = skus[keyBytes];
        if (figures.seen & (1u << section))
            return;
        if (!figures.seen)
            figures.legacy = !isAscii(keyBytes) && !isUtf8(line);
        figures.seen |= 1u << section;
        figureOf(figures.figures, section) = storedFigure(line, eq + 1);
    });
    // A file the company chooser started holds only "Info" lines: a day without sales.
    if (!skus.isEmpty() && !anyTotal)
        throw Refusal{QStringLiteral("no Totals section")};
    sales.totals = totals.figures;
    return sales;
}

FileOutcome readOutcome(const QString& path) {
    FileOutcome outcome;
    const QFileInfo info(path);
    outcome.exists = info.exists() || info.isSymLink();
    if (!outcome.exists)
        return outcome;
    try {
        outcome.sales = readPeriodFile(info);
    } catch (const Refusal& refusal) {
        outcome.reason = refusal.reason;
    }
    return outcome;
}

// A period file to read and the row of the summary it adds to.
struct PeriodJob {
    QString path;
    int row;
};

class Collector {
public:
    Collector(const QString& companyFolder, SalesSummary& summary)
        : m_folder(companyFolder)
        , m_summary(summary) {}

    // Reads the files side by side, then adds them in order to their rows; a row is found when
    // one of its files was used.
    void addAll(const QVector<PeriodJob>& jobs) {
        QVector<QString> paths;
        for (const PeriodJob& job : jobs)
            paths << job.path;
        const QList<FileOutcome> outcomes = QtConcurrent::blockingMapped(paths, readOutcome);
        for (int i = 0; i < jobs.size(); ++i) {
            const FileOutcome& outcome = outcomes[i];
            if (!outcome.exists)
                continue;
            if (!outcome.sales) {
                skip(QFileInfo(jobs[i].path).fileName(), outcome.reason);
                continue;
            }
            // Every figure is below kLargestFigure, so no sum of them can overflow.
            const int row = jobs[i].row;
            m_summary.rows[row] += outcome.sales->totals;
            m_summary.total += outcome.sales->totals;
            m_summary.found[row] = true;
            const auto& skus = outcome.sales->skus;
            for (auto it = skus.cbegin(); it != skus.cend(); ++it) {
                const QString sku =
                    it->legacy ? decodeWindows1252(it.key()) : QString::fromUtf8(it.key());
                m_skus[sku] += it->figures;
            }
        }
    }

    void skip(const QString& name, const QString& reason) {
        m_summary.skipped.push_back({name, reason});
    }

    // Period-file names of the range that no date of the calendar gives ("Sales2-30-2026.txt",
    // "Sales02-3-2026.txt"): never read, but said, since the owner may miss their sales.
    void reportStrayNames() {
        static const QRegularExpression pattern(
            QStringLiteral("^Sales(\\d+)-(\\d+)(?:-(\\d+))?\\.txt$"));
        const QDir reports(reportsFolder(m_folder));
        for (const QString& name : reports.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            const QRegularExpressionMatch match = pattern.match(name);
            if (!match.hasMatch())
                continue;
            const bool daily = match.hasCaptured(3);
            const int month = match.captured(1).toInt();
            const int year = match.captured(daily ? 3 : 2).toInt();
            if (year != m_summary.year || (m_summary.isMonth() && month != m_summary.month))
                continue;
            const QDate date(year, month, daily ? match.captured(2).toInt() : 1);
            if (!date.isValid())
                skip(name, QStringLiteral("no such date"));
            else if (name != (daily ? dailyPeriodFileName(date) : monthlyPeriodFileName(date)))
                skip(name, QStringLiteral("not a period file name"));
        }
    }

    void finish() {
        std::sort(
            m_summary.skipped.begin(), m_summary.skipped.end(),
            [](const SkippedPeriodFile& a, const SkippedPeriodFile& b) { return a.name < b.name; });
        const QHash<QString, QString> titles = titlesOf(m_skus);
        for (auto it = m_skus.cbegin(); it != m_skus.cend(); ++it)
            m_summary.skus.push_back({it.key(), titles.value(it.key()), it.value()});
        std::sort(m_summary.skus.begin(), m_summary.skus.end(),
                  [](const SkuSales& a, const SkuSales& b) {
                      if (a.figures.gross != b.figures.gross)
                          return a.figures.gross > b.figures.gross;
                      return a.sku < b.sku;
                  });
    }

private:
    // The first title, in profit-center and line order, that points to each SKU.
    QHash<QString, QString> titlesOf(const QHash<QString, SalesFigures>& skus) const {
        QHash<QString, QString> titles;
        QStringList profitCenters;
        try {
            profitCenters = listProfitCenters(m_folder);
        } catch (const RuntimeError&) {
            return titles; // no company folder: SKUs without titles
        }
        // Titles and SKUs only: the SKU records are not read.
        forEachItem(
            m_folder, profitCenters,
            [&](const StoreItem& item) {
                if (skus.contains(item.sku) && !titles.contains(item.sku))
                    titles.insert(item.sku, item.title);
            },
            {}, ItemFields());
        return titles;
    }

    QString m_folder;
    SalesSummary& m_summary;
    QHash<QString, SalesFigures> m_skus;
};

SalesSummary emptySummary(int year, int month, int rows) {
    SalesSummary summary;
    summary.year = year;
    summary.month = month;
    summary.rows.resize(rows);
    summary.found.fill(false, rows);
    return summary;
}

} // namespace

SalesFigures& SalesFigures::operator+=(const SalesFigures& other) {
    sold += other.sold;
    returned += other.returned;
    gross += other.gross;
    net += other.net;
    tax += other.tax;
    return *this;
}

QVector<SkuSales> SalesSummary::topByGross(int n) const {
    return skus.mid(0, n);
}

QVector<SkuSales> SalesSummary::topByUnits(int n) const {
    QVector<SkuSales> byUnits = skus;
    std::stable_sort(byUnits.begin(), byUnits.end(), [](const SkuSales& a, const SkuSales& b) {
        return a.figures.units() > b.figures.units();
    });
    return byUnits.mid(0, n);
}

SalesSummary summarizeMonth(const QString& companyFolder, int year, int month) {
    const QDate first(year, month, 1);
    if (!first.isValid())
        return {};
    SalesSummary summary = emptySummary(year, month, first.daysInMonth());
    QVector<PeriodJob> jobs;
    for (int day = 1; day <= first.daysInMonth(); ++day)
        jobs.push_back({dailyPeriodFile(companyFolder, QDate(year, month, day)), day - 1});
    Collector collector(companyFolder, summary);
    collector.addAll(jobs);
    collector.reportStrayNames();
    collector.finish();
    return summary;
}

SalesSummary summarizeYear(const QString& companyFolder, int year) {
    if (!QDate(year, 1, 1).isValid())
        return {};
    SalesSummary summary = emptySummary(year, 0, 12);
    QVector<PeriodJob> jobs;
    for (int month = 1; month <= 12; ++month) {
        const QDate first(year, month, 1);
        const QString monthly = monthlyPeriodFile(companyFolder, first);
        const QFileInfo info(monthly);
        if (info.exists() || info.isSymLink()) {
            jobs.push_back({monthly, month - 1});
            continue;
        }
        for (int day = 1; day <= first.daysInMonth(); ++day)
            jobs.push_back({dailyPeriodFile(companyFolder, QDate(year, month, day)), month - 1});
    }
    Collector collector(companyFolder, summary);
    collector.addAll(jobs);
    collector.reportStrayNames();
    collector.finish();
    return summary;
}

QString periodCaption(const SalesSummary& summary) {
    if (!summary.isMonth())
        return QString::number(summary.year);
    return QLocale::c().monthName(summary.month) + QLatin1Char(' ') + QString::number(summary.year);
}

QString rowCaption(const SalesSummary& summary, int row) {
    if (summary.isMonth())
        return QStringLiteral("Day %1").arg(row + 1);
    return QLocale::c().monthName(row + 1);
}

QString grossShareText(const Decimal& part, const Decimal& whole) {
    if (whole.isZero() || whole.isNegative())
        return {};
    return Decimal::divided(part * 100, whole, 1).toString() + QLatin1Char('%');
}

bool parseMonthText(const QString& text, int* year, int* month) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2})-(\\d{4})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const int m = match.captured(1).toInt();
    if (m < 1 || m > 12)
        return false;
    *month = m;
    *year = match.captured(2).toInt();
    return true;
}
