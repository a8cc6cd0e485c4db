// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString programFolder() {
    return QCoreApplication::applicationDirPath();
}

// The installed data folder as seen from the installed program folder ("../share/tallyvane"),
// so a package installed under any prefix finds its files, and a build folder never picks up
// the files of an installed package.
QString dataFolder() {
    return QDir::cleanPath(programFolder() + QLatin1Char('/') +
                           QStringLiteral(TALLYVANE_DATA_FROM_BIN));
}

} // namespace

QString programFile(const QString& name) {
    const QString beside = QDir(programFolder()).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir(dataFolder()).filePath(name);
    return QFileInfo::exists(installed) ? installed : beside;
}

QString programExecutable(const QString& name) {
    QString file = name;
#ifdef Q_OS_WIN
    file += QStringLiteral(".exe");
#endif
    // The programs are installed together into one folder. The program folder is the one of the
    // program file itself, links resolved, so a link to tallyvane elsewhere still finds it.
    return QDir(programFolder()).filePath(file);
}
