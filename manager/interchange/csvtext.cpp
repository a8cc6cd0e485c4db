// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/csvtext.h"

#include "manager/store/textcodec.h"

namespace {

QString decodeField(const QByteArray& bytes) {
    return decodeStoreText(bytes);
}

} // namespace

CsvReadResult readCsv(const QByteArray& bytes, int maxFields) {
    CsvReadResult result;
    if (bytes.contains('\0')) {
        result.error = QStringLiteral("The file is not a text file.");
        return result;
    }
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const qsizetype n = bytes.size();
    int line = 1;
    while (i < n) {
        CsvRecord record;
        record.line = line;
        QByteArray field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            field.clear();
            if (i < n && bytes[i] == '"') {
                // A quoted field runs to the quote that is not doubled.
                const int openedAt = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const char c = bytes[i];
                    if (c == '"') {
                        if (i + 1 < n && bytes[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == '\n')
                        ++line;
                    field += c;
                    ++i;
                }
                if (!closed) {
                    result.records.clear();
                    result.error = QStringLiteral("A quoted field that starts on line %1 is "
                                                  "never closed.")
                                       .arg(openedAt);
                    return result;
                }
            }
            // The rest up to the next comma or line end is taken as it stands.
            while (i < n && bytes[i] != ',' && bytes[i] != '\n' &&
                   !(bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n'))
                field += bytes[i++];
            if (maxFields == 0 || record.fields.size() < maxFields)
                record.fields.append(decodeField(field));
            if (i >= n) {
                endOfRecord = true;
            } else if (bytes[i] == ',') {
                ++i;
            } else {
                i += bytes[i] == '\r' ? 2 : 1;
                ++line;
                endOfRecord = true;
            }
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
