// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/items.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/decimal.h"
#include "manager/store/filesystem.h"
#include "manager/store/numbertext.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cmath>

namespace {
const QString kTitles = QStringLiteral("Titles");
const QString kCost = QStringLiteral("Cost");
const QString kPrices = QStringLiteral("Prices");
const QString kTax = QStringLiteral("Tax");
const QString kInventory = QStringLiteral("Inventory");
const QString kZeroMoney = QStringLiteral("0.00");

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

// The empty writes that remove a SKU's four records, in the order "Tax", "Cost", "Prices",
// then "Inventory".
void removeSkuRecords(RecordFile& priceLog, RecordFile& invCount, const QString& sku) {
    priceLog.write(kTax, sku, QString());
    priceLog.write(kCost, sku, QString());
    priceLog.write(kPrices, sku, QString());
    invCount.write(kInventory, sku, QString());
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
    const RecordFile priceLog = RecordFile::load(priceLogPath(companyFolder));
    const RecordFile invCount = RecordFile::load(invCountPath(companyFolder));
    ItemRecord item;
    item.profitCenter = profitCenter;
    item.title = title;
    item.sku = titles.value(kTitles, title, QStringLiteral("None"));
    item.tax = static_cast<int>(leadingNumber(priceLog.value(kTax, item.sku, QStringLiteral("1"))));
    item.cost = priceLog.value(kCost, item.sku, kZeroMoney);
    item.price = priceLog.value(kPrices, item.sku, kZeroMoney);
    item.inStock = invCount.value(kInventory, item.sku, QStringLiteral("0"));
    item.editing = true;
    return item;
}

bool titleExists(const QString& companyFolder, const QString& profitCenter, const QString& title) {
    return RecordFile::load(profitCenterPath(companyFolder, profitCenter)).contains(kTitles, title);
}

bool skuExists(const QString& companyFolder, const QString& sku) {
    return RecordFile::load(invCountPath(companyFolder)).contains(kInventory, sku);
}

SaveOutcome saveItem(const QString& companyFolder, ItemRecord item,
                     const std::optional<ItemIdentity>& old,
                     const std::function<bool(ItemQuestion)>& confirm) {
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
    checkStoreName(item.profitCenter);

    const QString targetPath = profitCenterPath(companyFolder, item.profitCenter);
    RecordFile target = RecordFile::loadForWrite(targetPath);
    RecordFile invCount = RecordFile::loadForWrite(invCountPath(companyFolder));

    if (!old) {
        if (target.contains(kTitles, item.title) && !confirm(ItemQuestion::Overwrite))
            return SaveOutcome::Declined;
        if (invCount.contains(kInventory, item.sku) && !confirm(ItemQuestion::MultipleSku))
            return SaveOutcome::Declined;
    } else if (item.sku != old->sku && invCount.contains(kInventory, item.sku) &&
               !confirm(ItemQuestion::MultipleSku)) {
        return SaveOutcome::Declined;
    }

    // The questions are asked without the company's lock, so sales elsewhere never wait for the
    // user; the change itself reads the files afresh under it.
    const CompanyLock lock(companyFolder);
    target = RecordFile::loadForWrite(targetPath);
    invCount = RecordFile::loadForWrite(invCountPath(companyFolder));
    RecordFile priceLog = RecordFile::loadForWrite(priceLogPath(companyFolder));
    const bool moved = old && (item.profitCenter != old->profitCenter || item.title != old->title ||
                               item.sku != old->sku);
    const bool samePlace = old && item.profitCenter == old->profitCenter;
    std::optional<RecordFile> oldFile;
    QString oldPath;
    if (moved) {
        checkStoreName(old->profitCenter);
        if (samePlace) {
            target.write(kTitles, old->title, QString());
        } else if (QFileInfo(profitCenterPath(companyFolder, old->profitCenter)).isFile()) {
            // A profit center deleted meanwhile is not brought back by removing its line.
            oldPath = profitCenterPath(companyFolder, old->profitCenter);
            oldFile = RecordFile::loadForWrite(oldPath);
            oldFile->write(kTitles, old->title, QString());
        }
    }
    target.write(kTitles, item.title, item.sku);

    // The old SKU keeps its records while any title, after this save, still points to it.
    // A SKU written again below needs no removal: its writes replace the old lines anyway.
    if (moved && item.sku != old->sku) {
        QHash<QString, const RecordFile*> pending{{item.profitCenter, &target}};
        if (oldFile)
            pending.insert(old->profitCenter, &*oldFile);
        if (!pointedSkus(companyFolder, pending).contains(old->sku))
            removeSkuRecords(priceLog, invCount, old->sku);
    }

    priceLog.write(kCost, item.sku, item.cost);
    priceLog.write(kPrices, item.sku, item.price);
    priceLog.write(kTax, item.sku, item.tax ? QStringLiteral("1") : QStringLiteral("0"));
    if (!item.keepStoredStock || !invCount.contains(kInventory, item.sku))
        invCount.write(kInventory, item.sku, item.inStock);

    // All or nothing; the SKU records go first, so no title ever points to missing records.
    QVector<QPair<QString, QByteArray>> files{{priceLogPath(companyFolder), priceLog.bytes()},
                                              {invCountPath(companyFolder), invCount.bytes()},
                                              {targetPath, target.bytes()}};
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
    RecordFile priceLog = RecordFile::loadForWrite(priceLogPath(companyFolder));
    RecordFile invCount = RecordFile::loadForWrite(invCountPath(companyFolder));
    for (const QString& sku : unused)
        removeSkuRecords(priceLog, invCount, sku);
    saveFilesTogether({{priceLogPath(companyFolder), priceLog.bytes()},
                       {invCountPath(companyFolder), invCount.bytes()}},
                      companyJournalPath(companyFolder));
}

void removeItem(const QString& companyFolder, const QString& profitCenter, const QString& title,
                const QString& sku) {
    checkStoreName(profitCenter);
    const CompanyLock lock(companyFolder);
    const QString path = profitCenterPath(companyFolder, profitCenter);
    RecordFile file = RecordFile::loadForWrite(path);
    file.write(kTitles, title, QString());
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
