// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/recording.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/numbertext.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordcache.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <limits>

namespace {

const QString kInventory = QStringLiteral("Inventory");

struct PendingFile {
    QString path;
    RecordFile file;
};

// Loads the period files the settings keep and applies the steps in memory; nothing is written
// yet, so a file that cannot be read or a value that is not a number stops everything.
QVector<PendingFile> preparePeriodFiles(const QString& companyFolder, Movement movement,
                                        const QString& sku, const Decimal& quantity, int taxAnswer,
                                        const QDate& date) {
    QStringList paths;
    if (settings::dailyLogOn())
        paths << dailyPeriodFile(companyFolder, date);
    if (settings::monthlyLogOn())
        paths << monthlyPeriodFile(companyFolder, date);
    if (paths.isEmpty())
        return {};
    const SaleAmounts amounts = saleAmounts(companyFolder, sku, quantity, taxAnswer);
    const QVector<PeriodStep> steps = periodSteps(movement, sku, quantity, amounts);
    QVector<PendingFile> pending;
    for (const QString& path : paths) {
        PendingFile entry{path, RecordFile::loadForWrite(path)};
        applyPeriodSteps(entry.file, steps);
        pending.push_back(std::move(entry));
    }
    return pending;
}

int savePending(const QString& companyFolder, const QVector<PendingFile>& pending) {
    QVector<QPair<QString, QByteArray>> files;
    for (const PendingFile& entry : pending)
        files.push_back({entry.path, entry.file.bytes()});
    saveFilesTogether(files, companyJournalPath(companyFolder));
    return static_cast<int>(pending.size());
}

// The server's and the batch's reading of a stored count, changed by delta within 32 bits.
Decimal changedWholeCount(const QString& stored, int delta) {
    const qint64 count = qint64(wholeCount(stored)) + delta;
    if (count < std::numeric_limits<qint32>::min() || count > std::numeric_limits<qint32>::max())
        throw RuntimeError::overflow();
    return Decimal(int(count));
}

} // namespace

SaleAmounts saleAmounts(const Decimal& price, const Decimal& unitCost, const Decimal& taxFlag,
                        const Decimal& percent, const Decimal& quantity, int taxAnswer) {
    SaleAmounts amounts;
    const Decimal untaxed = price * quantity;
    if (taxFlag.rounded(0).isZero()) {
        amounts.gross = untaxed;
    } else {
        const Decimal factor = Decimal(1) + percent * Decimal::fromParts(1, 2);
        const Decimal taxedUnit = (price * factor).rounded(2);
        amounts.gross = taxedUnit * quantity;
        if (taxAnswer == TaxYes)
            amounts.tax = amounts.gross - untaxed;
    }
    amounts.cost = unitCost * quantity;
    return amounts;
}

namespace {
SaleAmounts saleAmountsFrom(const RecordFile& prices, const QString& sku, const Decimal& quantity,
                            int taxAnswer) {
    const QString zero = QStringLiteral("0");
    const Decimal price = Decimal::fromStored(prices.value(QStringLiteral("Prices"), sku, zero));
    const Decimal cost = Decimal::fromStored(prices.value(QStringLiteral("Cost"), sku, zero));
    const Decimal flag =
        Decimal::fromStored(prices.value(QStringLiteral("Tax"), sku, QStringLiteral("1")));
    // The rate counts only for a taxable item, so a bad rate fails only taxable recordings.
    const Decimal percent = flag.rounded(0).isZero()
                                ? Decimal()
                                : Decimal::fromStored(settings::taxPercent(zero));
    return saleAmounts(price, cost, flag, percent, quantity, taxAnswer);
}
} // namespace

SaleAmounts saleAmounts(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                        int taxAnswer) {
    return saleAmountsFrom(RecordFile::load(priceLogPath(companyFolder)), sku, quantity, taxAnswer);
}

QVector<PeriodStep> periodSteps(Movement movement, const QString& sku, const Decimal& quantity,
                                const SaleAmounts& amounts) {
    const bool sale = movement == Movement::Sale;
    const QString count = sale ? QStringLiteral("Sales") : QStringLiteral("Returns");
    const Decimal gross = sale ? amounts.gross : -amounts.gross;
    const Decimal net = sale ? amounts.net() : -amounts.net();
    const Decimal tax = sale ? amounts.tax : -amounts.tax;
    const QString totals = QStringLiteral("Totals");
    return {
        {count, sku, quantity},
        {QStringLiteral("GrossSale"), sku, gross},
        {QStringLiteral("NetProfit"), sku, net},
        {QStringLiteral("Tax"), sku, tax},
        {totals, count, quantity},
        {totals, QStringLiteral("GrossSale"), gross},
        {totals, QStringLiteral("NetProfit"), net},
        {totals, QStringLiteral("Tax"), tax},
    };
}

void applyPeriodSteps(RecordFile& file, const QVector<PeriodStep>& steps) {
    for (const PeriodStep& step : steps) {
        const Decimal current =
            Decimal::fromStored(file.value(step.section, step.key, QStringLiteral("0")));
        file.write(step.section, step.key, (current + step.amount).toString());
    }
}

