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
#include <array>
#include <limits>
#include <tuple>

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

namespace {
qint32 checkedWholeCount(qint64 count) {
    if (count < std::numeric_limits<qint32>::min() || count > std::numeric_limits<qint32>::max())
        throw RuntimeError::overflow();
    return qint32(count);
}
} // namespace

Decimal changedWholeCount(const QString& stored, int delta) {
    return Decimal(checkedWholeCount(qint64(wholeCount(stored)) + delta));
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

bool isAsciiLine(const QByteArray& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
}

struct PeriodWrite {
    int file; // index into the commit's period files
    QString section;
    QString key;
    QString value;
};

// Units counted by SaleCommit::addUnit. A unit's steps write, in each period file, its SKU's
// count (Sales or Returns), GrossSale, NetProfit and Tax, then the same four under Totals; a
// record's line ends up where its last write put it, so each pending record remembers the step
// of its last write: line * kUnitSteps + the step's place.
constexpr int kUnitSteps = 8;
constexpr int kMaxPeriods = 2; // the daily and the monthly file
enum UnitKind { UnitSale = 0, UnitReturn = 1 };
enum Money { Gross = 0, Net = 1, Tax = 2 };

QString countSection(int kind) {
    return kind == UnitSale ? QStringLiteral("Sales") : QStringLiteral("Returns");
}

const QString& moneySection(int money) {
    static const QString sections[] = {QStringLiteral("GrossSale"), QStringLiteral("NetProfit"),
                                       QStringLiteral("Tax")};
    return sections[money];
}

// The stored numbers one kind of unit steps on under a section's keys in one period file, read
// as each step reads them (a missing record is 0, one that is not a number fails the unit).
struct PeriodBases {
    std::optional<RuntimeError> error[2][kMaxPeriods];
    bool read[2] = {false, false};
    Decimal count[2][kMaxPeriods];
    Decimal money[kMaxPeriods][3];
    qint64 units[2] = {0, 0};
    qint64 lastLine[2] = {-1, -1}; // the last unit of each kind
    qint64 lastAny = -1;

    // keys: the section and key of the count, GrossSale, NetProfit and Tax steps, in order.
    void readFrom(const QVector<PendingFile>& periods, int kind,
                  const std::array<std::pair<QString, QString>, 4>& keys) {
        read[kind] = true;
        const QString zero = QStringLiteral("0");
        for (int f = 0; f < periods.size(); ++f) {
            const RecordFile& file = periods[f].file;
            try {
                count[kind][f] =
                    Decimal::fromStored(file.value(keys[0].first, keys[0].second, zero));
                for (int m = Gross; m <= Tax; ++m)
                    money[f][m] = Decimal::fromStored(
                        file.value(keys[m + 1].first, keys[m + 1].second, zero));
            } catch (const RuntimeError& failed) {
                error[kind][f] = failed;
            }
        }
    }
    void note(int kind, qint64 line) {
        ++units[kind];
        lastLine[kind] = line;
        lastAny = line;
    }
};

// One SKU's part of the units: its stock record as read, then its count as the units leave it.
struct UnitSku {
    bool known = false;
    QString stored;
    std::optional<RuntimeError> stockError;
    std::optional<qint32> count; // once a unit changed it
    qint64 stockLine = -1;
    bool priced = false;
    std::optional<RuntimeError> priceError;
    SaleAmounts unit; // the money of one unit sold
    std::optional<std::optional<qint64>> minimum;
    PeriodBases periods;
};

// A pending record of the units, with its value in each period file.
struct UnitWrite {
    qint64 order;
    QString section;
    QString key;
    Decimal value[kMaxPeriods];
};

} // namespace

struct UnitMemory::Private {
    QStringList paths; // the files of the last commit, with the numbers they were kept under
    std::vector<quint64> generations;
    QHash<QString, UnitSku> units;
    PeriodBases totals;
    std::optional<Decimal> percent;
    int taxAnswer = TaxNotAsked;
    qint64 lines = 0;
};

UnitMemory::UnitMemory()
    : d(std::make_unique<Private>()) {}

