// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/recordfile.h"

#include "manager/store/filesystem.h"
#include "manager/store/recordlines.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif
#ifndef Q_OS_WIN
#include <string.h> // memmem
#endif

namespace {
const QString kBreak = QStringLiteral(">+br+<");

// The first place of needle in data[0, size), or null. The C library's memmem is several times
// quicker than Qt's search on files of megabytes; Windows has none.
const char* findBytes(const char* data, size_t size, QByteArrayView needle) {
#ifdef Q_OS_WIN
    const qsizetype at = QByteArrayView(data, qsizetype(size)).indexOf(needle);
    return at < 0 ? nullptr : data + at;
#else
    return static_cast<const char*>(::memmem(data, size, needle.data(), size_t(needle.size())));
#endif
}

bool isAsciiText(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Without an early exit the loop is vectorised: most lines are short and plain ASCII.
bool isAsciiBytes(QByteArrayView bytes) {
    unsigned char seen = 0;
    for (const char c : bytes)
        seen |= static_cast<unsigned char>(c);
    return seen < 0x80;
}

// Appends the text of line[from, end), read the way the whole line is read, with its stored
// line breaks turned back into CR LF.
void appendValueText(QString* out, QByteArrayView line, qsizetype from) {
    const QByteArrayView part = line.sliced(from);
    const qsizetype start = out->size();
    if (isAsciiBytes(line))
        out->append(QLatin1StringView(part));
    else if (isUtf8(line))
        out->append(QString::fromUtf8(part));
    else
        out->append(decodeWindows1252(part));
    // Only a text holding ">" can hold a stored line break.
    if (out->indexOf(QLatin1Char('>'), start) >= 0) {
        const QString text = out->sliced(start);
        out->truncate(start);
        out->append(unescapeRecordValue(text));
    }
}

// The number of LFs: memchr is far quicker than a byte loop on files of millions of bytes.
size_t lineEnds(QByteArrayView bytes) {
    size_t count = 0;
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while ((at = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at))))) {
        ++count;
        ++at;
    }
    return count;
}

// Whether every line ends in CR LF: then the bytes are exactly what writing their lines gives.
bool endsEveryLineWithCrLf(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return true;
    if (bytes.back() != '\n')
        return false;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    for (const char* at = begin;
         (at = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)))); ++at)
        if (at == begin || at[-1] != '\r')
            return false;
    return true;
}

