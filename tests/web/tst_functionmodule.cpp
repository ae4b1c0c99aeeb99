#include "LogCapture.h"
#include "TestHttpServer.h"
#include "kit/TestKit.h"
#include "web/FunctionModule.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;

QString Quoted(const QString &body)
{
    QString escaped = body;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"))
        .replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

class TestFunctionModule : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void blockingGet_data();
    void blockingGet();
    void blockingPost_data();
    void blockingPost();
    void blockingRequestKeepsTheThreadRunning();
    void nonBlocking_data();
    void nonBlocking();
    void eachNonBlockingReplyIsHandledOnce();
    void blockingRequestAfterNonBlockingOnes();
    void logLinesCarryNoContext();

    void byteArrayToJsonObject_data();
    void byteArrayToJsonObject();
    void jsonObjectToByteArray();

    void stringsRoundTrip_data();
    void stringsRoundTrip();
    void stringsUseTheStandardStreamEncoding();
    void writingTruncates();
    void shortFiles_data();
    void shortFiles();
    void unopenablePaths_data();
    void unopenablePaths();

private:
    void AddRequestRows(const QString &successPrefix, const QString &failureLine);

    std::unique_ptr<TestHttpServer> Server;
    std::unique_ptr<FunctionModule> Module;
    std::unique_ptr<LogCapture> Log;
};

void TestFunctionModule::init()
{
    Server = std::make_unique<TestHttpServer>();
    QVERIFY(Server->Listen());
    Module = std::make_unique<FunctionModule>();
    Log = std::make_unique<LogCapture>();
}

void TestFunctionModule::cleanup()
{
    Log.reset();
    Module.reset();
    Server.reset();
}

// Rows shared by the blocking and non-blocking requests: the reply the server
// gives, and the text and log line the client must make of it.
void TestFunctionModule::AddRequestRows(const QString &successPrefix, const QString &failureLine)
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<Headers>("headers");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("expectedLog");

    const QByteArray json = R"({"version":"v1.0","notes":"x"})";
    const auto success = [&](const QString &text) { return successPrefix + QLatin1Char(' ') + Quoted(text); };
    const Headers toTarget {{"Location", "/target"}};

    QTest::newRow("200 JSON") << true << QByteArray("200 OK") << Headers() << json << QString(json)
                              << success(QString(json));
    QTest::newRow("200 empty body") << true << QByteArray("200 OK") << Headers() << QByteArray() << QString()
                                    << success(QString());
    QTest::newRow("200 UTF-8 text") << true << QByteArray("200 OK") << Headers()
                                    << QStringLiteral("版本 v1.0 é").toUtf8() << QStringLiteral("版本 v1.0 é")
                                    << success(QStringLiteral("版本 v1.0 é"));
    QTest::newRow("200 zero byte inside")
        << true << QByteArray("200 OK") << Headers() << QByteArray("{\"a\":1}\0{\"b\":2}", 14)
        << QStringLiteral("{\"a\":1}") << success(QStringLiteral("{\"a\":1}"));
    QTest::newRow("200 zero byte first") << true << QByteArray("200 OK") << Headers()
                                         << QByteArray("\0abc", 4) << QString() << success(QString());
    QTest::newRow("201 is not 200") << true << QByteArray("201 Created") << Headers() << json << QString()
                                    << failureLine;
    QTest::newRow("301 not followed")
        << true << QByteArray("301 Moved Permanently") << toTarget << json << QString() << failureLine;
    QTest::newRow("302 not followed")
        << true << QByteArray("302 Found") << toTarget << json << QString() << failureLine;
    QTest::newRow("404") << true << QByteArray("404 Not Found") << Headers() << json << QString()
                         << failureLine;
    QTest::newRow("500") << true << QByteArray("500 Internal Server Error") << Headers() << json << QString()
                         << failureLine;
    QTest::newRow("connection refused")
        << false << QByteArray() << Headers() << QByteArray() << QString() << failureLine;
}

void TestFunctionModule::blockingGet_data()
{
    AddRequestRows(QStringLiteral("HttpGetRequestSynchronous 返回值:"),
                   QStringLiteral("Http Get同步请求失败"));
}

