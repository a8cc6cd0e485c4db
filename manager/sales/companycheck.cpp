// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/companycheck.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/decimal.h"
#include "manager/store/filesystem.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

class Checker {
public:
    explicit Checker(const QString& folder)
        : m_folder(folder) {}

    QString shown(const QString& path) const {
        return QDir::toNativeSeparators(QDir(m_folder).relativeFilePath(path));
    }

    QStringList temporaryFiles() const {
        QStringList found;
        for (const QString& folder : {m_folder, logsFolder(m_folder), reportsFolder(m_folder)})
            for (const QFileInfo& entry :
                 QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
                if (isTemporaryStoreFile(entry.fileName()) &&
                    entry.absoluteFilePath() !=
                        QFileInfo(companyJournalPath(m_folder)).absoluteFilePath())
                    found << entry.absoluteFilePath();
        return found;
    }

    // The file's records; a line that is no "section\key=value" record is a problem.
    RecordFile records(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (file.exists())
                problems << QStringLiteral("%1 cannot be read.").arg(shown(path));
            return RecordFile();
        }
        const QByteArray bytes = file.readAll();
        int number = 0;
        for (QByteArray line : bytes.split('\n')) {
            ++number;
            if (line.endsWith('\r'))
                line.chop(1);
            if (number == 1 && line.startsWith("\xEF\xBB\xBF"))
                line.remove(0, 3);
            const qsizetype slash = line.indexOf('\\');
            const qsizetype equals = line.indexOf('=');
            if (!line.isEmpty() && (slash <= 0 || equals <= slash + 1))
                problems << QStringLiteral("%1, line %2, is not a record: %3")
                                .arg(shown(path))
                                .arg(number)
                                .arg(decodeStoreText(line.left(60)));
        }
        return RecordFile::fromBytes(bytes);
    }

    Decimal number(const RecordFile& file, const QString& path, const QString& section,
                   const QString& key) {
        const QString text = file.value(section, key, QStringLiteral("0"));
        const std::optional<Decimal> value = Decimal::parse(text);
        if (!value)
            problems << QStringLiteral("%1: %2\\%3 is not a number: %4")
                            .arg(shown(path), section, key, text);
        return value.value_or(Decimal());
    }

    void checkStock(const RecordFile& stock, const QString& path) {
        const Decimal low = Decimal::fromStored(QStringLiteral("-2147483648"));
        const Decimal high = Decimal::fromStored(QStringLiteral("2147483647"));
        for (const QString& sku : stock.keys(QStringLiteral("Inventory"))) {
            const QString text = stock.value(QStringLiteral("Inventory"), sku, QString());
            const std::optional<Decimal> count = Decimal::parse(text);
            if (!count || !(*count - count->rounded(0)).isZero() || *count < low || *count > high)
                problems << QStringLiteral("%1: the stock of SKU %2 is not a whole number in "
                                           "range: %3")
                                .arg(shown(path), sku, text);
        }
    }

    void checkTitles(const RecordFile& prices, const RecordFile& stock) {
        for (const QString& center : listProfitCenters(m_folder)) {
            const QString path = m_folder + center;
            const RecordFile titles = records(path);
            for (const QString& title : titles.keys(QStringLiteral("Titles"))) {
                const QString sku = titles.value(QStringLiteral("Titles"), title, QString());
                QStringList missing;
                for (const char* section : {"Cost", "Prices", "Tax"})
                    if (!prices.contains(QLatin1String(section), sku))
                        missing << QLatin1String(section);
                if (!stock.contains(QStringLiteral("Inventory"), sku))
                    missing << QStringLiteral("Inventory");
                if (!missing.isEmpty())
                    problems << QStringLiteral("%1: the SKU %2 of \"%3\" has no %4 record.")
                                    .arg(shown(path), sku, title,
                                         missing.join(QStringLiteral(", ")));
            }
        }
    }

    void checkPeriodFiles() {
        static const QRegularExpression name(
            QStringLiteral("^Sales\\d{1,2}(-\\d{1,2})?-\\d{4}\\.txt$"));
        const QString reports = reportsFolder(m_folder);
        for (const QString& file : QDir(reports).entryList(QDir::Files, QDir::Name)) {
            if (!name.match(file).hasMatch())
                continue;
            const QString path = reports + file;
            const RecordFile period = records(path);
            for (const char* sectionName : {"Sales", "Returns", "GrossSale", "NetProfit", "Tax"}) {
                const QString section = QLatin1String(sectionName);
                Decimal sum;
                for (const QString& sku : period.keys(section))
                    sum = sum + number(period, path, section, sku);
                const Decimal total = number(period, path, QStringLiteral("Totals"), section);
                if (!(total - sum).isZero())
                    problems << QStringLiteral("%1: Totals\\%2 is %3, but its SKU lines add up to "
                                               "%4.")
                                    .arg(shown(path), section, total.toString(), sum.toString());
            }
        }
    }

    void run() {
        if (QFileInfo::exists(companyJournalPath(m_folder)))
            problems << QStringLiteral("%1: a recording was left unfinished by a crash.")
                            .arg(shown(companyJournalPath(m_folder)));
        for (const QString& path : temporaryFiles())
            problems
                << QStringLiteral("%1: a temporary file was left by a crash.").arg(shown(path));
        const RecordFile prices = records(priceLogPath(m_folder));
        const RecordFile stock = records(invCountPath(m_folder));
        checkStock(stock, invCountPath(m_folder));
        checkTitles(prices, stock);
        checkPeriodFiles();
    }

    void repair() {
        const QString journal = companyJournalPath(m_folder);
        if (QFileInfo::exists(journal)) {
            try {
                completeInterruptedSave(journal);
                repairs << QStringLiteral("The unfinished recording was finished.");
            } catch (const RuntimeError& error) {
                repairs << error.description();
                if (QFileInfo::exists(journal))
                    repairs << QStringLiteral("The journal was set aside as %1.")
                                   .arg(shown(setAsideJournal(journal)));
            }
        }
        for (const QString& path : temporaryFiles())
            if (QFile::remove(path))
                repairs << QStringLiteral("%1 was removed.").arg(shown(path));
    }

    QStringList problems;
    QStringList repairs;

private:
    QString m_folder;
};

} // namespace

CompanyCheck checkCompany(const QString& companyFolder, bool repair) {
    const CompanyLock lock(companyFolder, CompanyLock::Leave);
    Checker checker(QDir(companyFolder).absolutePath() + QLatin1Char('/'));
    if (repair)
        checker.repair();
    checker.run();
    return {checker.problems, checker.repairs};
}