// One pass over the text: every lookup checks its section and key.
bool hasLineBreak(QStringView text) {
    for (const QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

// Lines from older installations are Windows-1252 (a line that is not valid UTF-8 is read so),
// and their records are found by the same section and key as UTF-8 lines: a prefix matches a
// line when the line's text, decoded whole, starts with it.
//
// A prefix is made for every lookup, so a plain ASCII one (nearly all) is spelled straight into a
// buffer on the stack.
class RecordFile::Prefix {
public:
    explicit Prefix(std::initializer_list<QStringView> parts) {
        qsizetype size = 0;
        for (const QStringView part : parts)
            size += part.size();
        // Spelled as Latin-1 while checking that every character is ASCII.
        m_utf8.resize(size);
        char* out = m_utf8.data();
        char16_t seen = 0;
        for (const QStringView part : parts)
            for (const QChar c : part) {
                seen |= c.unicode();
                *out++ = char(c.unicode());
            }
        m_ascii = seen < 0x80;
        if (m_ascii) {
            if (size >= 8)
                std::memcpy(&m_tail, m_utf8.constData() + size - 8, 8);
        } else {
            QString text;
            text.reserve(size);
            for (const QStringView part : parts)
                text += part;
            const QByteArray utf8 = encodeStoreText(text);
            m_utf8.clear();
            m_utf8.append(utf8.constData(), utf8.size());
            if (!encodeWindows1252(text, &m_legacy))
                m_legacy.clear();
        }
        const void* equals = std::memchr(m_utf8.constData(), '=', size_t(m_utf8.size()));
        m_endsAtFirstEquals = equals && equals == m_utf8.constData() + m_utf8.size() - 1;
    }

    QByteArrayView utf8() const { return QByteArrayView(m_utf8.constData(), m_utf8.size()); }
    // The other spelling a line may hold, or empty when there is none.
    QByteArrayView legacy() const { return m_ascii ? QByteArrayView() : QByteArrayView(m_legacy); }

    // The prefix's length in bytes at the start of line, or -1 when line does not start with it.
    qsizetype matchIn(QByteArrayView line) const {
        if (m_ascii) // the same text whichever way the line is read
            return startsWithAscii(line) ? m_utf8.size() : -1;
        const bool asUtf8 = line.startsWith(utf8());
        const bool asLegacy = !m_legacy.isEmpty() && line.startsWith(m_legacy);
        if (!asUtf8 && !asLegacy)
            return -1;
        if (isUtf8(line))
            return asUtf8 ? m_utf8.size() : -1;
        return asLegacy ? m_legacy.size() : -1;
    }

    // Whether the only "=" is the last byte: then a line matches exactly when its bytes up to its
    // first "=" are the prefix, which the line index looks up.
    bool endsAtFirstEquals() const { return m_endsAtFirstEquals; }

private:
    // Scans test every line: the prefix's last eight bytes (where keys of one section differ)
    // are compared first, in one word.
    bool startsWithAscii(QByteArrayView line) const {
        const qsizetype size = m_utf8.size();
        if (line.size() < size)
            return false;
        if (size < 8)
            return std::memcmp(line.data(), m_utf8.constData(), size_t(size)) == 0;
        quint64 tail = 0;
        std::memcpy(&tail, line.data() + size - 8, 8);
        return tail == m_tail &&
               std::memcmp(line.data(), m_utf8.constData(), size_t(size - 8)) == 0;
    }

    QVarLengthArray<char, 128> m_utf8;
    QByteArray m_legacy;
    quint64 m_tail = 0;
    bool m_ascii = false;
    bool m_endsAtFirstEquals = false;
};

namespace {
RecordFile::Prefix recordPrefix(const QString& section, const QString& key) {
    return RecordFile::Prefix({section, u"\\", key, u"="});
}

RecordFile::Prefix sectionPrefix(const QString& section) {
    return RecordFile::Prefix({section, u"\\"});
}

// The text of line[from, to), read the way the whole line is read.
QString decodeLinePart(QByteArrayView line, qsizetype from, qsizetype to) {
    const QByteArrayView part = line.sliced(from, to - from);
    return isUtf8(line) ? QString::fromUtf8(part) : decodeWindows1252(part);
}
} // namespace

QString escapeRecordValue(const QString& value) {
    if (!hasLineBreak(value))
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("\r\n"), kBreak);
    // A lone CR or LF would end the line and let the rest of the value pose as a record.
    escaped.replace(QLatin1Char('\r'), kBreak);
    escaped.replace(QLatin1Char('\n'), kBreak);
    return escaped;
}

QString unescapeRecordValue(const QString& stored) {
    if (!stored.contains(QLatin1Char('>')))
        return stored;
    QString text = stored;
    text.replace(kBreak, QLatin1String("\r\n"), Qt::CaseInsensitive);
    return text;
}

RecordFile RecordFile::fromBytes(const QByteArray& bytes) {
    RecordFile file;
    // The lines are views into one buffer held beside them: splitting allocates nothing per
    // line. Bytes that are themselves a view (no capacity of their own) are copied first.
    file.m_buffer =
        bytes.capacity() >= bytes.size() ? bytes : QByteArray(bytes.constData(), bytes.size());
    file.m_split = false;
    return file;
}

void RecordFile::split() const {
    if (m_split)
        return;
    m_split = true;
    const char* const data = m_buffer.constData();
    const QByteArray rest =
        QByteArray::fromRawData(data + m_rawStart, m_buffer.size() - m_rawStart);
    // Sized once, with room for the writes that often follow: growing a vector of a million
    // lines touches its memory several times over.
    m_lines.reserve(lineEnds(rest) + 1 + m_rawAdded.size() + 64);
    auto gone = m_rawGone.cbegin();
    forEachRecordLine(rest, [&](QByteArrayView line) {
        const qsizetype start = line.data() - data;
        while (gone != m_rawGone.cend() && *gone < start)
            ++gone;
        if (gone == m_rawGone.cend() || *gone != start)
            m_lines.push_back(QByteArray::fromRawData(line.data(), line.size()));
    });
    for (QByteArray& added : m_rawAdded)
        m_lines.push_back(std::move(added));
    m_rawAdded.clear();
    m_rawGone.clear();
    m_rawClear.clear();
    m_rawPlaces.clear();
    m_rawStart = 0;
    m_alive.assign(m_lines.size(), true);
    m_live = m_lines.size();
}

RecordFile RecordFile::load(const QString& path) {
    QByteArray bytes;
    if (!readRecordBytes(path, &bytes))
        return {};
    return fromBytes(bytes);
}

RecordFile RecordFile::loadForWrite(const QString& path) {
    QByteArray bytes;
    if (readRecordBytes(path, &bytes))
        return fromBytes(bytes);
    const QFileInfo info(path);
    if (info.exists())
        throw RuntimeError::accessError();
    return {};
}

QByteArrayView RecordFile::indexKey(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QByteArrayView() : QByteArrayView(line.constData(), eq + 1);
}

void RecordFile::linkIntoIndex(size_t i) const {
    const QByteArrayView key = indexKey(m_lines[i]);
    if (key.isEmpty())
        return;
    const int line = static_cast<int>(i);
    Chain& chain = m_index[key];
    if (chain.head < 0)
        chain.head = line;
    else
        m_next[static_cast<size_t>(chain.tail)] = line;
    chain.tail = line;
}

void RecordFile::buildIndex() const {
    if (m_indexed)
        return;
    split();
    m_index.clear();
    m_index.reserve(static_cast<qsizetype>(m_lines.size()));
    m_next.assign(m_lines.size(), -1);
    m_clear.clear(); // lookups go through the index from now on
    for (size_t i = m_first; i < m_lines.size(); ++i)
        if (m_alive[i])
            linkIntoIndex(i);
    m_indexed = true;
}

namespace {
constexpr int kScansBeforeIndex = 32;
constexpr size_t kKeysKeptClear = 32;
// A sale reads and writes a few records of each file: searching and editing the bytes as they
// are costs less than splitting files of hundreds of thousands of lines.
constexpr int kRawCalls = 32;
constexpr size_t kTextsPlaced = 16;
constexpr size_t kPlacesListed = 64;
} // namespace

bool RecordFile::stayUnsplit(const Prefix& prefix) const {
    if (m_split)
        return false;
    // A plain ASCII prefix is spelled the same in every line, so a byte search finds it.
    if (++m_rawCalls <= kRawCalls && isAsciiBytes(prefix.utf8()))
        return true;
    split();
    return false;
}

qsizetype RecordFile::rawLineEnd(qsizetype start) const {
    const char* const data = m_buffer.constData();
    const void* newline = std::memchr(data + start, '\n', size_t(m_buffer.size() - start));
    return newline ? static_cast<const char*>(newline) - data + 1 : m_buffer.size();
}

bool RecordFile::rawGone(qsizetype start) const {
    return std::binary_search(m_rawGone.cbegin(), m_rawGone.cend(), start);
}

const std::vector<qsizetype>* RecordFile::rawPlaces(QByteArrayView needle) const {
    for (const Places& places : m_rawPlaces)
        if (places.needle == needle)
            return places.common ? nullptr : &places.at;
    if (m_rawPlaces.size() >= kTextsPlaced)
        m_rawPlaces.erase(m_rawPlaces.begin());
    Places places{needle.toByteArray(), {}, false};
    const char* const data = m_buffer.constData();
    const size_t size = size_t(m_buffer.size());
    for (size_t at = 0; at < size;) {
        const char* hit = findBytes(data + at, size - at, needle);
        if (!hit)
            break;
        if (places.at.size() == kPlacesListed) {
            places.at.clear();
            places.common = true;
            break;
        }
        places.at.push_back(hit - data);
        at = size_t(places.at.back()) + 1;
    }
    m_rawPlaces.push_back(std::move(places));
    return m_rawPlaces.back().common ? nullptr : &m_rawPlaces.back().at;
}

std::vector<qsizetype> RecordFile::rawMatches(QByteArrayView prefix, bool all) const {
    std::vector<qsizetype> found;
    const char* const data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    const qsizetype from = qsizetype(m_rawClear.from(prefix, size_t(m_rawStart)));
    // True once the search is over.
    auto consider = [&](qsizetype start) {
        if (start < from || (start > 0 && data[start - 1] != '\n') || rawGone(start) ||
            !QByteArrayView(data + start, size - start).startsWith(prefix))
            return false;
        found.push_back(start);
        return !all;
    };
    // A sale's records are found where their section's text (Totals) or their key's text (one
    // SKU's) stands at a few places: one search of the file serves all the records sharing it.
    const qsizetype firstSlash = prefix.indexOf('\\');
    if (firstSlash >= 0) {
        QVarLengthArray<char, 129> section;
        section.append('\n');
        section.append(prefix.data(), firstSlash + 1);
        if (const std::vector<qsizetype>* places =
                rawPlaces(QByteArrayView(section.constData(), section.size()))) {
            if (!consider(0))
                for (const qsizetype at : *places)
                    if (consider(at + 1))
                        break;
            return found;
        }
        const qsizetype lastSlash = prefix.lastIndexOf('\\');
        if (const std::vector<qsizetype>* places = rawPlaces(prefix.sliced(lastSlash))) {
            for (const qsizetype at : *places)
                if (at >= lastSlash && consider(at - lastSlash))
                    break;
            return found;
        }
    }
    // Otherwise a search for the whole prefix at line starts, from where none is left before.
    QVarLengthArray<char, 129> needle;
    needle.append('\n');
    needle.append(prefix.data(), prefix.size());
    if (consider(from))
        return found;
    for (qsizetype at = from; at < size;) {
        const char* hit = findBytes(data + at, size_t(size - at),
                                    QByteArrayView(needle.constData(), needle.size()));
        if (!hit)
            break;
        at = hit - data + 1;
        if (consider(at))
            break;
    }
    if (!all)
        m_rawClear.note(prefix, size_t(found.empty() ? size : found.front()));
    return found;
}

bool RecordFile::rawLookup(const Prefix& prefix, QByteArrayView* line, qsizetype* length) const {
    if (!stayUnsplit(prefix))
        return false;
    *length = -1;
    const std::vector<qsizetype> found = rawMatches(prefix.utf8(), false);
    if (!found.empty()) {
        const qsizetype at = found.front();
        const char* const data = m_buffer.constData();
        qsizetype end = rawLineEnd(at);
        if (end > at && data[end - 1] == '\n')
            --end;
        if (end > at && data[end - 1] == '\r')
            --end;
        *line = QByteArrayView(data + at, end - at);
        *length = prefix.matchIn(*line);
        return true;
    }
    for (const QByteArray& added : m_rawAdded)
        if (added.startsWith(prefix.utf8())) {
            *line = added;
            *length = prefix.matchIn(added);
            return true;
        }
    return true;
}

bool RecordFile::rawWrite(const Prefix& prefix, const QByteArray* line) {
    if (!stayUnsplit(prefix))
        return false;
    if (!writtenAsRead()) { // its lines are written back with CR LF: split, as before
        split();
        return false;
    }
    // Drop every line of the key.
    const QByteArrayView spelled = prefix.utf8();
    for (const qsizetype at : rawMatches(spelled, true))
        m_rawGone.insert(std::upper_bound(m_rawGone.begin(), m_rawGone.end(), at), at);
    m_rawClear.note(spelled, size_t(m_buffer.size()));
    m_rawAdded.erase(
        std::remove_if(m_rawAdded.begin(), m_rawAdded.end(),
                       [&](const QByteArray& added) { return added.startsWith(spelled); }),
        m_rawAdded.end());

    // Leading empty lines of what is kept disappear.
    const char* const data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    while (m_rawStart < size &&
           (rawGone(m_rawStart) || (data[m_rawStart] == '\r' && data[m_rawStart + 1] == '\n')))
        m_rawStart = rawLineEnd(m_rawStart);
    m_rawGone.erase(m_rawGone.begin(),
                    std::lower_bound(m_rawGone.begin(), m_rawGone.end(), m_rawStart));
    if (m_rawStart == size)
        while (!m_rawAdded.empty() && m_rawAdded.front().isEmpty())
            m_rawAdded.erase(m_rawAdded.begin());

    // As below: the new record is preceded by a line break in every case.
    if (m_rawStart == size && m_rawAdded.empty())
        m_rawAdded.push_back(QByteArray(""));
    if (line)
        m_rawAdded.push_back(*line);
    return true;
}

QByteArrayList RecordFile::rawParts() const {
    if (m_rawStart == 0 && m_rawGone.empty() && m_rawAdded.empty())
        return {m_buffer};
    const char* const data = m_buffer.constData();
    QByteArrayList parts;
    auto kept = [&](qsizetype from, qsizetype to) {
        if (to > from)
            parts.push_back(QByteArray::fromRawData(data + from, to - from));
    };
    qsizetype from = m_rawStart;
    for (const qsizetype gone : m_rawGone) {
        kept(from, gone);
        from = rawLineEnd(gone);
    }
    kept(from, m_buffer.size());
    QByteArray added;
    for (const QByteArray& line : m_rawAdded)
        added += line + "\r\n";
    if (!added.isEmpty())
        parts.push_back(added);
    return parts;
}

bool RecordFile::useIndex(const Prefix& prefix) const {
    // Prefixes with another "=" (a title holding "=") always need a scan. A single write or
    // read scans too, which is cheaper than indexing every line; a batch pays for the index once.
    if (!prefix.endsAtFirstEquals())
        return false;
    if (!m_indexed && ++m_scans <= kScansBeforeIndex)
        return false;
    buildIndex();
    return true;
}

size_t RecordFile::ClearMarks::from(QByteArrayView prefix, size_t start) const {
    for (const Clear& mark : m_marks)
        if (mark.prefix == prefix)
            return std::max(start, mark.before);
    return start;
}

void RecordFile::ClearMarks::note(QByteArrayView prefix, size_t before) {
    for (Clear& mark : m_marks)
        if (mark.prefix == prefix) {
            mark.before = before;
            return;
        }
    if (m_marks.size() >= kKeysKeptClear)
        m_marks.erase(m_marks.begin());
    m_marks.push_back({prefix.toByteArray(), before});
}

size_t RecordFile::scanStart(const Prefix& prefix) const {
    return prefix.endsAtFirstEquals() ? m_clear.from(prefix.utf8(), m_first) : m_first;
}

void RecordFile::noteClearBefore(const Prefix& prefix, size_t line) const {
    if (prefix.endsAtFirstEquals())
        m_clear.note(prefix.utf8(), line);
}

int RecordFile::firstMatch(const Prefix& prefix, qsizetype* length) const {
    split();
    if (!useIndex(prefix)) {
        // Stops at the key; the write that often follows the read goes on from there.
        const size_t end = m_lines.size();
        for (size_t i = scanStart(prefix); i < end; ++i) {
            const qsizetype matched = m_alive[i] ? prefix.matchIn(m_lines[i]) : -1;
            if (matched >= 0) {
                *length = matched;
                noteClearBefore(prefix, i);
                return static_cast<int>(i);
            }
        }
        noteClearBefore(prefix, end);
        return -1;
    }
    int best = -1;
    for (const QByteArrayView spelling : {prefix.utf8(), prefix.legacy()}) {
        const auto it = spelling.isEmpty() ? m_index.constEnd() : m_index.constFind(spelling);
        if (it == m_index.constEnd())
            continue;
        for (int i = it->head; i >= 0; i = m_next[static_cast<size_t>(i)]) { // ascending
            if (best >= 0 && i >= best)
                break;
            const auto line = static_cast<size_t>(i);
            const qsizetype matched = m_alive[line] ? prefix.matchIn(m_lines[line]) : -1;
            if (matched >= 0) {
                best = i;
                *length = matched;
                break;
            }
        }
    }
    return best;
}

QString RecordFile::value(const QString& section, const QString& key,
                          const QString& defaultValue) const {
    if (hasLineBreak(section) || hasLineBreak(key))
        return defaultValue;
    const Prefix prefix = recordPrefix(section, key);
    qsizetype length = 0;
    QByteArrayView raw;
    if (rawLookup(prefix, &raw, &length)) {
        if (length < 0)
            return defaultValue;
        QString text;
        appendValueText(&text, raw, length);
        return text;
    }
    const int line = firstMatch(prefix, &length);
    if (line < 0)
        return defaultValue;
    QString text;
    appendValueText(&text, m_lines[static_cast<size_t>(line)], length);
    return text;
}

bool RecordFile::contains(const QString& section, const QString& key) const {
    if (hasLineBreak(section) || hasLineBreak(key))
        return false;
    const Prefix prefix = recordPrefix(section, key);
    qsizetype length = 0;
    QByteArrayView raw;
    if (rawLookup(prefix, &raw, &length))
        return length >= 0;
    return firstMatch(prefix, &length) >= 0;
}

QString RecordFile::section(const QString& section, const QString& defaultValue) const {
    split();
    const Prefix prefix = sectionPrefix(section);
    QString collected;
    bool found = false;
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        const qsizetype length = m_alive[i] ? prefix.matchIn(m_lines[i]) : -1;
        if (length < 0)
            continue;
        // Each line's text ends in a line break; a stored break cannot reach across lines.
        appendValueText(&collected, m_lines[i], length);
        collected += QLatin1String("\r\n");
        found = true;
    }
    return found ? collected : defaultValue;
}

