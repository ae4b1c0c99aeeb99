#include "TestHttpServer.h"
#include "kit/TestKit.h"
#include "web/FunctionModule.h"

#include <QDataStream>
#include <QtTest>

// The HTTP client against a server on 127.0.0.1: what each call returns and
// logs, redirects not followed, each non-blocking reply handled once.
namespace {

QStringList Log;

void CaptureLog(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        Log.append(message);
}

} // namespace

class TestFunctionModule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInstallMessageHandler(CaptureLog); }
    void requests_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("status"); // empty: nothing listens
        QTest::addColumn<QStringList>("expected"); // returned text, HttpReplyText, log lines
        const QString text = "版本 v1.0";
        const QString got = "HttpGetRequestSynchronous 返回值: \"版本 v1.0\"";
        const QString failed = "Http Get同步请求失败";
        // A blocking request leaves HttpReplyText as the non-blocking one before
        // it set it; the body ends at its first zero byte.
        QTest::newRow("GET 200") << "GET" << QByteArray("200 OK") << QStringList {text, "earlier", got};
        QTest::newRow("GET 201") << "GET" << QByteArray("201 Created") << QStringList {"", "earlier", failed};
        QTest::newRow("GET 302 not followed")
            << "GET" << QByteArray("302 Found\r\nLocation: /moved") << QStringList {"", "earlier", failed};
        QTest::newRow("GET 404") << "GET" << QByteArray("404 Not Found")
                                 << QStringList {"", "earlier", failed};
        QTest::newRow("GET refused") << "GET" << QByteArray() << QStringList {"", "earlier", failed};
        QTest::newRow("POST 200") << "POST" << QByteArray("200 OK")
                                  << QStringList {text, "earlier",
                                                  "HttpPostRequestSynchronous 返回值: \"版本 v1.0\""};
        QTest::newRow("POST 404") << "POST" << QByteArray("404 Not Found")
                                  << QStringList {"", "earlier", "Http Post同步请求失败"};
        // Issued twice: a handler connected once per request would take each reply twice.
        const QString callBack = "HttpReplyCallBack 返回值: \"版本 v1.0\"";
        QTest::newRow("async GET 200")
            << "async GET" << QByteArray("200 OK") << QStringList {"", text, callBack, callBack};
        QTest::newRow("async POST 404") << "async POST" << QByteArray("404 Not Found")
                                        << QStringList {"", "", "Http 请求回调失败", "Http 请求回调失败"};
    }

    void requests()
    {
        QFETCH(QString, call);
        QFETCH(QByteArray, status);
        QFETCH(QStringList, expected);
        TestHttpServer server;
        QVERIFY(server.Listening);
        // A redirect's target answers well, so following one would show.
        server.Answer("/moved", "200 OK", "moved");
        server.Answer("/check", status, QStringLiteral("版本 v1.0").toUtf8() + QByteArray("\0tail", 5));
        server.Answer("/earlier", "200 OK", "earlier");
        const QByteArray url
            = (status.isEmpty() ? TestHttpServer::UnusedBaseUrl() : server.BaseUrl()) + "/check";
        const QByteArray sent = QStringLiteral("{\"名\":\"值\"}").toUtf8();
        FunctionModule module;
        // The handler of the non-blocking requests listens to the whole manager;
        // it must leave the blocking requests' replies alone.
        module.HttpGetRequestAsynchronous(server.BaseUrl() + "/earlier");
        QTRY_COMPARE(module.HttpReplyText, QStringLiteral("earlier"));
        Log.clear();
        server.Requests.clear();

        QString returned;
        if (call == "GET")
            returned = module.HttpGetRequestSynchronous(url.constData());
        else if (call == "POST")
            returned = module.HttpPostRequestSynchronous(url.constData(), sent);
        for (int i = 0; call.startsWith("async") && i < 2; ++i) {
            if (call.endsWith("POST"))
                module.HttpPostRequestAsynchronous(url.constData(), sent);
            else
                module.HttpGetRequestAsynchronous(url.constData());
        }
        QTRY_COMPARE(QStringList({returned, module.HttpReplyText}) + Log, expected);
        // Anything with a status is an answer; a refused connection may be asked again.
        QVERIFY(call.startsWith("async") || module.LastRequestGotAnswer() == !status.isEmpty());
        QTest::qWait(100);
        QCOMPARE(QStringList({returned, module.HttpReplyText}) + Log, expected);
        const QByteArray request
            = call.endsWith("POST") ? "POST /check application/json " + sent : "GET /check";
        QCOMPARE(server.Requests.size(), status.isEmpty() ? 0 : call.startsWith("async") ? 2 : 1);
        QVERIFY(server.Requests.isEmpty() || server.Requests.first() == request);
    }

    // Qt's own stream format, so files of earlier builds stay readable; a
    // shorter text leaves nothing of a longer one behind.
    void stringsFile()
    {
        FunctionModule module;
        QTemporaryDir dir;
        const QString path = dir.filePath("strings.dat");
        module.WriteStringsToFile(path, QString(64, 'x'), QString(64, 'y'));
        module.WriteStringsToFile(path, "用户名", "");
        QByteArray streamed;
        QDataStream stream(&streamed, QIODevice::WriteOnly);
        stream << QString("用户名") << QString("");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), streamed);
        QCOMPARE(module.ReadStringsFromFile(path), (QStringList {"用户名", QString()}));
        QCOMPARE(module.ReadStringsFromFile(dir.filePath("missing.dat")), QStringList());
    }
};

VARNO_TEST_MAIN(TestFunctionModule)
#include "tst_functionmodule.moc"
