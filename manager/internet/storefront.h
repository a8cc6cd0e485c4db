// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The storefront trip: the program opens the company's storefront script in a browser with the
// item's fields in the query string, so the script's page opens filled in. The settings live in
// the company's "Logs/Storefront", section "Script".
namespace storefront {

struct Settings {
    QString location;
    QString username;
    QString password;
    QString admin;
    QString action;
    bool leaveBlank = false;
};

// The script address used while none is set.
QString defaultLocation();
Settings readSettings(const QString& companyFolder);
// Writes Location, Username, Password, Admin, Action and Leaveblank, in that order.
void writeSettings(const QString& companyFolder, const Settings& values);

// One item as the storefront gets it.
struct Item {
    QString title;
    QString sku;
    QString price;
    QString image;
    QString profitCenter;
};

// "images/" + SKU + ".jpg", or empty when the user fills the image in on the page.
QString imagePath(const QString& sku, bool leaveBlank);

// Every item of a company in walk order: the profit center files as listed, each file's
// "Titles\" lines from top to bottom. The price is the stored text ("0.00" when missing).
// An empty folder text or a missing folder gives no items.
QVector<Item> walkItems(const QString& companyFolder);

// Only http and https addresses with a host are opened; anything else would hand the browser
// a local file or a script of its own.
bool isWebAddress(const QString& location);

// Every value is percent-encoded as a query component so that a title holding "&", "=", "#" or
// a space reaches the script as typed; the location itself is used as given.
QString addAddress(const Settings& values, const Item& item);
QString deleteAddress(const Settings& values, const QString& sku, const QString& profitCenter);

} // namespace storefront
