#include "manager/store/recordfile.h"

#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString kBreak = QStringLiteral(">+br+<");
const QByteArray kCrLf("\r\n");

std::vector<QByteArray> splitLines(const QByteArray& bytes)
{
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines.push_back(bytes.mid(start, stop - start));
        start = end + 1;
    }
    return lines;
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// Calls visit(line) for each line of bytes until it returns true.
template <typename Visit> void forEachLine(const QByteArray& bytes, Visit visit)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        if (visit(QByteArrayView(bytes.constData() + start, stop - start)))
            return;
        start = end + 1;
    }
}

bool readWholeFile(const QString& path, QByteArray* bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return true;
}
} // namespace

QString escapeRecordValue(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1String("\r\n"), kBreak);
    // A lone CR or LF would end the line and let the rest of the value pose as a record.
    escaped.replace(QLatin1Char('\r'), kBreak);
    escaped.replace(QLatin1Char('\n'), kBreak);
    return escaped;
}

QString unescapeRecordValue(const QString& stored)
{
    QString text = stored;
    text.replace(kBreak, QLatin1String("\r\n"), Qt::CaseInsensitive);
    return text;
}

RecordFile RecordFile::fromBytes(const QByteArray& bytes)
{
    RecordFile file;
    file.m_lines = splitLines(bytes);
    file.m_alive.assign(file.m_lines.size(), true);
    return file;
}

RecordFile RecordFile::load(const QString& path)
{
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return {};
    return fromBytes(bytes);
}

RecordFile RecordFile::loadForWrite(const QString& path)
{
    QByteArray bytes;
    if (readWholeFile(path, &bytes))
        return fromBytes(bytes);
    const QFileInfo info(path);
    if (info.exists())
        throw info.isDir() ? RuntimeError::accessError() : RuntimeError(70, QStringLiteral("Permission denied"));
    return {};
}

QByteArray RecordFile::prefixOf(const QString& section, const QString& key)
{
    return encodeStoreText(section) + '\\' + encodeStoreText(key) + '=';
}

QByteArray RecordFile::indexKey(const QByteArray& line)
{
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QByteArray() : line.left(eq + 1);
}

void RecordFile::buildIndex() const
{
    if (m_indexed)
        return;
    m_index.clear();
    m_index.reserve(static_cast<qsizetype>(m_lines.size()));
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        if (!m_alive[i])
            continue;
        const QByteArray key = indexKey(m_lines[i]);
        if (!key.isEmpty())
            m_index[key].push_back(static_cast<int>(i));
    }
    m_indexed = true;
}

int RecordFile::firstMatch(const QByteArray& prefix) const
{
    // A prefix whose only "=" is its last character matches exactly the lines whose text up to
    // their first "=" equals it; other prefixes (a title holding "=") need a scan.
    if (prefix.indexOf('=') == prefix.size() - 1) {
        buildIndex();
        const auto it = m_index.constFind(prefix);
        if (it == m_index.constEnd())
            return -1;
        for (int i : *it)
            if (m_alive[static_cast<size_t>(i)])
                return i;
        return -1;
    }
    for (size_t i = m_first; i < m_lines.size(); ++i)
        if (m_alive[i] && m_lines[i].startsWith(prefix))
            return static_cast<int>(i);
    return -1;
}

QString RecordFile::value(const QString& section, const QString& key,
                          const QString& defaultValue) const
{
    if (hasLineBreak(section) || hasLineBreak(key))
        return defaultValue;
    const QByteArray prefix = prefixOf(section, key);
    const int line = firstMatch(prefix);
    if (line < 0)
        return defaultValue;
    return unescapeRecordValue(decodeStoreText(QByteArrayView(m_lines[static_cast<size_t>(line)]).sliced(prefix.size())));
}

bool RecordFile::contains(const QString& section, const QString& key) const
{
    return !hasLineBreak(section) && !hasLineBreak(key) && firstMatch(prefixOf(section, key)) >= 0;
}

QString RecordFile::section(const QString& section, const QString& defaultValue) const
{
    const QByteArray prefix = encodeStoreText(section) + '\\';
    QString collected;
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        if (m_alive[i] && m_lines[i].startsWith(prefix))
            collected += decodeStoreText(QByteArrayView(m_lines[i]).sliced(prefix.size())) + kBreak;
    }
    collected = unescapeRecordValue(collected);
    return collected.isEmpty() ? defaultValue : collected;
}

