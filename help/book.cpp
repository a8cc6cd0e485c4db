// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/book.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace {

constexpr quint32 kMagic = 0x0000B293;
constexpr quint16 kByteArrayTag = 0x2011;
constexpr quint16 kStringType = 8;
constexpr int kFirstEntry = 8;

HelpError pastEnd() {
    return HelpError(62, QStringLiteral("Input past end of file"));
}
HelpError badImage() {
    return HelpError(5, QStringLiteral("Invalid procedure call or argument"));
}

template <typename T> T at(const QByteArray& bytes, qint64 offset) {
    return qFromLittleEndian<T>(bytes.constData() + offset);
}
template <typename T> void put(QByteArray& bytes, T value) {
    char buffer[sizeof(T)];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, sizeof(T));
}

QByteArray utf16(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text)
        put<quint16>(bytes, c.unicode());
    return bytes;
}

QString fromUtf16(const QByteArray& bytes, qint64 offset, qint64 units) {
    QString text(units, Qt::Uninitialized);
    for (qint64 i = 0; i < units; ++i)
        text[i] = QChar(at<quint16>(bytes, offset + 2 * i));
    return text;
}

qint64 padded(qint64 size) {
    return (size + 3) & ~qint64(3);
}

// The name hash the bag keeps beside each name; lookups never use it.
quint32 nameHash(const QString& name) {
    quint32 hash = 0;
    for (QChar c : name)
        hash = hash * 31 + c.unicode();
    return hash;
}

} // namespace

void PropertyBag::add(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (!m_index.contains(key))
        m_index.insert(key, m_entries.size());
    m_entries.append({key, value});
}

bool PropertyBag::contains(const QString& name) const {
    return m_index.contains(name.toLower());
}

QString PropertyBag::read(const QString& name) const {
    const auto found = m_index.constFind(name.toLower());
    if (found == m_index.constEnd())
        throw HelpError(327, QStringLiteral("Data value named '%1' not found").arg(name));
    return m_entries.at(*found).second;
}

QString PropertyBag::read(const QString& name, const QString& fallback) const {
    const auto found = m_index.constFind(name.toLower());
    return found == m_index.constEnd() ? fallback : m_entries.at(*found).second;
}

QByteArray bagImage(const PropertyBag& bag) {
    QByteArray image;
    put<quint32>(image, kMagic);
    put<quint32>(image, 0); // total length, filled in below
    const auto& entries = bag.entries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QByteArray name = utf16(entries[i].first);
        const QByteArray value = utf16(entries[i].second);
        const qint64 size = padded(16 + name.size() + value.size());
        const qint64 start = image.size();
        put<quint16>(image, kStringType);
        put<quint16>(image, quint16(entries[i].first.size()));
        put<quint32>(image, nameHash(entries[i].first));
        // The last entry points back to the first, closing the chain.
        put<qint32>(image, qint32(i + 1 < entries.size() ? size : kFirstEntry - start));
        image.append(name);
        put<quint32>(image, quint32(entries[i].second.size()));
        image.append(value);
        image.append(QByteArray(start + size - image.size(), '\0'));
    }
    qToLittleEndian<quint32>(quint32(image.size()), image.data() + 4);
    return image;
}

