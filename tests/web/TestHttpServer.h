#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A minimal HTTP/1.1 server on 127.0.0.1: one canned answer per path (404 for
// any other), one request per connection. Each request is recorded as
// "METHOD target", followed, when it has a content type, by that type and the
// body. It runs on the test's own event loop, which the blocking requests
// under test keep turning while they wait.
class TestHttpServer
{
public:
    explicit TestHttpServer(quint16 port = 0)
    {
        QObject::connect(&Server, &QTcpServer::newConnection, &Server, [this] {
            while (QTcpSocket *socket = Server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Read(socket); });
        });
        Listening = Server.listen(QHostAddress::LocalHost, port);
    }

    // status: code and reason phrase, then any further header lines.
    void Answer(const QByteArray &path, const QByteArray &status, const QByteArray &body)
    {
        Answers.insert(path,
                       "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
                           + "\r\nConnection: close\r\n\r\n" + body);
    }

    // Refuses connections for that long, as a server not up yet.
    void StartLater(int milliseconds)
    {
        const quint16 port = Server.serverPort();
        Server.close();
        QTimer::singleShot(milliseconds, &Server,
                           [this, port] { Server.listen(QHostAddress::LocalHost, port); });
    }

    QByteArray BaseUrl() const { return "http://127.0.0.1:" + QByteArray::number(Server.serverPort()); }

    // A loopback address nothing listens on, for refused connections.
    static QByteArray UnusedBaseUrl()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return "http://127.0.0.1:" + QByteArray::number(probe.serverPort());
    }

    // Whether anything answers on the loopback port.
    static bool Reachable(quint16 port)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(500);
    }

    bool Listening = false;
    QList<QByteArray> Requests;

private:
    void Read(QTcpSocket *socket)
    {
        // The request stays in the socket until all of it has arrived.
        const QByteArray data = socket->peek(socket->bytesAvailable());
        const int headerEnd = data.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = data.left(headerEnd).split('\n');
        QHash<QByteArray, QByteArray> headers;
        for (const QByteArray &line : lines.mid(1))
            headers.insert(line.left(line.indexOf(':')).toLower(), line.mid(line.indexOf(':') + 1).trimmed());
        const int length = headers.value("content-length").toInt();
        if (data.size() < headerEnd + 4 + length)
            return;
        socket->read(headerEnd + 4 + length);

        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        const QByteArray target = requestLine.value(1);
        QByteArray record = requestLine.value(0) + ' ' + target;
        if (headers.contains("content-type"))
            record += ' ' + headers.value("content-type") + ' ' + data.mid(headerEnd + 4, length);
        Requests.append(record);
        socket->write(Answers.value(
            target, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        socket->disconnectFromHost();
    }

    QHash<QByteArray, QByteArray> Answers;
    QTcpServer Server; // last, so it and its sockets go before the members they use
};
