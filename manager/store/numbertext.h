// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The leading-number parse of typed numbers: blanks, tabs and line feeds anywhere are skipped,
// the longest leading number is taken (optional sign, "." as decimal point, optional exponent),
// "&H" and "&O" prefixes read hexadecimal and octal; no number gives 0.
double leadingNumber(const QString& text);

// The general decimal form of a number: at most 15 significant digits, no trailing zeros,
// no thousands separator, "-" for negatives (for example 12.5, 0.79, -3, 1E+20).
QString generalNumber(double value);

// A stored count read as a whole number: the whole text must be a stored number as
// Decimal::fromStored reads it (blanks around it are allowed); a fraction is rounded to the nearest whole number, halves to the even one.
// Throws RuntimeError 13 (type mismatch) for text that is not a number and 6 (overflow) for a
// number outside the 32-bit range.
qint32 wholeCount(const QString& text);
