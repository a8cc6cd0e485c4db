// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/csvtext.h"

#include "manager/store/textcodec.h"

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");
// Progress is told after about this many bytes.
constexpr qint64 kProgressStep = 1 << 20;

// Reads one text; the line ends it accepts depend on the whole text (a lone CR ends a line
// only in a text without LF).
class CsvReader {
public:
    CsvReader(const QByteArray& bytes, int maxFields)
        : m_p(bytes.constData())
        , m_n(bytes.size())
        , m_crLines(!bytes.contains('\n'))
        , m_maxFields(maxFields) {}

    // The length of the line end at i, 0 when there is none.
    qsizetype lineEnd(qsizetype i) const {
        if (m_p[i] == '\n')
            return 1;
        if (m_p[i] != '\r')
            return 0;
        if (m_crLines)
            return 1;
        qsizetype j = i;
        while (j < m_n && m_p[j] == '\r')
            ++j;
        return j < m_n && m_p[j] == '\n' ? j - i + 1 : 0;
    }
    bool endsField(qsizetype i) const { return i >= m_n || m_p[i] == ',' || lineEnd(i) > 0; }
    bool breaksLine(char c) const { return c == '\n' || (m_crLines && c == '\r'); }

    // The record starting at m_i; false with error set for a quote that never closes.
    bool record(CsvRecord& record, QString& error) {
        record.line = m_line;
        for (;;) {
            QByteArray quoted;
            bool isQuoted = false;
            const qsizetype start = m_i;
            if (m_i < m_n && m_p[m_i] == '"') {
                qsizetype j = m_i + 1;
                int breaks = 0;
                bool closed = false;
                while (j < m_n) {
                    if (m_p[j] == '"') {
                        if (j + 1 < m_n && m_p[j + 1] == '"') {
                            quoted += '"';
                            j += 2;
                            continue;
                        }
                        ++j;
                        closed = true;
                        break;
                    }
                    if (breaksLine(m_p[j]))
                        ++breaks;
                    quoted += m_p[j++];
                }
                if (!closed) {
                    error = QStringLiteral("A quoted field that starts on line %1 is never "
                                           "closed.")
                                .arg(m_line);
                    return false;
                }
                // Quoting only when the closing quote ends the field; else a stray quote.
                if (endsField(j)) {
                    isQuoted = true;
                    m_i = j;
                    m_line += breaks;
                }
            }
            if (!isQuoted)
                while (!endsField(m_i))
                    ++m_i;
            if (m_maxFields == 0 || record.fields.size() < m_maxFields)
                record.fields.append(decodeStoreText(
                    isQuoted ? QByteArrayView(quoted) : QByteArrayView(m_p + start, m_i - start)));
            if (m_i >= m_n)
                return true;
            if (m_p[m_i] == ',') {
                ++m_i;
                if (m_i >= m_n) { // a comma at the very end: one more empty field
                    if (m_maxFields == 0 || record.fields.size() < m_maxFields)
                        record.fields.append(QString());
                    return true;
                }
                continue;
            }
            m_i += lineEnd(m_i);
            ++m_line;
            return true;
        }
    }

    const char* m_p;
    qsizetype m_n;
    qsizetype m_i = 0;
    int m_line = 1;
    bool m_crLines;
    int m_maxFields;
};

} // namespace

QByteArray encodeCsvText(const QString& text, const CsvEncoding& encoding) {
    QByteArray bytes;
    if (encoding.windows1252 && encodeWindows1252(text, &bytes))
        return encoding.byteOrderMark ? kByteOrderMark + bytes : bytes;
    if (encoding.windows1252)
        return kByteOrderMark + text.toUtf8();
    return encoding.byteOrderMark ? kByteOrderMark + text.toUtf8() : text.toUtf8();
}

CsvReadResult readCsv(const QByteArray& bytes, int maxFields, const CsvProgress& progress) {
    CsvReadResult result;
    if (bytes.contains('\0')) {
        result.error = QStringLiteral("The file is not a text file.");
        return result;
    }
    CsvReader reader(bytes, maxFields);
    result.encoding.byteOrderMark = bytes.startsWith(kByteOrderMark);
    reader.m_i = result.encoding.byteOrderMark ? kByteOrderMark.size() : 0;
    result.encoding.windows1252 = !isUtf8(QByteArrayView(bytes).sliced(reader.m_i));
    qint64 told = 0;
    while (reader.m_i < reader.m_n) {
        if (progress && reader.m_i - told >= kProgressStep) {
            told = reader.m_i;
            if (!progress(told, reader.m_n)) {
                result.records.clear();
                result.cancelled = true;
                return result;
            }
        }
        CsvRecord record;
        if (!reader.record(record, result.error)) {
            result.records.clear();
            return result;
        }
        result.records.push_back(std::move(record));
    }
    return result;
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvLine(const QStringList& fields) {
    QStringList written;
    written.reserve(fields.size());
    for (const QString& field : fields)
        written.append(csvField(field));
    return written.join(QLatin1Char(','));
}
