// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/companystore.h"

#include "manager/store/filesystem.h"
#include "manager/store/items.h"

#include "manager/store/pathtext.h"
#include "manager/store/recordfile.h"
#include "manager/store/recordlines.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <list>
#include <vector>

QString defaultCompanyRoot() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return AddBackslash(QDir::toNativeSeparators(base + QStringLiteral("/Tallyvane/Companies")));
}

QString companyRoot() {
    // A blank setting (a damaged or hand-edited settings file) means the default root: it must
    // never become the file system's root, where Delete would reach system folders.
    const QString stored = settings::companyRootText(defaultCompanyRoot());
    if (stored.trimmed().isEmpty())
        return defaultCompanyRoot();
    // A root typed without its trailing separator would otherwise glue company names to it.
    return AddBackslash(stored);
}

QString companyFolder(const QString& root, const QString& company) {
    return AddBackslash(root) + company + pathSeparator();
}

bool isStoreName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        isTemporaryStoreFile(name))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

void checkStoreName(const QString& name) {
    if (!isStoreName(name))
        throw RuntimeError::badFileName();
}

QString logsFolder(const QString& companyFolder) {
    return companyFolder + QStringLiteral("Logs") + pathSeparator();
}
QString reportsFolder(const QString& companyFolder) {
    return companyFolder + QStringLiteral("Reports") + pathSeparator();
}
QString priceLogPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("PriceLog");
}
QString invCountPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("InvCount");
}
QString storefrontPath(const QString& companyFolder) {
    return logsFolder(companyFolder) + QStringLiteral("Storefront");
}

namespace {
QStringList sortedEntries(const QString& folder, QDir::Filters filters) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        throw RuntimeError::pathNotFound();
    QStringList names =
        dir.entryList(filters | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
    names.erase(std::remove_if(names.begin(), names.end(), isTemporaryStoreFile), names.end());
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}
} // namespace

QStringList listCompanies(const QString& root) {
    return sortedEntries(root, QDir::Dirs);
}

QStringList listProfitCenters(const QString& companyFolder) {
    return sortedEntries(companyFolder, QDir::Files);
}

namespace {
QByteArray recordBytes(const QString& path) {
    QByteArray bytes;
    readRecordBytes(path, &bytes);
    return bytes;
}

// A value as stored in a line: its bytes, and whether the line is Windows-1252 (a line that is
// not valid UTF-8 is read whole that way, as GetINIString reads it).
struct StoredValue {
    QByteArrayView bytes;
    bool legacy = false;
};

// The first value of each of a SKU's four records; a null value is a missing record.
struct SkuValues {
    StoredValue cost, price, tax, stock;
};
// Keyed by the SKU's UTF-8 bytes, whichever way the line spells it.
using SkuTable = QHash<QByteArrayView, SkuValues>;
struct SectionSlot {
    QByteArrayView prefix;
    StoredValue SkuValues::*slot;
};

// The text of a line holding non-ASCII bytes, as a read decodes it: UTF-8, or Windows-1252 when
// the line is not valid UTF-8.
bool isLegacyLine(QByteArrayView line) {
    return !isUtf8(line);
}

// Takes the "Section\\key=value" lines of the given sections and keeps the first value of each
// key, as a read finds it. Keys are split at the first "="; keys holding "=" themselves are
// found only when listed in keysWithEquals, by trying every "=" of the line. The UTF-8 spellings
// of Windows-1252 keys are kept in spelled, which must outlive the table.
void collectValues(const QByteArray& bytes, const QList<SectionSlot>& sections, SkuTable* table,
                   std::list<QByteArray>* spelled,
                   const QSet<QByteArrayView>& keysWithEquals = {}) {
    auto keep = [&](QByteArrayView key, QByteArrayView value, bool legacy,
                    StoredValue SkuValues::*slot) {
        if (legacy) {
            spelled->push_back(decodeWindows1252(key).toUtf8());
            key = spelled->back();
        }
        StoredValue& kept = (*table)[key].*slot;
        if (kept.bytes.isNull())
            kept = {value, legacy};
    };
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        for (const SectionSlot& section : sections) {
            if (!line.startsWith(section.prefix))
                continue;
            const bool legacy = isLegacyLine(line);
            const QByteArrayView rest = line.sliced(section.prefix.size());
            qsizetype eq = rest.indexOf('=');
            if (eq >= 0)
                keep(rest.first(eq), rest.sliced(eq + 1), legacy, section.slot);
            if (!keysWithEquals.isEmpty()) {
                while ((eq = rest.indexOf('=', eq + 1)) >= 0) {
                    const QByteArray key = legacy ? decodeWindows1252(rest.first(eq)).toUtf8()
                                                  : rest.first(eq).toByteArray();
                    if (keysWithEquals.contains(key))
                        keep(rest.first(eq), rest.sliced(eq + 1), legacy, section.slot);
                }
            }
            return;
        }
    });
}

