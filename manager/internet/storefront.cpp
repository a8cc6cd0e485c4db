// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/internet/storefront.h"

#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"

#include <QUrl>
#include <QUrlQuery>

namespace storefront {

namespace {
const QString kScript = QStringLiteral("Script");

QString readKey(const QString& folder, const QString& key, const QString& fallback) {
    return GetINIString(kScript, key, fallback, storefrontPath(folder));
}

// A value encoded as a query component; "/" is allowed there and keeps image paths readable.
QString encoded(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value, QByteArrayLiteral("/")));
}

// One "&name=value" pair.
QString pair(const char* name, const QString& value) {
    return QLatin1Char('&') + QLatin1String(name) + QLatin1Char('=') + encoded(value);
}
} // namespace

QString defaultLocation() {
    return QStringLiteral("http://www.example.com/cgi-bin/storefront.cgi");
}

Settings readSettings(const QString& companyFolder) {
    Settings values;
    values.location = readKey(companyFolder, QStringLiteral("Location"), defaultLocation());
    values.username = readKey(companyFolder, QStringLiteral("Username"), QString());
    values.password = readKey(companyFolder, QStringLiteral("Password"), QString());
    values.admin = readKey(companyFolder, QStringLiteral("Admin"), QString());
    values.action = readKey(companyFolder, QStringLiteral("Action"), QStringLiteral("new"));
    values.leaveBlank =
        readKey(companyFolder, QStringLiteral("Leaveblank"), QStringLiteral("False"))
            .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    return values;
}

void writeSettings(const QString& companyFolder, const Settings& values) {
    const QString file = storefrontPath(companyFolder);
    WriteINIString(kScript, QStringLiteral("Location"), values.location, file);
    WriteINIString(kScript, QStringLiteral("Username"), values.username, file);
    WriteINIString(kScript, QStringLiteral("Password"), values.password, file);
    WriteINIString(kScript, QStringLiteral("Admin"), values.admin, file);
    WriteINIString(kScript, QStringLiteral("Action"), values.action, file);
    WriteINIString(kScript, QStringLiteral("Leaveblank"),
                   values.leaveBlank ? QStringLiteral("True") : QStringLiteral("False"), file);
}

QString imagePath(const QString& sku, bool leaveBlank) {
    return leaveBlank ? QString() : QStringLiteral("images/") + sku + QStringLiteral(".jpg");
}

QVector<Item> walkItems(const QString& companyFolder) {
    QVector<Item> items;
    if (companyFolder.isEmpty())
        return items;
    QStringList files;
    try {
        files = listProfitCenters(companyFolder);
    } catch (const RuntimeError&) {
        return items;
    }
    const bool leaveBlank = readSettings(companyFolder).leaveBlank;
    // One walk in the files' line order, the price log read once for all.
    int file = 0;
    forEachItem(
        companyFolder, files,
        [&](const StoreItem& stored) {
            items.push_back({stored.title, stored.sku, stored.price,
                             imagePath(stored.sku, leaveBlank), files[file]});
        },
        [&](int done) {
            file = done;
            return true;
        },
        ItemField::Price);
    return items;
}

bool isWebAddress(const QString& location) {
    const QUrl url(location, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

QString addAddress(const Settings& values, const Item& item) {
    return values.location + QStringLiteral("?action=") + encoded(values.action) +
           pair("TITLE", item.title) + pair("SKU", item.sku) + pair("IMAGE", item.image) +
           pair("PRICE", item.price) + pair("USERNAME", values.username) +
           pair("PASSWORD", values.password) + pair("CATEGORY", item.profitCenter);
}

QString deleteAddress(const Settings& values, const QString& sku, const QString& profitCenter) {
    return values.location + QStringLiteral("?action=admin") + pair("SKU", sku) +
           pair("CATEGORY", profitCenter) + pair("PASSWORD", values.admin);
}

} // namespace storefront