QStringList RecordFile::keys(const QString& section) const {
    split();
    const Prefix prefix = sectionPrefix(section);
    QStringList keys;
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        const QByteArray& line = m_lines[i];
        const qsizetype length = m_alive[i] ? prefix.matchIn(line) : -1;
        if (length < 0)
            continue;
        const qsizetype eq = line.indexOf('=', length);
        if (eq >= 0)
            keys << decodeLinePart(line, length, eq);
    }
    return keys;
}

void RecordFile::write(const QString& section, const QString& key, const QString& value) {
    if (hasLineBreak(section) || hasLineBreak(key))
        throw RuntimeError::invalidCall();
    const Prefix prefix = recordPrefix(section, key);
    const QString escaped = escapeRecordValue(value);
    QByteArray line; // the record's new line, when the value is not empty
    if (!escaped.isEmpty()) {
        const QByteArrayView spelled = prefix.utf8();
        if (isAsciiText(escaped)) { // spelled straight into one buffer
            line.resize(spelled.size() + escaped.size());
            std::memcpy(line.data(), spelled.data(), size_t(spelled.size()));
            char* out = line.data() + spelled.size();
            for (const QChar c : escaped)
                *out++ = char(c.unicode());
        } else {
            line = spelled.toByteArray() + encodeStoreText(escaped);
        }
    }
    if (rawWrite(prefix, escaped.isEmpty() ? nullptr : &line))
        return;
    split();

    // Drop every line of the key. A chain that ends up empty stays in the index for the key's
    // new line: one lookup instead of a removal and an insertion.
    Chain* emptied = nullptr;
    if (useIndex(prefix)) {
        for (const QByteArrayView spelling : {prefix.utf8(), prefix.legacy()}) {
            auto it = spelling.isEmpty() ? m_index.end() : m_index.find(spelling);
            if (it == m_index.end())
                continue;
            // Lines with the same bytes up to "=" that read as other text stay in the chain.
            Chain kept;
            for (int i = it->head; i >= 0;) {
                const auto line = static_cast<size_t>(i);
                const int next = m_next[line];
                if (m_alive[line] && prefix.matchIn(m_lines[line]) >= 0) {
                    m_alive[line] = false;
                    --m_live;
                }
                if (m_alive[line]) {
                    if (kept.head < 0)
                        kept.head = i;
                    else
                        m_next[static_cast<size_t>(kept.tail)] = i;
                    kept.tail = i;
                    m_next[line] = -1;
                }
                i = next;
            }
            *it = kept;
            if (kept.head < 0 && spelling.data() == prefix.utf8().data())
                emptied = &*it;
        }
    } else {
        const size_t end = m_lines.size();
        for (size_t i = scanStart(prefix); i < end; ++i)
            if (m_alive[i] && prefix.matchIn(m_lines[i]) >= 0) {
                m_alive[i] = false;
                --m_live;
            }
    }

    // Leading empty lines of what is kept disappear.
    while (m_first < m_lines.size() && (!m_alive[m_first] || m_lines[m_first].isEmpty())) {
        if (m_alive[m_first])
            --m_live;
        m_alive[m_first] = false;
        ++m_first;
    }
    const bool keptSomething = m_first < m_lines.size();

    auto append = [&](const QByteArray& line) {
        m_lines.push_back(line);
        m_alive.push_back(true);
        ++m_live;
        if (m_indexed) {
            m_next.push_back(-1);
            const int added = static_cast<int>(m_lines.size() - 1);
            if (emptied && indexKey(line) == prefix.utf8())
                emptied->head = emptied->tail = added;
            else
                linkIntoIndex(m_lines.size() - 1);
        }
    };
    // The new record is preceded by a line break in every case, so a file in which nothing
    // else was kept begins with one empty line; with nothing at all the file is one empty line.
    if (!keptSomething)
        append(QByteArray(""));
    if (!escaped.isEmpty())
        append(line);

    // The key's one line is now the last, or it has none. (Lines are only ever added at the end,
    // past every line a scan has seen, so what is known clear stays so.)
    if (!m_indexed)
        noteClearBefore(prefix, escaped.isEmpty() ? m_lines.size() : m_lines.size() - 1);

    // Keep the arrays from growing without end under many writes.
    if (m_first > 4096 && m_first * 2 > m_lines.size()) {
        m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_alive.erase(m_alive.begin(), m_alive.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_first = 0;
        m_indexed = false; // the index's views pointed into the erased lines
        m_index.clear();
        m_clear.clear(); // line numbers moved
    }
}

void RecordFile::catchUp(const QByteArray& bytes, QByteArrayList* changed) {
    split();
    const char* const data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        if (!m_alive[i])
            continue;
        const QByteArray& line = m_lines[i];
        const qsizetype end = at + line.size();
        if (end + 2 <= size && data[end] == '\r' && data[end + 1] == '\n' &&
            std::memcmp(data + at, line.constData(), size_t(line.size())) == 0) {
            at = end + 2;
        } else { // gone, or moved to the end (a lookup skips it in its chain)
            m_alive[i] = false;
            --m_live;
            if (changed)
                changed->push_back(line);
        }
    }
    // Lines read from here on own their bytes: the buffer they came from is not kept.
    forEachRecordLine(QByteArray::fromRawData(data + at, size - at), [&](QByteArrayView line) {
        m_lines.emplace_back(line.data(), line.size());
        if (changed)
            changed->push_back(m_lines.back());
        m_alive.push_back(true);
        ++m_live;
        if (m_indexed) {
            m_next.push_back(-1);
            linkIntoIndex(m_lines.size() - 1);
        }
    });
}