UnitMemory::~UnitMemory() = default;

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
    // Units counted since the last flush, all with one tax answer.
    QHash<QString, UnitSku> units;
    PeriodBases unitTotals;
    int unitTaxAnswer = TaxNotAsked;
    qint64 unitLines = 0;

    QStringList paths;                // inventory, prices, then the period files
    std::vector<quint64> generations; // of each as taken from the kept copies (0: read)
    UnitMemory* memory = nullptr;

    explicit Private(const QString& companyFolder)
        : folder(companyFolder)
        , lock(companyFolder) {}

    // Goes on from the run's last commit, but for the records other programs changed since.
    void adopt(UnitMemory* from, const QByteArrayList& changed) {
        memory = from;
        UnitMemory::Private& kept = *from->d;
        const bool unchanged =
            kept.paths == paths && kept.generations == generations &&
            std::none_of(generations.begin(), generations.end(), [](quint64 g) { return g == 0; });
        if (unchanged) {
            forgetChanged(kept, changed);
            units = std::move(kept.units);
            unitTotals = kept.totals;
            unitTaxAnswer = kept.taxAnswer;
            unitLines = kept.lines;
            // The stock minimums and the tax rate are read by each commit afresh.
            std::optional<Decimal> rate;
            if (kept.percent) {
                try {
                    rate = Decimal::fromStored(settings::taxPercent(QStringLiteral("0")));
                } catch (const RuntimeError&) {
                }
            }
            const bool samePrices = rate == kept.percent;
            percent = samePrices ? kept.percent : std::nullopt;
            for (UnitSku& unit : units) {
                unit.minimum.reset();
                if (!samePrices) {
                    unit.priced = false;
                    unit.priceError.reset();
                }
            }
        }
        kept.units.clear();
        kept.generations.clear();
    }

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

    // Drops what the run knows of the records in the changed lines: every SKU such a line may
    // be of ("Section\\SKU=value", where the SKU may hold "=" too), and the totals.
    static void forgetChanged(UnitMemory::Private& kept, const QByteArrayList& changed) {
        for (const QByteArray& line : changed) {
            const qsizetype slash = line.indexOf('\\');
            if (slash < 0)
                continue;             // no record: no lookup finds it
            if (!isAsciiLine(line)) { // a SKU spelled otherwise: all is read again
                kept.units.clear();
                kept.totals = PeriodBases();
                return;
            }
            if (line.startsWith("Totals\\"))
                kept.totals = PeriodBases();
            for (qsizetype eq = line.indexOf('=', slash); eq >= 0; eq = line.indexOf('=', eq + 1))
                kept.units.remove(QString::fromLatin1(line.mid(slash + 1, eq - slash - 1)));
        }
    }

    UnitSku& unitOf(const QString& sku) {
        auto found = units.find(sku);
        if (found != units.end())
            return *found;
        UnitSku& unit = units[sku];
        unit.known = inventory.contains(ItemRecords::Inventory, sku);
        unit.stored = inventory.value(ItemRecords::Inventory, sku, ItemRecords::ZeroStock);
        try {
            storedSkuNumber(unit.stored, QStringLiteral("stock"), sku);
        } catch (const RuntimeError& error) {
            unit.stockError = error;
        }
        return unit;
    }

    // Why a unit of this kind cannot be recorded in the period files, checked in the order the
    // steps read the records; the records are read the first time.
    std::optional<RuntimeError> periodError(UnitSku& unit, const QString& sku, int kind) {
        if (!unit.priced) {
            unit.priced = true;
            try {
                unit.unit = saleAmountsFrom(prices, sku, Decimal(1), unitTaxAnswer, percent);
            } catch (const RuntimeError& error) {
                unit.priceError = error;
            }
        }
        if (unit.priceError)
            return unit.priceError;
        const QString totals = QStringLiteral("Totals");
        if (!unit.periods.read[kind])
            unit.periods.readFrom(periods, kind,
                                  {{{countSection(kind), sku},
                                    {moneySection(Gross), sku},
                                    {moneySection(Net), sku},
                                    {moneySection(Tax), sku}}});
        if (!unitTotals.read[kind])
            unitTotals.readFrom(periods, kind,
                                {{{totals, countSection(kind)},
                                  {totals, moneySection(Gross)},
                                  {totals, moneySection(Net)},
                                  {totals, moneySection(Tax)}}});
        for (int f = 0; f < periods.size(); ++f) {
            if (unit.periods.error[kind][f])
                return unit.periods.error[kind][f];
            if (unitTotals.error[kind][f])
                return unitTotals.error[kind][f];
        }
        return std::nullopt;
    }

    // Works the counted units out into the files in memory, one write per record, and keeps
    // what they now hold as the numbers read.
    void flushUnits() {
        std::vector<std::tuple<qint64, const QString*, qint32>> stock;
        std::vector<UnitWrite> writes;
        const int files = int(periods.size());
        const QString totals = QStringLiteral("Totals");
        Decimal totalChange[kMaxPeriods * 3];
        // The records of one SKU or of the totals, at their last steps; change: what the units
        // add to GrossSale, NetProfit and Tax in each file.
        const auto pend = [&](PeriodBases& bases, const auto& countKey, const auto& moneyKey,
                              const Decimal* change, int offset) {
            for (int kind : {UnitSale, UnitReturn}) {
                if (bases.units[kind] == 0)
                    continue;
                UnitWrite write{bases.lastLine[kind] * kUnitSteps + offset,
                                countKey(kind).first,
                                countKey(kind).second,
                                {}};
                for (int f = 0; f < files; ++f)
                    write.value[f] = bases.count[kind][f] =
                        bases.count[kind][f] + Decimal::fromParts(bases.units[kind], 0);
                writes.push_back(std::move(write));
                bases.units[kind] = 0;
                bases.lastLine[kind] = -1;
            }
            for (int m = Gross; m <= Tax; ++m) {
                UnitWrite write{bases.lastAny * kUnitSteps + offset + 1 + m,
                                moneyKey(m).first,
                                moneyKey(m).second,
                                {}};
                for (int f = 0; f < files; ++f)
                    write.value[f] = bases.money[f][m] = bases.money[f][m] + change[f * 3 + m];
                writes.push_back(std::move(write));
            }
            bases.lastAny = -1;
        };
        for (auto it = units.begin(); it != units.end(); ++it) {
            UnitSku& unit = it.value();
            if (unit.stockLine < 0)
                continue;
            stock.emplace_back(unit.stockLine, &it.key(), *unit.count);
            unit.stockLine = -1;
            if (unit.periods.lastAny < 0)
                continue;
            const Decimal net = Decimal::fromParts(
                unit.periods.units[UnitSale] - unit.periods.units[UnitReturn], 0);
            const Decimal unitMoney[3] = {unit.unit.gross, unit.unit.net(), unit.unit.tax};
            Decimal change[kMaxPeriods * 3];
            for (int f = 0; f < files; ++f)
                for (int m = Gross; m <= Tax; ++m) {
                    change[f * 3 + m] = net * unitMoney[m];
                    totalChange[f * 3 + m] += change[f * 3 + m];
                }
            const QString& sku = it.key();
            pend(
                unit.periods,
                [&](int kind) { return std::pair<QString, QString>(countSection(kind), sku); },
                [&](int m) { return std::pair<QString, QString>(moneySection(m), sku); }, change,
                0);
        }
        if (unitTotals.lastAny >= 0)
            pend(
                unitTotals,
                [&](int kind) { return std::pair<QString, QString>(totals, countSection(kind)); },
                [&](int m) { return std::pair<QString, QString>(totals, moneySection(m)); },
                totalChange, 4);
        std::sort(stock.begin(), stock.end());
        for (const auto& [line, sku, count] : stock)
            inventory.write(ItemRecords::Inventory, *sku, Decimal(count).toString());
        if (writes.empty())
            return;
        std::sort(writes.begin(), writes.end(),
                  [](const UnitWrite& a, const UnitWrite& b) { return a.order < b.order; });
        for (int f = 0; f < files; ++f) {
            for (const UnitWrite& write : writes)
                periods[f].file.write(write.section, write.key, write.value[f].toString());
            periods[f].changed = true;
        }
    }

    // Before a request of another kind, which changes records behind the units' back: they are
    // written, and read again by the next unit.
    void settleUnits() {
        flushUnits();
        units.clear();
        unitTotals = PeriodBases();
    }

    void apply(const QVector<PeriodWrite>& writes) {
        for (const PeriodWrite& write : writes) {
            periods[write.file].file.write(write.section, write.key, write.value);
            periods[write.file].changed = true;
        }
    }
};

