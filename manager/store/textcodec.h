#pragma once

#include <QByteArray>
#include <QString>

// Record files are written as UTF-8. A line that is not valid UTF-8 comes from an older
// installation and is read as Windows-1252, so its text is never lost.
QString decodeStoreText(QByteArrayView bytes);
QByteArray encodeStoreText(const QString& text);
