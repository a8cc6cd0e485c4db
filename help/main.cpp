// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/book.h"
#include "help/helpwindows.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// --help, --version and --list print and end: they need no display.
bool printsOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"--help", "-h", "--help-all", "--version", "-v", "--list"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// The names of the book's entries, one a line: proof that the book is there and readable.
int listBook(const QString& file) {
    try {
        const BookFile book = readBookFile(file);
        for (const auto& entry : book.bag.entries())
            std::printf("%s\n", qPrintable(entry.first));
        return 0;
    } catch (const HelpError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
}

// Whether the window has somewhere to show: the platform Qt would load finds its display. Qt
// ends the program with an abort when it does not, which says nothing to the user.
bool hasDisplay(int argc, char** argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            platform = argv[i + 1];
    }
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty())
        return x11 || wayland;
    if (platform.startsWith("xcb"))
        return x11;
    if (platform.startsWith("wayland"))
        return wayland;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#endif
    return true;
}

// A port number from 0 (a free one) to 65535; anything else is refused.
bool readPort(const QString& text, quint16& port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    port = quint16(value);
    return true;
}

} // namespace

int main(int argc, char** argv) {
#ifdef Q_OS_UNIX
    // The browser engine refuses to run as root inside its sandbox.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    const bool printing = printsOnly(argc, argv);
    if (!printing && !hasDisplay(argc, argv)) {
        std::fputs("tallyvane-help needs a display to show its window on, and there is none "
                   "(DISPLAY and WAYLAND_DISPLAY are not set).\n",
                   stderr);
        return 1;
    }
    std::unique_ptr<QCoreApplication> app(printing ? new QCoreApplication(argc, argv)
                                                   : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("Tallyvane Help"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLYVANE_VERSION_TEXT));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Listen on this port instead of a free one."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption book(
        QStringLiteral("book"), QStringLiteral("Read the book from FILE instead of this program."),
        QStringLiteral("FILE"));
    const QCommandLineOption list(QStringLiteral("list"),
                                  QStringLiteral("Print the names of the book's entries and end."));
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("Open the book at page NAME (upc.html)."),
                                  QStringLiteral("NAME"));
    parser.addOption(port);
    parser.addOption(book);
    parser.addOption(list);
    parser.addOption(page);
    parser.process(*app);
    quint16 portNumber = 0;
    if (!readPort(parser.value(port), portNumber)) {
        std::fprintf(stderr, "tallyvane-help: --port takes a number from 0 to 65535, not \"%s\".\n",
                     qPrintable(parser.value(port)));
        return 2;
    }
    const QString file =
        parser.isSet(book) ? parser.value(book) : QCoreApplication::applicationFilePath();
    if (parser.isSet(list))
        return listBook(file);
    frmMain window;
    if (!window.Form_Load(file, portNumber, parser.value(page)))
        return 0;
    window.show();
    return app->exec();
}
