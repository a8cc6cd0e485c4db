// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/items.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/decimal.h"
#include "manager/store/filesystem.h"
#include "manager/store/numbertext.h"
#include "manager/store/recordcache.h"
#include "manager/store/recordfile.h"
#include "manager/store/recordlines.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <cmath>

const QString ItemRecords::Titles = QStringLiteral("Titles");
const QString ItemRecords::Cost = QStringLiteral("Cost");
const QString ItemRecords::Prices = QStringLiteral("Prices");
const QString ItemRecords::Tax = QStringLiteral("Tax");
const QString ItemRecords::Inventory = QStringLiteral("Inventory");
const QString ItemRecords::Minimum = QStringLiteral("Minimum");
const QString ItemRecords::Order = QStringLiteral("Order");
const QString ItemRecords::ZeroMoney = QStringLiteral("0.00");
const QString ItemRecords::ZeroStock = QStringLiteral("0");
const QString ItemRecords::Taxable = QStringLiteral("1");
const QString ItemRecords::NoSku = QStringLiteral("None");

ItemRecords::ItemRecords(const QString& companyFolder, Access access)
    : m_folder(companyFolder) {
    const auto load = access == Access::Write ? &RecordFile::loadForWrite : &RecordFile::load;
    m_prices = load(priceLogPath(companyFolder));
    m_stock = load(invCountPath(companyFolder));
    m_levels = load(levelsPath(companyFolder));
}

QString ItemRecords::levelsPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("StockLevels");
}

bool ItemRecords::parseLevel(const QString& text, std::optional<qint64>* level) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        level->reset();
        return true;
    }
    // Digits only: no sign, no decimals, no exponent.
    bool ok = std::all_of(trimmed.begin(), trimmed.end(),
                          [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    const qint64 value = ok ? trimmed.toLongLong(&ok) : 0;
    if (!ok)
        return false;
    *level = value;
    return true;
}

namespace {
std::optional<qint64> storedLevel(const QString& text) {
    std::optional<qint64> level;
    return ItemRecords::parseLevel(text, &level) ? level : std::nullopt;
}

struct KeptLevels {
    QByteArray stamp;
    QHash<QString, StockLevel> levels;
};
QMutex g_levelsMutex;
QHash<QString, KeptLevels> g_keptLevels;
} // namespace

QHash<QString, StockLevel> ItemRecords::stockLevels(const QString& companyFolder) {
    const QString path = levelsPath(companyFolder);
    const QByteArray stamp = recordcache::fileStamp(path);
    if (stamp.isEmpty())
        return {};
    {
        const QMutexLocker locker(&g_levelsMutex);
        const auto kept = g_keptLevels.constFind(path);
        if (kept != g_keptLevels.constEnd() && kept->stamp == stamp)
            return kept->levels;
    }
    // One pass over the bytes: the file holds a line per SKU and level, often 100,000s.
    QByteArray bytes;
    if (!readRecordBytes(path, &bytes))
        return {};
    const QByteArray minimumPrefix = Minimum.toUtf8() + '\\';
    const QByteArray orderPrefix = Order.toUtf8() + '\\';
    QHash<QString, StockLevel> levels;
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        const bool minimum = line.startsWith(minimumPrefix);
        if (!minimum && !line.startsWith(orderPrefix))
            return;
        const QByteArrayView rest = line.sliced((minimum ? minimumPrefix : orderPrefix).size());
        // A level holds no "=", so the SKU, which may, ends at the last one.
        const qsizetype eq = rest.lastIndexOf('=');
        if (eq <= 0)
            return;
        const QByteArrayView key = rest.first(eq);
        const QString sku = isUtf8(key) ? QString::fromUtf8(key) : decodeWindows1252(key);
        StockLevel& level = levels[sku];
        std::optional<qint64>& slot = minimum ? level.minimum : level.order;
        if (!slot) // the first line of a key is its record
            slot = storedLevel(QString::fromLatin1(rest.sliced(eq + 1)));
    });
    const QMutexLocker locker(&g_levelsMutex);
    g_keptLevels.insert(path, {stamp, levels});
    return levels;
}

QString ItemRecords::skuOf(const RecordFile& profitCenter, const QString& title,
                           const QString& defaultSku) {
    return profitCenter.value(Titles, title, defaultSku);
}

void ItemRecords::writeTitle(RecordFile& profitCenter, const QString& title, const QString& sku) {
    profitCenter.write(Titles, title, sku);
}

void ItemRecords::removeTitle(RecordFile& profitCenter, const QString& title) {
    profitCenter.write(Titles, title, QString());
}