int recordMovement(const QString& companyFolder, Movement movement, const QString& sku,
                   const Decimal& quantity, int& taxAnswer, const QDate& date) {
    if (taxAnswer == TaxNotAsked)
        taxAnswer = TaxYes;
    return savePending(companyFolder, preparePeriodFiles(companyFolder, movement, sku, quantity, taxAnswer, date));
}

bool LogSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
             int& taxAnswer, const QDate& date) {
    return guarded(QStringLiteral("LogSale"), [&] {
        const CompanyLock lock(companyFolder);
        recordMovement(companyFolder, Movement::Sale, sku, quantity, taxAnswer, date);
    });
}

bool LogReturn(const QString& companyFolder, const QString& sku, const Decimal& quantity,
               int& taxAnswer, const QDate& date) {
    return guarded(QStringLiteral("LogReturn"), [&] {
        const CompanyLock lock(companyFolder);
        recordMovement(companyFolder, Movement::Return, sku, quantity, taxAnswer, date);
    });
}

bool LogSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
             int&& taxAnswer, const QDate& date) {
    int answer = taxAnswer;
    return LogSale(companyFolder, sku, quantity, answer, date);
}

bool LogReturn(const QString& companyFolder, const QString& sku, const Decimal& quantity,
               int&& taxAnswer, const QDate& date) {
    int answer = taxAnswer;
    return LogReturn(companyFolder, sku, quantity, answer, date);
}

QString notEnoughInInventoryText() {
    return QStringLiteral("Not enough in inventory.");
}

QString doesNotExistText(const QString& sku) {
    return sku + QStringLiteral(" doesn't exist.");
}

Decimal stockCount(const QString& companyFolder, const QString& sku) {
    return Decimal::fromStored(
        GetINIString(kInventory, sku, QStringLiteral("0"), invCountPath(companyFolder)));
}

bool asksTaxQuestion(const QString& companyFolder, const QString& sku) {
    const QString flag =
        GetINIString(QStringLiteral("Tax"), sku, QStringLiteral("1"), priceLogPath(companyFolder));
    return Decimal::fromTyped(flag) == Decimal(1);
}

SaleOutcome makeSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                     int taxAnswer, MissingStock missing, const QDate& date) {
    SaleOutcome outcome;
    if (quantity.isZero())
        return outcome;
    const CompanyLock lock(companyFolder);
    // The files come from the copies kept since the last recording when they are still the
    // ones on disk, and are kept again once written: a busy day's files are not read again.
    const QString inventoryPath = invCountPath(companyFolder);
    RecordFile inventory = recordcache::take(inventoryPath);
    const auto refuse = [&](SaleStatus status) {
        recordcache::keep(inventoryPath, std::move(inventory));
        outcome.status = status;
        return outcome;
    };
    const bool known = inventory.contains(kInventory, sku);
    if (missing == MissingStock::Refused && !known)
        return refuse(SaleStatus::UnknownSku);
    if (missing == MissingStock::WholeUnits) {
        const QString stored = inventory.value(kInventory, sku, QStringLiteral("0"));
        if (quantity.isNegative() ? !known : stored == QLatin1String("0"))
            return refuse(quantity.isNegative() ? SaleStatus::UnknownSku : SaleStatus::NotEnough);
        outcome.stock = changedWholeCount(stored, quantity.isNegative() ? 1 : -1);
    } else {
        const Decimal stock =
            Decimal::fromStored(inventory.value(kInventory, sku, QStringLiteral("0")));
        if (stock < quantity) // a return always passes
            return refuse(SaleStatus::NotEnough);
        outcome.stock = stock - quantity;
    }
    outcome.isReturn = quantity.isNegative();
    outcome.quantity = quantity.abs();

    const QString pricePath = priceLogPath(companyFolder);
    RecordFile prices = recordcache::take(pricePath);
    const bool asks =
        Decimal::fromTyped(prices.value(QStringLiteral("Tax"), sku, QStringLiteral("1"))) ==
        Decimal(1);
    outcome.taxAnswer = asks && taxAnswer != TaxNotAsked ? taxAnswer : int(TaxYes);

    QVector<PendingFile> pending;
    QStringList periodPaths;
    if (settings::dailyLogOn())
        periodPaths << dailyPeriodFile(companyFolder, date);
    if (settings::monthlyLogOn())
        periodPaths << monthlyPeriodFile(companyFolder, date);
    if (!periodPaths.isEmpty()) {
        const SaleAmounts amounts =
            saleAmountsFrom(prices, sku, outcome.quantity, outcome.taxAnswer);
        const QVector<PeriodStep> steps =
            periodSteps(outcome.isReturn ? Movement::Return : Movement::Sale, sku,
                        outcome.quantity, amounts);
        for (const QString& path : periodPaths) {
            PendingFile entry{path, recordcache::take(path)};
            applyPeriodSteps(entry.file, steps);
            pending.push_back(std::move(entry));
        }
    }
    inventory.write(kInventory, sku, outcome.stock.toString());
    pending.push_front(PendingFile{inventoryPath, std::move(inventory)});
    savePending(companyFolder, pending);
    for (PendingFile& entry : pending)
        recordcache::keep(entry.path, std::move(entry.file));
    recordcache::keep(pricePath, std::move(prices));
    outcome.status = SaleStatus::Recorded;
    return outcome;
}
