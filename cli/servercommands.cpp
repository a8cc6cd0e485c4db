// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli serve and send: the internet sales server without a window, and a sales client.

#include "cli/command.h"

#include "manager/internet/salesserver.h"
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

CliOption portOption() {
    return valueOption(QStringLiteral("port"), QStringLiteral("N"),
                       QStringLiteral("The port; by default the one of the settings (5723 unless "
                                      "changed)."));
}

// The port of --port, or of the settings. 0 when --port is no port number.
quint16 portOf(const CliCall& call) {
    if (!call.isSet(QStringLiteral("port")))
        return salesServerPort();
    bool ok = false;
    const uint value = call.value(QStringLiteral("port")).toUInt(&ok);
    return ok && value <= 65535 ? quint16(value) : 0;
}

int badPort(const CliCall& call) {
    return call.usageError(QStringLiteral("\"%1\" is not a port number (1 to 65535).")
                               .arg(call.value(QStringLiteral("port"))));
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

int serveCompany(const CliCall& call) {
    const quint16 port = portOf(call);
    if (port == 0)
        return badPort(call);
    SalesServer server(call.folder);
    QObject::connect(&server, &SalesServer::logLine, [](const QString& line) { printOut(line); });
    printOut(QStringLiteral("Loading ") + call.company + QStringLiteral("..."));
    try {
        server.listen(port);
    } catch (const RuntimeError& error) {
        printError(
            QStringLiteral("Cannot listen on port %1: %2").arg(port).arg(error.description()));
        return ExitError;
    }
    printOut(QStringLiteral("Local IP is {") + SalesServer::localAddress() + QStringLiteral("}."));
    printOut(QStringLiteral("Done. Ready for transactions."));
    quitOnStopSignals();
    return QCoreApplication::exec();
}

int sendMessage(const CliCall& call) {
    const QString host = call.value(QStringLiteral("host"));
    const quint16 port = portOf(call);
    if (port == 0)
        return badPort(call);
    const QString message = call.arguments.first();
    if (message.isEmpty())
        return call.usageError(
            QStringLiteral("Please give one message: a SKU, or !! and a SKU for a return."));
    const int timeoutMs = 10000;
    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(timeoutMs)) {
        printError(QStringLiteral("Cannot connect to %1:%2: %3")
                       .arg(host)
                       .arg(port)
                       .arg(socket.errorString()));
        return ExitError;
    }
    socket.write(encodeStoreText(message)); // one message, in one piece
    socket.flush();
    QByteArray reply;
    while (reply.isEmpty() && socket.waitForReadyRead(timeoutMs))
        reply = socket.read(1);
    if (reply.isEmpty()) {
        printError(QStringLiteral("No reply from %1:%2.").arg(host).arg(port));
        return ExitError;
    }
    printOut(QString::fromLatin1(reply));
    return reply == "1" ? ExitDone : reply == "2" ? ExitRefused : ExitError;
}

CliCommand serveCommand() {
    CliCommand command;
    command.name = QStringLiteral("serve");
    command.summary = QStringLiteral("Runs the internet sales server for a company until SIGINT or "
                                     "SIGTERM, logging each step.");
    command.company = CompanyUse::Company;
    command.options = {portOption()};
    command.run = serveCompany;
    return command;
}

CliCommand sendCommand() {
    CliCommand command;
    command.name = QStringLiteral("send");
    command.summary = QStringLiteral("Sends a sale (SKU) or a return (!!SKU) to a sales server and "
                                     "prints the reply.");
    command.description =
        QStringLiteral("Exit 0 recorded, 2 refused, 1 error or no reply within 10 seconds.");
    command.options = {valueOption(QStringLiteral("host"), QStringLiteral("HOST"),
                                   QStringLiteral("The server's address."),
                                   QStringLiteral("127.0.0.1")),
                       portOption()};
    command.arguments = {{QStringLiteral("MESSAGE"),
                          QStringLiteral("A SKU sells one unit, \"!!\" + SKU returns one."),
                          false,
                          {}}};
    command.run = sendMessage;
    return command;
}

const CliRegistration registeredServe(serveCommand);
const CliRegistration registeredSend(sendCommand);

} // namespace
