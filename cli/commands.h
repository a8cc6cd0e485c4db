// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// One subcommand of tallyvane-cli. run() gets the arguments after the command name and returns
// the exit status: 0 done, 1 failed, 2 refused or bad usage.
struct CliCommand {
    QString name;
    QString usage;   // "sale --company NAME [--root DIR] SKU"
    QString summary; // one line for --help
    std::function<int(const QStringList& args)> run;
};

// The command table, in the order --help lists it.
const QList<CliCommand>& cliCommands();

// The options every command that works on a company shares.
struct CompanyOptions {
    QString root;    // company folder root, with a trailing separator
    QString company; // the company's name
    QString folder;  // root + company + separator
};

// Reads "--company NAME" and "--root DIR" out of args (removing them). Returns false and prints
// a one-line error when the company is missing or unknown.
bool takeCompanyOptions(QStringList& args, CompanyOptions& options);

// Removes "--name VALUE" from args and returns VALUE, or fallback when absent. Sets ok to false
// when the option is present without a value.
QString takeOption(QStringList& args, const QString& name, const QString& fallback, bool& ok);

// Prints to standard error / standard output, with a line end.
void printError(const QString& text);
void printOut(const QString& text);