StoreItem ItemRecords::item(const QString& title, const QString& sku) const {
    StoreItem item;
    item.title = title;
    item.sku = sku;
    item.cost = m_prices.value(Cost, sku, ZeroMoney);
    item.price = m_prices.value(Prices, sku, ZeroMoney);
    item.stock = m_stock.value(Inventory, sku, ZeroStock);
    item.tax = m_prices.value(Tax, sku, Taxable);
    return item;
}

bool ItemRecords::hasSku(const QString& sku) const {
    return m_stock.contains(Inventory, sku);
}

void ItemRecords::write(const StoreItem& item) {
    m_prices.write(Cost, item.sku, item.cost);
    m_prices.write(Prices, item.sku, item.price);
    m_prices.write(Tax, item.sku, item.tax);
    m_stock.write(Inventory, item.sku, item.stock);
}

void ItemRecords::remove(const QString& sku) {
    m_prices.write(Tax, sku, QString());
    m_prices.write(Cost, sku, QString());
    m_prices.write(Prices, sku, QString());
    m_stock.write(Inventory, sku, QString());
    setLevel(sku, StockLevel());
}

StockLevel ItemRecords::level(const QString& sku) const {
    return {storedLevel(m_levels.value(Minimum, sku, QString())),
            storedLevel(m_levels.value(Order, sku, QString()))};
}

void ItemRecords::setLevel(const QString& sku, const StockLevel& level) {
    const auto text = [](const std::optional<qint64>& value) {
        return value ? QString::number(*value) : QString();
    };
    const QString minimum = text(level.minimum);
    const QString order = text(level.order);
    // Only a change is written, so a company that never had levels keeps having no file.
    if (m_levels.value(Minimum, sku, QString()) != minimum) {
        m_levels.write(Minimum, sku, minimum);
        m_levelsChanged = true;
    }
    if (m_levels.value(Order, sku, QString()) != order) {
        m_levels.write(Order, sku, order);
        m_levelsChanged = true;
    }
}

QVector<QPair<QString, QByteArray>> ItemRecords::changedFiles() const {
    QVector<QPair<QString, QByteArray>> files{{priceLogPath(m_folder), m_prices.bytes()},
                                              {invCountPath(m_folder), m_stock.bytes()}};
    if (m_levelsChanged)
        files.push_back({levelsPath(m_folder), m_levels.bytes()});
    return files;
}

namespace {
const QString& kTitles = ItemRecords::Titles;
const QString& kZeroMoney = ItemRecords::ZeroMoney;

double checkedFinite(double value) {
    if (!std::isfinite(value))
        throw RuntimeError::overflow();
    return value;
}

// Every SKU a "Titles" line of the file may point to. A line Titles\K=V points to the text after
// any of its "=": a title holding "=" cannot be told from its SKU, so every reading counts and
// no record is removed that some title might still use.
void collectPointedSkus(const RecordFile& file, QSet<QString>* skus) {
    const QString entries = file.section(kTitles, QString());
    for (const QStringView entry : QStringView(entries).split(QStringLiteral("\r\n"))) {
        for (qsizetype eq = entry.indexOf(QLatin1Char('=')); eq >= 0;
             eq = entry.indexOf(QLatin1Char('='), eq + 1))
            skus->insert(entry.sliced(eq + 1).toString());
    }
}

// The SKUs pointed to by the titles of every profit center of the company; files named in
// pending are taken as they stand in memory instead of as stored.
QSet<QString> pointedSkus(const QString& companyFolder,
                          const QHash<QString, const RecordFile*>& pending = {}) {
    QSet<QString> skus;
    QStringList names = listProfitCenters(companyFolder);
    for (auto it = pending.begin(); it != pending.end(); ++it)
        if (!names.contains(it.key()))
            names << it.key();
    for (const QString& name : names) {
        const auto it = pending.constFind(name);
        if (it != pending.constEnd())
            collectPointedSkus(**it, &skus);
        else
            collectPointedSkus(RecordFile::load(profitCenterPath(companyFolder, name)), &skus);
    }
    return skus;
}

QStringList unusedOf(const QStringList& skus, const QSet<QString>& pointed) {
    QStringList unused;
    QSet<QString> seen;
    for (const QString& sku : skus) {
        if (!pointed.contains(sku) && !seen.contains(sku)) {
            unused << sku;
            seen.insert(sku);
        }
    }
    return unused;
}
} // namespace