SaleCommit::SaleCommit(const QString& companyFolder, const QDate& date, UnitMemory* memory)
    : d(std::make_unique<Private>(companyFolder)) {
    d->inventoryPath = invCountPath(companyFolder);
    d->pricePath = priceLogPath(companyFolder);
    d->paths << d->inventoryPath << d->pricePath;
    if (settings::dailyLogOn())
        d->paths << dailyPeriodFile(companyFolder, date);
    if (settings::monthlyLogOn())
        d->paths << monthlyPeriodFile(companyFolder, date);
    d->generations.resize(size_t(d->paths.size()));
    QByteArrayList changed; // by other programs since the run's last commit
    QByteArrayList* const told = memory ? &changed : nullptr;
    d->inventory = recordcache::take(d->inventoryPath, &d->generations[0], told);
    d->prices = recordcache::take(d->pricePath, &d->generations[1], told);
    for (int i = 2; i < d->paths.size(); ++i)
        d->periods.push_back(PendingFile{
            d->paths[i], recordcache::take(d->paths[i], &d->generations[size_t(i)], told)});
    if (memory)
        d->adopt(memory, changed);
}

SaleCommit::~SaleCommit() = default;

SaleResult SaleCommit::add(const SaleRequest& request) {
    d->settleUnits(); // the request reads the records the units change
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

SaleResult SaleCommit::addUnit(const QString& sku, bool isReturn, int taxAnswer) {
    const int answer = taxAnswer != TaxNotAsked ? taxAnswer : int(TaxYes);
    if (answer != d->unitTaxAnswer) { // the money counted so far is of the other answer
        d->flushUnits();
        for (UnitSku& unit : d->units)
            unit.priced = false;
        d->unitTaxAnswer = answer;
    }
    SaleResult result;
    UnitSku& unit = d->unitOf(sku);
    if (unit.stockError) {
        result.error = unit.stockError;
        return result;
    }
    // Only the exact text "0" is out of stock; a count written here is "0" exactly when it is 0.
    const bool refused = unit.count ? !isReturn && *unit.count == 0
                                    : (isReturn ? !unit.known : unit.stored == QLatin1String("0"));
    if (refused) {
        result.outcome.status = isReturn ? SaleStatus::UnknownSku : SaleStatus::NotEnough;
        return result;
    }
    qint32 stock = 0;
    try {
        const int delta = isReturn ? 1 : -1;
        stock = unit.count ? checkedWholeCount(qint64(*unit.count) + delta)
                           : checkedWholeCount(qint64(wholeCount(unit.stored)) + delta);
    } catch (const RuntimeError& error) {
        result.error = error;
        return result;
    }
    const int kind = isReturn ? UnitReturn : UnitSale;
    if (!d->periods.isEmpty()) {
        if (std::optional<RuntimeError> error = d->periodError(unit, sku, kind)) {
            result.error = std::move(error);
            result.recordingFailed = true;
            return result;
        }
        unit.periods.note(kind, d->unitLines);
        d->unitTotals.note(kind, d->unitLines);
    }
    unit.count = stock;
    unit.stockLine = d->unitLines++;
    d->inventoryChanged = true;
    result.outcome = {SaleStatus::Recorded, isReturn, Decimal(1),
                      Decimal(stock),       answer,   std::nullopt};
    if (!isReturn) {
        if (!unit.minimum) {
            if (!d->levels)
                d->levels = ItemRecords::stockLevels(d->folder);
            unit.minimum = d->levels->value(sku).minimum;
        }
        if (*unit.minimum && stock <= **unit.minimum)
            result.outcome.lowMinimum = *unit.minimum;
    }
    return result;
}

int SaleCommit::record(Movement movement, const QString& sku, const Decimal& quantity,
                       int taxAnswer) {
    d->settleUnits();
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
    d->flushUnits();
    if (d->changed()) {
        // In parts: the lines kept are written from the bytes read, not copied first.
        QVector<QPair<QString, QByteArrayList>> files;
        if (d->inventoryChanged)
            files.push_back({d->inventoryPath, d->inventory.parts()});
        for (const PendingFile& period : d->periods)
            if (period.changed)
                files.push_back({period.path, period.file.parts()});
        // Throws when nothing was written; then nothing is kept either.
        saveFilesTogether(files, companyJournalPath(d->folder));
    }
    d->generations[0] = recordcache::keep(d->inventoryPath, std::move(d->inventory));
    d->generations[1] = recordcache::keep(d->pricePath, std::move(d->prices));
    for (int i = 0; i < d->periods.size(); ++i) // a period file not made yet is not kept
        d->generations[size_t(i) + 2] =
            recordcache::keep(d->periods[i].path, std::move(d->periods[i].file));
    if (d->memory) {
        UnitMemory::Private& kept = *d->memory->d;
        kept.paths = d->paths;
        kept.generations = d->generations;
        kept.units = std::move(d->units);
        kept.totals = d->unitTotals;
        kept.percent = d->percent;
        kept.taxAnswer = d->unitTaxAnswer;
        kept.lines = d->unitLines;
    }
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