bool RecordFile::writtenAsRead() const {
    if (m_split)
        return false;
    if (m_canonical < 0)
        m_canonical = endsEveryLineWithCrLf(m_buffer) ? 1 : 0;
    return m_canonical == 1;
}

QByteArrayList RecordFile::parts() const {
    return writtenAsRead() ? rawParts() : QByteArrayList{bytes()};
}

QByteArray RecordFile::bytes() const {
    if (writtenAsRead()) {
        const QByteArrayList pieces = rawParts();
        if (pieces.size() == 1 && pieces.front().isSharedWith(m_buffer))
            return m_buffer;
        // Copied: the parts may be views into this file's buffer.
        qsizetype size = 0;
        for (const QByteArray& piece : pieces)
            size += piece.size();
        QByteArray out(size, Qt::Uninitialized);
        char* to = out.data();
        for (const QByteArray& piece : pieces) {
            std::memcpy(to, piece.constData(), size_t(piece.size()));
            to += piece.size();
        }
        return out;
    }
    split();
    QByteArray out;
    qsizetype size = 0;
    for (size_t i = m_first; i < m_lines.size(); ++i)
        if (m_alive[i])
            size += m_lines[i].size() + 2;
    // Copied straight into one buffer: a sale rewrites files of tens of thousands of lines.
    out.resize(size);
    char* at = out.data();
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        if (m_alive[i]) {
            const QByteArray& line = m_lines[i];
            std::memcpy(at, line.constData(), size_t(line.size()));
            at += line.size();
            *at++ = '\r';
            *at++ = '\n';
        }
    }
    return out;
}