QString ShowMoney(const QString& text) {
    // Exact decimal rounding, as a till rounds: 1.005 shows 1.01. A number too large is an
    // overflow.
    const Decimal cents = Decimal::fromTyped(text).rounded(2, Decimal::Halves::AwayFromZero);
    const QString money = QString::number(cents.toDouble(), 'f', 2);
    // A negative value that rounds to zero is shown as zero.
    return money == QLatin1String("-0.00") ? kZeroMoney : money;
}

QString stockText(const QString& text) {
    return generalNumber(std::fabs(checkedFinite(leadingNumber(text))));
}

bool storedNumber(const QString& text, double* value) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    *value = number;
    return true;
}

QString profitCenterPath(const QString& companyFolder, const QString& profitCenter) {
    return companyFolder + profitCenter;
}

ItemRecord readItemForEdit(const QString& companyFolder, const QString& profitCenter,
                           const QString& title) {
    const RecordFile titles = RecordFile::load(profitCenterPath(companyFolder, profitCenter));
    const StoreItem stored =
        ItemRecords(companyFolder)
            .item(title, ItemRecords::skuOf(titles, title, ItemRecords::NoSku));
    ItemRecord item;
    item.profitCenter = profitCenter;
    item.title = title;
    item.sku = stored.sku;
    item.tax = static_cast<int>(leadingNumber(stored.tax));
    item.cost = stored.cost;
    item.price = stored.price;
    item.inStock = stored.stock;
    item.editing = true;
    return item;
}

bool titleExists(const QString& companyFolder, const QString& profitCenter, const QString& title) {
    return RecordFile::load(profitCenterPath(companyFolder, profitCenter)).contains(kTitles, title);
}

bool skuExists(const QString& companyFolder, const QString& sku) {
    return ItemRecords(companyFolder).hasSku(sku);
}

SaveOutcome saveItem(const QString& companyFolder, ItemRecord item,
                     const std::optional<ItemIdentity>& old,
                     const std::function<bool(ItemQuestion)>& confirm,
                     const std::optional<StockLevel>& level) {
    if (item.price.isEmpty())
        item.price = kZeroMoney;
    if (item.cost.isEmpty())
        item.cost = kZeroMoney;
    if (item.title.isEmpty())
        return SaveOutcome::NeedTitle;
    if (item.title.contains(QLatin1Char('=')))
        return SaveOutcome::TitleHasEquals;
    if (item.inStock.isEmpty())
        return SaveOutcome::NeedInventory;
    if (item.sku.isEmpty())
        return SaveOutcome::NeedSku;
    if (item.sku.contains(QLatin1Char('=')))
        return SaveOutcome::SkuHasEquals;
    checkStoreName(item.profitCenter);

    const QString targetPath = profitCenterPath(companyFolder, item.profitCenter);
    RecordFile target = RecordFile::loadForWrite(targetPath);
    ItemRecords records(companyFolder, ItemRecords::Access::Write);

    if (!old) {
        if (target.contains(kTitles, item.title) && !confirm(ItemQuestion::Overwrite))
            return SaveOutcome::Declined;
        if (records.hasSku(item.sku) && !confirm(ItemQuestion::MultipleSku))
            return SaveOutcome::Declined;
    } else if (item.sku != old->sku && records.hasSku(item.sku) &&
               !confirm(ItemQuestion::MultipleSku)) {
        return SaveOutcome::Declined;
    }

    // The questions are asked without the company's lock, so sales elsewhere never wait for the
    // user; the change itself reads the files afresh under it.
    const CompanyLock lock(companyFolder);
    target = RecordFile::loadForWrite(targetPath);
    records = ItemRecords(companyFolder, ItemRecords::Access::Write);
    const bool moved = old && (item.profitCenter != old->profitCenter || item.title != old->title ||
                               item.sku != old->sku);
    const bool samePlace = old && item.profitCenter == old->profitCenter;
    std::optional<RecordFile> oldFile;
    QString oldPath;
    if (moved) {
        checkStoreName(old->profitCenter);
        if (samePlace) {
            ItemRecords::removeTitle(target, old->title);
        } else if (QFileInfo(profitCenterPath(companyFolder, old->profitCenter)).isFile()) {
            // A profit center deleted meanwhile is not brought back by removing its line.
            oldPath = profitCenterPath(companyFolder, old->profitCenter);
            oldFile = RecordFile::loadForWrite(oldPath);
            ItemRecords::removeTitle(*oldFile, old->title);
        }
    }
    ItemRecords::writeTitle(target, item.title, item.sku);

    // The old SKU keeps its records while any title, after this save, still points to it.
    // A SKU written again below needs no removal: its writes replace the old lines anyway.
    if (moved && item.sku != old->sku) {
        QHash<QString, const RecordFile*> pending{{item.profitCenter, &target}};
        if (oldFile)
            pending.insert(old->profitCenter, &*oldFile);
        if (!pointedSkus(companyFolder, pending).contains(old->sku))
            records.remove(old->sku);
    }

    // Sales recorded while the editor was open stay counted: an untouched stock box keeps the
    // stored count.
    QString stock = item.inStock;
    if (item.keepStoredStock && records.hasSku(item.sku))
        stock = records.stock().value(ItemRecords::Inventory, item.sku, ItemRecords::ZeroStock);
    records.write({item.title, item.sku, item.cost, item.price, stock,
                   item.tax ? ItemRecords::Taxable : QStringLiteral("0")});
    if (level)
        records.setLevel(item.sku, *level);

    // All or nothing; the SKU records go first, so no title ever points to missing records.
    QVector<QPair<QString, QByteArray>> files = records.changedFiles();
    files.push_back({targetPath, target.bytes()});
    if (oldFile)
        files.push_back({oldPath, oldFile->bytes()});
    saveFilesTogether(files, companyJournalPath(companyFolder));
    return SaveOutcome::Saved;
}

