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
#include <array>
#include <cstring>
#include <list>
#include <optional>
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

// The text of a line holding non-ASCII bytes, as a read decodes it: UTF-8, or Windows-1252 when
// the line is not valid UTF-8 (GetINIString reads such a line whole that way).
bool isLegacyLine(QByteArrayView line) {
    return !isUtf8(line);
}

QString decodeValue(QByteArrayView bytes, bool legacy) {
    return legacy ? decodeWindows1252(bytes) : decodeStoreText(bytes);
}

// A record's text.
QString recordText(QByteArrayView bytes, bool legacy) {
    // Only a value holding ">" can hold a stored line break.
    return bytes.contains('>') ? unescapeRecordValue(decodeValue(bytes, legacy))
                               : decodeValue(bytes, legacy);
}

// Sets *out to a record's text. A plain ASCII value is copied into out's own buffer when out
// holds it alone, so a walk that reuses one item allocates no text per record.
void setRecordText(QString* out, QByteArrayView bytes, bool legacy) {
    const bool plain =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80 && c != '>'; });
    if (!plain) {
        *out = recordText(bytes, legacy);
        return;
    }
    out->resize(bytes.size());
    QChar* const chars = out->data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        chars[i] = QLatin1Char(bytes[i]);
}

// A section's prefix as it stands at the start of a record line: "Cost" -> "Cost\\".
QByteArray linePrefix(const QString& section) {
    return section.toUtf8() + '\\';
}

enum SkuRecord { CostRecord, PriceRecord, TaxRecord, StockRecord, SkuRecordCount };

// Values keyed by bytes, for the big reads of a company. A million SKUs are read for statistics,
// so the slots hold a part of the key's hash beside the entry's number: a look-up touches one
// slot and, on a likely hit only, one entry. Keys are views: their bytes must outlive the table.
template <typename Value> class KeyTable {
public:
    struct Entry {
        QByteArrayView key;
        Value value{};
    };

    void reserve(qsizetype keys) {
        m_entries.reserve(size_t(keys));
        rehash(size_t(keys));
    }

    Entry& operator[](QByteArrayView key) {
        if (Entry* entry = nearHint(key))
            return *entry;
        if ((m_entries.size() + 1) * 2 > m_slots.size())
            rehash(m_entries.size() * 2 + 1);
        const quint64 hash = hashOf(key);
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            quint64& slot = m_slots[i];
            if (slot == 0) {
                m_entries.push_back({key, {}});
                slot = (hash & kTagMask) | quint64(m_entries.size());
                m_hint = m_entries.size() - 1;
                return m_entries.back();
            }
            if (Entry* entry = match(slot, hash, key))
                return *entry;
        }
    }

    const Entry* find(QByteArrayView key) {
        if (m_slots.empty())
            return nullptr;
        if (const Entry* entry = nearHint(key))
            return entry;
        const quint64 hash = hashOf(key);
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const quint64 slot = m_slots[i];
            if (slot == 0)
                return nullptr;
            if (const Entry* entry = match(slot, hash, key))
                return entry;
        }
    }

private:
    static constexpr quint64 kTagMask = ~quint64(0xffffffff); // the hash's upper half

    static quint64 hashOf(QByteArrayView key) {
        // The mix spreads the hash over both halves: the lower bits pick the slot, the upper
        // ones are the tag.
        return quint64(qHash(key)) * 0x9e3779b97f4a7c15ULL;
    }

    // The record files are written item by item, so a SKU's lines stand together and the SKUs of
    // the next file (and of the titles) mostly follow in the same order: the entry of the last key
    // and the one after it are tried before the hash, which keeps a big walk mostly sequential.
    Entry* nearHint(QByteArrayView key) {
        for (size_t i = m_hint; i < std::min(m_hint + 2, m_entries.size()); ++i)
            if (m_entries[i].key == key) {
                m_hint = i;
                return &m_entries[i];
            }
        return nullptr;
    }

    Entry* match(quint64 slot, quint64 hash, QByteArrayView key) {
        if ((slot & kTagMask) != (hash & kTagMask))
            return nullptr;
        const size_t n = size_t(slot & 0xffffffff) - 1;
        if (m_entries[n].key != key)
            return nullptr;
        m_hint = n;
        return &m_entries[n];
    }

    void rehash(size_t keys) {
        size_t capacity = 16;
        while (capacity < keys * 2)
            capacity *= 2;
        if (capacity <= m_slots.size())
            return;
        m_slots.assign(capacity, 0);
        m_mask = capacity - 1;
        for (size_t n = 0; n < m_entries.size(); ++n) {
            const quint64 hash = hashOf(m_entries[n].key);
            size_t i = hash & m_mask;
            while (m_slots[i] != 0)
                i = (i + 1) & m_mask;
            m_slots[i] = (hash & kTagMask) | quint64(n + 1);
        }
    }

    std::vector<Entry> m_entries;
    std::vector<quint64> m_slots;
    size_t m_mask = 0;
    size_t m_hint = 0; // the entry last found
};

