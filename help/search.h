// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "help/book.h"

#include <QList>
#include <QString>
#include <QStringList>

// A text entry as the browser gets it: unscrambled when the book is encrypted, its bytes read
// as UTF-8. Throws when the entry is missing or cannot be unscrambled.
QString pageText(const PropertyBag& bag, const QString& key);

// The words of a text, lower case, reduced to a common stem: "batches", "batched" and
// "batching" all give "batch", "prices" and "price" give "pric".
QString stem(const QString& word);

// The entry that lists, one a line, a word a reader may type and the words the book uses for
// it: "refund = return", alternatives separated by "|".
inline constexpr const char* kSynonymEntry = "/synonyms.txt";

struct SearchHit {
    QString page;    // the entry name without its "/"
    QString title;   // the page's title
    QString snippet; // HTML: the text around the first hit, the words found in bold
    int score = 0;
};

// The book's pages (the contents page left out) that match every word of the query, itself or
// through the synonym entry, best first: a word in the title counts most, then in a heading,
// then in the text. Pages that cannot be read are skipped; this never throws.
QList<SearchHit> searchBook(const PropertyBag& bag, const QString& query);

// The search page: the form, the hits of the query and a link back to the contents, in the
// style of the book's home page.
QByteArray searchPage(const PropertyBag& bag, const QString& query);
