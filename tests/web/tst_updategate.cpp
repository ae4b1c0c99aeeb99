#include "LogCapture.h"
#include "TestHttpServer.h"
#include "kit/TestKit.h"
#include "web/FunctionModule.h"
#include "web/UpdateGate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;

const QByteArray CheckPath = "/website/varno/VarnoSoftware/copyright.php";
const QString DownloadPath = QStringLiteral("/website/varno/VarnoSoftware/download/VarnoSoftware.rar");

} // namespace

// Takes the place of the desktop's browser for "http" addresses.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> Opened;
    QStringList *Events = nullptr;

public slots:
    void Open(const QUrl &url)
    {
        Opened.append(url);
        Events->append(QStringLiteral("url"));
    }
};

class TestUpdateGate : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gate_data();
    void gate();
    void addresses_data();
    void addresses();
    void configuredAddress();

private:
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<TestHttpServer> Server;
    std::unique_ptr<UrlRecorder> Browser;
    std::unique_ptr<LogCapture> Log;
    QStringList Events;
};

void TestUpdateGate::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    Server = std::make_unique<TestHttpServer>();
    QVERIFY(Server->Listen());
    Events.clear();
    Browser = std::make_unique<UrlRecorder>();
    Browser->Events = &Events;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), Browser.get(), "Open");
    Log = std::make_unique<LogCapture>();
}

void TestUpdateGate::cleanup()
{
    Log.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    Browser.reset();
    Server.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    Answerer.reset();
    Settings.reset();
}

void TestUpdateGate::gate_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("requestFails");
    QTest::addColumn<bool>("current");

    const QByteArray ok = "200 OK";
    const auto version = [](const QByteArray &json) { return "{\"version\":" + json + "}"; };

    QTest::newRow("v1.0") << true << ok << version("\"v1.0\"") << false << true;
    QTest::newRow("v1.0 with extra members")
        << true << ok
        << QStringLiteral(R"({"notes":"新版本","version":"v1.0","build":7,"urls":["x"]})").toUtf8() << false
        << true;
    QTest::newRow("v1.0, zero byte, more JSON")
        << true << ok << QByteArray("{\"version\":\"v1.0\"}\0{\"version\":\"v2.0\"}", 37) << false << true;

    QTest::newRow("higher release") << true << ok << version("\"v1.1\"") << false << false;
    QTest::newRow("lower release") << true << ok << version("\"v0.9\"") << false << false;
    QTest::newRow("capital V") << true << ok << version("\"V1.0\"") << false << false;
    QTest::newRow("trailing blank") << true << ok << version("\"v1.0 \"") << false << false;
    QTest::newRow("leading blank") << true << ok << version("\" v1.0\"") << false << false;
    QTest::newRow("empty string") << true << ok << version("\"\"") << false << false;
    QTest::newRow("number 1.0") << true << ok << version("1.0") << false << false;
    QTest::newRow("true") << true << ok << version("true") << false << false;
    QTest::newRow("null") << true << ok << version("null") << false << false;
    QTest::newRow("array") << true << ok << version("[\"v1.0\"]") << false << false;
    QTest::newRow("object") << true << ok << version("{\"version\":\"v1.0\"}") << false << false;
    QTest::newRow("member missing") << true << ok << QByteArray(R"({"Version":"v1.0"})") << false << false;
    QTest::newRow("not JSON") << true << ok << QByteArray("v1.0") << false << false;
    QTest::newRow("top-level array") << true << ok << QByteArray(R"([{"version":"v1.0"}])") << false << false;
    QTest::newRow("zero byte before the end")
        << true << ok << QByteArray("{\"version\":\"v1.0\"\0}", 19) << false << false;
    QTest::newRow("empty body") << true << ok << QByteArray() << false << false;
    QTest::newRow("301") << true << QByteArray("301 Moved Permanently") << version("\"v1.0\"") << true
                         << false;
    QTest::newRow("302") << true << QByteArray("302 Found") << version("\"v1.0\"") << true << false;
    QTest::newRow("404") << true << QByteArray("404 Not Found") << version("\"v1.0\"") << true << false;
    QTest::newRow("500") << true << QByteArray("500 Internal Server Error") << version("\"v1.0\"") << true
                         << false;
    QTest::newRow("connection refused") << false << QByteArray() << QByteArray() << true << false;
}