// The first value of each of a SKU's records, keyed by the SKU's UTF-8 bytes: 0 for no record,
// else the value's offset + 1 in its file, negated for a Windows-1252 line.
using SkuTable = KeyTable<std::array<qint64, SkuRecordCount>>;

// The value whose offset a table entry keeps, up to its line's end.
QByteArrayView valueAt(const QByteArray& bytes, qint64 at) {
    const qsizetype start = qsizetype(at < 0 ? -at : at) - 1;
    const char* const data = bytes.constData();
    const void* hit = std::memchr(data + start, '\n', size_t(bytes.size() - start));
    qsizetype stop = hit ? static_cast<const char*>(hit) - data : bytes.size();
    if (stop > start && data[stop - 1] == '\r')
        --stop;
    return QByteArrayView(data + start, stop - start);
}

// Takes the "Section\\key=value" lines of the given sections (prefixes[record], empty for a
// section not read from these bytes) and keeps the first value of each key, as a read finds it.
// Keys are split at the first "="; keys holding "=" themselves are found only when listed in
// keysWithEquals, by trying every "=" of the line. The UTF-8 spellings of Windows-1252 keys are
// kept in spelled, which must outlive the table.
void collectValues(const QByteArray& bytes, const QByteArray (&prefixes)[SkuRecordCount],
                   SkuTable* table, std::list<QByteArray>* spelled,
                   const QSet<QByteArrayView>& keysWithEquals) {
    const char* const data = bytes.constData();
    auto keep = [&](QByteArrayView key, QByteArrayView value, bool legacy, int record) {
        if (legacy) {
            spelled->push_back(decodeWindows1252(key).toUtf8());
            key = spelled->back();
        }
        qint64& kept = (*table)[key].value[size_t(record)];
        if (kept == 0) {
            const qint64 at = qint64(value.data() - data) + 1;
            kept = legacy ? -at : at;
        }
    };
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        for (int record = 0; record < SkuRecordCount; ++record) {
            const QByteArray& prefix = prefixes[record];
            if (prefix.isEmpty() || !line.startsWith(prefix))
                continue;
            const bool legacy = isLegacyLine(line);
            const QByteArrayView rest = line.sliced(prefix.size());
            qsizetype eq = rest.indexOf('=');
            if (eq >= 0)
                keep(rest.first(eq), rest.sliced(eq + 1), legacy, record);
            if (!keysWithEquals.isEmpty()) {
                while ((eq = rest.indexOf('=', eq + 1)) >= 0) {
                    const QByteArray key = legacy ? decodeWindows1252(rest.first(eq)).toUtf8()
                                                  : rest.first(eq).toByteArray();
                    if (keysWithEquals.contains(key))
                        keep(rest.first(eq), rest.sliced(eq + 1), legacy, record);
                }
            }
            return;
        }
    });
}

// The first value of each SKU's records, from "Logs/PriceLog" and "Logs/InvCount" read once.
// Keys holding "=" are found only when listed in keysWithEquals.
struct SkuRecords {
    QByteArray priceBytes;
    QByteArray stockBytes;
    std::list<QByteArray> spelled;
    mutable SkuTable table; // its look-ups move its hint

    SkuRecords(const QString& companyFolder, const QSet<QByteArrayView>& keysWithEquals,
               qsizetype expected)
        : priceBytes(recordBytes(priceLogPath(companyFolder)))
        , stockBytes(recordBytes(invCountPath(companyFolder))) {
        table.reserve(expected);
        collectValues(priceBytes,
                      {linePrefix(ItemRecords::Cost), linePrefix(ItemRecords::Prices),
                       linePrefix(ItemRecords::Tax), QByteArray()},
                      &table, &spelled, keysWithEquals);
        collectValues(stockBytes, {{}, {}, {}, linePrefix(ItemRecords::Inventory)}, &table,
                      &spelled, keysWithEquals);
    }

    // The item's records asked for in fields, missing ones as the readers' defaults; the others
    // are left empty.
    void fill(StoreItem* item, QByteArrayView key, ItemFields fields) const {
        const SkuTable::Entry* entry = table.find(key);
        const auto set = [&](QString* value, ItemField field, SkuRecord record,
                             const QString& defaultValue) {
            if (!fields.testFlag(field))
                return;
            const qint64 at = entry ? entry->value[size_t(record)] : 0;
            if (at == 0)
                *value = defaultValue;
            else
                setRecordText(value, valueAt(record == StockRecord ? stockBytes : priceBytes, at),
                              at < 0);
        };
        set(&item->cost, ItemField::Cost, CostRecord, ItemRecords::ZeroMoney);
        set(&item->price, ItemField::Price, PriceRecord, ItemRecords::ZeroMoney);
        set(&item->tax, ItemField::Tax, TaxRecord, ItemRecords::Taxable);
        set(&item->stock, ItemField::Stock, StockRecord, ItemRecords::ZeroStock);
    }
};

