// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/numbertext.h"

#include "manager/store/decimal.h"
#include "manager/store/runtimeerror.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

double radixValue(const QString& digits, int radix) {
    // Whole numbers only; the 32-bit two's complement reading of the old parser is not kept.
    double value = 0;
    for (QChar c : digits) {
        const int d = c.isDigit() ? c.digitValue() : (c.toUpper().unicode() - 'A' + 10);
        if (d < 0 || d >= radix)
            break;
        value = value * radix + d;
    }
    return value;
}
} // namespace

double leadingNumber(const QString& text) {
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            compact += c;

    if (compact.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return radixValue(compact.mid(2), 16);
    if (compact.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        return radixValue(compact.mid(2), 8);

    // Longest leading number: [sign] digits [. digits] [E|D [sign] digits]
    qsizetype i = 0;
    const qsizetype n = compact.size();
    QByteArray number;
    if (i < n && (compact[i] == QLatin1Char('+') || compact[i] == QLatin1Char('-')))
        number += compact[i++].toLatin1();
    bool digits = false;
    while (i < n && compact[i].isDigit() && compact[i].unicode() < 128) {
        number += compact[i++].toLatin1();
        digits = true;
    }
    if (i < n && compact[i] == QLatin1Char('.')) {
        number += compact[i++].toLatin1();
        while (i < n && compact[i].isDigit() && compact[i].unicode() < 128) {
            number += compact[i++].toLatin1();
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < n &&
        (compact[i].toUpper() == QLatin1Char('E') || compact[i].toUpper() == QLatin1Char('D'))) {
        QByteArray exponent("e");
        qsizetype j = i + 1;
        if (j < n && (compact[j] == QLatin1Char('+') || compact[j] == QLatin1Char('-')))
            exponent += compact[j++].toLatin1();
        bool expDigits = false;
        while (j < n && compact[j].isDigit() && compact[j].unicode() < 128) {
            exponent += compact[j++].toLatin1();
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    return number.toDouble(); // C locale, whatever the user's locale says
}

QString generalNumber(double value) {
    if (value == 0 || std::isnan(value))
        return QStringLiteral("0");
    return QString::number(value, 'G', 15); // C locale: "." is the decimal point
}

qint32 wholeCount(const QString& text) {
    // The same number rules as every other stored value, so a count such as "1,000" or "1D1"
    // reads alike on every road: not a number is a type mismatch everywhere.
    const Decimal whole = Decimal::fromStored(text).rounded(0);
    if (whole < Decimal(std::numeric_limits<qint32>::min()) ||
        whole > Decimal(std::numeric_limits<qint32>::max()))
        throw RuntimeError::overflow();
    return qint32(whole.toDouble());
}
