// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

// Items and profit centers of one company: the store changes behind the item window and the
// item editor. Windows ask the user; these functions only read and write the store.

// A SKU's stock level. A SKU without a minimum is never low; without an order quantity, the
// quantity to order is what brings the stock one above the minimum.
struct StockLevel {
    std::optional<qint64> minimum;
    std::optional<qint64> order;
    bool operator==(const StockLevel& other) const {
        return minimum == other.minimum && order == other.order;
    }
    bool operator!=(const StockLevel& other) const { return !(*this == other); }
};

// The records of a company's items, and the one place that spells them. A profit center file
// holds "Titles\TITLE=SKU"; "Logs/PriceLog" holds "Cost", "Prices" and "Tax", "Logs/InvCount"
// holds "Inventory", and "Logs/StockLevels" holds "Minimum" and "Order", each keyed by SKU
// (levels are whole numbers; a company without levels has no such file). Reads give the readers'
// defaults for a missing record. Writes change the files in memory; changedFiles() gives them for
// one journalled save.
class ItemRecords {
public:
    static const QString Titles;
    static const QString Cost;
    static const QString Prices;
    static const QString Tax;
    static const QString Inventory;
    static const QString Minimum;
    static const QString Order;
    static const QString ZeroMoney; // the default cost and price
    static const QString ZeroStock; // the default stock
    static const QString Taxable;   // the default taxable flag
    static const QString NoSku;     // the SKU the editor shows for a title without one

    enum class Access { Read, Write };
    // Loads the SKU record files of the company; Write loads them as a rewrite needs them.
    explicit ItemRecords(const QString& companyFolder, Access access = Access::Read);

    static QString levelsPath(const QString& companyFolder); // Logs/StockLevels

    // A level as typed or stored: blank is none (true); a whole number >= 0 is taken; anything
    // else gives false.
    static bool parseLevel(const QString& text, std::optional<qint64>* level);
    // Every SKU's level, kept in memory while the file on disk is the one it was read from.
    static QHash<QString, StockLevel> stockLevels(const QString& companyFolder);

    // The SKU a title of a profit center file points to, or defaultSku.
    static QString skuOf(const RecordFile& profitCenter, const QString& title,
                         const QString& defaultSku);
    static void writeTitle(RecordFile& profitCenter, const QString& title, const QString& sku);
    static void removeTitle(RecordFile& profitCenter, const QString& title);

    // The item of title and sku with its SKU's records (missing ones as the readers' defaults).
    StoreItem item(const QString& title, const QString& sku) const;
    // Whether the SKU exists in the company: its "Inventory" record exists.
    bool hasSku(const QString& sku) const;
    // Writes "Cost", "Prices", "Tax" and then "Inventory" of item.sku.
    void write(const StoreItem& item);
    // Removes the SKU's records: "Tax", "Cost", "Prices", then "Inventory", and its levels.
    void remove(const QString& sku);

    StockLevel level(const QString& sku) const;
    // Writes the SKU's level; a part that is not set removes its record.
    void setLevel(const QString& sku, const StockLevel& level);

    // The files to save together, SKU records before any title is written. The levels file is
    // among them only when a level changed.
    QVector<QPair<QString, QByteArray>> changedFiles() const;

    const RecordFile& prices() const { return m_prices; }
    const RecordFile& stock() const { return m_stock; }

private:
    QString m_folder;
    RecordFile m_prices;
    RecordFile m_stock;
    RecordFile m_levels;
    bool m_levelsChanged = false;
};

// The first title in the company (profit centers in listing order) that points to sku, or sku.
QString titleOfSku(const QString& companyFolder, const QString& sku);

// Writes the levels of several SKUs under the company's lock in one journalled save.
void saveStockLevels(const QString& companyFolder,
                     const QVector<QPair<QString, StockLevel>>& levels);