void TestUpdateGate::gate()
{
    QFETCH(bool, listening);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, requestFails);
    QFETCH(bool, current);

    // Redirects point at an answer that would pass, so following one shows.
    Server->Answer("/moved", {"200 OK", {}, "{\"version\":\"v1.0\"}", 0});
    Server->Answer(CheckPath, {status, Headers {{"Location", "/moved"}}, body, 0});
    const QString baseUrl = listening
        ? Server->BaseUrl()
        : QStringLiteral("http://127.0.0.1:%1").arg(TestHttpServer::UnusedPort());
    int urlsOpenedBeforeTheBox = -1;
    if (!current) {
        Answerer->Next([this, &urlsOpenedBeforeTheBox](QWidget *modal) {
            Events.append(QStringLiteral("box"));
            urlsOpenedBeforeTheBox = Browser->Opened.size();
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                box->button(QMessageBox::Ok)->click();
        });
    }
    FunctionModule functionModule;

    const UpdateGate::Outcome outcome = UpdateGate::Run(functionModule, baseUrl);

    QCOMPARE(outcome, current ? UpdateGate::Outcome::Current : UpdateGate::Outcome::Outdated);
    if (current) {
        QVERIFY(Answerer->Records().isEmpty());
        QVERIFY(Browser->Opened.isEmpty());
    } else {
        QCOMPARE(Answerer->Records().size(), 1);
        const TestKit::ModalRecord &box = Answerer->Records().first();
        QCOMPARE(box.className, QStringLiteral("QMessageBox"));
        QCOMPARE(box.title, QStringLiteral("提示"));
        QCOMPARE(box.text, QStringLiteral("发现新版本,请下载新版本!"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.buttons, QList<QMessageBox::StandardButton> {QMessageBox::Ok});
        // The call names no default button; the toolkit then makes its one
        // accepting button the default.
        QCOMPARE(box.defaultButton, QMessageBox::Ok);
        QVERIFY(!box.hadParent);
        QCOMPARE(urlsOpenedBeforeTheBox, 0);
        QCOMPARE(Browser->Opened, QList<QUrl> {QUrl(baseUrl + DownloadPath)});
        QCOMPARE(Events, (QStringList {QStringLiteral("box"), QStringLiteral("url")}));
    }

    // One plain GET of the check address, never a redirect's target.
    if (listening) {
        QCOMPARE(Server->Requests().size(), 1);
        QCOMPARE(Server->Requests().first().method, QByteArray("GET"));
        QCOMPARE(Server->Requests().first().target, CheckPath);
    }
    QCOMPARE(Server->RequestsFor("/moved"), 0);

    // The log tells a failed request from an answer that did not match. (The
    // offscreen platform adds a warning of its own when the box shows.)
    QStringList lines;
    for (const LogCapture::Line &line : Log->Lines()) {
        if (line.type == QtDebugMsg)
            lines.append(line.message);
    }
    QCOMPARE(lines.size(), 1);
    if (requestFails)
        QCOMPARE(lines.first(), QStringLiteral("Http Get同步请求失败"));
    else
        QVERIFY2(lines.first().startsWith(QStringLiteral("HttpGetRequestSynchronous 返回值: \"")),
                 qPrintable(lines.first()));

    // Nothing of the program is left on screen or in the settings store.
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(QDir(Settings->Folder()).isEmpty());
}

void TestUpdateGate::addresses_data()
{
    QTest::addColumn<QString>("baseUrl");
    QTest::addColumn<QString>("checkAddress");
    QTest::addColumn<QString>("downloadAddress");

    QTest::newRow("bundled server") << QStringLiteral("http://127.0.0.1:8765")
                                    << QStringLiteral(
                                           "http://127.0.0.1:8765/website/varno/VarnoSoftware/copyright.php")
                                    << QStringLiteral(
                                           "http://127.0.0.1:8765/website/varno/VarnoSoftware/download/"
                                           "VarnoSoftware.rar");
    QTest::newRow("trailing slash")
        << QStringLiteral("http://updates.example.com/")
        << QStringLiteral("http://updates.example.com/website/varno/VarnoSoftware/copyright.php")
        << QStringLiteral("http://updates.example.com/website/varno/VarnoSoftware/download/"
                          "VarnoSoftware.rar");
}

void TestUpdateGate::addresses()
{
    QFETCH(QString, baseUrl);
    QFETCH(QString, checkAddress);
    QFETCH(QString, downloadAddress);
    QCOMPARE(UpdateGate::VersionCheckAddress(baseUrl), checkAddress);
    QCOMPARE(UpdateGate::DownloadAddress(baseUrl), downloadAddress);
}

void TestUpdateGate::configuredAddress()
{
    QCOMPARE(UpdateGate::ConfiguredBaseUrl(), QStringLiteral(VARNO_EXPECTED_UPDATE_BASE_URL));
    QCOMPARE(QString::fromLatin1(UpdateGate::BuildVersionLabel), QStringLiteral("v1.0"));
}

VARNO_TEST_MAIN(TestUpdateGate)
#include "tst_updategate.moc"
