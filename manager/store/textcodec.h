// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Record files are written as UTF-8. A line that is not valid UTF-8 comes from an older
// installation and is read as Windows-1252, so its text is never lost.
QString decodeStoreText(QByteArrayView bytes);
QByteArray encodeStoreText(const QString& text);

// Whether bytes are valid UTF-8 (plain ASCII included): such a line is read as UTF-8, any other
// line as Windows-1252.
bool isUtf8(QByteArrayView bytes);
QString decodeWindows1252(QByteArrayView bytes);
// The Windows-1252 bytes of text; false when a character has none.
bool encodeWindows1252(const QString& text, QByteArray* bytes);
