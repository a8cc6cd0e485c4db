// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/companystore.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

// Items and profit centers of one company: the store changes behind the item window and the
// item editor. Windows ask the user; these functions only read and write the store.

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
enum class SaveOutcome { Saved, NeedTitle, TitleHasEquals, NeedInventory, NeedSku, Declined };

// Saves an item as the editor does: empty cost or price become "0.00"; title, stock and SKU must
// be given (checked in that order); the duplicate questions go to confirm (false = stop, nothing
// written). For an existing item (old set) whose profit center, title or SKU changed, the old
// title line goes, and the old SKU's four records go too unless another title still points to
// that SKU. Then the title line, "Cost", "Prices", "Tax" and "Inventory" are written.
// Throws RuntimeError when a file cannot be written or a profit center name is refused.
SaveOutcome saveItem(const QString& companyFolder, ItemRecord item,
                     const std::optional<ItemIdentity>& old,
                     const std::function<bool(ItemQuestion)>& confirm);

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
