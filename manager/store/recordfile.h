// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// A record file in memory: lines of section "\" key "=" value, CR LF line ends.
//
// Reads find the first line that starts with section + "\" + key + "=" (exactly, case-sensitive);
// every other line is carried over unchanged. write() changes the lines exactly as one
// WriteINIString call changes the file, so any number of writes followed by one save() gives the
// same bytes as the same writes done one by one, with a single rewrite of the file.
class RecordFile {
public:
    RecordFile() = default;

    // A missing or unreadable file loads as an empty one.
    static RecordFile load(const QString& path);
    // For a rewrite: a missing file loads as an empty one, but a file that exists and cannot be
    // read is an error (75), so a write never replaces records it could not see.
    static RecordFile loadForWrite(const QString& path);
    static RecordFile fromBytes(const QByteArray& bytes);

    QString value(const QString& section, const QString& key, const QString& defaultValue) const;
    bool contains(const QString& section, const QString& key) const;
    QString section(const QString& section, const QString& defaultValue) const;
    // The keys of a section in line order: the text after section + "\" up to the first "=".
    QStringList keys(const QString& section) const;

    void write(const QString& section, const QString& key, const QString& value);

    // Becomes the file whose bytes another writer left, reusing what this copy already holds:
    // the lines it still finds, in order, are kept with their place in the index, the others
    // are dropped, and what follows them is read as new lines. Every writer keeps the lines it
    // does not change and adds its records at the end, so after one of them only the changes
    // are read; the lines are those of fromBytes(bytes) in any case. changed, when given, gets
    // the lines dropped and the lines added.
    void catchUp(const QByteArray& bytes, QByteArrayList* changed = nullptr);

    QByteArray bytes() const;
    // The bytes as parts to write one after another: views into the bytes read, around the
    // lines writes removed, while the file is unsplit (valid until it changes).
    QByteArrayList parts() const;
    // Writes a temporary file beside path and renames it over path: a crash at any moment
    // leaves the old file or the new one, never a missing or half-written one.
    void save(const QString& path) const;

    int lineCount() const;
    // Frees the memory of lines that writes replaced when they are most of what is held; a file
    // kept in memory through many writes then stays about the size of its bytes.
    void compactIfSparse();

    // A record or section prefix as it stands at the start of a line (defined in the .cpp).
    class Prefix;

private:
    // Splits the bytes into lines, once, before anything but a few plain lookups and writes.
    void split() const;
    // Whether a lookup or write of prefix may work on the unsplit bytes; splits them when not.
    bool stayUnsplit(const Prefix& prefix) const;
    // A lookup in the unsplit bytes while few were made: true when it answered, with the first
    // line starting with prefix in *line and the prefix's length there in *length (-1: none).
    bool rawLookup(const Prefix& prefix, QByteArrayView* line, qsizetype* length) const;
    // The starts of the lines of the unsplit bytes still in the file that start with prefix,
    // ascending (only the first unless all).
    std::vector<qsizetype> rawMatches(QByteArrayView prefix, bool all) const;
    // Where needle stands in the unsplit bytes (found once, then kept), or null when it stands
    // in too many places to list.
    const std::vector<qsizetype>* rawPlaces(QByteArrayView needle) const;
    qsizetype rawLineEnd(qsizetype start) const; // just past the line's LF
    bool rawGone(qsizetype start) const;
    // write() on the unsplit bytes: true when it was done there.
    bool rawWrite(const Prefix& prefix, const QByteArray* line);
    // Unsplit, with every line ending in CR LF: the bytes are written as they were read.
    bool writtenAsRead() const;
    QByteArrayList rawParts() const;
    void buildIndex() const;
    // Whether a lookup of prefix goes through the line index (building it when due).
    bool useIndex(const Prefix& prefix) const;
    // The first live line starting with prefix, or -1; *length gets the prefix's bytes there.
    int firstMatch(const Prefix& prefix, qsizetype* length) const;
    static QByteArrayView indexKey(const QByteArray& line);
    // Adds line i at the end of its key's chain.
    void linkIntoIndex(size_t i) const;
    // Where a scan for prefix starts: no live line before it matches. A read followed by a
    // write of the same key (a sale's steps) then scans the file about once, not twice.
    size_t scanStart(const Prefix& prefix) const;
    void noteClearBefore(const Prefix& prefix, size_t line) const;

    QByteArray m_buffer; // the bytes the file was read from
    // A file read for a few lookups and writes (one sale) is never split. Until then the lines
    // of m_buffer from m_rawStart on are alive but those starting at m_rawGone (ascending), and
    // m_rawAdded follow them; the members after those are empty.
    mutable bool m_split = true;
    mutable int m_rawCalls = 0;
    mutable signed char m_canonical = -1; // every line ends in CR LF (-1: not known yet)
    mutable qsizetype m_rawStart = 0;
    mutable std::vector<qsizetype> m_rawGone;
    mutable std::vector<QByteArray> m_rawAdded;
    mutable std::vector<QByteArray> m_lines; // without line ends; read lines view m_buffer
    mutable std::vector<char> m_alive;       // a byte per line, not a bit: every scan tests it
    size_t m_first = 0;                      // lines before it are gone
    mutable size_t m_live = 0;               // lines alive, counted as they come and go
    // Line text up to and including its first "=" (a view into the line) -> the first and last
    // line of that text; m_next chains the lines of one text in ascending order. Chains may hold
    // removed lines, which lookups skip. No allocation per line keeps indexing a big file cheap.
    struct Chain {
        int head = -1;
        int tail = -1;
    };
    mutable QHash<QByteArrayView, Chain> m_index;
    mutable std::vector<int> m_next;
    mutable bool m_indexed = false;
    mutable int m_scans = 0; // lookups done by scanning before the index was built
    // For the last keys scanned for: no live line before a place (a line, or a byte offset of
    // the unsplit bytes) starts with the key's prefix.
    class ClearMarks {
    public:
        // The place to scan from for prefix, at least start.
        size_t from(QByteArrayView prefix, size_t start) const;
        void note(QByteArrayView prefix, size_t before);
        void clear() { m_marks.clear(); }

    private:
        struct Clear {
            QByteArray prefix;
            size_t before = 0;
        };
        std::vector<Clear> m_marks;
    };
    // By line, for prefixes ending at their only "=", while unindexed (lines are added only at
    // the end).
    mutable ClearMarks m_clear;
    // By byte offset of the unsplit bytes: lines there are only ever removed, so what is known
    // clear stays so.
    mutable ClearMarks m_rawClear;
    // Few texts of the unsplit bytes (a section's or a key's) and where each stands, all of
    // them; common: more than are listed.
    struct Places {
        QByteArray needle;
        std::vector<qsizetype> at;
        bool common = false;
    };
    mutable std::vector<Places> m_rawPlaces;
};

// The three record-file operations. Reads never fail: a missing file or record gives the default.
// A write rewrites the whole file (atomically) and throws RuntimeError when it cannot.
void WriteINIString(const QString& section, const QString& key, const QString& value,
                    const QString& path);
QString GetINIString(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& path);
QString GetINISection(const QString& section, const QString& defaultValue, const QString& path);

// ">+br+<" stands for CR LF inside a stored value.
QString escapeRecordValue(const QString& value);
QString unescapeRecordValue(const QString& stored);
