// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "help/helptext.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// The book: named text entries, names stored in lower case and looked up ignoring case.
class PropertyBag {
public:
    void add(const QString& name, const QString& value);
    bool contains(const QString& name) const;
    // The value; a missing name without a default throws error 327.
    QString read(const QString& name) const;
    QString read(const QString& name, const QString& fallback) const;
    const QList<QPair<QString, QString>>& entries() const { return m_entries; }

private:
    QList<QPair<QString, QString>> m_entries;
    QHash<QString, qsizetype> m_index;
};

// The property bag image: magic, total length, then the chain of string entries.
QByteArray bagImage(const PropertyBag& bag);
// Reads an image; every length and offset is checked, a bad image throws.
PropertyBag parseBagImage(const QByteArray& image);

// The book record (a variant holding a byte array) around an image, and back.
QByteArray bookRecord(const QByteArray& image);

struct BookFile {
    PropertyBag bag;
    qint64 length = 0;   // the file length
    qint32 beginPos = 0; // 1-based position of the book record
};
// Finds the book through the 4-byte trailer of the file and reads it. Throws on any fault.
BookFile readBookFile(const QString& path);
// The record and trailer appended to an image ending at byte offset imageLength.
QByteArray bookTail(const PropertyBag& bag, qint64 imageLength);
// Writes the book at the end of the file, first cutting off a book appended earlier.
void appendBook(const QString& path, const PropertyBag& bag);
