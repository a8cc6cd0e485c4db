// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/testenvironment.h"

#include "manager/store/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

QString TestEnvironment::scratchTemplate() {
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString folder =
        memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    return folder + QStringLiteral("/tallyvane-test-XXXXXX");
}

TestEnvironment::TestEnvironment() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       m_dir.path() + QStringLiteral("/config"));
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (m_dir.path() + QStringLiteral("/runtime")).toUtf8());
    QDir().mkpath(m_dir.path() + QStringLiteral("/runtime"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/Companies"));
    settings::write(QStringLiteral("Path"), QStringLiteral("Company"), root());
    m_previousReporter =
        setErrorReporter([this](const QString& procedure, const RuntimeError& error) {
            errors << standardErrorText(procedure, error);
        });
}

TestEnvironment::~TestEnvironment() {
    setErrorReporter(m_previousReporter);
}

QString TestEnvironment::root() const {
    return m_dir.path() + QStringLiteral("/Companies/");
}

QString TestEnvironment::makeCompany(const QString& name) const {
    const QString folder = root() + name;
    QDir().mkpath(folder + QStringLiteral("/Logs"));
    QDir().mkpath(folder + QStringLiteral("/Reports"));
    return folder + QLatin1Char('/');
}

QByteArray TestEnvironment::readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void TestEnvironment::writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}
