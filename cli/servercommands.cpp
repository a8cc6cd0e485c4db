// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli serve and send: the internet sales server without a window, and a sales client.

#include "cli/commands.h"

#include "manager/internet/salesserver.h"
#include "manager/store/numbertext.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/textcodec.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

bool readPort(QStringList& args, quint16& port) {
    bool ok = true;
    const QString text = takeOption(args, QStringLiteral("--port"), QString(), ok);
    if (!ok) {
        printError(QStringLiteral("--port needs a number."));
        return false;
    }
    if (text.isEmpty()) {
        port = salesServerPort();
        return true;
    }
    const uint value = text.toUInt(&ok);
    if (!ok || value == 0 || value > 65535) {
        printError(QStringLiteral("\"%1\" is not a port number (1 to 65535).").arg(text));
        return false;
    }
    port = quint16(value);
    return true;
}

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop from a safe place: the handler only writes a byte.
void quitOnStopSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}
#else
void quitOnStopSignals() {
    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
}
#endif

int serveCompany(const QStringList& arguments) {
    QStringList args = arguments;
    CompanyOptions company;
    quint16 port = 0;
    if (!takeCompanyOptions(args, company) || !readPort(args, port))
        return 2;
    if (!args.isEmpty()) {
        printError(QStringLiteral("Unexpected argument \"%1\".").arg(args.first()));
        return 2;
    }
    SalesServer server(company.folder);
    QObject::connect(&server, &SalesServer::logLine, [](const QString& line) { printOut(line); });
    printOut(QStringLiteral("Loading ") + company.company + QStringLiteral("..."));
    try {
        server.listen(port);
    } catch (const RuntimeError& error) {
        printError(
            QStringLiteral("Cannot listen on port %1: %2").arg(port).arg(error.description()));
        return 1;
    }
    printOut(QStringLiteral("Local IP is {") + SalesServer::localAddress() + QStringLiteral("}."));
    printOut(QStringLiteral("Done. Ready for transactions."));
    quitOnStopSignals();
    return QCoreApplication::exec();
}

int sendMessage(const QStringList& arguments) {
    QStringList args = arguments;
    bool ok = true;
    const QString host =
        takeOption(args, QStringLiteral("--host"), QStringLiteral("127.0.0.1"), ok);
    quint16 port = 0;
    if (!ok || !readPort(args, port))
        return 2;
    if (args.size() != 1 || args.first().isEmpty()) {
        printError(QStringLiteral("Please give one message: a SKU, or !! and a SKU for a return."));
        return 2;
    }
    const int timeoutMs = 10000;
    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(timeoutMs)) {
        printError(QStringLiteral("Cannot connect to %1:%2: %3")
                       .arg(host)
                       .arg(port)
                       .arg(socket.errorString()));
        return 1;
    }
    socket.write(encodeStoreText(args.first())); // one message, in one piece
    socket.flush();
    QByteArray reply;
    while (reply.isEmpty() && socket.waitForReadyRead(timeoutMs))
        reply = socket.read(1);
    if (reply.isEmpty()) {
        printError(QStringLiteral("No reply from %1:%2.").arg(host).arg(port));
        return 1;
    }
    printOut(QString::fromLatin1(reply));
    return reply == "1" ? 0 : reply == "2" ? 2 : 1;
}

} // namespace

CliCommand serveCommand() {
    return {QStringLiteral("serve"), QStringLiteral("serve --company NAME [--root DIR] [--port N]"),
            QStringLiteral("Runs the internet sales server for a company until SIGINT or SIGTERM, "
                           "logging each step."),
            serveCompany};
}

CliCommand sendCommand() {
    return {QStringLiteral("send"), QStringLiteral("send [--host HOST] [--port N] MESSAGE"),
            QStringLiteral("Sends a sale (SKU) or a return (!!SKU) to a sales server and prints "
                           "the reply: exit 0 recorded, 2 refused, "
                           "1 error or no reply."),
            sendMessage};
}
