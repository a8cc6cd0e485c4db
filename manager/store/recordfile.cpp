// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/recordfile.h"

#include "manager/store/filesystem.h"
#include "manager/store/recordlines.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {
const QString kBreak = QStringLiteral(">+br+<");

std::vector<QByteArray> splitLines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    forEachRecordLine(bytes, [&](QByteArrayView line) { lines.push_back(line.toByteArray()); });
    return lines;
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

// Lines from older installations are Windows-1252 (a line that is not valid UTF-8 is read so),
// and their records are found by the same section and key as UTF-8 lines: a prefix matches a
// line when the line's text, decoded whole, starts with it.
class RecordFile::Prefix {
public:
    explicit Prefix(const QString& text)
        : m_utf8(encodeStoreText(text)) {
        if (!encodeWindows1252(text, &m_legacy))
            m_legacy.clear();
        m_ascii = m_legacy == m_utf8;
    }

    const QByteArray& utf8() const { return m_utf8; }
    // The other spelling a line may hold, or empty when there is none.
    QByteArray legacy() const { return m_ascii ? QByteArray() : m_legacy; }

    // The prefix's length in bytes at the start of line, or -1 when line does not start with it.
    qsizetype matchIn(QByteArrayView line) const {
        const bool asUtf8 = line.startsWith(m_utf8);
        const bool asLegacy = !m_legacy.isEmpty() && line.startsWith(m_legacy);
        if (!asUtf8 && !asLegacy)
            return -1;
        if (m_ascii)
            return m_utf8.size(); // the same text whichever way the line is read
        if (isUtf8(line))
            return asUtf8 ? m_utf8.size() : -1;
        return asLegacy ? m_legacy.size() : -1;
    }

    // Whether the only "=" is the last byte: then a line matches exactly when its bytes up to its
    // first "=" are the prefix, which the line index looks up.
    bool endsAtFirstEquals() const { return m_utf8.indexOf('=') == m_utf8.size() - 1; }

private:
    QByteArray m_utf8;
    QByteArray m_legacy;
    bool m_ascii = false;
};

namespace {
RecordFile::Prefix recordPrefix(const QString& section, const QString& key) {
    return RecordFile::Prefix(section + QLatin1Char('\\') + key + QLatin1Char('='));
}

// The text of line[from, to), read the way the whole line is read.
QString decodeLinePart(QByteArrayView line, qsizetype from, qsizetype to) {
    const QByteArrayView part = line.sliced(from, to - from);
    return isUtf8(line) ? QString::fromUtf8(part) : decodeWindows1252(part);
}
} // namespace

QString escapeRecordValue(const QString& value) {
    QString escaped = value;
    escaped.replace(QLatin1String("\r\n"), kBreak);
    // A lone CR or LF would end the line and let the rest of the value pose as a record.
    escaped.replace(QLatin1Char('\r'), kBreak);
    escaped.replace(QLatin1Char('\n'), kBreak);
    return escaped;
}

QString unescapeRecordValue(const QString& stored) {
    QString text = stored;
    text.replace(kBreak, QLatin1String("\r\n"), Qt::CaseInsensitive);
    return text;
}

RecordFile RecordFile::fromBytes(const QByteArray& bytes) {
    RecordFile file;
    file.m_lines = splitLines(bytes);
    file.m_alive.assign(file.m_lines.size(), true);
    file.m_live = file.m_lines.size();
    return file;
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
    m_index.clear();
    m_index.reserve(static_cast<qsizetype>(m_lines.size()));
    m_next.assign(m_lines.size(), -1);
    for (size_t i = m_first; i < m_lines.size(); ++i)
        if (m_alive[i])
            linkIntoIndex(i);
    m_indexed = true;
}

namespace {
constexpr int kScansBeforeIndex = 32;
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

int RecordFile::firstMatch(const Prefix& prefix, qsizetype* length) const {
    if (!useIndex(prefix)) {
        for (size_t i = m_first; i < m_lines.size(); ++i)
            if (m_alive[i] && (*length = prefix.matchIn(m_lines[i])) >= 0)
                return static_cast<int>(i);
        return -1;
    }
    int best = -1;
    for (const QByteArray& spelling : {prefix.utf8(), prefix.legacy()}) {
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
    qsizetype length = 0;
    const int line = firstMatch(recordPrefix(section, key), &length);
    if (line < 0)
        return defaultValue;
    const QByteArray& text = m_lines[static_cast<size_t>(line)];
    return unescapeRecordValue(decodeLinePart(text, length, text.size()));
}

bool RecordFile::contains(const QString& section, const QString& key) const {
    qsizetype length = 0;
    return !hasLineBreak(section) && !hasLineBreak(key) &&
           firstMatch(recordPrefix(section, key), &length) >= 0;
}

QString RecordFile::section(const QString& section, const QString& defaultValue) const {
    const Prefix prefix(section + QLatin1Char('\\'));
    QString collected;
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        const qsizetype length = m_alive[i] ? prefix.matchIn(m_lines[i]) : -1;
        if (length >= 0)
            collected += decodeLinePart(m_lines[i], length, m_lines[i].size()) + kBreak;
    }
    collected = unescapeRecordValue(collected);
    return collected.isEmpty() ? defaultValue : collected;
}

QStringList RecordFile::keys(const QString& section) const {
    const Prefix prefix(section + QLatin1Char('\\'));
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

    // Drop every line of the key.
    if (useIndex(prefix)) {
        for (const QByteArray& spelling : {prefix.utf8(), prefix.legacy()}) {
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
            if (kept.head < 0)
                m_index.erase(it);
            else
                *it = kept;
        }
    } else {
        for (size_t i = m_first; i < m_lines.size(); ++i)
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

    const QString escaped = escapeRecordValue(value);
    auto append = [this](const QByteArray& line) {
        m_lines.push_back(line);
        m_alive.push_back(true);
        ++m_live;
        if (m_indexed) {
            m_next.push_back(-1);
            linkIntoIndex(m_lines.size() - 1);
        }
    };
    // The new record is preceded by a line break in every case, so a file in which nothing
    // else was kept begins with one empty line; with nothing at all the file is one empty line.
    if (!keptSomething)
        append(QByteArray(""));
    if (!escaped.isEmpty())
        append(prefix.utf8() + encodeStoreText(escaped));

    // Keep the arrays from growing without end under many writes.
    if (m_first > 4096 && m_first * 2 > m_lines.size()) {
        m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_alive.erase(m_alive.begin(), m_alive.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_first = 0;
        m_indexed = false; // the index's views pointed into the erased lines
        m_index.clear();
    }
}

QByteArray RecordFile::bytes() const {
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
    return int(m_live);
}

void RecordFile::compactIfSparse() {
    // A rewritten record leaves its old line behind in memory; parsing the bytes again drops
    // them all, once they outnumber the live lines, so the cost spreads thinly over the writes.
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
        result = unescapeRecordValue(decodeLinePart(line, length, line.size()));
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

bool readRecordBytes(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    // Files from elsewhere: a UTF-8 byte-order mark is not part of the first record (and is
    // not written back), and a file whose lines end in CR alone is read by lines.
    if (bytes->startsWith("\xEF\xBB\xBF"))
        bytes->remove(0, 3);
    if (!bytes->contains('\n') && bytes->contains('\r'))
        bytes->replace('\r', '\n');
    return true;
}
