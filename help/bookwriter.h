// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "help/book.h"

// Builds the book from a folder: "settings.txt" (key=value lines, in stored order; password
// and homepage plain, scrambled here) and the folder "pages" (one entry "/" + file name each,
// the file's bytes one per character; text pages scrambled when encrypt is "True").
PropertyBag bookFromFolder(const QString& folder);
