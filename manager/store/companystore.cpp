#include "manager/store/companystore.h"

#include "manager/store/filesystem.h"

#include "manager/shell/settings.h"
#include "manager/store/pathtext.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

QString defaultCompanyRoot() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return AddBackslash(QDir::toNativeSeparators(base + QStringLiteral("/Tallyvane/Companies")));
}

QString companyRoot() {
    // A root typed without its trailing separator would otherwise glue company names to it.
    return AddBackslash(
        settings::read(QStringLiteral("Path"), QStringLiteral("Company"), defaultCompanyRoot()));
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

QVector<StoreItem> readItems(const QString& companyFolder, const QString& profitCenter) {
    const RecordFile titles = RecordFile::load(companyFolder + profitCenter);
    const RecordFile prices = RecordFile::load(priceLogPath(companyFolder));
    const RecordFile stock = RecordFile::load(invCountPath(companyFolder));
    const QString zero = QStringLiteral("0.00");
    QVector<StoreItem> items;
    const QStringList keys = titles.keys(QStringLiteral("Titles"));
    items.reserve(keys.size());
    for (const QString& title : keys) {
        StoreItem item;
        item.title = title;
        item.sku = titles.value(QStringLiteral("Titles"), title, QString());
        item.cost = prices.value(QStringLiteral("Cost"), item.sku, zero);
        item.price = prices.value(QStringLiteral("Prices"), item.sku, zero);
        item.tax = prices.value(QStringLiteral("Tax"), item.sku, QStringLiteral("1"));
        item.stock = stock.value(QStringLiteral("Inventory"), item.sku, QStringLiteral("0"));
        items.push_back(item);
    }
    return items;
}
