#include "TestHttpServer.h"
#include "kit/TestKit.h"
#include "web/FunctionModule.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList Log;

void CaptureLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // The program's lines are plain debug lines that name no source position.
    if (type == QtDebugMsg)
        Log.append(context.file || context.function ? message + QStringLiteral(" [with context]") : message);
}

} // namespace

class TestFunctionModule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInstallMessageHandler(CaptureLog); }
    void requests_data();
    void requests();
    void stringsFile();
};

void TestFunctionModule::requests_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QByteArray>("status"); // empty: nothing listens
    QTest::addColumn<QStringList>("expected"); // returned text, HttpReplyText, log lines

    struct Call
    {
        const char *name;
        QString goodLine;
        QString failedLine;
    };
    const Call calls[] = {
        {"GET", QStringLiteral("HttpGetRequestSynchronous 返回值: \"版本 v1.0\""),
         QStringLiteral("Http Get同步请求失败")},
        {"POST", QStringLiteral("HttpPostRequestSynchronous 返回值: \"版本 v1.0\""),
         QStringLiteral("Http Post同步请求失败")},
        {"async GET", QStringLiteral("HttpReplyCallBack 返回值: \"版本 v1.0\""),
         QStringLiteral("Http 请求回调失败")},
        {"async POST", QStringLiteral("HttpReplyCallBack 返回值: \"版本 v1.0\""),
         QStringLiteral("Http 请求回调失败")},
    };
    // A blocking request leaves HttpReplyText as the earlier non-blocking one
    // set it; the non-blocking ones are issued twice.
    const QString text = QStringLiteral("版本 v1.0");
    const QString earlier = QStringLiteral("earlier");
    for (const Call &call : calls) {
        const QString name = QString::fromLatin1(call.name);
        const bool async = name.startsWith(QLatin1String("async"));
        const auto times = [async](const QString &line) {
            return async ? QStringList {line, line} : QStringList {line};
        };
        const QStringList good = QStringList {async ? QString() : text, async ? text : earlier};
        const QStringList failed = QStringList {QString(), async ? QString() : earlier};
        QTest::addRow("%s 200", call.name) << name << QByteArray("200 OK") << good + times(call.goodLine);
        QTest::addRow("%s 302 not followed", call.name)
            << name << QByteArray("302 Found\r\nLocation: /moved") << failed + times(call.failedLine);
        QTest::addRow("%s 404", call.name)
            << name << QByteArray("404 Not Found") << failed + times(call.failedLine);
        QTest::addRow("%s refused", call.name) << name << QByteArray() << failed + times(call.failedLine);
    }
    const QStringList getFailed {QString(), earlier, QStringLiteral("Http Get同步请求失败")};
    QTest::newRow("GET 201") << QStringLiteral("GET") << QByteArray("201 Created") << getFailed;
    QTest::newRow("GET 301 not followed")
        << QStringLiteral("GET") << QByteArray("301 Moved Permanently\r\nLocation: /moved") << getFailed;
}

void TestFunctionModule::requests()
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
    const QByteArray url = (status.isEmpty() ? TestHttpServer::UnusedBaseUrl() : server.BaseUrl()) + "/check";
    const QByteArray sent = QStringLiteral("{\"名\":\"值\"}").toUtf8() + QByteArray("\0end", 4);
    const bool post = call.endsWith(QLatin1String("POST"));
    FunctionModule module;
    // The handler of the non-blocking requests listens to the whole manager;
    // it must leave the blocking requests' replies alone.
    module.HttpGetRequestAsynchronous(server.BaseUrl() + "/earlier");
    QTRY_COMPARE(module.HttpReplyText, QStringLiteral("earlier"));
    Log.clear();
    server.Requests.clear();

    QString returned;
    if (call == QLatin1String("GET")) {
        returned = module.HttpGetRequestSynchronous(url.constData());
    } else if (call == QLatin1String("POST")) {
        returned = module.HttpPostRequestSynchronous(url.constData(), sent);
    } else {
        // A handler connected once per request would take each reply twice.
        for (int i = 0; i < 2; ++i) {
            if (post)
                module.HttpPostRequestAsynchronous(url.constData(), sent);
            else
                module.HttpGetRequestAsynchronous(url.constData());
        }
        QVERIFY(Log.isEmpty());
        QTRY_VERIFY(Log.size() >= 2);
        QTest::qWait(100);
    }

    QCOMPARE(QStringList({returned, module.HttpReplyText}) + Log, expected);
    const QByteArray request = post ? "POST /check application/json " + sent : "GET /check";
    QList<QByteArray> requests;
    if (!status.isEmpty())
        requests = call.startsWith(QLatin1String("async")) ? QList<QByteArray> {request, request}
                                                           : QList<QByteArray> {request};
    QCOMPARE(server.Requests, requests);
}

// Qt's own stream format, so files of earlier builds stay readable; a
// shorter text leaves nothing of a longer one behind.
void TestFunctionModule::stringsFile()
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

VARNO_TEST_MAIN(TestFunctionModule)
#include "tst_functionmodule.moc"