PropertyBag parseBagImage(const QByteArray& image) {
    const qint64 n = image.size();
    if (n < kFirstEntry || at<quint32>(image, 0) != kMagic || at<quint32>(image, 4) != quint32(n))
        throw badImage();
    PropertyBag bag;
    // Each entry must lie wholly after the previous one, so the walk ends within n / 16 steps.
    qint64 start = kFirstEntry;
    while (start < n) {
        if (start % 4 != 0 || n - start < 16)
            throw badImage();
        if (at<quint16>(image, start) != kStringType)
            throw HelpError(13, QStringLiteral("Type mismatch"));
        const qint64 nameUnits = at<quint16>(image, start + 2);
        const qint64 next = at<qint32>(image, start + 8);
        const qint64 valueAt = start + 12 + 2 * nameUnits;
        if (valueAt + 4 > n)
            throw badImage();
        const qint64 valueUnits = at<quint32>(image, valueAt);
        if (valueUnits > (n - valueAt - 4) / 2)
            throw badImage();
        bag.add(fromUtf16(image, start + 12, nameUnits), fromUtf16(image, valueAt + 4, valueUnits));
        const qint64 end = padded(valueAt + 4 + 2 * valueUnits);
        if (start + next == kFirstEntry && end == n)
            return bag;
        if (next < end - start)
            throw badImage(); // overlapping or looping
        start += next;
    }
    throw badImage(); // the chain never closes
}

QByteArray bookRecord(const QByteArray& image) {
    QByteArray record;
    put<quint16>(record, kByteArrayTag);
    put<quint16>(record, 1);
    put<qint32>(record, qint32(image.size()));
    put<qint32>(record, 0);
    return record + image;
}

namespace {

QByteArray readAt(QFile& file, qint64 offset, qint64 size) {
    if (offset < 0 || size < 0 || offset > file.size() || size > file.size() - offset)
        throw pastEnd();
    if (!file.seek(offset))
        throw pastEnd();
    QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        throw pastEnd();
    return bytes;
}

BookFile readBook(QFile& file) {
    BookFile book;
    book.length = file.size();
    if (book.length < 4)
        throw pastEnd();
    book.beginPos = at<qint32>(readAt(file, book.length - 4, 4), 0);
    if (book.beginPos < 1)
        throw HelpError(63, QStringLiteral("Bad record number"));
    // The record ends before the trailer.
    const qint64 room = book.length - 4 - (book.beginPos - 1);
    const QByteArray header = readAt(file, book.beginPos - 1, 12);
    if (room < 12)
        throw pastEnd();
    if (at<quint16>(header, 0) != kByteArrayTag || at<quint16>(header, 2) != 1 ||
        at<qint32>(header, 8) != 0 || at<qint32>(header, 4) < 0)
        throw HelpError(13, QStringLiteral("Type mismatch"));
    const qint64 n = at<qint32>(header, 4);
    if (n > room - 12)
        throw pastEnd();
    book.bag = parseBagImage(readAt(file, book.beginPos - 1 + 12, n));
    return book;
}

} // namespace

BookFile readBookFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw HelpError(53, QStringLiteral("File not found"));
    return readBook(file);
}

QByteArray bookTail(const PropertyBag& bag, qint64 imageLength) {
    QByteArray tail = bookRecord(bagImage(bag));
    put<qint32>(tail, qint32(imageLength + 1));
    return tail;
}

void appendBook(const QString& path, const PropertyBag& bag) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw HelpError(53, QStringLiteral("File not found"));
    qint64 imageLength = file.size();
    try {
        const BookFile earlier = readBook(file);
        // Only a book that fills the file up to its trailer is ours to cut off.
        const QByteArray image = bagImage(earlier.bag);
        if (earlier.beginPos - 1 + 12 + image.size() + 4 == earlier.length)
            imageLength = earlier.beginPos - 1;
    } catch (const HelpError&) {
    }
    if (!file.seek(0))
        throw HelpError(75, QStringLiteral("Path/File access error"));
    const QByteArray program = file.read(imageLength);
    const QFile::Permissions permissions = file.permissions();
    file.close();
    if (program.size() != imageLength || imageLength > 0x7FFFFFFE)
        throw HelpError(75, QStringLiteral("Path/File access error"));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(program) != program.size())
        throw HelpError(75, QStringLiteral("Path/File access error"));
    const QByteArray tail = bookTail(bag, imageLength);
    if (out.write(tail) != tail.size() || !out.commit())
        throw HelpError(75, QStringLiteral("Path/File access error"));
    QFile::setPermissions(path, permissions);
}
