// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/decimal.h"

#include "manager/store/numbertext.h"
#include "manager/store/runtimeerror.h"

#include <array>

namespace {

constexpr int kDigits = 18;       // significant digits kept
constexpr int kMaxScale = 400;    // values below 1E-400 become 0
constexpr int kMaxExponent = 308; // the largest power of ten a double reaches
constexpr int kShownDigits = 15;  // significant digits of the general form

// A 128-bit unsigned number for exact intermediate results; portable, no compiler extension.
struct U128 {
    quint64 hi = 0;
    quint64 lo = 0;
};

bool isZero(const U128& x) {
    return x.hi == 0 && x.lo == 0;
}

int compare(const U128& a, const U128& b) {
    if (a.hi != b.hi)
        return a.hi < b.hi ? -1 : 1;
    if (a.lo != b.lo)
        return a.lo < b.lo ? -1 : 1;
    return 0;
}

// Callers keep sums below 2^128.
U128 add(const U128& a, const U128& b) {
    U128 r;
    r.lo = a.lo + b.lo;
    r.hi = a.hi + b.hi + (r.lo < a.lo ? 1 : 0);
    return r;
}

// a >= b.
U128 sub(const U128& a, const U128& b) {
    U128 r;
    r.lo = a.lo - b.lo;
    r.hi = a.hi - b.hi - (a.lo < b.lo ? 1 : 0);
    return r;
}

U128 mul64(quint64 a, quint64 b) {
    const quint64 a0 = a & 0xffffffffu, a1 = a >> 32;
    const quint64 b0 = b & 0xffffffffu, b1 = b >> 32;
    const quint64 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const quint64 mid = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
    U128 r;
    r.lo = (p00 & 0xffffffffu) | (mid << 32);
    r.hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
    return r;
}

// x × m, or nothing when the product needs more than 128 bits.
std::optional<U128> mul(const U128& x, quint64 m) {
    const U128 low = mul64(x.lo, m);
    const U128 high = mul64(x.hi, m);
    if (high.hi != 0)
        return std::nullopt;
    U128 r{low.hi + high.lo, low.lo};
    if (r.hi < low.hi)
        return std::nullopt;
    return r;
}

void divmod(const U128& n, const U128& d, U128& q, U128& r) {
    if (n.hi == 0 && d.hi == 0) {
        q = {0, n.lo / d.lo};
        r = {0, n.lo % d.lo};
        return;
    }
    // Shift and subtract; divisors stay below 2^127, so r never overflows.
    q = {};
    r = {};
    for (int i = 127; i >= 0; --i) {
        r = {(r.hi << 1) | (r.lo >> 63), r.lo << 1};
        r.lo |= i >= 64 ? (n.hi >> (i - 64)) & 1u : (n.lo >> i) & 1u;
        if (compare(r, d) >= 0) {
            r = sub(r, d);
            if (i >= 64)
                q.hi |= quint64(1) << (i - 64);
            else
                q.lo |= quint64(1) << i;
        }
    }
}

const U128& pow10(int k) {
    static const std::array<U128, 39> table = [] {
        std::array<U128, 39> t;
        t[0] = {0, 1};
        for (size_t i = 1; i < t.size(); ++i)
            t[i] = *mul(t[i - 1], 10);
        return t;
    }();
    return table[static_cast<size_t>(k)];
}

int digitCount(const U128& x) {
    int digits = 1;
    while (digits < 39 && compare(x, pow10(digits)) >= 0)
        ++digits;
    return digits;
}

// q / d rounded to a whole number, halves to even, given the remainder r.
U128 roundQuotient(U128 q, const U128& r, const U128& d, bool halvesAway = false) {
    const int c = compare(r, sub(d, r)); // 2r against d without overflow
    if (c > 0 || (c == 0 && (halvesAway || (q.lo & 1u))))
        q = add(q, U128{0, 1});
    return q;
}

// mag ÷ 10^k rounded halves to even.
U128 roundOff(const U128& mag, int k, bool halvesAway = false) {
    if (k <= 0)
        return mag;
    if (k > 38)
        return {}; // mag < 2^128 is less than half of 10^39
    U128 q, r;
    divmod(mag, pow10(k), q, r);
    return roundQuotient(q, r, pow10(k), halvesAway);
}

quint64 magnitude(qint64 m) {
    return m < 0 ? 0 - quint64(m) : quint64(m);
}

struct Scan {
    bool ok = false;
    qsizetype end = 0;
    bool negative = false;
    U128 mag;
    int scale = 0;
};

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// [sign] digits [. digits] [E|D [sign] digits] from pos; the longest such prefix.
Scan scanNumber(const QString& s, qsizetype pos) {
    Scan scan;
    const qsizetype n = s.size();
    if (pos < n && (s[pos] == QLatin1Char('+') || s[pos] == QLatin1Char('-')))
        scan.negative = s[pos++] == QLatin1Char('-');
    QByteArray all;
    int fraction = 0;
    bool any = false;
    while (pos < n && isAsciiDigit(s[pos])) {
        all += s[pos++].toLatin1();
        any = true;
    }
    if (pos < n && s[pos] == QLatin1Char('.')) {
        ++pos;
        while (pos < n && isAsciiDigit(s[pos])) {
            all += s[pos++].toLatin1();
            ++fraction;
            any = true;
        }
    }
    if (!any)
        return scan;
    int exponent = 0;
    if (pos < n && (s[pos].toUpper() == QLatin1Char('E') || s[pos].toUpper() == QLatin1Char('D'))) {
        qsizetype j = pos + 1;
        bool expNegative = false;
        if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            expNegative = s[j++] == QLatin1Char('-');
        const qsizetype first = j;
        long long value = 0;
        while (j < n && isAsciiDigit(s[j])) {
            value = qMin<long long>(value * 10 + s[j].digitValue(), 100000);
            ++j;
        }
        if (j > first) {
            exponent = static_cast<int>(expNegative ? -value : value);
            pos = j;
        }
    }
    // Leading zeros carry no value; digits beyond 38 are far below the 18 that are kept.
    qsizetype lead = 0;
    while (lead < all.size() && all[lead] == '0')
        ++lead;
    all = all.mid(lead);
    if (all.size() > 38) {
        fraction -= static_cast<int>(all.size() - 38);
        all.truncate(38);
    }
    for (char c : all)
        scan.mag = add(*mul(scan.mag, 10), U128{0, quint64(c - '0')});
    scan.scale = fraction - exponent;
    scan.ok = true;
    scan.end = pos;
    return scan;
}

// "&H" hexadecimal or "&O" octal digits after the prefix at pos; strict means every character
// must be a digit of the radix.
std::optional<U128> scanRadix(const QString& s, qsizetype pos, int radix, bool strict) {
    quint64 value = 0;
    bool any = false;
    for (; pos < s.size(); ++pos) {
        const QChar c = s[pos].toUpper();
        int d = -1;
        if (isAsciiDigit(c))
            d = c.digitValue();
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        if (d < 0 || d >= radix) {
            if (strict)
                return std::nullopt;
            break;
        }
        if (value > (~quint64(0) - quint64(d)) / quint64(radix))
            throw RuntimeError::overflow();
        value = value * quint64(radix) + quint64(d);
        any = true;
    }
    if (!any && strict)
        return std::nullopt;
    return U128{0, value};
}

int radixOf(const QString& s) {
    if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return 16;
    if (s.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        return 8;
    return 0;
}

} // namespace

// The one place that builds a value: rounds to 18 digits, drops trailing zeros, checks range.
static Decimal makeDecimal(bool negative, U128 mag, int scale) {
    if (isZero(mag))
        return Decimal();
    const int digits = digitCount(mag);
    if (digits > kDigits) {
        mag = roundOff(mag, digits - kDigits);
        scale -= digits - kDigits;
    }
    if (scale > kMaxScale) {
        mag = roundOff(mag, scale - kMaxScale);
        scale = kMaxScale;
        if (isZero(mag))
            return Decimal();
    }
    quint64 m = mag.lo; // at most 10^18 here
    while (m % 10 == 0) {
        m /= 10;
        --scale;
    }
    if (digitCount(U128{0, m}) - 1 - scale > kMaxExponent)
        throw RuntimeError::overflow();
    return Decimal::fromParts(negative ? -qint64(m) : qint64(m), scale);
}

Decimal::Decimal(int value)
    : m_mantissa(value) {
    *this = fromParts(value, 0);
}

Decimal Decimal::fromParts(qint64 mantissa, int scale) {
    quint64 m = magnitude(mantissa);
    if (m == 0)
        return Decimal();
    if (m >= quint64(1000000000000000000) || m % 10 == 0)
        return makeDecimal(mantissa < 0, U128{0, m}, scale);
    Decimal d;
    d.m_mantissa = mantissa;
    d.m_scale = scale;
    return d;
}

std::optional<Decimal> Decimal::parse(const QString& text) {
    const QString t = text.trimmed();
    if (const int radix = radixOf(t)) {
        const auto mag = scanRadix(t, 2, radix, true);
        if (!mag)
            return std::nullopt;
        return makeDecimal(false, *mag, 0);
    }
    const Scan scan = scanNumber(t, 0);
    if (!scan.ok || scan.end != t.size())
        return std::nullopt;
    return makeDecimal(scan.negative, scan.mag, scan.scale);
}

Decimal Decimal::fromStored(const QString& text) {
    const auto value = parse(text);
    if (!value)
        throw RuntimeError::typeMismatch();
    return *value;
}

Decimal Decimal::fromTyped(const QString& text) {
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            compact += c;
    if (const int radix = radixOf(compact))
        return makeDecimal(false, *scanRadix(compact, 2, radix, false), 0);
    const Scan scan = scanNumber(compact, 0);
    if (!scan.ok)
        return Decimal();
    return makeDecimal(scan.negative, scan.mag, scan.scale);
}

Decimal Decimal::fromDouble(double value) {
    const auto parsed = parse(generalNumber(value));
    if (!parsed)
        throw RuntimeError::overflow(); // infinity
    return *parsed;
}

QString Decimal::toString() const {
    if (isZero())
        return QStringLiteral("0");
    Decimal shown = *this;
    const int digits = digitCount(U128{0, magnitude(m_mantissa)});
    if (digits > kShownDigits)
        shown = makeDecimal(isNegative(),
                            roundOff(U128{0, magnitude(m_mantissa)}, digits - kShownDigits),
                            m_scale - (digits - kShownDigits));
    const QString d = QString::number(magnitude(shown.m_mantissa));
    const int n = static_cast<int>(d.size());
    const int exponent = n - 1 - shown.m_scale;
    QString text = shown.isNegative() ? QStringLiteral("-") : QString();
    if (exponent < -4 || exponent >= kShownDigits) {
        text += d.left(1);
        if (n > 1)
            text += QLatin1Char('.') + d.mid(1);
        text += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
        text += QStringLiteral("%1").arg(qAbs(exponent), 2, 10, QLatin1Char('0'));
    } else if (shown.m_scale <= 0) {
        text += d + QString(-shown.m_scale, QLatin1Char('0'));
    } else if (shown.m_scale >= n) {
        text += QStringLiteral("0.") + QString(shown.m_scale - n, QLatin1Char('0')) + d;
    } else {
        text += d.left(n - shown.m_scale) + QLatin1Char('.') + d.mid(n - shown.m_scale);
    }
    return text;
}

double Decimal::toDouble() const {
    return (QByteArray::number(m_mantissa) + 'e' + QByteArray::number(-m_scale)).toDouble();
}

Decimal Decimal::abs() const {
    return isNegative() ? -*this : *this;
}

Decimal Decimal::operator-() const {
    Decimal d = *this;
    d.m_mantissa = -m_mantissa; // mantissas stay below 10^18, so this never overflows
    return d;
}

Decimal Decimal::rounded(int places, Halves halves) const {
    if (m_scale <= places)
        return *this;
    return makeDecimal(
        isNegative(),
        roundOff(U128{0, magnitude(m_mantissa)}, m_scale - places, halves == Halves::AwayFromZero),
        places);
}

Decimal Decimal::divided(const Decimal& a, const Decimal& b, int places) {
    if (b.isZero())
        throw RuntimeError::divisionByZero();
    if (a.isZero())
        return Decimal();
    // a ÷ b × 10^places = |ma| × 10^e ÷ |mb|
    int e = b.m_scale - a.m_scale + places;
    int resultScale = places;
    if (e > 19) { // keeps the numerator within 128 bits; the quotient has over 18 digits anyway
        resultScale -= e - 19;
        e = 19;
    }
    U128 num{0, magnitude(a.m_mantissa)};
    U128 den{0, magnitude(b.m_mantissa)};
    if (e >= 0) {
        num = *mul(num, pow10(e).lo);
    } else {
        if (-e > 38)
            return Decimal();
        const auto scaled = mul(pow10(-e), den.lo);
        if (!scaled || compare(*scaled, pow10(38)) >= 0)
            return Decimal(); // the quotient rounds to 0
        den = *scaled;
    }
    U128 q, r;
    divmod(num, den, q, r);
    return makeDecimal(a.isNegative() != b.isNegative(), roundQuotient(q, r, den), resultScale);
}

Decimal operator+(const Decimal& a, const Decimal& b) {
    if (a.isZero())
        return b;
    if (b.isZero())
        return a;
    const int scale = qMax(a.m_scale, b.m_scale);
    // Both magnitudes on the finer scale; one that would pass 10^38 there makes the other
    // operand vanish below its 18 significant digits.
    auto aligned = [scale](const Decimal& x) -> std::optional<U128> {
        const int k = scale - x.m_scale;
        if (k > 38)
            return std::nullopt;
        const auto m = mul(pow10(k), magnitude(x.m_mantissa));
        if (!m || compare(*m, pow10(38)) >= 0)
            return std::nullopt;
        return m;
    };
    const auto ma = aligned(a);
    if (!ma)
        return a;
    const auto mb = aligned(b);
    if (!mb)
        return b;
    if (a.isNegative() == b.isNegative())
        return makeDecimal(a.isNegative(), add(*ma, *mb), scale);
    const int c = compare(*ma, *mb);
    if (c == 0)
        return Decimal();
    return c > 0 ? makeDecimal(a.isNegative(), sub(*ma, *mb), scale)
                 : makeDecimal(b.isNegative(), sub(*mb, *ma), scale);
}

Decimal operator-(const Decimal& a, const Decimal& b) {
    return a + (-b);
}

Decimal operator*(const Decimal& a, const Decimal& b) {
    if (a.isZero() || b.isZero())
        return Decimal();
    return makeDecimal(a.isNegative() != b.isNegative(),
                       mul64(magnitude(a.m_mantissa), magnitude(b.m_mantissa)),
                       a.m_scale + b.m_scale);
}
