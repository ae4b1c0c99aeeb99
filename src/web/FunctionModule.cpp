// The log lines carry no file, line or function, in debug builds too.
#define QT_NO_MESSAGELOGCONTEXT

#include "FunctionModule.h"

#include <QDataStream>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <exception>

namespace {

// Replies of the blocking requests carry this property, so the callback of
// the non-blocking ones (connected to the whole manager) leaves their bodies
// to the request that waits for them.
const char *const BlockingReplyProperty = "VarnoBlockingReply";

bool Succeeded(const QNetworkReply *reply)
{
    // A missing status (no HTTP answer at all) reads as 0; redirects are not
    // followed, so a 3xx arrives here as itself and fails too.
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toUInt() == 200
        && reply->error() == QNetworkReply::NoError;
}

bool GotAnswer(const QNetworkReply *reply)
{
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return true;
    switch (reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError: // no route to the host
        return false;
    default:
        return true;
    }
}

QNetworkRequest MakeRequest(const char *url)
{
    return QNetworkRequest(QUrl(QString::fromUtf8(url), QUrl::TolerantMode));
}

QNetworkRequest MakeJsonRequest(const char *url)
{
    QNetworkRequest request = MakeRequest(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    return request;
}

} // namespace

// The toolkit turns a byte array into text up to the first zero byte; the
// cut is spelled out so it does not hang on that conversion's details.
QString ReplyBodyText(const QByteArray &body)
{
    const char *const bytes = body.constData();
    const void *const zero = std::memchr(bytes, '\0', size_t(body.size()));
    const int length = zero ? int(static_cast<const char *>(zero) - bytes) : body.size();
    return QString::fromUtf8(bytes, length);
}

FunctionModule::FunctionModule()
    : NetworkAccessManager(new QNetworkAccessManager())
{ }

FunctionModule::~FunctionModule()
{
    delete NetworkAccessManager;
}

namespace {

// Sends one request, waits for it in a local event loop and returns the body
// text, or an empty string after any failure, logging one line either way.
template <typename Send>
QString WaitForReply(Send send, int timeoutMs, bool &answered, const char *successPrefix,
                     const char *failureLine, const char *exceptionLine)
{
    QString result;
    QNetworkReply *reply = nullptr;
    answered = false;
    try {
        QEventLoop loop;
        reply = send();
        reply->setProperty(BlockingReplyProperty, true);
        QObject::connect(reply, SIGNAL(finished()), &loop, SLOT(quit()));
        // A timer of our own rather than the request's transfer time-out,
        // which Qt 5.14 lacks; an abort it causes is told from others.
        bool timedOut = false;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, reply, [&timedOut, reply] {
            timedOut = true;
            reply->abort();
        });
        if (timeoutMs > 0)
            limit.start(timeoutMs);
        if (reply->isRunning())
            loop.exec();
        answered = !timedOut && GotAnswer(reply);

        if (Succeeded(reply)) {
            result = ReplyBodyText(reply->readAll());
            qDebug() << successPrefix << result;
        } else {
            qDebug() << failureLine;
        }
    } catch (const std::exception &exception) {
        result.clear();
        qDebug() << exception.what();
    } catch (...) {
        result.clear();
        qDebug() << exceptionLine;
    }
    if (reply)
        reply->deleteLater();
    return result;
}

} // namespace

QString FunctionModule::HttpGetRequestSynchronous(const char *url)
{
    return WaitForReply([&] { return NetworkAccessManager->get(MakeRequest(url)); }, RequestTimeoutMs,
                        LastRequestAnswered, "HttpGetRequestSynchronous 返回值:", "Http Get同步请求失败",
                        "Http Get同步请求异常");
}

QString FunctionModule::HttpPostRequestSynchronous(const char *url, const QByteArray &body)
{
    return WaitForReply([&] { return NetworkAccessManager->post(MakeJsonRequest(url), body); },
                        RequestTimeoutMs, LastRequestAnswered,
                        "HttpPostRequestSynchronous 返回值:", "Http Post同步请求失败",
                        "Http Post同步请求异常");
}

void FunctionModule::ConnectReplyCallBack()
{
    // Unique, so each reply reaches the handler once however many
    // non-blocking requests were issued before it.
    QObject::connect(NetworkAccessManager, &QNetworkAccessManager::finished, this,
                     &FunctionModule::HttpReplyCallBack, Qt::UniqueConnection);
}

void FunctionModule::HttpGetRequestAsynchronous(const char *url)
{
    SendWithoutWaiting([&] { NetworkAccessManager->get(MakeRequest(url)); }, "Http Get异步请求异常");
}

void FunctionModule::HttpPostRequestAsynchronous(const char *url, const QByteArray &body)
{
    SendWithoutWaiting([&] { NetworkAccessManager->post(MakeJsonRequest(url), body); },
                       "Http Post异步请求异常");
}

void FunctionModule::SendWithoutWaiting(const std::function<void()> &send, const char *exceptionLine)
{
    try {
        ConnectReplyCallBack();
        send();
    } catch (const std::exception &exception) {
        qDebug() << exception.what();
        HttpReplyText.clear();
    } catch (...) {
        qDebug() << exceptionLine;
        HttpReplyText.clear();
    }
}

void FunctionModule::HttpReplyCallBack(QNetworkReply *reply)
{
    if (reply->property(BlockingReplyProperty).toBool())
        return;
    try {
        if (!Succeeded(reply)) {
            HttpReplyText.clear();
            qDebug() << "Http 请求回调失败";
        } else {
            HttpReplyText = ReplyBodyText(reply->readAll());
            qDebug() << "HttpReplyCallBack 返回值:" << HttpReplyText;
        }
    } catch (const std::exception &exception) {
        HttpReplyText.clear();
        qDebug() << exception.what();
    } catch (...) {
        HttpReplyText.clear();
        qDebug() << "Http 请求回调异常";
    }
    reply->deleteLater();
}

QJsonObject FunctionModule::ByteArrayToJsonObject(const QByteArray &text) const
{
    // Invalid text and a top-level array both give an empty object.
    return QJsonDocument::fromJson(text).object();
}

QByteArray FunctionModule::JsonObjectToByteArray(const QJsonObject &object) const
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

void FunctionModule::WriteStringsToFile(const QString &path, const QString &first,
                                        const QString &second) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QDataStream stream(&file);
    stream << first << second;
    file.close();
}

QStringList FunctionModule::ReadStringsFromFile(const QString &path) const
{
    QStringList strings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return strings;
    QDataStream stream(&file);
    // Where the data runs out the stream yields empty strings, so an opened
    // file always gives two entries.
    QString first;
    QString second;
    stream >> first;
    strings.append(first);
    stream >> second;
    strings.append(second);
    file.close();
    return strings;
}
