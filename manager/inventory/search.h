// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// Finding items in the item window: the filter test and the search's matching rule.

// The fields a filter tests.
enum FilterField {
    FilterTitle = 0,
    FilterSku = 1,
    FilterCost = 2,
    FilterPrice = 3,
    FilterStock = 4
};

// The settings of a filter, as the item window keeps them.
struct FilterSettings {
    int field = FilterTitle;
    int caseSensitive = 0; // 1 = the text test is case-sensitive
    QString lower;         // "INF" for no lower bound
    QString upper;         // "INF" for no upper bound
    bool exclude = false;  // true = only items that do not contain the text pass
    QString text;
};

// The text a bound box holds for a missing bound.
QString infiniteBound();

// Whether an item passes the filter. A text test looks for the text anywhere in the title or the
// SKU (an empty text is in every value), with case ignored unless caseSensitive is 1; a number
// test compares strictly with the bounds, converted from text at each test. A bound that is
// needed and is not a number is a type mismatch (RuntimeError 13). Any other field passes.
bool passesFilter(const FilterSettings& filter, const QString& title, const QString& sku,
                  double cost, double price, double stock);

// A filter ready for many items: its text is upper-cased and its bounds are read once. Each item
// gets the result and the error passesFilter gives it.
class ItemFilter {
public:
    explicit ItemFilter(const FilterSettings& settings);
    bool passes(const QString& title, const QString& sku, double cost, double price,
                double stock) const;

private:
    FilterSettings m_settings;
    QString m_upperText;
    std::optional<double> m_lower; // none: no number (then a test that needs it fails)
    std::optional<double> m_upper;
};

// The form a bound box takes when it loses the focus: the absolute value of its leading number
// in general form ("-3" -> "3", "abc" -> "0").
QString boundText(const QString& typed);

// The search compares whole texts with case ignored: the search text and each title and SKU are
// upper-cased first.
QString searchKey(const QString& text);
bool searchMatches(const QString& value, const QString& key);

// "Found item " + title + " in profit center " + profitCenter + ". Would you like to skip this
// item and keep going?"
QString foundItemText(const QString& title, const QString& profitCenter);
