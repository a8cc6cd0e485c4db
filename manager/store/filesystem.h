#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

// Thin file-system routines. Each reports a failure through the standard error handler under its
// own procedure name ("CreateFile", "CreateFolder", "DeleteFile", "DeleteFolder") and returns
// false.

// Makes a new, empty file; fails when it exists or its folder does not.
bool CreateFile(const QString& path);
bool CreateFolder(const QString& path);
bool DeleteFile(const QString& path);
// Deletes the folder with everything in it, read-only entries included.
bool DeleteFolder(const QString& path);

// Copies a folder tree to a new folder. Throws RuntimeError: 76 when the source is missing,
// 58 when the destination exists (checked before anything is copied, so nothing is mixed into
// another folder). A copy that fails half-way removes what it made.
void copyFolderTree(const QString& source, const QString& destination);
// Copies one file to a new name; 53 when the source is missing, 58 when the target exists.
void copyFileNoOverwrite(const QString& source, const QString& destination);

// Replaces the file at path with bytes, atomically: the bytes go to a hidden temporary file in
// the same folder, are flushed to disk, and the temporary file is renamed over path. A crash at
// any moment leaves the old file or the new one. Throws RuntimeError 76 when the folder is
// missing, 75 when the file cannot be written.
void saveFileAtomically(const QString& path, const QByteArray& bytes);
// Writes several files so that a failure before the replacements changes none of them: each is
// written and synced to its temporary file first, then all replace their old files.
void saveFilesTogether(const QVector<QPair<QString, QByteArray>>& files);
// Whether a folder entry is such a temporary file (left behind only by a crash); listings of
// companies, profit centers and period files skip them.
bool isTemporaryStoreFile(const QString& name);
