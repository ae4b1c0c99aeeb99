#include "TestHttpServer.h"
#include "kit/TestKit.h"
#include "web/FunctionModule.h"
#include "web/UpdateGate.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QUrl>
#include <QtTest>

namespace {

const QByteArray CheckPath = "/website/varno/VarnoSoftware/copyright.php";

} // namespace

class TestUpdateGate : public QObject
{
    Q_OBJECT

public slots:
    // Takes the place of the desktop's browser for "http" addresses.
    void Open(const QUrl &url) { Events.append(QStringLiteral("open ") + url.toString()); }

private slots:
    void gate_data()
    {
        QTest::addColumn<QByteArray>("status"); // empty: nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("current");

        const QByteArray ok = "200 OK";
        const QByteArray current = R"({"version":"v1.0"})";
        QTest::newRow("v1.0 with extra members")
            << ok << QStringLiteral(R"({"notes":"新版本","version":"v1.0","build":7})").toUtf8() << true;
        QTest::newRow("v1.0, zero byte, more JSON")
            << ok << current + QByteArray("\0{\"version\":\"v2.0\"}", 19) << true;
        QTest::newRow("higher release") << ok << QByteArray(R"({"version":"v1.1"})") << false;
        QTest::newRow("lower release") << ok << QByteArray(R"({"version":"v0.9"})") << false;
        QTest::newRow("capital V") << ok << QByteArray(R"({"version":"V1.0"})") << false;
        QTest::newRow("trailing blank") << ok << QByteArray(R"({"version":"v1.0 "})") << false;
        QTest::newRow("number 1.0") << ok << QByteArray(R"({"version":1.0})") << false;
        QTest::newRow("not JSON") << ok << QByteArray("v1.0") << false;
        QTest::newRow("zero byte before the end")
            << ok << QByteArray("{\"version\":\"v1.0\"\0}", 19) << false;
        // Redirects point at an answer that would pass, so following one shows.
        QTest::newRow("301") << QByteArray("301 Moved Permanently\r\nLocation: /moved") << current << false;
        QTest::newRow("302") << QByteArray("302 Found\r\nLocation: /moved") << current << false;
        QTest::newRow("404") << QByteArray("404 Not Found") << current << false;
        // Asked again while nothing answers (three times, 300 ms apart).
        QTest::newRow("connection refused") << QByteArray() << QByteArray() << false;
    }

    void gate()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, current);

        TestKit::IsolatedSettings settings;
        TestKit::ModalAnswerer answerer;
        TestHttpServer server;
        QVERIFY(server.Listening);
        server.Answer("/moved", "200 OK", R"({"version":"v1.0"})");
        server.Answer(CheckPath, status, body);
        const QString baseUrl
            = QString::fromUtf8(status.isEmpty() ? TestHttpServer::UnusedBaseUrl() : server.BaseUrl());
        Events.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
        answerer.Next([this](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            Events.append(QStringLiteral("box %1 | %2 | icon %3 | parent %4")
                              .arg(box->windowTitle(), box->text())
                              .arg(box->icon())
                              .arg(box->parentWidget() ? "yes" : "no"));
            box->button(QMessageBox::Ok)->click();
        });
        FunctionModule functionModule;

        const UpdateGate::Outcome outcome
            = UpdateGate::Run(functionModule, baseUrl, UpdateGate::Retries {3, 300});
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

        QCOMPARE(outcome, current ? UpdateGate::Outcome::Current : UpdateGate::Outcome::Outdated);
        const QStringList outdated {
            QStringLiteral("box 提示 | 发现新版本,请下载新版本! | icon %1 | parent no")
                .arg(QMessageBox::Information),
            QStringLiteral("open ") + baseUrl
                + QStringLiteral("/website/varno/VarnoSoftware/download/VarnoSoftware.rar")};
        QCOMPARE(Events, current ? QStringList() : outdated);
        // One plain GET of the check address, never of a redirect's target.
        QCOMPARE(server.Requests,
                 status.isEmpty() ? QList<QByteArray>() : QList<QByteArray> {"GET " + CheckPath});
    }

    // At sign-in nothing of the program shows while nothing answers, past
    // the retries too, until an answer comes or a start by hand asks once
    // more and decides, no answer included.
    void signInWaitsQuietly_data()
    {
        QTest::addColumn<QString>("server"); // "late": up after the retries; "silent": never answers
        QTest::addColumn<bool>("byHand");
        QTest::newRow("network up after the retries") << "late" << false;
        QTest::newRow("start by hand, nothing listens") << "" << true;
        QTest::newRow("start by hand, a server that never answers") << "silent" << true;
    }

    void signInWaitsQuietly()
    {
        QFETCH(QString, server);
        QFETCH(bool, byHand);
        // Twelve tries 10 s apart, then one a minute, each given up after 10 s.
        const UpdateGate::Retries signIn = UpdateGate::SignInRetries;
        QCOMPARE(QVector<int>({signIn.count, signIn.intervalMs, signIn.thenEveryMs, signIn.timeoutMs}),
                 QVector<int>({12, 10000, 60000, 10000}));

        TestKit::ModalAnswerer answerer;
        answerer.NextClick(QMessageBox::Ok);
        TestHttpServer late;
        late.Answer(CheckPath, "200 OK", R"({"version":"v1.0"})");
        QTcpServer silent; // connections are taken by the kernel and never read
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QString baseUrl = server == "late" ? late.BaseUrl()
            : server == "silent" ? QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort())
                                 : TestHttpServer::UnusedBaseUrl();
        late.StartLater(1500);
        UpdateGate::HandStart handStart;
        QTimer hand;
        hand.setSingleShot(true);
        connect(&hand, &QTimer::timeout, [&] {
            QCOMPARE(answerer.Records().size(), 0);
            handStart.Arrive();
        });
        hand.start(2500);
        Events.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
        FunctionModule functionModule;
        QElapsedTimer waited;
        waited.start();

        const UpdateGate::Outcome outcome
            = UpdateGate::Run(functionModule, baseUrl, UpdateGate::Retries {2, 100, 200, 400}, &handStart);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

        QCOMPARE(outcome, byHand ? UpdateGate::Outcome::Outdated : UpdateGate::Outcome::Current);
        QCOMPARE(answerer.Records().size(), byHand ? 1 : 0);
        QCOMPARE(Events.size(), byHand ? 1 : 0);
        QVERIFY(waited.elapsed() > (byHand ? 2000 : 1200));
    }

    void addresses()
    {
        // A base written with a trailing slash must not double the paths' first one.
        const QString base = QStringLiteral("http://updates.example.com/");
        QCOMPARE(UpdateGate::VersionCheckAddress(base),
                 QStringLiteral("http://updates.example.com/website/varno/VarnoSoftware/copyright.php"));
        QCOMPARE(UpdateGate::DownloadAddress(base),
                 QStringLiteral(
                     "http://updates.example.com/website/varno/VarnoSoftware/download/VarnoSoftware.rar"));
        QCOMPARE(UpdateGate::ConfiguredBaseUrl(), QStringLiteral(VARNO_EXPECTED_UPDATE_BASE_URL));
    }

private:
    QStringList Events;
};

VARNO_TEST_MAIN(TestUpdateGate)
#include "tst_updategate.moc"
