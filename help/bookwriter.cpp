// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/bookwriter.h"

#include <QDir>
#include <QFile>

namespace {

QString latin1Bytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw HelpError(53, QStringLiteral("File not found: %1").arg(path));
    return QString::fromLatin1(file.readAll());
}

bool isTextPage(const QString& key) {
    const QString last = key.right(3).toUpper();
    return last == QLatin1String("HTM") || last == QLatin1String("TML") ||
           last == QLatin1String("TXT");
}

} // namespace

PropertyBag bookFromFolder(const QString& folder) {
    const QDir dir(folder);
    PropertyBag bag;
    const QString settings = latin1Bytes(dir.filePath(QStringLiteral("settings.txt")));
    for (QString line : settings.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || equals < 1)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("password") || key == QLatin1String("homepage"))
            value = Crypt(value);
        bag.add(key, value);
    }
    const bool scramble =
        bag.read(QStringLiteral("encrypt"), QStringLiteral("False")) == QLatin1String("True");
    const QDir pages(dir.filePath(QStringLiteral("pages")));
    for (const QString& name : pages.entryList(QDir::Files, QDir::Name)) {
        const QString key = QLatin1Char('/') + name.toLower();
        const QString bytes = latin1Bytes(pages.filePath(name));
        bag.add(key, scramble && isTextPage(key) ? Crypt(bytes) : bytes);
    }
    return bag;
}

PropertyBag bookFromFolders(const QString& folder, const QStringList& pictureFolders) {
    PropertyBag bag = bookFromFolder(folder);
    for (const QString& pictureFolder : pictureFolders) {
        const QDir pictures(pictureFolder);
        if (!pictures.exists())
            throw HelpError(76, QStringLiteral("Path not found: %1").arg(pictureFolder));
        const QStringList names =
            pictures.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        for (const QString& name : names)
            bag.add(QLatin1Char('/') + name.toLower(), latin1Bytes(pictures.filePath(name)));
    }
    return bag;
}
