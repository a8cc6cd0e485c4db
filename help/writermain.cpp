// SPDX-License-Identifier: GPL-3.0-or-later
// Appends the help book to the built viewer:
//   tallyvane-helpbook BOOK-FOLDER PROGRAM [PICTURE-FOLDER...]
// the pictures of each PICTURE-FOLDER (the windows the build shot) join the pages.
// Run again after stripping the program: an earlier book is cut off first, so it is idempotent.
#include "help/bookwriter.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "Usage: tallyvane-helpbook BOOK-FOLDER PROGRAM [PICTURE-FOLDER...]\n");
        return 2;
    }
    try {
        appendBook(args[2], bookFromFolders(args[1], args.mid(3)));
    } catch (const HelpError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
    return 0;
}