QString decodeValue(const StoredValue& stored) {
    return stored.legacy ? decodeWindows1252(stored.bytes) : decodeStoreText(stored.bytes);
}

// A record's text, or the default when it is missing.
QString recordText(const StoredValue& stored, const QString& defaultValue) {
    if (stored.bytes.isNull())
        return defaultValue;
    // Only a value holding ">" can hold a stored line break.
    return stored.bytes.contains('>') ? unescapeRecordValue(decodeValue(stored))
                                      : decodeValue(stored);
}

// A section's prefix as it stands at the start of a record line: "Cost" -> "Cost\\".
QByteArray linePrefix(const QString& section) {
    return section.toUtf8() + '\\';
}

} // namespace

namespace {
// The items of a profit center file before their SKUs' records: titles in line order, each with
// the SKU of its title's first line and that SKU's UTF-8 key.
struct TitledSkus {
    QStringList titles;
    QStringList skus;
    QVector<QByteArray> keys;
};

TitledSkus readTitledSkus(const QString& profitCenterPath) {
    const QByteArray titleBytes = recordBytes(profitCenterPath);
    const QByteArray titlesPrefix = linePrefix(ItemRecords::Titles);

    // Every "Titles" line is an item; its SKU is the value of the first line of its title. One
    // hash look-up a line: each title keeps the line that first names it.
    TitledSkus titled;
    const qsizetype lines = titleBytes.count('\n') + 1;
    titled.titles.reserve(lines);
    std::vector<StoredValue> skuOfLine;
    std::vector<qsizetype> firstLine;
    skuOfLine.reserve(size_t(lines));
    firstLine.reserve(size_t(lines));
    struct FirstLine {
        qsizetype at = -1;
    };
    QHash<QString, FirstLine> firstOf;
    firstOf.reserve(lines);
    forEachRecordLine(titleBytes, [&](QByteArrayView line) {
        if (!line.startsWith(titlesPrefix))
            return;
        const QByteArrayView rest = line.sliced(titlesPrefix.size());
        const qsizetype eq = rest.indexOf('=');
        if (eq < 0)
            return;
        const bool legacy = isLegacyLine(line);
        const qsizetype at = titled.titles.size();
        titled.titles << decodeValue({rest.first(eq), legacy});
        skuOfLine.push_back({rest.sliced(eq + 1), legacy});
        FirstLine& first = firstOf[titled.titles.last()];
        if (first.at < 0)
            first.at = at;
        firstLine.push_back(first.at);
    });

    // Records are found by the SKU's text, whichever way a line spells it; a repeated title
    // shares the SKU of its first line.
    titled.skus.reserve(titled.titles.size());
    titled.keys.reserve(titled.titles.size());
    for (qsizetype i = 0; i < titled.titles.size(); ++i) {
        const qsizetype first = firstLine[size_t(i)];
        if (first < i) {
            titled.skus << titled.skus[first];
            titled.keys << titled.keys[first];
            continue;
        }
        titled.skus << recordText(skuOfLine[size_t(i)], QString());
        titled.keys << encodeStoreText(titled.skus.last());
    }
    return titled;
}

// The first value of each SKU's four records, from "Logs/PriceLog" and "Logs/InvCount" read once.
// Keys holding "=" are found only when listed in keysWithEquals.
struct SkuRecords {
    QByteArray priceBytes;
    QByteArray stockBytes;
    std::list<QByteArray> spelled;
    SkuTable table;

