#include "TestHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

TestHttpServer::~TestHttpServer()
{
    // The sockets die with the server member after the other members are
    // gone, and a connected one still signals its disconnection then.
    for (QTcpSocket *socket : Server.findChildren<QTcpSocket *>())
        socket->disconnect(this);
}

bool TestHttpServer::Listen(quint16 port)
{
    connect(&Server, &QTcpServer::newConnection, this, &TestHttpServer::Accept, Qt::UniqueConnection);
    return Server.listen(QHostAddress::LocalHost, port);
}

void TestHttpServer::Close()
{
    Server.close();
}

quint16 TestHttpServer::Port() const
{
    return Server.serverPort();
}

QString TestHttpServer::BaseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(Port());
}

QByteArray TestHttpServer::Url(const QByteArray &path) const
{
    return BaseUrl().toUtf8() + path;
}

void TestHttpServer::Answer(const QByteArray &path, const CannedReply &reply)
{
    Replies.insert(path, reply);
}

int TestHttpServer::RequestsFor(const QByteArray &path) const
{
    int count = 0;
    for (const RecordedRequest &request : Received)
        count += request.target == path ? 1 : 0;
    return count;
}

quint16 TestHttpServer::UnusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void TestHttpServer::Accept()
{
    while (QTcpSocket *socket = Server.nextPendingConnection()) {
        Pending.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            Pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::ReadFrom(QTcpSocket *socket)
{
    if (!Pending.contains(socket))
        return;
    QByteArray &buffer = Pending[socket];
    buffer += socket->readAll();
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    RecordedRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const int length = request.headers.value("content-length", "0").toInt();
    if (buffer.size() < headerEnd + 4 + length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    Pending.remove(socket);
    Received.append(request);
    Respond(socket, request);
}

void TestHttpServer::Respond(QTcpSocket *socket, const RecordedRequest &request)
{
    QByteArray path = request.target;
    const int query = path.indexOf('?');
    if (query >= 0)
        path.truncate(query);
    CannedReply reply;
    if (Replies.contains(path)) {
        reply = Replies.value(path);
    } else {
        reply.status = "404 Not Found";
        reply.body = "not here";
    }

    QByteArray message = "HTTP/1.1 " + reply.status + "\r\n";
    for (const auto &header : reply.headers)
        message += header.first + ": " + header.second + "\r\n";
    message += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    message += "Connection: close\r\n\r\n";
    message += reply.body;

    QPointer<QTcpSocket> guarded(socket);
    auto send = [guarded, message] {
        if (!guarded)
            return;
        guarded->write(message);
        guarded->disconnectFromHost();
    };
    if (reply.delayMilliseconds > 0)
        QTimer::singleShot(reply.delayMilliseconds, this, send);
    else
        send();
}
