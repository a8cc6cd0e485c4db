// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/search.h"

#include "manager/store/items.h"
#include "manager/store/numbertext.h"
#include "manager/store/runtimeerror.h"

#include <cmath>

namespace {

double bound(const QString& text) {
    double value = 0;
    if (!storedNumber(text, &value))
        throw RuntimeError::typeMismatch();
    return value;
}

bool containsText(const QString& value, const QString& text, int caseSensitive) {
    if (caseSensitive == 1)
        return value.contains(text);
    return value.toUpper().contains(text.toUpper());
}

} // namespace

QString infiniteBound() {
    return QStringLiteral("INF");
}

bool passesFilter(const FilterSettings& filter, const QString& title, const QString& sku,
                  double cost, double price, double stock) {
    switch (filter.field) {
    case FilterTitle:
    case FilterSku: {
        const QString& value = filter.field == FilterTitle ? title : sku;
        return containsText(value, filter.text, filter.caseSensitive) != filter.exclude;
    }
    case FilterCost:
    case FilterPrice:
    case FilterStock: {
        const double x = filter.field == FilterCost    ? cost
                         : filter.field == FilterPrice ? price
                                                       : stock;
        const bool noLower = filter.lower == infiniteBound();
        const bool noUpper = filter.upper == infiniteBound();
        if (noUpper && !noLower)
            return x > bound(filter.lower);
        if (noLower && !noUpper)
            return x < bound(filter.upper);
        return bound(filter.lower) < x && x < bound(filter.upper);
    }
    default:
        return true;
    }
}

QString boundText(const QString& typed) {
    return generalNumber(std::fabs(leadingNumber(typed)));
}

QString searchKey(const QString& text) {
    return text.toUpper();
}

bool searchMatches(const QString& value, const QString& key) {
    return searchKey(value) == key;
}

QString foundItemText(const QString& title, const QString& profitCenter) {
    return QStringLiteral("Found item ") + title + QStringLiteral(" in profit center ") +
           profitCenter + QStringLiteral(". Would you like to skip this item and keep going?");
}
