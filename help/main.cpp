#include "help/helpwindows.h"

#include <QApplication>
#include <QCommandLineParser>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

int main(int argc, char** argv) {
#ifdef Q_OS_UNIX
    // The browser engine refuses to run as root inside its sandbox.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tallyvane Help"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Listen on this port instead of a free one."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption book(
        QStringLiteral("book"), QStringLiteral("Read the book from FILE instead of this program."),
        QStringLiteral("FILE"));
    parser.addOption(port);
    parser.addOption(book);
    parser.process(app);
    frmMain window;
    const QString file =
        parser.isSet(book) ? parser.value(book) : QCoreApplication::applicationFilePath();
    if (!window.Form_Load(file, parser.value(port).toUShort()))
        return 0;
    window.show();
    return app.exec();
}
