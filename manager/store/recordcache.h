// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/recordfile.h"

#include <QByteArrayList>
#include <QString>

// Parsed record files kept in memory between recordings, so a sale does not read and split
// files of tens of thousands of lines again. A kept copy is used only while the file on disk is
// the very one it was read from or written as (same inode, size and modification time, checked
// by whoever holds the company's lock): every write replaces a file by a new one, so a change by
// any other program or window shows as a new inode.
namespace recordcache {

// The file at path as it is on disk now, for a rewrite (RecordFile::loadForWrite's rules). The
// kept copy is handed over and no longer kept; when another program rewrote the file since, the
// copy first catches up with it (RecordFile::catchUp), reading only what changed.
// *generation gets the number keep gave the kept copy (0 when the file was read afresh), and
// changed, when given, the lines another program dropped or added since (none: the copy is the
// file as kept).
RecordFile take(const QString& path, quint64* generation = nullptr,
                QByteArrayList* changed = nullptr);
// Keeps file as the contents of path, which has just been read or written. Returns a number
// that no other keeping gets (0 when the file is not kept): whoever kept it and takes it back
// with that number knows that nobody changed it in between.
quint64 keep(const QString& path, RecordFile file);

// The identity of the file on disk now (inode, size, modification time) for keeping something
// read from it; empty for a missing file or a system without inodes, which never matches.
QByteArray fileStamp(const QString& path);

} // namespace recordcache
