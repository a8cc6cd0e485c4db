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

#include <QFileInfo>

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

Decimal changedWholeCount(const QString& stored, int delta) {
    const qint64 count = qint64(wholeCount(stored)) + delta;
    if (count < std::numeric_limits<qint32>::min() || count > std::numeric_limits<qint32>::max())
        throw RuntimeError::overflow();
    return Decimal(int(count));
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

namespace {

// The files of one commit, taken from the kept copies and kept again once written.
struct CommitFiles {
    QString inventoryPath;
    QString pricePath;
    RecordFile inventory;
    RecordFile prices;
    QVector<PendingFile> periods;
    bool changed = false;
};

// Checks one request against the files in memory and applies it there; everything that can fail
// (a stored value that is not a number, a count beyond 32 bits) fails before the first change.
SaleOutcome applySale(CommitFiles& files, const SaleRequest& request) {
    SaleOutcome outcome;
    if (request.quantity.isZero())
        return outcome;
    const QString& sku = request.sku;
    const Decimal& quantity = request.quantity;
    const bool known = files.inventory.contains(kInventory, sku);
    if (request.missing == MissingStock::Refused && !known) {
        outcome.status = SaleStatus::UnknownSku;
        return outcome;
    }
    if (request.missing == MissingStock::WholeUnits) {
        const QString stored = files.inventory.value(kInventory, sku, QStringLiteral("0"));
        if (quantity.isNegative() ? !known : stored == QLatin1String("0")) {
            outcome.status = quantity.isNegative() ? SaleStatus::UnknownSku : SaleStatus::NotEnough;
            return outcome;
        }
        outcome.stock = changedWholeCount(stored, quantity.isNegative() ? 1 : -1);
    } else {
        const Decimal stock =
            Decimal::fromStored(files.inventory.value(kInventory, sku, QStringLiteral("0")));
        if (stock < quantity) { // a return always passes
            outcome.status = SaleStatus::NotEnough;
            return outcome;
        }
        outcome.stock = stock - quantity;
    }
    outcome.isReturn = quantity.isNegative();
    outcome.quantity = quantity.abs();
    const bool asks =
        Decimal::fromTyped(files.prices.value(QStringLiteral("Tax"), sku, QStringLiteral("1"))) ==
        Decimal(1);
    outcome.taxAnswer =
        asks && request.taxAnswer != TaxNotAsked ? request.taxAnswer : int(TaxYes);

    QVector<QStringList> sums;
    QVector<PeriodStep> steps;
    if (!files.periods.isEmpty()) {
        const SaleAmounts amounts =
            saleAmountsFrom(files.prices, sku, outcome.quantity, outcome.taxAnswer);
        steps = periodSteps(outcome.isReturn ? Movement::Return : Movement::Sale, sku,
                            outcome.quantity, amounts);
        // Every new value first; the steps' keys differ, so these are the step-by-step sums.
        for (const PendingFile& period : files.periods) {
            QStringList values;
            for (const PeriodStep& step : steps)
                values << (Decimal::fromStored(
                               period.file.value(step.section, step.key, QStringLiteral("0"))) +
                           step.amount)
                              .toString();
            sums << values;
        }
    }
    for (int f = 0; f < files.periods.size(); ++f)
        for (int i = 0; i < steps.size(); ++i)
            files.periods[f].file.write(steps[i].section, steps[i].key, sums[f][i]);
    files.inventory.write(kInventory, sku, outcome.stock.toString());
    files.changed = true;
    outcome.status = SaleStatus::Recorded;
    return outcome;
}

} // namespace

QVector<SaleResult> makeSales(const QString& companyFolder, const QVector<SaleRequest>& requests,
                              const QDate& date) {
    QVector<SaleResult> results(requests.size());
    const CompanyLock lock(companyFolder);
    // The files come from the copies kept since the last recording when they are still the
    // ones on disk, and are kept again once written: a busy day's files are not read again.
    CommitFiles files;
    try {
        files.inventoryPath = invCountPath(companyFolder);
        files.pricePath = priceLogPath(companyFolder);
        files.inventory = recordcache::take(files.inventoryPath);
        files.prices = recordcache::take(files.pricePath);
        QStringList periodPaths;
        if (settings::dailyLogOn())
            periodPaths << dailyPeriodFile(companyFolder, date);
        if (settings::monthlyLogOn())
            periodPaths << monthlyPeriodFile(companyFolder, date);
        for (const QString& path : periodPaths)
            files.periods.push_back(PendingFile{path, recordcache::take(path)});
    } catch (const RuntimeError& error) {
        for (SaleResult& result : results)
            result = {SaleOutcome(), error};
        return results;
    }
    for (int i = 0; i < requests.size(); ++i) {
        try {
            results[i].outcome = applySale(files, requests[i]);
        } catch (const RuntimeError& error) {
            results[i].error = error;
        }
    }
    if (files.changed) {
        QVector<PendingFile> pending = files.periods;
        pending.push_front(PendingFile{files.inventoryPath, files.inventory});
        try {
            savePending(companyFolder, pending);
        } catch (const RuntimeError& error) {
            // Nothing was written: every recording of this commit failed.
            for (SaleResult& result : results)
                if (result.outcome.status == SaleStatus::Recorded)
                    result = {SaleOutcome(), error};
            return results;
        }
    }
    recordcache::keep(files.inventoryPath, std::move(files.inventory));
    recordcache::keep(files.pricePath, std::move(files.prices));
    for (PendingFile& period : files.periods)
        if (QFileInfo::exists(period.path))
            recordcache::keep(period.path, std::move(period.file));
    return results;
}

SaleOutcome makeSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                     int taxAnswer, MissingStock missing, const QDate& date) {
    const SaleResult result =
        makeSales(companyFolder, {SaleRequest{sku, quantity, taxAnswer, missing}}, date).first();
    if (result.error)
        throw *result.error;
    return result.outcome;
}