QStringList RecordFile::keys(const QString& section) const
{
    const QByteArray prefix = encodeStoreText(section) + '\\';
    QStringList keys;
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        const QByteArray& line = m_lines[i];
        if (!m_alive[i] || !line.startsWith(prefix))
            continue;
        const qsizetype eq = line.indexOf('=', prefix.size());
        if (eq >= 0)
            keys << decodeStoreText(QByteArrayView(line).sliced(prefix.size(), eq - prefix.size()));
    }
    return keys;
}

void RecordFile::write(const QString& section, const QString& key, const QString& value)
{
    if (hasLineBreak(section) || hasLineBreak(key))
        throw RuntimeError::invalidCall();
    const QByteArray prefix = prefixOf(section, key);

    // Drop every line of the key.
    if (prefix.indexOf('=') == prefix.size() - 1) {
        buildIndex();
        auto it = m_index.find(prefix);
        if (it != m_index.end()) {
            for (int i : *it)
                m_alive[static_cast<size_t>(i)] = false;
            m_index.erase(it);
        }
    } else {
        for (size_t i = m_first; i < m_lines.size(); ++i)
            if (m_alive[i] && m_lines[i].startsWith(prefix))
                m_alive[i] = false;
    }

    // Leading empty lines of what is kept disappear.
    while (m_first < m_lines.size() && (!m_alive[m_first] || m_lines[m_first].isEmpty())) {
        m_alive[m_first] = false;
        ++m_first;
    }
    const bool keptSomething = m_first < m_lines.size();

    const QString escaped = escapeRecordValue(value);
    auto append = [this](const QByteArray& line) {
        m_lines.push_back(line);
        m_alive.push_back(true);
        if (m_indexed) {
            const QByteArray key = indexKey(line);
            if (!key.isEmpty())
                m_index[key].push_back(static_cast<int>(m_lines.size() - 1));
        }
    };
    // The new record is preceded by a line break in every case, so a file in which nothing
    // else was kept begins with one empty line; with nothing at all the file is one empty line.
    if (!keptSomething)
        append(QByteArray(""));
    if (!escaped.isEmpty())
        append(prefix + encodeStoreText(escaped));

    // Keep the arrays from growing without end under many writes.
    if (m_first > 4096 && m_first * 2 > m_lines.size()) {
        m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_alive.erase(m_alive.begin(), m_alive.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_first = 0;
        m_indexed = false;
    }
}

QByteArray RecordFile::bytes() const
{
    QByteArray out;
    qsizetype size = 0;
    for (size_t i = m_first; i < m_lines.size(); ++i)
        if (m_alive[i])
            size += m_lines[i].size() + 2;
    out.reserve(size);
    for (size_t i = m_first; i < m_lines.size(); ++i) {
        if (m_alive[i]) {
            out += m_lines[i];
            out += kCrLf;
        }
    }
    return out;
}

int RecordFile::lineCount() const
{
    int count = 0;
    for (size_t i = m_first; i < m_lines.size(); ++i)
        count += m_alive[i] ? 1 : 0;
    return count;
}

void RecordFile::save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
            throw RuntimeError::pathNotFound();
        throw RuntimeError::accessError();
    }
    const QByteArray data = bytes();
    if (file.write(data) != data.size() || !file.commit())
        throw RuntimeError::accessError();
}

void WriteINIString(const QString& section, const QString& key, const QString& value,
                    const QString& path)
{
    RecordFile file = RecordFile::loadForWrite(path);
    file.write(section, key, value);
    file.save(path);
}

QString GetINIString(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& path)
{
    if (hasLineBreak(section) || hasLineBreak(key))
        return defaultValue;
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return defaultValue;
    const QByteArray prefix = encodeStoreText(section) + '\\' + encodeStoreText(key) + '=';
    QString result = defaultValue;
    forEachLine(bytes, [&](QByteArrayView line) {
        if (!line.startsWith(prefix))
            return false;
        result = unescapeRecordValue(decodeStoreText(line.sliced(prefix.size())));
        return true;
    });
    return result;
}

QString GetINISection(const QString& section, const QString& defaultValue, const QString& path)
{
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return defaultValue;
    return RecordFile::fromBytes(bytes).section(section, defaultValue);
}