void TestFunctionModule::blockingGet()
{
    QFETCH(bool, listening);
    QFETCH(QByteArray, status);
    QFETCH(Headers, headers);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QFETCH(QString, expectedLog);

    // The redirect target answers well, so following it would show.
    Server->Answer("/target", {"200 OK", {}, "redirected", 0});
    Server->Answer("/check", {status, headers, body, 0});
    const QByteArray url = listening
        ? Server->Url("/check")
        : QByteArray("http://127.0.0.1:") + QByteArray::number(TestHttpServer::UnusedPort()) + "/check";

    const QString result = Module->HttpGetRequestSynchronous(url.constData());

    QCOMPARE(result, expected);
    QCOMPARE(Log->Messages(), QStringList {expectedLog});
    QCOMPARE(Server->RequestsFor("/target"), 0);
    if (listening) {
        QCOMPARE(Server->Requests().size(), 1);
        QCOMPARE(Server->Requests().first().method, QByteArray("GET"));
        QCOMPARE(Server->Requests().first().target, QByteArray("/check"));
    }
}

void TestFunctionModule::blockingPost_data()
{
    AddRequestRows(QStringLiteral("HttpPostRequestSynchronous 返回值:"),
                   QStringLiteral("Http Post同步请求失败"));
}

void TestFunctionModule::blockingPost()
{
    QFETCH(bool, listening);
    QFETCH(QByteArray, status);
    QFETCH(Headers, headers);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QFETCH(QString, expectedLog);

    Server->Answer("/target", {"200 OK", {}, "redirected", 0});
    Server->Answer("/post", {status, headers, body, 0});
    const QByteArray url = listening
        ? Server->Url("/post")
        : QByteArray("http://127.0.0.1:") + QByteArray::number(TestHttpServer::UnusedPort()) + "/post";
    // The request body goes out byte for byte, zero bytes included.
    const QByteArray sent = QStringLiteral("{\"名\":\"值\"}").toUtf8() + QByteArray("\0end", 4);

    const QString result = Module->HttpPostRequestSynchronous(url.constData(), sent);

    QCOMPARE(result, expected);
    QCOMPARE(Log->Messages(), QStringList {expectedLog});
    QCOMPARE(Server->RequestsFor("/target"), 0);
    if (listening) {
        QCOMPARE(Server->Requests().size(), 1);
        const RecordedRequest &request = Server->Requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/post"));
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(request.body, sent);
    }
}

void TestFunctionModule::blockingRequestKeepsTheThreadRunning()
{
    Server->Answer("/slow", {"200 OK", {}, "late", 400});
    bool timerRan = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });

    const QString result = Module->HttpGetRequestSynchronous(Server->Url("/slow").constData());

    // The nested loop served the timer while the answer was outstanding.
    QVERIFY(timerRan);
    QCOMPARE(result, QStringLiteral("late"));
}

void TestFunctionModule::nonBlocking_data()
{
    QTest::addColumn<bool>("post");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("expectedLog");

    const QString failure = QStringLiteral("Http 请求回调失败");
    const auto success
        = [](const QString &text) { return QStringLiteral("HttpReplyCallBack 返回值: ") + Quoted(text); };
    for (const bool post : {false, true}) {
        const char *method = post ? "POST" : "GET";
        QTest::addRow("%s 200", method)
            << post << true << QByteArray("200 OK") << QByteArray("{\"ok\":true}")
            << QStringLiteral("{\"ok\":true}") << success(QStringLiteral("{\"ok\":true}"));
        QTest::addRow("%s 200 zero byte", method)
            << post << true << QByteArray("200 OK") << QByteArray("head\0tail", 9) << QStringLiteral("head")
            << success(QStringLiteral("head"));
        QTest::addRow("%s 302", method)
            << post << true << QByteArray("302 Found") << QByteArray("moved") << QString() << failure;
        QTest::addRow("%s 404", method)
            << post << true << QByteArray("404 Not Found") << QByteArray("gone") << QString() << failure;
        QTest::addRow("%s refused", method)
            << post << false << QByteArray() << QByteArray() << QString() << failure;
    }
}

void TestFunctionModule::nonBlocking()
{
    QFETCH(bool, post);
    QFETCH(bool, listening);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QFETCH(QString, expectedLog);

    Server->Answer("/async", {status, {{"Location", "/target"}}, body, 0});
    const QByteArray url = listening
        ? Server->Url("/async")
        : QByteArray("http://127.0.0.1:") + QByteArray::number(TestHttpServer::UnusedPort()) + "/async";
    // A failed reply must not leave an earlier text behind.
    Module->HttpReplyText = QStringLiteral("left over");

    if (post)
        Module->HttpPostRequestAsynchronous(url.constData(), "{\"q\":1}");
    else
        Module->HttpGetRequestAsynchronous(url.constData());

    QTRY_COMPARE(Log->Messages().size(), 1);
    QCOMPARE(Log->Messages(), QStringList {expectedLog});
    QCOMPARE(Module->HttpReplyText, expected);
    QCOMPARE(Server->RequestsFor("/target"), 0);
    if (listening) {
        QCOMPARE(Server->Requests().size(), 1);
        const RecordedRequest &request = Server->Requests().first();
        QCOMPARE(request.method, QByteArray(post ? "POST" : "GET"));
        if (post) {
            QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
            QCOMPARE(request.body, QByteArray("{\"q\":1}"));
        }
    }
}

