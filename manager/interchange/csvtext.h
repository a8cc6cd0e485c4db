// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Comma separated text as spreadsheets write it: a field in double quotes may hold commas,
// doubled quotes and line breaks; a field without quotes is taken exactly as it stands, spaces
// included. A quote that opens a field but whose closing quote is followed by more text (as in
// "12" Ruler) is a stray quote: that field too is taken as it stands. Lines end in CR LF, LF or
// CR CR LF; in a text without any LF a lone CR ends a line. A UTF-8 byte-order mark at the
// start is skipped; each field is read as UTF-8 when it is valid UTF-8, else as Windows-1252,
// so nothing is lost.

// How a text file is written: UTF-8 (with or without a byte-order mark) or Windows-1252. The
// default is what a file made here is: UTF-8 with a byte-order mark, which spreadsheet programs
// need to read it as UTF-8.
struct CsvEncoding {
    bool byteOrderMark = true;
    bool windows1252 = false;
};

// The bytes of text in the encoding. A Windows-1252 text holding a character that encoding has
// no byte for is written as UTF-8 with a byte-order mark instead, so no character is lost.
QByteArray encodeCsvText(const QString& text, const CsvEncoding& encoding);

struct CsvRecord {
    int line = 0; // the line number where the record starts, counted from 1
    QStringList fields;
};

struct CsvReadResult {
    std::vector<CsvRecord> records;
    QString error;          // empty when the whole text was read
    bool cancelled = false; // progress said stop; no records
    // The file's own encoding, so that it can be written back the same way: Windows-1252 when
    // the text (after a byte-order mark) is not valid UTF-8.
    CsvEncoding encoding;
};

// Told now and then how many bytes have been read; false cancels.
using CsvProgress = std::function<bool(qint64 done, qint64 total)>;

// Splits bytes into records. Only the first maxFields fields of a record are kept (0 = all), so
// a line of very many fields costs no memory. A NUL byte (a binary file) or a quote that never
// closes gives an error and no records.
CsvReadResult readCsv(const QByteArray& bytes, int maxFields = 0, const CsvProgress& progress = {});

// One field as written: in quotes, with quotes doubled, when it holds a comma, a quote or a
// line break; unchanged otherwise.
QString csvField(const QString& text);
// The fields joined by commas, each through csvField.
QString csvLine(const QStringList& fields);
