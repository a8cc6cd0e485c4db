#include "manager/store/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString programFolder() {
    return QCoreApplication::applicationDirPath();
}

// The installed data folder as seen from the installed program folder ("../share/tallyvane"),
// so a package installed under any prefix finds its files; then the folder chosen at build time.
QStringList dataFolders() {
    QStringList folders;
#ifdef TALLYVANE_DATA_FROM_BIN
    folders << QDir::cleanPath(programFolder() + QLatin1Char('/') +
                               QStringLiteral(TALLYVANE_DATA_FROM_BIN));
#endif
#ifdef TALLYVANE_DATA_DIR
    folders << QStringLiteral(TALLYVANE_DATA_DIR);
#endif
    return folders;
}

} // namespace

QString programFile(const QString& name) {
    const QString beside = QDir(programFolder()).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    for (const QString& folder : dataFolders()) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return beside;
}

QString programExecutable(const QString& name) {
    QString file = name;
#ifdef Q_OS_WIN
    file += QStringLiteral(".exe");
#endif
    const QString beside = QDir(programFolder()).filePath(file);
    if (QFileInfo(beside).isExecutable())
        return beside;
#ifdef TALLYVANE_BIN_DIR
    const QString installed = QDir(QStringLiteral(TALLYVANE_BIN_DIR)).filePath(file);
    if (QFileInfo(installed).isExecutable())
        return installed;
#endif
    return beside;
}