void TestFunctionModule::eachNonBlockingReplyIsHandledOnce()
{
    Server->Answer("/one", {"200 OK", {}, "one", 0});
    Server->Answer("/two", {"200 OK", {}, "two", 0});
    Server->Answer("/three", {"200 OK", {}, "three", 0});

    Module->HttpGetRequestAsynchronous(Server->Url("/one").constData());
    QTRY_COMPARE(Log->Messages().size(), 1);
    Module->HttpPostRequestAsynchronous(Server->Url("/two").constData(), "2");
    Module->HttpGetRequestAsynchronous(Server->Url("/three").constData());
    QTRY_COMPARE(Log->Messages().size(), 3);
    // Give a duplicate delivery the time to show.
    QTest::qWait(200);

    QStringList messages = Log->Messages();
    messages.sort();
    QCOMPARE(messages,
             (QStringList {QStringLiteral("HttpReplyCallBack 返回值: \"one\""),
                           QStringLiteral("HttpReplyCallBack 返回值: \"three\""),
                           QStringLiteral("HttpReplyCallBack 返回值: \"two\"")}));
}

void TestFunctionModule::blockingRequestAfterNonBlockingOnes()
{
    Server->Answer("/async", {"200 OK", {}, "async", 0});
    Server->Answer("/sync", {"200 OK", {}, "sync", 0});
    Module->HttpGetRequestAsynchronous(Server->Url("/async").constData());
    QTRY_COMPARE(Log->Messages().size(), 1);
    Log->Clear();

    // The handler listens to the whole manager; the blocking request must
    // still get its own body, and the handler must leave it alone.
    const QString result = Module->HttpGetRequestSynchronous(Server->Url("/sync").constData());
    QTest::qWait(50);

    QCOMPARE(result, QStringLiteral("sync"));
    QCOMPARE(Log->Messages(), QStringList {QStringLiteral("HttpGetRequestSynchronous 返回值: \"sync\"")});
    QCOMPARE(Module->HttpReplyText, QStringLiteral("async"));
}

void TestFunctionModule::logLinesCarryNoContext()
{
    Server->Answer("/ok", {"200 OK", {}, "ok", 0});
    Module->HttpGetRequestSynchronous(Server->Url("/ok").constData());
    Module->HttpGetRequestSynchronous(Server->Url("/missing").constData());
    Module->HttpPostRequestSynchronous(Server->Url("/ok").constData(), QByteArray());
    Module->HttpGetRequestAsynchronous(Server->Url("/missing").constData());
    QTRY_COMPARE(Log->Lines().size(), 4);

    for (const LogCapture::Line &line : Log->Lines()) {
        QCOMPARE(line.type, QtDebugMsg);
        QCOMPARE(line.category, QByteArray("default"));
        QCOMPARE(line.file, QByteArray());
        QCOMPARE(line.line, 0);
        QCOMPARE(line.function, QByteArray());
    }
}

void TestFunctionModule::byteArrayToJsonObject_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QJsonObject>("expected");

    const QJsonObject version {{QStringLiteral("version"), QStringLiteral("v1.0")}};
    QTest::newRow("object") << QByteArray(R"({"version":"v1.0"})") << version;
    QTest::newRow("object with blanks") << QByteArray(" \n{ \"version\" : \"v1.0\" }\n") << version;
    QTest::newRow("nested") << QByteArray(R"({"a":[1,2],"b":{"c":null}})")
                            << QJsonObject {{QStringLiteral("a"), QJsonArray {1, 2}},
                                            {QStringLiteral("b"),
                                             QJsonObject {{QStringLiteral("c"), QJsonValue::Null}}}};
    QTest::newRow("empty") << QByteArray() << QJsonObject();
    QTest::newRow("cut short") << QByteArray(R"({"version":"v1.)") << QJsonObject();
    QTest::newRow("trailing garbage") << QByteArray(R"({"version":"v1.0"}x)") << QJsonObject();
    QTest::newRow("top-level array") << QByteArray(R"([{"version":"v1.0"}])") << QJsonObject();
    QTest::newRow("plain text") << QByteArray("v1.0") << QJsonObject();
}

