// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "help/book.h"

// Builds the book from a folder: "settings.txt" (key=value lines, in stored order; password
// and homepage plain, scrambled here) and the folder "pages" (one entry "/" + file name each,
// the file's bytes one per character; text pages scrambled when encrypt is "True").
PropertyBag bookFromFolder(const QString& folder);
// The same, then every picture (*.png) of each picture folder as an entry "/" + file name,
// stored as bytes like the pages. A missing folder throws: a book must not lose its pictures.
PropertyBag bookFromFolders(const QString& folder, const QStringList& pictureFolders);
