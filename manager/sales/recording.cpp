// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/sales/recording.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/filesystem.h"
#include "manager/store/items.h"
#include "manager/store/numbertext.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordcache.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <algorithm>
#include <limits>

namespace {

struct PendingFile {
    QString path;
    RecordFile file;
    bool changed = false;
};

// "&Make a Sale" asks the tax question only for an item whose flag is numerically 1.
bool flagAsksTax(const QString& flag) {
    return Decimal::fromTyped(flag) == Decimal(1);
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
// The money of a recording from "Logs/PriceLog" in memory. The rate, read into percent the first
// time it is needed, counts only for a taxable item, so a bad rate fails only taxable ones.
SaleAmounts saleAmountsFrom(const RecordFile& prices, const QString& sku, const Decimal& quantity,
                            int taxAnswer, std::optional<Decimal>& percent) {
    const QString zero = QStringLiteral("0");
    const Decimal price =
        storedSkuNumber(prices.value(ItemRecords::Prices, sku, zero), QStringLiteral("price"), sku);
    const Decimal cost =
        storedSkuNumber(prices.value(ItemRecords::Cost, sku, zero), QStringLiteral("cost"), sku);
    const Decimal flag = storedSkuNumber(prices.value(ItemRecords::Tax, sku, ItemRecords::Taxable),
                                         QStringLiteral("taxable flag"), sku);
    if (flag.rounded(0).isZero())
        return saleAmounts(price, cost, flag, Decimal(), quantity, taxAnswer);
    if (!percent)
        percent = Decimal::fromStored(settings::taxPercent(zero));
    return saleAmounts(price, cost, flag, *percent, quantity, taxAnswer);
}
} // namespace

SaleAmounts saleAmounts(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                        int taxAnswer) {
    std::optional<Decimal> percent;
    return saleAmountsFrom(RecordFile::load(priceLogPath(companyFolder)), sku, quantity, taxAnswer,
                           percent);
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

int recordMovement(const QString& companyFolder, Movement movement, const QString& sku,
                   const Decimal& quantity, int& taxAnswer, const QDate& date) {
    if (taxAnswer == TaxNotAsked)
        taxAnswer = TaxYes;
    SaleCommit commit(companyFolder, date);
    const int files = commit.record(movement, sku, quantity, taxAnswer);
    commit.write();
    return files;
}

bool LogSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
             int& taxAnswer, const QDate& date) {
    return guarded(QStringLiteral("LogSale"), [&] {
        recordMovement(companyFolder, Movement::Sale, sku, quantity, taxAnswer, date);
    });
}

bool LogReturn(const QString& companyFolder, const QString& sku, const Decimal& quantity,
               int& taxAnswer, const QDate& date) {
    return guarded(QStringLiteral("LogReturn"), [&] {
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

QString scanNotEnoughText(const QString& sku) {
    return QStringLiteral("Not enough of SKU ") + sku + QStringLiteral(" to process a sale, or ") +
           sku + QStringLiteral(" doesn't exist.");
}

QString unitOutcomeText(const QString& sku, bool isReturn, SaleStatus status) {
    if (status == SaleStatus::UnknownSku)
        return doesNotExistText(sku);
    if (status != SaleStatus::Recorded)
        return scanNotEnoughText(sku);
    return (isReturn ? QStringLiteral("Received return for SKU: ")
                     : QStringLiteral("Received sale of SKU: ")) +
           sku + QLatin1Char('.');
}

Decimal storedSkuNumber(const QString& text, const QString& what, const QString& sku) {
    if (const std::optional<Decimal> value = Decimal::parse(text))
        return *value;
    throw RuntimeError(13, QStringLiteral("Type mismatch: the %1 of SKU %2 is \"%3\", not a number")
                               .arg(what, sku, text));
}

Decimal stockCount(const QString& companyFolder, const QString& sku) {
    return storedSkuNumber(GetINIString(ItemRecords::Inventory, sku, ItemRecords::ZeroStock,
                                        invCountPath(companyFolder)),
                           QStringLiteral("stock"), sku);
}

bool asksTaxQuestion(const QString& companyFolder, const QString& sku) {
    return flagAsksTax(
        GetINIString(ItemRecords::Tax, sku, ItemRecords::Taxable, priceLogPath(companyFolder)));
}

QString recordingProcedure(bool isReturn) {
    return isReturn ? QStringLiteral("LogReturn") : QStringLiteral("LogSale");
}

SaleRequest unitRequest(const QString& line, int taxAnswer) {
    const bool isReturn = line.startsWith(QLatin1String("!!"));
    return {isReturn ? line.mid(2) : line, Decimal(isReturn ? -1 : 1), taxAnswer,
            MissingStock::WholeUnits};
}

namespace {

// Every value a request reads is read, and every new value worked out, before its first change:
// what throws here leaves the files in memory as they were.
struct StockChange {
    SaleStatus status = SaleStatus::Recorded;
    Movement movement = Movement::Sale;
    bool recorded = true; // false for an addition: only the stock changes
    Decimal units;
    Decimal stock; // the new count
};

StockChange stockChange(const RecordFile& inventory, const SaleRequest& request) {
    StockChange change;
    const Decimal& quantity = request.quantity;
    switch (request.direction) {
    case Direction::BySign:
        change.movement = quantity.isNegative() ? Movement::Return : Movement::Sale;
        change.units = quantity.abs();
        break;
    case Direction::Addition:
        change.recorded = false;
        [[fallthrough]];
    case Direction::Return:
        change.movement = Movement::Return;
        change.units = quantity;
        break;
    case Direction::Sale:
        change.units = quantity;
        break;
    }
    const bool sells = change.movement == Movement::Sale;
    const QString& sku = request.sku;
    const bool known = inventory.contains(ItemRecords::Inventory, sku);
    const QString stored = inventory.value(ItemRecords::Inventory, sku, ItemRecords::ZeroStock);
    // A count that is not a number fails here, naming its SKU, before any reading of it.
    storedSkuNumber(stored, QStringLiteral("stock"), sku);
    // A sale needs count >= units; a return or an addition always passes.
    const auto moveFrom = [&](const Decimal& count) {
        if (sells && count < change.units)
            change.status = SaleStatus::NotEnough;
        change.stock = sells ? count - change.units : count + change.units;
        return change;
    };
    switch (request.missing) {
    case MissingStock::Refused:
        if (!known) {
            change.status = SaleStatus::UnknownSku;
            return change;
        }
        [[fallthrough]];
    case MissingStock::CountsAsZero:
        return moveFrom(Decimal::fromStored(stored));
    case MissingStock::WholeUnits:
        // Only the exact text "0" is out of stock; a negative count still sells.
        if (sells ? stored == QLatin1String("0") : !known) {
            change.status = sells ? SaleStatus::NotEnough : SaleStatus::UnknownSku;
            return change;
        }
        change.stock = changedWholeCount(stored, sells ? -1 : 1);
        return change;
    case MissingStock::Scanned:
        // Without a stock record nothing is made up, not even by a sale of nothing.
        if (!known) {
            change.status = sells ? SaleStatus::NotEnough : SaleStatus::UnknownSku;
            return change;
        }
        return moveFrom(Decimal::fromStored(stored).rounded(0));
    }
    return change;
}

struct PeriodWrite {
    int file; // index into the commit's period files
    QString section;
    QString key;
    QString value;
};

} // namespace

struct SaleCommit::Private {
    QString folder;
    CompanyLock lock;
    QString inventoryPath;
    QString pricePath;
    RecordFile inventory;
    RecordFile prices;
    QVector<PendingFile> periods;
    std::optional<Decimal> percent; // the tax rate, read once for the first taxable item
    bool inventoryChanged = false;
    bool written = false;
    std::optional<QHash<QString, StockLevel>> levels;

    explicit Private(const QString& companyFolder)
        : folder(companyFolder)
        , lock(companyFolder) {}

    // The recorded tax answer: "&Make a Sale" asks only about items whose flag is 1, and the
    // others record with 0; every other road's answer counts for each item. 0 becomes 6.
    int taxAnswerOf(const SaleRequest& request) const {
        const bool asked =
            request.missing == MissingStock::CountsAsZero ||
                    request.missing == MissingStock::Refused
                ? flagAsksTax(prices.value(ItemRecords::Tax, request.sku, ItemRecords::Taxable))
                : true;
        return asked && request.taxAnswer != TaxNotAsked ? request.taxAnswer : int(TaxYes);
    }

    QVector<PeriodWrite> periodWrites(const StockChange& change, const QString& sku,
                                      int taxAnswer) {
        QVector<PeriodWrite> writes;
        if (!change.recorded || periods.isEmpty())
            return writes;
        const QString zero = QStringLiteral("0");
        const QVector<PeriodStep> steps =
            periodSteps(change.movement, sku, change.units,
                        saleAmountsFrom(prices, sku, change.units, taxAnswer, percent));
        // The steps' keys differ, so these are the sums of the step-by-step reading.
        for (int f = 0; f < periods.size(); ++f)
            for (const PeriodStep& step : steps) {
                const Decimal current =
                    Decimal::fromStored(periods[f].file.value(step.section, step.key, zero));
                writes.push_back({f, step.section, step.key, (current + step.amount).toString()});
            }
        return writes;
    }

    bool changed() const {
        return inventoryChanged ||
               std::any_of(periods.begin(), periods.end(),
                           [](const PendingFile& period) { return period.changed; });
    }

    void apply(const QVector<PeriodWrite>& writes) {
        for (const PeriodWrite& write : writes) {
            periods[write.file].file.write(write.section, write.key, write.value);
            periods[write.file].changed = true;
        }
    }
};

SaleCommit::SaleCommit(const QString& companyFolder, const QDate& date)
    : d(std::make_unique<Private>(companyFolder)) {
    d->inventoryPath = invCountPath(companyFolder);
    d->pricePath = priceLogPath(companyFolder);
    d->inventory = recordcache::take(d->inventoryPath);
    d->prices = recordcache::take(d->pricePath);
    QStringList periodPaths;
    if (settings::dailyLogOn())
        periodPaths << dailyPeriodFile(companyFolder, date);
    if (settings::monthlyLogOn())
        periodPaths << monthlyPeriodFile(companyFolder, date);
    for (const QString& path : periodPaths)
        d->periods.push_back(PendingFile{path, recordcache::take(path)});
}

SaleCommit::~SaleCommit() = default;

SaleResult SaleCommit::add(const SaleRequest& request) {
    SaleResult result;
    StockChange change;
    try {
        change = stockChange(d->inventory, request);
    } catch (const RuntimeError& error) {
        result.error = error;
        return result;
    }
    result.outcome.stock = change.stock;
    if (change.status != SaleStatus::Recorded) {
        result.outcome.status = change.status;
        return result;
    }
    const int taxAnswer = d->taxAnswerOf(request);
    QVector<PeriodWrite> writes;
    try {
        writes = d->periodWrites(change, request.sku, taxAnswer);
    } catch (const RuntimeError& error) {
        result.error = error;
        result.recordingFailed = true;
        return result;
    }
    d->apply(writes);
    d->inventory.write(ItemRecords::Inventory, request.sku, change.stock.toString());
    d->inventoryChanged = true;
    result.outcome = {SaleStatus::Recorded,
                      change.movement == Movement::Return,
                      change.units,
                      change.stock,
                      taxAnswer,
                      std::nullopt};
    if (change.movement == Movement::Sale) {
        if (!d->levels) // read once a sale needs them, not for every commit
            d->levels = ItemRecords::stockLevels(d->folder);
        const std::optional<qint64> minimum = d->levels->value(request.sku).minimum;
        if (minimum && change.stock <= Decimal::fromParts(*minimum, 0))
            result.outcome.lowMinimum = minimum;
    }
    return result;
}

int SaleCommit::record(Movement movement, const QString& sku, const Decimal& quantity,
                       int taxAnswer) {
    StockChange change;
    change.movement = movement;
    change.units = quantity;
    d->apply(d->periodWrites(change, sku, taxAnswer));
    return int(d->periods.size());
}

void SaleCommit::write() {
    if (d->written)
        return;
    d->written = true;
    if (d->changed()) {
        QVector<QPair<QString, QByteArray>> files;
        if (d->inventoryChanged)
            files.push_back({d->inventoryPath, d->inventory.bytes()});
        for (const PendingFile& period : d->periods)
            if (period.changed)
                files.push_back({period.path, period.file.bytes()});
        // Throws when nothing was written; then nothing is kept either.
        saveFilesTogether(files, companyJournalPath(d->folder));
    }
    recordcache::keep(d->inventoryPath, std::move(d->inventory));
    recordcache::keep(d->pricePath, std::move(d->prices));
    for (PendingFile& period : d->periods) // a period file not made yet is not kept
        recordcache::keep(period.path, std::move(period.file));
}

QVector<SaleResult> makeSales(const QString& companyFolder, const QVector<SaleRequest>& requests,
                              const QDate& date) {
    QVector<SaleResult> results(requests.size());
    std::optional<SaleCommit> commit;
    try {
        commit.emplace(companyFolder, date);
    } catch (const RuntimeError& error) {
        // The files could not be read: no request was looked at, each one failed.
        for (SaleResult& result : results)
            result.error = error;
        return results;
    }
    for (int i = 0; i < requests.size(); ++i)
        results[i] = commit->add(requests[i]);
    try {
        commit->write();
    } catch (const RuntimeError& error) {
        // Nothing was written: every recording of this commit failed.
        for (SaleResult& result : results)
            if (result.outcome.status == SaleStatus::Recorded)
                result = {SaleOutcome(), error};
    }
    return results;
}

SaleOutcome makeSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                     int taxAnswer, MissingStock missing, const QDate& date) {
    if (quantity.isZero())
        return SaleOutcome();
    const SaleResult result =
        makeSales(companyFolder, {SaleRequest{sku, quantity, taxAnswer, missing}}, date).first();
    if (result.error)
        throw *result.error;
    return result.outcome;
}