void TestFunctionModule::byteArrayToJsonObject()
{
    QFETCH(QByteArray, text);
    QFETCH(QJsonObject, expected);
    QCOMPARE(Module->ByteArrayToJsonObject(text), expected);
    QVERIFY(Log->Lines().isEmpty());
}

void TestFunctionModule::jsonObjectToByteArray()
{
    const QJsonObject object {{QStringLiteral("version"), QStringLiteral("v1.0")},
                              {QStringLiteral("count"), 2},
                              {QStringLiteral("list"), QJsonArray {true}}};
    const QByteArray text = Module->JsonObjectToByteArray(object);

    QCOMPARE(text,
             QByteArray("{\n"
                        "    \"count\": 2,\n"
                        "    \"list\": [\n"
                        "        true\n"
                        "    ],\n"
                        "    \"version\": \"v1.0\"\n"
                        "}\n"));
    QCOMPARE(Module->JsonObjectToByteArray(QJsonObject()), QByteArray("{\n}\n"));
    QCOMPARE(Module->ByteArrayToJsonObject(text), object);
}

void TestFunctionModule::stringsRoundTrip_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    QTest::newRow("plain") << QStringLiteral("user") << QStringLiteral("secret");
    QTest::newRow("both empty") << QString() << QString();
    QTest::newRow("first empty") << QString() << QStringLiteral("second");
    QTest::newRow("Chinese") << QStringLiteral("用户名") << QStringLiteral("密码");
    QTest::newRow("line breaks and zero") << QStringLiteral("a\nb\r\n") << QString::fromUtf16(u"x\0y", 3);
    QTest::newRow("long") << QString(100000, QLatin1Char('x')) << QStringLiteral("end");
}

void TestFunctionModule::stringsRoundTrip()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strings.dat"));

    Module->WriteStringsToFile(path, first, second);

    QCOMPARE(Module->ReadStringsFromFile(path), (QStringList {first, second}));
    QVERIFY(Log->Lines().isEmpty());
}

void TestFunctionModule::stringsUseTheStandardStreamEncoding()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strings.dat"));

    Module->WriteStringsToFile(path, QStringLiteral("ab"), QStringLiteral(""));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Big-endian byte count, then UTF-16BE; an empty (not null) string is a
    // zero count.
    QCOMPARE(file.readAll(), QByteArray("\0\0\0\x04\0a\0b\0\0\0\0", 12));
}

void TestFunctionModule::writingTruncates()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strings.dat"));
    Module->WriteStringsToFile(path, QString(500, QLatin1Char('a')), QString(500, QLatin1Char('b')));

    Module->WriteStringsToFile(path, QStringLiteral("c"), QStringLiteral("d"));

    QCOMPARE(QFileInfo(path).size(), qint64(2 * (4 + 2)));
    QCOMPARE(Module->ReadStringsFromFile(path), (QStringList {QStringLiteral("c"), QStringLiteral("d")}));
}

void TestFunctionModule::shortFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty file") << QByteArray() << QStringList {QString(), QString()};
    QTest::newRow("one string") << QByteArray("\0\0\0\x02\0z", 6)
                                << QStringList {QStringLiteral("z"), QString()};
    QTest::newRow("cut inside the first")
        << QByteArray("\0\0\0\x08\0z", 6) << QStringList {QString(), QString()};
    QTest::newRow("too short for a count") << QByteArray("xyz") << QStringList {QString(), QString()};
}

void TestFunctionModule::shortFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strings.dat"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    QCOMPARE(Module->ReadStringsFromFile(path), expected);
}

void TestFunctionModule::unopenablePaths_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/strings.dat");
    QTest::newRow("a folder") << QStringLiteral("folder");
}

void TestFunctionModule::unopenablePaths()
{
    QFETCH(QString, relativePath);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString path = dir.filePath(relativePath);

    Module->WriteStringsToFile(path, QStringLiteral("first"), QStringLiteral("second"));

    QCOMPARE(Module->ReadStringsFromFile(path), QStringList());
    QVERIFY(!QFileInfo(path).isFile());
    QVERIFY(Log->Lines().isEmpty());
}

VARNO_TEST_MAIN(TestFunctionModule)
#include "tst_functionmodule.moc"