// The item handed from the item window to the item editor (all texts as stored or typed).
struct ItemRecord {
    QString profitCenter;
    QString title;
    QString cost;
    QString price;
    QString sku;
    QString inStock;
    int tax = 1;          // 1 = taxable
    bool editing = false; // true = an existing item, false = a new one
    // The stock box left as it was: the stored count of the SKU stays (sales recorded while the
    // item was open still count); inStock is written only when the SKU has no count yet.
    bool keepStoredStock = false;
};

// Where an existing item was before the editor changed it.
struct ItemIdentity {
    QString profitCenter;
    QString title;
    QString sku;
};

// A text as money: the leading number with exactly two decimals, rounded ("7 dollars" -> 7.00).
QString ShowMoney(const QString& text);
// A typed stock count: the absolute value of the leading number in general form ("-3" -> 3).
QString stockText(const QString& text);
// A stored number converted strictly: the whole text (blanks around it aside) must be a number.
bool storedNumber(const QString& text, double* value);

// The profit center file of a company.
QString profitCenterPath(const QString& companyFolder, const QString& profitCenter);

// The item as the editor opens it: the title's SKU (default "None"), cost, price, stock and
// taxable flag with the readers' defaults; editing is true.
ItemRecord readItemForEdit(const QString& companyFolder, const QString& profitCenter,
                           const QString& title);

// Whether a profit center holds exactly this title / whether the SKU exists in the company
// (its "Inventory" record exists).
bool titleExists(const QString& companyFolder, const QString& profitCenter, const QString& title);
bool skuExists(const QString& companyFolder, const QString& sku);

enum class ItemQuestion { Overwrite, MultipleSku };
// TitleHasEquals: a title holding "=" would be read back cut at its "=", under a wrong SKU.
// SkuHasEquals: a SKU holding "=" would key its records under a shorter SKU.
enum class SaveOutcome {
    Saved,
    NeedTitle,
    TitleHasEquals,
    NeedInventory,
    NeedSku,
    SkuHasEquals,
    Declined
};

// Saves an item as the editor does: empty cost or price become "0.00"; title, stock and SKU must
// be given (checked in that order); the duplicate questions go to confirm (false = stop, nothing
// written). For an existing item (old set) whose profit center, title or SKU changed, the old
// title line goes, and the old SKU's four records go too unless another title still points to
// that SKU. Then the title line, "Cost", "Prices", "Tax" and "Inventory" are written.
// Throws RuntimeError when a file cannot be written or a profit center name is refused.
// A level given is written with the item, in the same save.
SaveOutcome saveItem(const QString& companyFolder, ItemRecord item,
                     const std::optional<ItemIdentity>& old,
                     const std::function<bool(ItemQuestion)>& confirm,
                     const std::optional<StockLevel>& level = std::nullopt);

// Removes a title from its profit center, and its SKU's four records when no other title of the
// company points to that SKU any more.
void removeItem(const QString& companyFolder, const QString& profitCenter, const QString& title,
                const QString& sku);

// Removes "Tax", "Cost", "Prices" and "Inventory" of every SKU in skus that no title line of any
// profit center of the company points to.
void removeUnusedSkuRecords(const QString& companyFolder, const QStringList& skus);

// Creates an empty profit center file. Failures are reported through the standard handler for
// "CreateFile" (a refused name as error 52) and give false.
bool addProfitCenter(const QString& companyFolder, const QString& name);
// Copies the file to the new name, then deletes the old file. Throws RuntimeError when the copy
// fails (the new name exists, a name is refused); then nothing has changed.
void renameProfitCenter(const QString& companyFolder, const QString& oldName,
                        const QString& newName);
// Deletes the profit center file, then the records of its SKUs that no remaining title uses.
// A failed deletion is reported for "DeleteFile" (a refused name as error 52) and gives false;
// the records then stay. Throws RuntimeError when the records cannot be rewritten.
bool removeProfitCenter(const QString& companyFolder, const QString& name);
