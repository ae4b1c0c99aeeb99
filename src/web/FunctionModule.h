#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// A successful reply's body as the requests return it: the bytes up to the
// first zero byte, decoded as UTF-8.
QString ReplyBodyText(const QByteArray &body);

// Plain HTTP GET and POST through one network access manager, JSON
// conversion and a two-string file store. Every failure is swallowed into an
// empty result and one debug-log line, so callers never see an exception.
class FunctionModule : public QObject
{
public:
    FunctionModule();
    ~FunctionModule() override;

    // Block in a local event loop until the reply has finished; the body up to
    // its first zero byte, or an empty string when the reply failed.
    QString HttpGetRequestSynchronous(const char *url);
    QString HttpPostRequestSynchronous(const char *url, const QByteArray &body);

    // Whether anything answered the last blocking request: an HTTP status,
    // or a server reached that failed in TLS or the protocol. False after a
    // refused connection, no route, an unresolved name, a network that is
    // down or a time-out, which a caller may try again later.
    bool LastRequestGotAnswer() const { return LastRequestAnswered; }

    // How long a blocking request may take before it is given up as not
    // answered; 0 (the default) waits as long as the network stack does.
    void SetRequestTimeout(int milliseconds) { RequestTimeoutMs = milliseconds; }

    // The reply is handled by HttpReplyCallBack once it has finished.
    void HttpGetRequestAsynchronous(const char *url);
    void HttpPostRequestAsynchronous(const char *url, const QByteArray &body);
    void HttpReplyCallBack(QNetworkReply *reply);

    QJsonObject ByteArrayToJsonObject(const QByteArray &text) const;
    QByteArray JsonObjectToByteArray(const QJsonObject &object) const;

    void WriteStringsToFile(const QString &path, const QString &first, const QString &second) const;
    QStringList ReadStringsFromFile(const QString &path) const;

    // Body of the last reply handled by HttpReplyCallBack; empty after a
    // failed one.
    QString HttpReplyText;

private:
    void ConnectReplyCallBack();
    // Sends a request whose reply HttpReplyCallBack handles; a failure to
    // send is logged with exceptionLine (or the exception's own text).
    void SendWithoutWaiting(const std::function<void()> &send, const char *exceptionLine);

    QNetworkAccessManager *NetworkAccessManager;
    bool LastRequestAnswered = false;
    int RequestTimeoutMs = 0;
};
