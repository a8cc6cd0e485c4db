// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/search.h"

#include "manager/store/items.h"
#include "manager/store/numbertext.h"
#include "manager/store/runtimeerror.h"

#include <cmath>

namespace {

std::optional<double> readBound(const QString& text) {
    double value = 0;
    if (!storedNumber(text, &value))
        return std::nullopt;
    return value;
}

double bound(const std::optional<double>& value) {
    if (!value)
        throw RuntimeError::typeMismatch();
    return *value;
}

} // namespace

QString infiniteBound() {
    return QStringLiteral("INF");
}

ItemFilter::ItemFilter(const FilterSettings& settings)
    : m_settings(settings)
    , m_upperText(settings.text.toUpper())
    , m_lower(readBound(settings.lower))
    , m_upper(readBound(settings.upper)) {}

bool ItemFilter::passes(const QString& title, const QString& sku, double cost, double price,
                        double stock) const {
    switch (m_settings.field) {
    case FilterTitle:
    case FilterSku: {
        const QString& value = m_settings.field == FilterTitle ? title : sku;
        const bool contains = m_settings.caseSensitive == 1 ? value.contains(m_settings.text)
                                                            : value.toUpper().contains(m_upperText);
        return contains != m_settings.exclude;
    }
    case FilterCost:
    case FilterPrice:
    case FilterStock: {
        const double x = m_settings.field == FilterCost    ? cost
                         : m_settings.field == FilterPrice ? price
                                                           : stock;
        const bool noLower = m_settings.lower == infiniteBound();
        const bool noUpper = m_settings.upper == infiniteBound();
        if (noUpper && !noLower)
            return x > bound(m_lower);
        if (noLower && !noUpper)
            return x < bound(m_upper);
        return bound(m_lower) < x && x < bound(m_upper);
    }
    default:
        return true;
    }
}

bool passesFilter(const FilterSettings& filter, const QString& title, const QString& sku,
                  double cost, double price, double stock) {
    return ItemFilter(filter).passes(title, sku, cost, price, stock);
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
