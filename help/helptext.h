// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

// A run-time error of the viewer: its classic number and description. Start-up reports it as
// "Error: " + number + " - " + description and goes on with the next step.
class HelpError {
public:
    HelpError(int number, QString description)
        : m_number(number)
        , m_description(std::move(description)) {}
    int number() const { return m_number; }
    QString description() const { return m_description; }
    QString text() const {
        return QStringLiteral("Error: %1 - %2").arg(m_number).arg(m_description);
    }

private:
    int m_number;
    QString m_description;
};

// The viewer's own text routines (the desktop program's namesakes differ).
namespace helptext {

// The index-th field (from 1) between separators, or "". The last field runs to the end.
QString GetToken(const QString& text, const QString& separator, int index);
// The text after the last backslash, or the whole text when it has none.
QString GetFile(const QString& text);
// The text with a leading "/" ("" gives "/"); a text that starts with "/" is returned unchanged.
QString AddBackslash(const QString& text);

} // namespace helptext
// Swaps the two 4-bit halves of each character's single-byte code; its own inverse. A character
// outside the single-byte range throws error 6 (Overflow).
QString Crypt(const QString& text);
// "True", "False" (any case) or a number, non-zero being true; anything else throws error 13.
bool textToBool(const QString& text);
// A 16-bit integer in text; error 13 when it is no number, 6 when it is out of range.
int textToInt16(const QString& text);
