// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/salessummary.h"

#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

const QString kTotals = QStringLiteral("Totals");
const QString kSales = QStringLiteral("Sales");
const QString kReturns = QStringLiteral("Returns");
const QString kGross = QStringLiteral("GrossSale");
const QString kNet = QStringLiteral("NetProfit");
const QString kTax = QStringLiteral("Tax");

// The member of SalesFigures that a section of a period file adds to.
Decimal* figureOf(SalesFigures& figures, const QString& section) {
    if (section == kSales)
        return &figures.sold;
    if (section == kReturns)
        return &figures.returned;
    if (section == kGross)
        return &figures.gross;
    if (section == kNet)
        return &figures.net;
    return &figures.tax;
}

const QStringList& figureSections() {
    static const QStringList sections{kSales, kReturns, kGross, kNet, kTax};
    return sections;
}

// One period file as read: its totals and the figures of each SKU in it.
struct PeriodFileSales {
    SalesFigures totals;
    QHash<QString, SalesFigures> skus;
};

struct Refusal {
    QString reason;
};

Decimal storedFigure(const RecordFile& file, const QString& section, const QString& key) {
    const QString text = file.value(section, key, QStringLiteral("0"));
    std::optional<Decimal> value;
    try {
        value = Decimal::parse(text);
    } catch (const RuntimeError&) {
        throw Refusal{QStringLiteral("%1\\%2 is too large").arg(section, key)};
    }
    if (!value)
        throw Refusal{QStringLiteral("%1\\%2 is not a number").arg(section, key)};
    return *value;
}

// Reads a period file that exists. Throws Refusal when it cannot be used.
PeriodFileSales readPeriodFile(const QFileInfo& info) {
    if (!info.isFile())
        throw Refusal{QStringLiteral("not a file")};
    if (info.size() > kLargestPeriodFile)
        throw Refusal{QStringLiteral("larger than %1 MB").arg(kLargestPeriodFile >> 20)};
    if (!info.isReadable())
        throw Refusal{QStringLiteral("cannot be read")};
    const RecordFile file = RecordFile::load(info.filePath());

    PeriodFileSales sales;
    bool anySku = false;
    for (const QString& section : figureSections()) {
        for (const QString& sku : file.keys(section)) {
            anySku = true;
            *figureOf(sales.skus[sku], section) = storedFigure(file, section, sku);
        }
    }
    bool anyTotal = false;
    for (const QString& section : figureSections()) {
        if (file.contains(kTotals, section)) {
            anyTotal = true;
            *figureOf(sales.totals, section) = storedFigure(file, kTotals, section);
        }
    }
    // A file the company chooser started holds only "Info" lines: a day without sales.
    if (anySku && !anyTotal)
        throw Refusal{QStringLiteral("no Totals section")};
    return sales;
}

SalesFigures operator+(SalesFigures a, const SalesFigures& b) {
    return a += b;
}

class Collector {
public:
    Collector(const QString& companyFolder, SalesSummary& summary)
        : m_folder(companyFolder)
        , m_summary(summary) {}

    // Adds the period file at path to row; false when it does not exist or was skipped.
    bool add(const QString& path, SalesFigures* row) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return false;
        try {
            const PeriodFileSales sales = readPeriodFile(info);
            // Everything is added to copies first, so a sum out of range leaves no half file.
            const SalesFigures newRow = *row + sales.totals;
            const SalesFigures newTotal = m_summary.total + sales.totals;
            QHash<QString, SalesFigures> newSkus;
            for (auto it = sales.skus.cbegin(); it != sales.skus.cend(); ++it)
                newSkus.insert(it.key(), m_skus.value(it.key()) + it.value());
            *row = newRow;
            m_summary.total = newTotal;
            for (auto it = newSkus.cbegin(); it != newSkus.cend(); ++it)
                m_skus.insert(it.key(), it.value());
            return true;
        } catch (const Refusal& refusal) {
            skip(info.fileName(), refusal.reason);
        } catch (const RuntimeError&) {
            skip(info.fileName(), QStringLiteral("its sums are too large"));
        }
        return false;
    }

    // Adds the daily files of a month to row; whether any was used.
    bool addDays(int year, int month, SalesFigures* row) {
        bool any = false;
        const QDate first(year, month, 1);
        for (int day = 1; day <= first.daysInMonth(); ++day)
            any |= add(dailyPeriodFile(m_folder, QDate(year, month, day)), row);
        return any;
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
        for (const QString& profitCenter : profitCenters) {
            for (const StoreItem& item : readItems(m_folder, profitCenter)) {
                if (skus.contains(item.sku) && !titles.contains(item.sku))
                    titles.insert(item.sku, item.title);
            }
        }
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
    Collector collector(companyFolder, summary);
    for (int day = 1; day <= first.daysInMonth(); ++day) {
        summary.found[day - 1] = collector.add(
            dailyPeriodFile(companyFolder, QDate(year, month, day)), &summary.rows[day - 1]);
    }
    collector.reportStrayNames();
    collector.finish();
    return summary;
}

SalesSummary summarizeYear(const QString& companyFolder, int year) {
    if (!QDate(year, 1, 1).isValid())
        return {};
    SalesSummary summary = emptySummary(year, 0, 12);
    Collector collector(companyFolder, summary);
    for (int month = 1; month <= 12; ++month) {
        const QString monthly = monthlyPeriodFile(companyFolder, QDate(year, month, 1));
        SalesFigures* row = &summary.rows[month - 1];
        const QFileInfo info(monthly);
        if (info.exists() || info.isSymLink())
            summary.found[month - 1] = collector.add(monthly, row);
        else
            summary.found[month - 1] = collector.addDays(year, month, row);
    }
    collector.reportStrayNames();
    collector.finish();
    return summary;
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
