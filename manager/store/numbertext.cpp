#include "manager/store/numbertext.h"

#include "manager/store/runtimeerror.h"

#include <QLocale>

#include <cmath>

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

double Val(const QString& text) {
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

qint32 CInt(const QString& text) {
    const QString number = text.trimmed();
    double value = 0;
    bool ok = false;
    if (number.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        value = double(number.mid(2).toLongLong(&ok, 16));
    } else if (number.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        value = double(number.mid(2).toLongLong(&ok, 8));
    } else {
        value = QLocale::c().toDouble(number, &ok);
    }
    if (!ok || std::isnan(value))
        throw RuntimeError::typeMismatch();
    const double whole = std::nearbyint(value); // the default rounding mode: halves to even
    if (whole < -2147483648.0 || whole > 2147483647.0)
        throw RuntimeError::overflow();
    return qint32(whole);
}
