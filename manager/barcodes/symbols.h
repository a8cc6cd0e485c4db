// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Geometry of the two symbologies, in modules and twips, free of any drawing surface.
namespace barcodes {

// One bar or space of k modules (UPC-A) or of a pattern digit (Code 39).
struct Element {
    bool bar;
    int k;
};

// The UPC-A check digit of an 11-character code; a non-digit counts as 0.
int upcCheckDigit(const QString &code11);

// The UPC entry as leaving its box makes it: the absolute value of its leading number in its
// shortest text, left-padded with "0" to 11 characters ("3600029145" -> "03600029145",
// "036000291452" -> "36000291452", "abc" -> "00000000000"); longer text stays as it is.
QString upcEntryText(const QString &typed);

// Whether a code is the 11 digits a UPC-A symbol is drawn from.
bool isUpcCode(const QString &code);

// Guard, six left digits, centre guard, five right digits and the check, guard.
QVector<Element> upcElements(const QString &code11, int check);

// Each element drawn 15k + 1 twips wide, so the symbol's twips width.
int upcWidthTwips(const QVector<Element> &elements);

// "1" for a bar module, "0" for a space module.
QString moduleStream(const QVector<Element> &elements);

// The 44 characters (a space stands as "SP") and their 9-digit patterns, in table order.
const QStringList &code39Characters();
const QStringList &code39Patterns();

inline constexpr char kCode39StartStop[] = "121121211";

// Start, one pattern per encodable character, stop. Characters not in the table (and the
// "*" of start and stop, which would end the symbol early) go into *skipped.
QStringList code39PatternList(const QString &text, QString *skipped = nullptr);

// Twips width of the on-screen drawing: k characters give (k + 2) x 261.
int code39WidthTwips(const QStringList &patterns, int narrow = 20);

} // namespace barcodes