// Visits the items of a profit center file's bytes in line order: every "Titles" line is an item;
// its title is the text up to the first "=", its SKU the value of its title's first line (a
// repeated title shares it). visit(title, sku, key) gets the SKU's UTF-8 bytes as key, by which
// records are found whichever way a line spells the SKU.
template <typename Visit> void forEachTitle(const QByteArray& bytes, Visit visit) {
    const QByteArray titlesPrefix = linePrefix(ItemRecords::Titles);
    struct Sku {
        QString text;
        QByteArray spelled; // the key when it differs from the line's bytes
        QByteArrayView key;
    };
    std::vector<Sku> skus; // one per distinct title
    // Keyed by the title's UTF-8 bytes: those of its line, or for a Windows-1252 line, a copy.
    KeyTable<qsizetype> firstOf;
    std::list<QByteArray> spelledTitles;
    const qsizetype lines = bytes.count('\n') + 1;
    skus.reserve(size_t(lines));
    firstOf.reserve(lines);
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        if (!line.startsWith(titlesPrefix))
            return;
        const QByteArrayView rest = line.sliced(titlesPrefix.size());
        const qsizetype eq = rest.indexOf('=');
        if (eq < 0)
            return;
        const bool legacy = isLegacyLine(line);
        const QString title = decodeValue(rest.first(eq), legacy);
        QByteArrayView titleKey = rest.first(eq);
        if (legacy) {
            spelledTitles.push_back(encodeStoreText(title));
            titleKey = spelledTitles.back();
        }
        qsizetype& first = firstOf[titleKey].value;
        if (first == 0) {
            const QByteArrayView value = rest.sliced(eq + 1);
            Sku sku{recordText(value, legacy), {}, value};
            // A valid UTF-8 value without a line break is its own key: no copy needed.
            if (legacy || value.contains('>')) {
                sku.spelled = encodeStoreText(sku.text);
                sku.key = sku.spelled;
            }
            skus.push_back(std::move(sku));
            first = qsizetype(skus.size());
        }
        const Sku& sku = skus[size_t(first - 1)];
        visit(title, sku.text, sku.key);
    });
}
} // namespace

QVector<StoreItem> readItems(const QString& companyFolder, const QString& profitCenter) {
    QVector<StoreItem> items;
    forEachItem(companyFolder, {profitCenter},
                [&](const StoreItem& item) { items.push_back(item); });
    return items;
}

bool forEachItem(const QString& companyFolder, const QStringList& profitCenters,
                 const std::function<void(const StoreItem& item)>& visit,
                 const std::function<bool(int done)>& afterProfitCenter, ItemFields fields) {
    // Each profit center file is read once: a first look at the titles counts them and finds the
    // SKUs that may hold "=" (the value of a line with a second "="), which the records' reading
    // must know; the walk then goes over the same bytes.
    std::vector<QByteArray> centers;
    centers.reserve(size_t(profitCenters.size()));
    std::list<QByteArray> kept;
    QSet<QByteArrayView> keysWithEquals;
    qsizetype titles = 0;
    const QByteArray titlesPrefix = linePrefix(ItemRecords::Titles);
    for (const QString& profitCenter : profitCenters) {
        centers.push_back(recordBytes(companyFolder + profitCenter));
        forEachRecordLine(centers.back(), [&](QByteArrayView line) {
            if (!line.startsWith(titlesPrefix))
                return;
            ++titles;
            const QByteArrayView rest = line.sliced(titlesPrefix.size());
            const qsizetype eq = rest.indexOf('=');
            if (eq < 0 || rest.indexOf('=', eq + 1) < 0)
                return;
            const QByteArray key =
                encodeStoreText(recordText(rest.sliced(eq + 1), isLegacyLine(line)));
            if (key.contains('=') && !keysWithEquals.contains(key)) {
                kept.push_back(key);
                keysWithEquals.insert(kept.back());
            }
        });
    }
    // Without a title, or when only titles and SKUs are asked for, the SKU records need no
    // reading.
    const std::optional<SkuRecords> records =
        titles > 0 && fields ? std::make_optional<SkuRecords>(companyFolder, keysWithEquals, titles)
                             : std::nullopt;
    StoreItem item;
    for (size_t c = 0; c < centers.size(); ++c) {
        forEachTitle(centers[c], [&](const QString& title, const QString& sku, QByteArrayView key) {
            item.title = title;
            item.sku = sku;
            if (records)
                records->fill(&item, key, fields);
            visit(item);
        });
        centers[c] = QByteArray(); // done with: memory stays near the files still to walk
        if (afterProfitCenter && !afterProfitCenter(int(c + 1)))
            return false;
    }
    return true;
}
