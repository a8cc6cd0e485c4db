// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/pathtext.h"

QChar pathSeparator() {
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

namespace {
bool isSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
#else
    return c == QLatin1Char('/');
#endif
}
} // namespace

QString AddBackslash(const QString& text) {
    if (!text.isEmpty() && isSeparator(text.back()))
        return text;
    return text + pathSeparator();
}

QString GetFile(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isSeparator(path[i]))
            return path.mid(i + 1);
    return QString();
}

QString GetToken(const QString& text, const QString& separator, int index) {
    if (index < 1 || separator.isEmpty())
        return QString();
    // Each search starts one character after the previous hit, so a separator longer than one
    // character leaves its remaining characters at the start of the next field.
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

int CountTokens(const QString& text, const QString& separator) {
    if (separator.isEmpty())
        return 0;
    const qsizetype hits = text.count(separator);
    return hits == 0 ? 0 : static_cast<int>(hits) + 1;
}