    SkuRecords(const QString& companyFolder, const QSet<QByteArrayView>& keysWithEquals,
               qsizetype expected)
        : priceBytes(recordBytes(priceLogPath(companyFolder)))
        , stockBytes(recordBytes(invCountPath(companyFolder))) {
        table.reserve(expected);
        const QByteArray cost = linePrefix(ItemRecords::Cost);
        const QByteArray prices = linePrefix(ItemRecords::Prices);
        const QByteArray tax = linePrefix(ItemRecords::Tax);
        const QByteArray inventory = linePrefix(ItemRecords::Inventory);
        collectValues(
            priceBytes,
            {{cost, &SkuValues::cost}, {prices, &SkuValues::price}, {tax, &SkuValues::tax}}, &table,
            &spelled, keysWithEquals);
        collectValues(stockBytes, {{inventory, &SkuValues::stock}}, &table, &spelled,
                      keysWithEquals);
    }

    void fill(StoreItem* item, const QByteArray& key) const {
        const SkuValues values = table.value(key);
        item->cost = recordText(values.cost, ItemRecords::ZeroMoney);
        item->price = recordText(values.price, ItemRecords::ZeroMoney);
        item->tax = recordText(values.tax, ItemRecords::Taxable);
        item->stock = recordText(values.stock, ItemRecords::ZeroStock);
    }
};

void addKeysWithEquals(const TitledSkus& titled, std::list<QByteArray>* kept,
                       QSet<QByteArrayView>* keys) {
    for (const QByteArray& key : titled.keys)
        if (key.contains('=') && !keys->contains(key)) {
            kept->push_back(key);
            keys->insert(kept->back());
        }
}
} // namespace

QVector<StoreItem> readItems(const QString& companyFolder, const QString& profitCenter) {
    const TitledSkus titled = readTitledSkus(companyFolder + profitCenter);
    if (titled.titles.isEmpty())
        return {};
    std::list<QByteArray> kept;
    QSet<QByteArrayView> keysWithEquals;
    addKeysWithEquals(titled, &kept, &keysWithEquals);
    const SkuRecords records(companyFolder, keysWithEquals, titled.titles.size());

    QVector<StoreItem> items;
    items.reserve(titled.titles.size());
    for (qsizetype i = 0; i < titled.titles.size(); ++i) {
        StoreItem item;
        item.title = titled.titles[i];
        item.sku = titled.skus[i];
        records.fill(&item, titled.keys[i]);
        items.push_back(std::move(item));
    }
    return items;
}

bool forEachItem(const QString& companyFolder, const QStringList& profitCenters,
                 const std::function<void(const StoreItem& item)>& visit,
                 const std::function<bool(int done)>& afterProfitCenter) {
    // A first look at the titles counts them and finds the SKUs that may hold "=" (the value of
    // a line with a second "="), which the records' reading must know.
    std::list<QByteArray> kept;
    QSet<QByteArrayView> keysWithEquals;
    qsizetype titles = 0;
    const QByteArray titlesPrefix = linePrefix(ItemRecords::Titles);
    for (const QString& profitCenter : profitCenters)
        forEachRecordLine(recordBytes(companyFolder + profitCenter), [&](QByteArrayView line) {
            if (!line.startsWith(titlesPrefix))
                return;
            ++titles;
            const QByteArrayView rest = line.sliced(titlesPrefix.size());
            const qsizetype eq = rest.indexOf('=');
            if (eq < 0 || rest.indexOf('=', eq + 1) < 0)
                return;
            const QByteArray key =
                encodeStoreText(recordText({rest.sliced(eq + 1), isLegacyLine(line)}, QString()));
            if (key.contains('=') && !keysWithEquals.contains(key)) {
                kept.push_back(key);
                keysWithEquals.insert(kept.back());
            }
        });
    const SkuRecords records(companyFolder, keysWithEquals, titles);
    StoreItem item;
    for (int c = 0; c < profitCenters.size(); ++c) {
        const TitledSkus titled = readTitledSkus(companyFolder + profitCenters[c]);
        for (qsizetype i = 0; i < titled.titles.size(); ++i) {
            item.title = titled.titles[i];
            item.sku = titled.skus[i];
            records.fill(&item, titled.keys[i]);
            visit(item);
        }
        if (afterProfitCenter && !afterProfitCenter(c + 1))
            return false;
    }
    return true;
}
