// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/textcodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <iterator>

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned bytes stay C1.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
} // namespace

bool isUtf8(QByteArrayView bytes) {
    if (isAscii(bytes))
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes); // decoding happens on conversion
    Q_UNUSED(text);
    return !utf8.hasError();
}

QString decodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

bool encodeWindows1252(const QString& text, QByteArray* bytes) {
    bytes->resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            (*bytes)[i] = static_cast<char>(c);
            continue;
        }
        const char16_t* hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
        if (hit == std::end(kCp1252High))
            return false;
        (*bytes)[i] = static_cast<char>(0x80 + (hit - std::begin(kCp1252High)));
    }
    return true;
}

QString decodeStoreText(QByteArrayView bytes) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

QByteArray encodeStoreText(const QString& text) {
    return text.toUtf8();
}
