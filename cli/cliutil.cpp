// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "manager/store/companystore.h"
#include "manager/store/pathtext.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

QString takeOption(QStringList& args, const QString& name, const QString& fallback, bool& ok) {
    const int at = args.indexOf(name);
    if (at < 0)
        return fallback;
    if (at + 1 >= args.size()) {
        ok = false;
        args.removeAt(at);
        return fallback;
    }
    const QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

bool takeCompanyOptions(QStringList& args, CompanyOptions& options) {
    bool ok = true;
    options.company = takeOption(args, QStringLiteral("--company"), QString(), ok);
    const QString root = takeOption(args, QStringLiteral("--root"), QString(), ok);
    if (!ok) {
        printError(QStringLiteral("An option is missing its value."));
        return false;
    }
    if (options.company.isEmpty()) {
        printError(QStringLiteral("Please name a company with --company NAME."));
        return false;
    }
    if (!isStoreName(options.company)) {
        printError(QStringLiteral("\"%1\" is not a company name.").arg(options.company));
        return false;
    }
    options.root = root.isEmpty() ? companyRoot() : AddBackslash(QDir::cleanPath(root));
    options.folder = companyFolder(options.root, options.company);
    if (!QFileInfo(options.folder).isDir()) {
        printError(QStringLiteral("There is no company \"%1\" in %2.")
                       .arg(options.company, QDir::toNativeSeparators(options.root)));
        return false;
    }
    return true;
}

void printError(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void printOut(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