void removeUnusedSkuRecords(const QString& companyFolder, const QStringList& skus) {
    if (skus.isEmpty())
        return;
    const CompanyLock lock(companyFolder);
    const QStringList unused = unusedOf(skus, pointedSkus(companyFolder));
    if (unused.isEmpty())
        return;
    ItemRecords records(companyFolder, ItemRecords::Access::Write);
    for (const QString& sku : unused)
        records.remove(sku);
    saveFilesTogether(records.changedFiles(), companyJournalPath(companyFolder));
}

void removeItem(const QString& companyFolder, const QString& profitCenter, const QString& title,
                const QString& sku) {
    checkStoreName(profitCenter);
    const CompanyLock lock(companyFolder);
    const QString path = profitCenterPath(companyFolder, profitCenter);
    RecordFile file = RecordFile::loadForWrite(path);
    ItemRecords::removeTitle(file, title);
    file.save(path);
    removeUnusedSkuRecords(companyFolder, {sku});
}

bool addProfitCenter(const QString& companyFolder, const QString& name) {
    if (!isStoreName(name)) {
        reportError(QStringLiteral("CreateFile"), RuntimeError::badFileName());
        return false;
    }
    return CreateFile(profitCenterPath(companyFolder, name));
}

void renameProfitCenter(const QString& companyFolder, const QString& oldName,
                        const QString& newName) {
    checkStoreName(oldName);
    checkStoreName(newName);
    const CompanyLock lock(companyFolder);
    copyFileNoOverwrite(profitCenterPath(companyFolder, oldName),
                        profitCenterPath(companyFolder, newName));
    DeleteFile(profitCenterPath(companyFolder, oldName));
}

bool removeProfitCenter(const QString& companyFolder, const QString& name) {
    if (!isStoreName(name)) {
        reportError(QStringLiteral("DeleteFile"), RuntimeError::badFileName());
        return false;
    }
    const CompanyLock lock(companyFolder);
    QStringList skus;
    for (const StoreItem& item : readItems(companyFolder, name))
        skus << item.sku;
    // The file goes first: a profit center that cannot be deleted keeps its items' records.
    if (!DeleteFile(profitCenterPath(companyFolder, name)))
        return false;
    removeUnusedSkuRecords(companyFolder, skus);
    return true;
}

QString titleOfSku(const QString& companyFolder, const QString& sku) {
    for (const QString& name : listProfitCenters(companyFolder)) {
        const RecordFile file = RecordFile::load(profitCenterPath(companyFolder, name));
        for (const QString& title : file.keys(kTitles))
            if (ItemRecords::skuOf(file, title, QString()) == sku)
                return title;
    }
    return sku;
}

void saveStockLevels(const QString& companyFolder,
                     const QVector<QPair<QString, StockLevel>>& levels) {
    const CompanyLock lock(companyFolder);
    ItemRecords records(companyFolder, ItemRecords::Access::Write);
    for (const auto& [sku, level] : levels)
        records.setLevel(sku, level);
    const QVector<QPair<QString, QByteArray>> files = records.changedFiles();
    if (files.size() > 2)
        saveFilesTogether({files.last()}, companyJournalPath(companyFolder));
}
