// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/store/runtimeerror.h"

#include <QTextStream>

#include <new>

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QStringLiteral("Error #%1: %2").arg(number).arg(m_description).toUtf8()) {}

RuntimeError RuntimeError::invalidCall() {
    return {5, QStringLiteral("Invalid procedure call or argument")};
}
RuntimeError RuntimeError::overflow() {
    return {6, QStringLiteral("Overflow")};
}
RuntimeError RuntimeError::outOfMemory() {
    return {7, QStringLiteral("Out of memory")};
}
RuntimeError RuntimeError::divisionByZero() {
    return {11, QStringLiteral("Division by zero")};
}
RuntimeError RuntimeError::internal(const QString& what) {
    return {51, QStringLiteral("Internal error: %1").arg(what)};
}
RuntimeError RuntimeError::permissionDenied() {
    return {70, QStringLiteral("Permission denied")};
}
RuntimeError RuntimeError::subscript() {
    return {9, QStringLiteral("Subscript out of range")};
}
RuntimeError RuntimeError::typeMismatch() {
    return {13, QStringLiteral("Type mismatch")};
}
RuntimeError RuntimeError::badFileName() {
    return {52, QStringLiteral("Bad file name or number")};
}
RuntimeError RuntimeError::fileNotFound() {
    return {53, QStringLiteral("File not found")};
}
RuntimeError RuntimeError::fileExists() {
    return {58, QStringLiteral("File already exists")};
}
RuntimeError RuntimeError::accessError() {
    return {75, QStringLiteral("Path/File access error")};
}
RuntimeError RuntimeError::pathNotFound() {
    return {76, QStringLiteral("Path not found")};
}

QString standardErrorText(const QString& procedure, const RuntimeError& error) {
    return QStringLiteral("Unexpected error in procedure: ") + procedure + QLatin1Char('\n') +
           QStringLiteral("Error #") + QString::number(error.number()) + QStringLiteral(": ") +
           error.description();
}

namespace {
ErrorReporter& currentReporter() {
    static ErrorReporter reporter = [](const QString& procedure, const RuntimeError& error) {
        QTextStream(stderr)
            << standardErrorText(procedure, error).replace(QLatin1Char('\n'), QLatin1Char(' '))
            << Qt::endl;
    };
    return reporter;
}
} // namespace

ErrorReporter setErrorReporter(ErrorReporter reporter) {
    ErrorReporter previous = std::move(currentReporter());
    currentReporter() = std::move(reporter);
    return previous;
}

void reportError(const QString& procedure, const RuntimeError& error) {
    if (currentReporter())
        currentReporter()(procedure, error);
}

bool guarded(const QString& procedure, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const RuntimeError& error) {
        reportError(procedure, error);
    } catch (const std::bad_alloc&) {
        reportError(procedure, RuntimeError::outOfMemory());
    } catch (const std::exception& other) {
        reportError(procedure, RuntimeError::internal(QString::fromUtf8(other.what())));
    }
    return false;
}
