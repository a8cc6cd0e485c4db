// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Comma separated text as spreadsheets write it: a field in double quotes may hold commas,
// doubled quotes and line breaks; a field without quotes is taken exactly as it stands, spaces
// and stray quote characters included. Lines end in CR LF or a lone LF. A UTF-8 byte-order mark
// at the start is skipped; each line is read as UTF-8 when it is valid UTF-8, else as
// Windows-1252, so nothing is lost.
struct CsvRecord {
    int line = 0; // the line number where the record starts, counted from 1
    QStringList fields;
};

struct CsvReadResult {
    std::vector<CsvRecord> records;
    QString error; // empty when the whole text was read
};

// Splits bytes into records. Only the first maxFields fields of a record are kept (0 = all), so
// a line of very many fields costs no memory. A NUL byte (a binary file) or a quote that never
// closes gives an error and no records.
CsvReadResult readCsv(const QByteArray& bytes, int maxFields = 0);

// One field as written: in quotes, with quotes doubled, when it holds a comma, a quote or a
// line break; unchanged otherwise.
QString csvField(const QString& text);
// The fields joined by commas, each through csvField.
QString csvLine(const QStringList& fields);
