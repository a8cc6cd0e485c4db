// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>
#include <functional>

// A run-time error as the program reports it: a classic error number and its description.
// Core code throws it; handlers catch it and report it through the standard error handler.
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description);

    int number() const { return m_number; }
    QString description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    static RuntimeError invalidCall();  // 5
    static RuntimeError overflow();     // 6
    static RuntimeError outOfMemory();  // 7
    static RuntimeError subscript();    // 9
    static RuntimeError divisionByZero(); // 11
    static RuntimeError typeMismatch(); // 13
    static RuntimeError internal(const QString& what); // 51
    static RuntimeError badFileName();  // 52
    static RuntimeError fileNotFound(); // 53
    static RuntimeError fileExists();   // 58
    static RuntimeError permissionDenied(); // 70
    static RuntimeError accessError();  // 75
    static RuntimeError pathNotFound(); // 76

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// "Unexpected error in procedure: NAME", line break, "Error #N: DESCRIPTION".
QString standardErrorText(const QString& procedure, const RuntimeError& error);

// Where the standard error handler sends its report. The desktop program shows a message box
// (critical icon, titled "Tallyvane"); the command line prints to standard error; tests record.
using ErrorReporter = std::function<void(const QString& procedure, const RuntimeError& error)>;
ErrorReporter setErrorReporter(ErrorReporter reporter); // returns the previous one
void reportError(const QString& procedure, const RuntimeError& error);

// Runs body; a run-time error (or any other exception) is reported for procedure and gives false.
bool guarded(const QString& procedure, const std::function<void()>& body);
