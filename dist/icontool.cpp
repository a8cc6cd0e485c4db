// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the theme icons from the program's badge: tallyvane-icons FOLDER SIZE...
// writes FOLDER/SIZE/tallyvane.png for each size, in the default gradient colours.
#include "manager/shell/appicon.h"
#include "manager/shell/gradient.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // A build has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "Usage: tallyvane-icons FOLDER SIZE...\n");
        return 2;
    }
    for (const QString& text : args.mid(2)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        const QString folder = QDir(args[1]).filePath(text);
        const QString file = QDir(folder).filePath(QStringLiteral("tallyvane.png"));
        if (!ok || size < 1 || !QDir().mkpath(folder) ||
            !tallyvaneBadge(size, defaultGradientFirstColor(), defaultGradientSecondColor())
                 .save(file, "PNG")) {
            std::fprintf(stderr, "tallyvane-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
