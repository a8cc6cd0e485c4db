// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/runtimeerror.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private world for one test: a temporary settings folder, a temporary company folder root
// (stored as "Path"/"Company"), and a record of every error the standard handler reported.
// Nothing touches the real home folder.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString base() const { return m_dir.path(); }
    // The company folder root, with a trailing separator.
    QString root() const;
    // Makes root/name with "Logs" and "Reports"; returns the company folder (trailing separator).
    QString makeCompany(const QString& name) const;

    // Errors reported through the standard handler, as their standard text.
    QStringList errors;

    static QByteArray readBytes(const QString& path);
    static void writeBytes(const QString& path, const QByteArray& bytes);

private:
    // In memory when the machine has a memory file system: every record write syncs to disk,
    // which would make the store-heavy tests slow without testing anything more.
    static QString scratchTemplate();
    QTemporaryDir m_dir{scratchTemplate()};
    ErrorReporter m_previousReporter;
};