int RecordFile::lineCount() const {
    split();
    return int(m_live);
}

void RecordFile::compactIfSparse() {
    // A rewritten record leaves its old line behind in memory; parsing the bytes again drops
    // them all, once they outnumber the live lines, so the cost spreads thinly over the writes.
    if (!m_split) // nothing replaced yet
        return;
    const size_t held = m_lines.size() - m_first;
    if (held > 1024 && held > 2 * m_live) {
        const bool indexed = m_indexed;
        *this = fromBytes(bytes());
        if (indexed) // a file looked up often: indexed again at the next lookup, not scanned
            m_scans = kScansBeforeIndex;
    }
}

void RecordFile::save(const QString& path) const {
    saveFileAtomically(path, bytes());
}

void WriteINIString(const QString& section, const QString& key, const QString& value,
                    const QString& path) {
    RecordFile file = RecordFile::loadForWrite(path);
    file.write(section, key, value);
    file.save(path);
}

QString GetINIString(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& path) {
    if (hasLineBreak(section) || hasLineBreak(key))
        return defaultValue;
    QByteArray bytes;
    if (!readRecordBytes(path, &bytes))
        return defaultValue;
    const RecordFile::Prefix prefix = recordPrefix(section, key);
    QString result = defaultValue;
    forEachRecordLine(bytes, [&](QByteArrayView line) {
        const qsizetype length = prefix.matchIn(line);
        if (length < 0)
            return false;
        result.clear();
        appendValueText(&result, line, length);
        return true;
    });
    return result;
}

