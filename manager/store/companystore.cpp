#include "manager/store/companystore.h"

#include "manager/store/filesystem.h"

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

// The first value of each of a SKU's four records, as views into the file bytes; a null view
// is a missing record.
struct SkuValues {
    QByteArrayView cost, price, tax, stock;
};
using SkuTable = QHash<QByteArrayView, SkuValues>;
struct SectionSlot {
    QByteArrayView prefix;
    QByteArrayView SkuValues::*slot;
};

// Takes the "Section\\key=value" lines of the given sections and keeps the first value of each
// key, as a read finds it. Keys are split at the first "="; keys holding "=" themselves are
// found only when listed in keysWithEquals, by trying every "=" of the line.
void collectValues(const QByteArray& bytes, const QList<SectionSlot>& sections, SkuTable* table,
                   const QSet<QByteArrayView>& keysWithEquals = {}) {
    auto keep = [table](QByteArrayView key, QByteArrayView value, QByteArrayView SkuValues::*slot) {
        QByteArrayView& kept = (*table)[key].*slot;
        if (kept.isNull())
            kept = value;
    };
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        for (const SectionSlot& section : sections) {
            if (!line.startsWith(section.prefix))
                continue;
            const QByteArrayView rest = line.sliced(section.prefix.size());
            qsizetype eq = rest.indexOf('=');
            if (eq >= 0)
                keep(rest.first(eq), rest.sliced(eq + 1), section.slot);
            if (!keysWithEquals.isEmpty()) {
                while ((eq = rest.indexOf('=', eq + 1)) >= 0)
                    if (keysWithEquals.contains(rest.first(eq)))
                        keep(rest.first(eq), rest.sliced(eq + 1), section.slot);
            }
            return;
        }
    });
}

// A record's text, or the default when it is missing.
QString recordText(QByteArrayView stored, const QString& defaultValue) {
    if (stored.isNull())
        return defaultValue;
    // Only a value holding ">" can hold a stored line break.
    return stored.contains('>') ? unescapeRecordValue(decodeStoreText(stored))
                                : decodeStoreText(stored);
}

} // namespace

QVector<StoreItem> readItems(const QString& companyFolder, const QString& profitCenter) {
    const QByteArray titleBytes = recordBytes(companyFolder + profitCenter);
    const QByteArrayView titlesPrefix("Titles\\");
    const QString zeroMoney = QStringLiteral("0.00");

    // Every "Titles" line is an item; its SKU is the value of the first line of its title.
    QList<QByteArrayView> titles;
    QHash<QByteArrayView, QByteArrayView> skuOf;
    forEachRecordLine(titleBytes, [&](QByteArrayView line) {
        if (!line.startsWith(titlesPrefix))
            return;
        const QByteArrayView rest = line.sliced(titlesPrefix.size());
        const qsizetype eq = rest.indexOf('=');
        if (eq < 0)
            return;
        titles << rest.first(eq);
        QByteArrayView& sku = skuOf[titles.last()];
        if (sku.isNull())
            sku = rest.sliced(eq + 1);
    });
    if (titles.isEmpty())
        return {};

    // Records are found by the SKU's text as a read encodes it.
    QStringList skus;
    QVector<QByteArray> keys;
    skus.reserve(titles.size());
    keys.reserve(titles.size());
    QSet<QByteArrayView> keysWithEquals;
    for (const QByteArrayView title : titles) {
        skus << recordText(skuOf.value(title), QString());
        keys << encodeStoreText(skus.last());
        if (keys.last().contains('='))
            keysWithEquals.insert(keys.last());
    }

    const QByteArray priceBytes = recordBytes(priceLogPath(companyFolder));
    const QByteArray stockBytes = recordBytes(invCountPath(companyFolder));
    SkuTable table;
    table.reserve(titles.size());
    collectValues(priceBytes,
                  {{QByteArrayView("Cost\\"), &SkuValues::cost},
                   {QByteArrayView("Prices\\"), &SkuValues::price},
                   {QByteArrayView("Tax\\"), &SkuValues::tax}},
                  &table, keysWithEquals);
    collectValues(stockBytes, {{QByteArrayView("Inventory\\"), &SkuValues::stock}}, &table,
                  keysWithEquals);

    QVector<StoreItem> items;
    items.reserve(titles.size());
    for (qsizetype i = 0; i < titles.size(); ++i) {
        StoreItem item;
        item.title = decodeStoreText(titles[i]);
        item.sku = skus[i];
        const SkuValues values = table.value(keys[i]);
        item.cost = recordText(values.cost, zeroMoney);
        item.price = recordText(values.price, zeroMoney);
        item.tax = recordText(values.tax, QStringLiteral("1"));
        item.stock = recordText(values.stock, QStringLiteral("0"));
        items.push_back(std::move(item));
    }
    return items;
}
