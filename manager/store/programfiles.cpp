#include "manager/store/programfiles.h"

#include <QCoreApplication>

QString programFile(const QString& name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}
