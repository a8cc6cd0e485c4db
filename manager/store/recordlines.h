// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstring>
#include <type_traits>

// The lines of a record file's bytes, without their line ends (LF or CR LF). visit(line) may
// return true to stop early.
template <typename Visit> void forEachRecordLine(const QByteArray& bytes, Visit visit) {
    const char* const data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        // memchr straight: files of a million lines are split here.
        const void* hit = std::memchr(data + start, '\n', size_t(size - start));
        const qsizetype end = hit ? static_cast<const char*>(hit) - data : size;
        qsizetype stop = end;
        if (stop > start && data[stop - 1] == '\r')
            --stop;
        const QByteArrayView line(data + start, stop - start);
        if constexpr (std::is_same_v<decltype(visit(line)), bool>) {
            if (visit(line))
                return;
        } else {
            visit(line);
        }
        start = end + 1;
    }
}

// The whole file, without a leading UTF-8 byte-order mark, CR-only line ends read as LF;
// false when it is missing or cannot be read.
bool readRecordBytes(const QString& path, QByteArray* bytes);
