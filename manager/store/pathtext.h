// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>

// The separator of store paths: "\" on Windows, "/" elsewhere.
QChar pathSeparator();

// The text with a trailing separator ("" gives the separator alone).
QString AddBackslash(const QString& text);
// The text after the last separator, or "" when there is none.
QString GetFile(const QString& path);
// The index-th field (from 1) between separators, or "".
QString GetToken(const QString& text, const QString& separator, int index);
// Number of fields; 0 when the separator does not occur.
int CountTokens(const QString& text, const QString& separator);
