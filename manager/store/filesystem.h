// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayList>
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
// Writes several files all or none: each is written and synced to its temporary file first and
// their folders synced; then a journal naming the replacements is written and synced, the files
// replace their old ones, the folders are synced and the journal is deleted. A process killed
// after the journal is complete leaves it behind, and completeInterruptedSave finishes the
// replacements; killed before, the old files stay. Without a journal path only a failure before
// the replacements changes nothing.
//
// The journal sits in a folder directly under the tree it guards (a company's "Logs") and names
// each file relative to that tree, so it stays good when the tree is renamed, copied or moved.
void saveFilesTogether(const QVector<QPair<QString, QByteArray>>& files,
                       const QString& journalPath = QString());
// The same with each file's bytes given as parts written one after another (views into a file
// read, around the lines a write removed), so a big file is never copied whole to be saved.
void saveFilesTogether(const QVector<QPair<QString, QByteArrayList>>& files,
                       const QString& journalPath = QString());
// Finishes the replacements a complete journal names, or drops those of a torn one, and deletes
// the journal. Call it holding the lock that guards the files. It acts only on this program's
// temporary files inside the journal's tree, each beside the file it replaces. Throws
// RuntimeError 75, with a description that says what to do:
// - the journal names anything else: nothing is touched and the journal is set aside;
// - a replacement cannot be finished: the journal stays for the next try;
// - a named file and its replacement are both missing: the others are finished and the journal
//   is set aside.
void completeInterruptedSave(const QString& journalPath);
// Renames the journal to a hidden name beside it that no one replays
// (".tallyvane-journal-set-aside-" and the time) and returns that path. Throws RuntimeError 75.
QString setAsideJournal(const QString& journalPath);
// Deletes temporary files older than a minute in folder: what a killed writer left behind.
void removeStaleTemporaryFiles(const QString& folder);
// Whether a folder entry is such a temporary file (left behind only by a crash); listings of
// companies, profit centers and period files skip them.
bool isTemporaryStoreFile(const QString& name);
