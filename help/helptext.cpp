// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/helptext.h"

namespace helptext {

QString GetToken(const QString& text, const QString& separator, int index) {
    if (index < 1 || separator.isEmpty())
        return QString();
    qsizetype start = 0;
    for (int field = 1; field < index; ++field) {
        const qsizetype hit = text.indexOf(separator, start);
        if (hit < 0)
            return QString();
        start = hit + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

QString GetFile(const QString& text) {
    return text.mid(text.lastIndexOf(QLatin1Char('\\')) + 1);
}

QString AddBackslash(const QString& text) {
    return text.startsWith(QLatin1Char('/')) ? text : QLatin1Char('/') + text;
}

} // namespace helptext

QString Crypt(const QString& text) {
    QString result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (c > 0xFF)
            throw HelpError(6, QStringLiteral("Overflow"));
        const int p = c * 16;
        result[i] = QChar(ushort(p % 256 + p / 256));
    }
    return result;
}

bool textToBool(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (!ok)
        throw HelpError(13, QStringLiteral("Type mismatch"));
    return number != 0;
}

int textToInt16(const QString& text) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok)
        throw HelpError(13, QStringLiteral("Type mismatch"));
    const double rounded = qRound64(number);
    if (rounded < -32768 || rounded > 32767)
        throw HelpError(6, QStringLiteral("Overflow"));
    return int(rounded);
}
