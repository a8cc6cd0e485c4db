// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/pageserver.h"

#include "help/search.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

using namespace helptext;

namespace {

constexpr qint64 kMaxRequest = 64 * 1024;
constexpr int kIdleMs = 10000;
const char* const kNotFound = "Page or file not found.";

QByteArray contentType(const QString& path) {
    const QString ext = path.section(QLatin1Char('.'), -1).toLower();
    if (ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return "text/html";
    if (ext == QLatin1String("txt"))
        return "text/plain";
    if (ext == QLatin1String("png") || ext == QLatin1String("gif") || ext == QLatin1String("jpeg"))
        return "image/" + ext.toLatin1();
    if (ext == QLatin1String("jpg"))
        return "image/jpeg";
    if (ext == QLatin1String("css"))
        return "text/css";
    return "application/octet-stream";
}

QByteArray response(const char* status, const QByteArray& type, const QByteArray& body) {
    return QByteArray("HTTP/1.0 ") + status + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// Stored values hold one byte per character; a value with wider characters goes out as UTF-8.
QByteArray bytesOf(const QString& value) {
    for (QChar c : value)
        if (c.unicode() > 0xFF)
            return value.toUtf8();
    return value.toLatin1();
}

// The words typed into the search page's form.
QString searchQuery(const QString& path) {
    // A form sends its spaces as "+" and a typed "+" as "%2B".
    return QUrlQuery(
               path.section(QLatin1Char('?'), 1).replace(QLatin1Char('+'), QStringLiteral("%20")))
        .queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
}

} // namespace

QByteArray respond(const PropertyBag& bag, const QByteArray& request) {
    QString path = GetToken(QString::fromLatin1(request), QStringLiteral(" "), 2);
    if (path == QLatin1String("/search") || path.startsWith(QLatin1String("/search?")))
        return response("200 OK", "text/html; charset=utf-8", searchPage(bag, searchQuery(path)));
    if (path == QLatin1String("/"))
        path = QStringLiteral("/index.html");
    try {
        QString body;
        if (bag.read(QStringLiteral("Encrypt"), QStringLiteral("True")) == QLatin1String("True")) {
            const QString last = path.right(3).toUpper();
            if (last == QLatin1String("HTM") || last == QLatin1String("TML") ||
                last == QLatin1String("TXT"))
                body = Crypt(bag.read(AddBackslash(path)));
            else
                body = bag.read(path);
        } else {
            body = bag.read(path);
        }
        return response("200 OK", contentType(path), bytesOf(body));
    } catch (const HelpError&) {
        return response("404 Not Found", "text/plain", kNotFound);
    }
}

PageServer::PageServer(const PropertyBag& bag, QObject* parent)
    : QObject(parent)
    , m_bag(bag)
    , m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &PageServer::accept);
}

void PageServer::listen(quint16 port) {
    if (!m_server->listen(QHostAddress::LocalHost, port))
        throw HelpError(10048, QStringLiteral("Address in use"));
}

quint16 PageServer::port() const {
    return m_server->serverPort();
}

QString PageServer::address() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void PageServer::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // Only this machine's own address is served.
        if (socket->peerAddress() != socket->localAddress()) {
            socket->abort();
            continue;
        }
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        idle->start(kIdleMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    }
}

void PageServer::serve(QTcpSocket* socket) {
    // One answer per connection, from the first piece; later pieces are dropped.
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    socket->setProperty("answered", true);
    const QByteArray request = socket->read(kMaxRequest);
    socket->write(respond(m_bag, request));
    socket->disconnectFromHost();
}
