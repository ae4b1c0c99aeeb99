#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>

class QTcpSocket;

// What the test server answers for one path.
struct CannedReply
{
    QByteArray status = "200 OK"; // code and reason phrase
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int delayMilliseconds = 0;
};

struct RecordedRequest
{
    QByteArray method;
    QByteArray target; // path and query as sent
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

// A minimal HTTP/1.1 server on 127.0.0.1 for the tests: one canned reply per
// path (404 for any other), one request per connection, every request
// recorded. It runs on the test's own event loop, which the blocking requests
// under test keep spinning while they wait.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    ~TestHttpServer() override;

    // Port 0 picks a free one.
    bool Listen(quint16 port = 0);
    void Close();
    quint16 Port() const;
    QString BaseUrl() const; // "http://127.0.0.1:<port>"
    QByteArray Url(const QByteArray &path) const;

    void Answer(const QByteArray &path, const CannedReply &reply);
    const QList<RecordedRequest> &Requests() const { return Received; }
    int RequestsFor(const QByteArray &path) const;

    // A loopback port that nothing listens on, for refused connections.
    static quint16 UnusedPort();

private:
    void Accept();
    void ReadFrom(QTcpSocket *socket);
    void Respond(QTcpSocket *socket, const RecordedRequest &request);

    QTcpServer Server;
    QHash<QByteArray, CannedReply> Replies;
    QList<RecordedRequest> Received;
    QHash<QTcpSocket *, QByteArray> Pending;
};
