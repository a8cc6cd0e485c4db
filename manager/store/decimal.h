// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// An exact decimal number for quantities and money: mantissa × 10^-scale with at most 18
// significant digits. Sums, differences and products are exact within those 18 digits and are
// rounded (halves to even) beyond them, so 1.079 × 10 is 10.79 and a tax of 0.79 stays 0.79
// where binary doubles give 0.789999999999999. Totals of many amounts do not drift.
class Decimal {
public:
    Decimal() = default;
    Decimal(int value); // NOLINT: whole numbers convert freely
    static Decimal fromParts(qint64 mantissa, int scale);

    // A stored number: blanks around it, an optional sign, digits with "." as decimal point and
    // an optional exponent ("E" or "D"), or a whole number written "&H..." / "&O...".
    // Anything else is not a number. Throws RuntimeError 6 when the number is too large.
    static std::optional<Decimal> parse(const QString& text);
    // As parse; a text that is not a number is a type mismatch (RuntimeError 13).
    static Decimal fromStored(const QString& text);
    // A typed number: the leading-number parse (blanks, tabs and line feeds anywhere skipped,
    // the longest leading number taken, "&H" / "&O" prefixes, 0 when there is no number).
    static Decimal fromTyped(const QString& text);
    // The number as its 15-digit general form reads.
    static Decimal fromDouble(double value);

    // The general form: at most 15 significant digits, no trailing zeros, "-" for negatives,
    // the exponent form ("1E+20", "1E-05") for very large and very small values.
    QString toString() const;
    double toDouble() const;

    bool isZero() const { return m_mantissa == 0; }
    bool isNegative() const { return m_mantissa < 0; }
    Decimal abs() const;
    // Rounded to places decimals, halves to the even digit or, as a till rounds, away from zero.
    enum class Halves { ToEven, AwayFromZero };
    Decimal rounded(int places, Halves halves = Halves::ToEven) const;
    // a ÷ b rounded to places decimals, halves to even; b = 0 is RuntimeError 11.
    static Decimal divided(const Decimal& a, const Decimal& b, int places);

    Decimal operator-() const;
    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend Decimal operator-(const Decimal& a, const Decimal& b);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    Decimal& operator+=(const Decimal& other) { return *this = *this + other; }
    Decimal& operator-=(const Decimal& other) { return *this = *this - other; }

    friend bool operator==(const Decimal& a, const Decimal& b) {
        return a.m_mantissa == b.m_mantissa && a.m_scale == b.m_scale;
    }
    friend bool operator!=(const Decimal& a, const Decimal& b) { return !(a == b); }
    friend bool operator<(const Decimal& a, const Decimal& b) { return (a - b).isNegative(); }
    friend bool operator>(const Decimal& a, const Decimal& b) { return b < a; }
    friend bool operator<=(const Decimal& a, const Decimal& b) { return !(b < a); }
    friend bool operator>=(const Decimal& a, const Decimal& b) { return !(a < b); }

    qint64 mantissa() const { return m_mantissa; }
    int scale() const { return m_scale; }

private:
    // Canonical: no trailing zero digit in the mantissa; zero has scale 0.
    qint64 m_mantissa = 0;
    int m_scale = 0;
};