QString GetINISection(const QString& section, const QString& defaultValue, const QString& path) {
    QByteArray bytes;
    if (!readRecordBytes(path, &bytes))
        return defaultValue;
    return RecordFile::fromBytes(bytes).section(section, defaultValue);
}

namespace {
// Reads a file whole into one buffer of its size. A big one is backed by huge pages where the
// system allows it: filling megabytes of fresh memory costs more in page faults than in copying.
bool readWhole(QFile& file, QByteArray* bytes) {
    constexpr qint64 kHugePage = 2 << 20;
    const qint64 size = file.size();
    QByteArray whole(size, Qt::Uninitialized);
#ifdef Q_OS_LINUX
    if (size >= 2 * kHugePage) {
        const quintptr begin = (quintptr(whole.data()) + kHugePage - 1) & ~quintptr(kHugePage - 1);
        const quintptr end = (quintptr(whole.data()) + quintptr(size)) & ~quintptr(kHugePage - 1);
        if (end > begin)
            ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
    const qint64 read = file.read(whole.data(), size);
    if (read < 0)
        return false;
    whole.resize(read);
    if (read == size) // it may have grown since
        whole += file.readAll();
    *bytes = std::move(whole);
    return true;
}
} // namespace

bool readRecordBytes(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !readWhole(file, bytes))
        return false;
    // Files from elsewhere: a UTF-8 byte-order mark is not part of the first record (and is
    // not written back), and a file whose lines end in CR alone is read by lines.
    if (bytes->startsWith("\xEF\xBB\xBF"))
        bytes->remove(0, 3);
    if (!bytes->contains('\n') && bytes->contains('\r'))
        bytes->replace('\r', '\n');
    return true;
}
