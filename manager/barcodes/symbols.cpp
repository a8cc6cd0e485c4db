// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/symbols.h"

#include "manager/store/numbertext.h"

#include <cmath>

namespace barcodes {

namespace {

// Left-half sequences carry their leading space at the end; the guards supply the rest.
const char *const kLeft[10] = {"S2B2S1B1S1", "S1B2S2B1S1", "S1B1S2B2S1", "B4S1B1S1",   "B1S3B2S1",
                               "B2S3B1S1",   "B1S1B4S1",   "B3S1B2S1",   "B2S1B3S1",   "S2B1S1B2S1"};
const char *const kRight[10] = {"B3S2B1S1",   "B2S2B2S1", "B2S1B2S1S1", "B1S4B1S1",   "B1S1B3S1S1",
                                "B1S2B3S1",   "B1S1B1S3S1", "B1S3B1S1S1", "B1S2B1S2S1", "B3S1B1S1S1"};
const char kGuard[] = "B1S1B1S1";

void append(QVector<Element> &out, const char *sequence)
{
    for (const char *p = sequence; p[0] && p[1]; p += 2)
        out.append({p[0] == 'B', p[1] - '0'});
}

int digitAt(const QString &code, int i)
{
    const QChar c = i < code.size() ? code.at(i) : QChar('0');
    return c >= '0' && c <= '9' ? c.unicode() - '0' : 0;
}

} // namespace

QString upcEntryText(const QString &typed)
{
    const QString shortest = generalNumber(std::fabs(leadingNumber(typed)));
    return shortest.size() < 11 ? shortest.rightJustified(11, '0') : shortest;
}

bool isUpcCode(const QString &code)
{
    if (code.size() != 11)
        return false;
    for (const QChar c : code)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int upcCheckDigit(const QString &code11)
{
    int odd = 0, even = 0;
    for (int i = 0; i < 11; ++i)
        (i % 2 == 0 ? odd : even) += digitAt(code11, i);
    const int total = 3 * odd + even;
    const int check = (total / 10) * 10 + 10 - total;
    return check == 10 ? 0 : check;
}

QVector<Element> upcElements(const QString &code11, int check)
{
    QVector<Element> out;
    append(out, kGuard);
    for (int i = 0; i < 6; ++i)
        append(out, kLeft[digitAt(code11, i)]);
    append(out, kGuard);
    for (int i = 6; i < 11; ++i)
        append(out, kRight[digitAt(code11, i)]);
    append(out, kRight[check % 10]);
    append(out, kGuard);
    return out;
}

int upcWidthTwips(const QVector<Element> &elements)
{
    int width = 0;
    for (const Element &e : elements)
        width += 15 * e.k + 1;
    return width;
}

QString moduleStream(const QVector<Element> &elements)
{
    QString s;
    for (const Element &e : elements)
        s += QString(e.k, e.bar ? '1' : '0');
    return s;
}

const QStringList &code39Characters()
{
    static const QStringList list = QStringLiteral(
        "0,1,2,3,4,5,6,7,8,9,A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,W,X,Y,Z,-,.,SP,$,/,+,%,*")
                                        .split(',');
    return list;
}

const QStringList &code39Patterns()
{
    static const QStringList list = QStringLiteral(
        "111221211,211211112,112211112,212211111,111221112,211221111,112221111,111211212,"
        "211211211,112211211,211112112,112112112,212112111,111122112,211122111,112122111,"
        "111112212,211112211,112112211,111122211,211111122,112111122,212111121,111121122,"
        "211121121,112121121,111111222,211111221,112111221,111121221,221111112,122111112,"
        "222111111,121121112,221121111,122121111,121111212,221111211,122111211,121212111,"
        "121211121,121112121,111212121,121121211")
                                        .split(',');
    return list;
}

QStringList code39PatternList(const QString &text, QString *skipped)
{
    QStringList out{QString::fromLatin1(kCode39StartStop)};
    const QStringList &chars = code39Characters();
    for (const QChar c : text) {
        const QString key = c == ' ' ? QStringLiteral("SP") : QString(c.toUpper());
        const int index = key == "*" ? -1 : chars.indexOf(key);
        if (index >= 0)
            out.append(code39Patterns().at(index));
        else if (skipped && !skipped->contains(c))
            skipped->append(c);
    }
    out.append(QString::fromLatin1(kCode39StartStop));
    return out;
}

int code39WidthTwips(const QStringList &patterns, int narrow)
{
    int width = 0;
    for (const QString &p : patterns) {
        for (const QChar d : p)
            width += (d.unicode() - '0') * narrow;
        width += narrow + 1;
    }
    return width;
}

} // namespace barcodes
